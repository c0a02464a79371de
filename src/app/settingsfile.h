#pragma once

#include "database/databaseconfig.h"
#include "slip/sliprecord.h"

#include <QString>

namespace app {

// What "mekira_RErorezev.ini" carries from one run to the next: the slip fields that
// are kept, the sender tab, the paper feed and the start values of the printer binding.
struct StoredSettings
{
    // Read at start only (the binding's start values; F7 writes the printer index).
    int printerIndex = -1;
    int printerTop = 0;
    int printerLeft = 0;

    int tabMy = 0;
    int addrFont = 1;
    QString my;
    QString myZip;
    QString myAdd1;
    QString myAdd2;
    QString myTel;
    QString zip;
    QString add1;
    QString add2;
    QString add3;
    QString custo1;
    QString tel;
    QString g1;
    QString g2;
    QString g3;
    QString kosuu = QStringLiteral("1");
    QString deDate1;
    QString deDate2;
    int comboBoxSel = 0;
    // Which transfer the transfer button runs: "smart" (whole order texts) or "classic".
    QString transferMode = transferModeSmart();

    static QString transferModeSmart() { return QStringLiteral("smart"); }
    static QString transferModeClassic() { return QStringLiteral("classic"); }
};

// The slip fields the settings file keeps (sender, destination, goods, desired date),
// as a slip record; the others are as in `base`.
slip::SlipRecord storedSlip(const StoredSettings &settings, slip::SlipRecord base = {});
// Puts the kept fields of `slip` into `settings`.
void keepSlip(StoredSettings &settings, const slip::SlipRecord &slip);

// A stored value that its control cannot show as stored (an index outside its list, a
// quantity with leading zeros): the stored value and what the control showed of it, so
// that a control the user did not touch writes the stored value back unchanged.
template <typename T>
struct KeptValue
{
    T stored{};
    T shown{};
    T toWrite(const T &showsNow) const { return showsNow == shown ? stored : showsNow; }
};

// The settings file at a given path, section "mekira_RErorezevPrn".
class SettingsFile
{
public:
    explicit SettingsFile(QString path);

    static QString fileName() { return QStringLiteral("mekira_RErorezev.ini"); }
    static QString section() { return QStringLiteral("mekira_RErorezevPrn"); }

    // Reads the 22 keys in their order, then "TransferMode" and "E_AD3"; a missing file or key gives
    // its default.
    StoredSettings load() const;
    // Writes the 19 kept keys in their order, then "TransferMode" and "E_AD3", each at once. A
    // failing write raises the file error and the keys after it are not written.
    void save(const StoredSettings &settings) const;

    // Where the order book lives: the environment variable MEKIRA_DATABASE first, then
    // the "Database" key, else the SQLite file in `workingFolder`. Raises platform::Error
    // for an address that cannot be read.
    database::DatabaseConfig orderBook(const QString &workingFolder) const;

    // 「スキャンしたら確認せずに印刷」 of the order list's scan box (key "ScanPrintWithoutAsking").
    bool readScanWithoutAsking() const;
    void writeScanWithoutAsking(bool without) const;

    // The printer index that F7 reads and writes.
    int readPrinterIndex() const;
    void writePrinterIndex(int index) const;

private:
    QString m_path;
};

} // namespace app
