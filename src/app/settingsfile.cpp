#include "settingsfile.h"

#include "platform/inifile.h"

namespace app {

namespace {
const QString kPrinterIndexKey = QStringLiteral("RErorezevprnno");
const QString kTransferModeKey = QStringLiteral("TransferMode");
// おところ③ came after the other keys; it is written last so that files of earlier
// releases keep their order.
const QString kAddress3Key = QStringLiteral("E_AD3");
const QString kScanWithoutAskingKey = QStringLiteral("ScanPrintWithoutAsking");
}

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

StoredSettings SettingsFile::load() const
{
    const platform::IniFile ini(m_path);
    const QString s = section();
    StoredSettings r;
    r.printerIndex = ini.readInteger(s, kPrinterIndexKey, -1);
    r.printerTop = ini.readInteger(s, QStringLiteral("mekira_RErorezevPrn_Top"), 0);
    r.printerLeft = ini.readInteger(s, QStringLiteral("mekira_RErorezevPrn_Left"), 0);
    r.tabMy = ini.readInteger(s, QStringLiteral("Tab_My"), 0);
    r.addrFont = ini.readInteger(s, QStringLiteral("Addr_Font"), 1);
    r.my = ini.readString(s, QStringLiteral("OP023My"));
    // Asked for as written by an old release; names match regardless of case and blanks.
    r.myZip = ini.readString(s, QStringLiteral("OP023MyZIP "));
    r.myAdd1 = ini.readString(s, QStringLiteral("OP023MyADD1"));
    r.myAdd2 = ini.readString(s, QStringLiteral("OP023MyADD2"));
    r.myTel = ini.readString(s, QStringLiteral("OP023MyTEL"));
    r.zip = ini.readString(s, QStringLiteral("E_ZIP"));
    r.add1 = ini.readString(s, QStringLiteral("E_AD1"));
    r.add2 = ini.readString(s, QStringLiteral("E_AD2"));
    r.add3 = ini.readString(s, kAddress3Key);
    r.custo1 = ini.readString(s, QStringLiteral("E_CUS"));
    r.tel = ini.readString(s, QStringLiteral("E_TEL"));
    r.g1 = ini.readString(s, QStringLiteral("E_G1"));
    r.g2 = ini.readString(s, QStringLiteral("E_G2"));
    r.g3 = ini.readString(s, QStringLiteral("E_G3"));
    r.kosuu = ini.readString(s, QStringLiteral("KOSUU"), QStringLiteral("1"));
    r.deDate1 = ini.readString(s, QStringLiteral("de_date1"));
    r.deDate2 = ini.readString(s, QStringLiteral("de_date2"));
    r.comboBoxSel = ini.readInteger(s, QStringLiteral("ComboBox_SEL"), 0);
    // Anything but "classic" runs the smart transfer.
    const QString mode = ini.readString(s, kTransferModeKey, StoredSettings::transferModeSmart()).trimmed();
    r.transferMode = mode.compare(StoredSettings::transferModeClassic(), Qt::CaseInsensitive) == 0
                         ? StoredSettings::transferModeClassic()
                         : StoredSettings::transferModeSmart();
    return r;
}

void SettingsFile::save(const StoredSettings &v) const
{
    const auto number = [](int value) { return QString::number(value); };
    platform::IniFile(m_path).writeStrings(section(), {
        {QStringLiteral("Addr_Font"), number(v.addrFont)},
        {QStringLiteral("E_ZIP"), v.zip},
        {QStringLiteral("E_AD1"), v.add1},
        {QStringLiteral("E_AD2"), v.add2},
        {QStringLiteral("E_CUS"), v.custo1},
        {QStringLiteral("E_TEL"), v.tel},
        {QStringLiteral("E_G1"), v.g1},
        {QStringLiteral("E_G2"), v.g2},
        {QStringLiteral("E_G3"), v.g3},
        {QStringLiteral("KOSUU"), v.kosuu},
        {QStringLiteral("de_date1"), v.deDate1},
        {QStringLiteral("de_date2"), v.deDate2},
        {QStringLiteral("OP023My"), v.my},
        {QStringLiteral("OP023MyZip"), v.myZip},
        {QStringLiteral("OP023MyADD1"), v.myAdd1},
        {QStringLiteral("OP023MyADD2"), v.myAdd2},
        {QStringLiteral("OP023MyTEL"), v.myTel},
        {QStringLiteral("ComboBox_SEL"), number(v.comboBoxSel)},
        {QStringLiteral("Tab_My"), number(v.tabMy)},
        {kTransferModeKey, v.transferMode},
        {kAddress3Key, v.add3},
    });
}

database::DatabaseConfig SettingsFile::orderBook(const QString &workingFolder) const
{
    QString value = qEnvironmentVariable("MEKIRA_DATABASE");
    if (value.trimmed().isEmpty())
        value = platform::IniFile(m_path).readString(section(), database::DatabaseConfig::settingsKey());
    return database::DatabaseConfig::fromValue(value, workingFolder);
}

bool SettingsFile::readScanWithoutAsking() const
{
    return platform::IniFile(m_path).readInteger(section(), kScanWithoutAskingKey, 0) != 0;
}

void SettingsFile::writeScanWithoutAsking(bool without) const
{
    platform::IniFile(m_path).writeInteger(section(), kScanWithoutAskingKey, without ? 1 : 0);
}

int SettingsFile::readPrinterIndex() const
{
    return platform::IniFile(m_path).readInteger(section(), kPrinterIndexKey, -1);
}

void SettingsFile::writePrinterIndex(int index) const
{
    platform::IniFile(m_path).writeInteger(section(), kPrinterIndexKey, index);
}

slip::SlipRecord storedSlip(const StoredSettings &s, slip::SlipRecord base)
{
    base.destination.postalCode = s.zip;
    base.destination.address1 = s.add1;
    base.destination.address2 = s.add2;
    base.destination.address3 = s.add3;
    base.destination.name = s.custo1;
    base.destination.telephone = s.tel;
    base.sender.postalCode = s.myZip;
    base.sender.address1 = s.myAdd1;
    base.sender.address2 = s.myAdd2;
    base.sender.name = s.my;
    base.sender.telephone = s.myTel;
    base.goods = {s.g1, s.g2, s.g3};
    base.deliveryMonth = s.deDate1;
    base.deliveryDay = s.deDate2;
    return base;
}

void keepSlip(StoredSettings &s, const slip::SlipRecord &slip)
{
    s.zip = slip.destination.postalCode;
    s.add1 = slip.destination.address1;
    s.add2 = slip.destination.address2;
    s.add3 = slip.destination.address3;
    s.custo1 = slip.destination.name;
    s.tel = slip.destination.telephone;
    s.myZip = slip.sender.postalCode;
    s.myAdd1 = slip.sender.address1;
    s.myAdd2 = slip.sender.address2;
    s.my = slip.sender.name;
    s.myTel = slip.sender.telephone;
    s.g1 = slip.goods[0];
    s.g2 = slip.goods[1];
    s.g3 = slip.goods[2];
    s.deDate1 = slip.deliveryMonth;
    s.deDate2 = slip.deliveryDay;
}

} // namespace app
