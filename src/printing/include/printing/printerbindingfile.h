#pragma once

#include "platform/inifile.h"
#include "slip/printerbinding.h"

#include <QString>
#include <QStringList>

namespace printing {

using slip::PrinterBinding;

// One paper feed's entry in the printer-binding file, as the texts stored there.
struct FeedEntry
{
    QString printerName;  // "PrnName": what the printer box showed at registration
    QString printerIndex; // "PrnNoIndex"
    QString topMargin;    // "mekiraPrn_Top", printer dots
    QString leftMargin;   // "mekiraPrn_Left", printer dots

    friend bool operator==(const FeedEntry &, const FeedEntry &) = default;
};

// The printer-binding file "mekira_q610.ini" in the working directory: one section
// per paper feed, named by the feed's item text ("手差し", "連続(４インチ)").
// Every value is a string; index and margins read as "0" when the file, the
// section or the key is missing, and as the empty text when the key is empty.
class PrinterBindingFile
{
public:
    static QString fileName() { return QStringLiteral("mekira_q610.ini"); }

    explicit PrinterBindingFile(const QString &directory);

    const QString &path() const { return m_ini.path(); }

    FeedEntry read(const QString &feed) const;
    // Writes "PrnName", "PrnNoIndex", "mekiraPrn_Top" and "mekiraPrn_Left" in this
    // order, each at once; a failed write (platform::EFileError naming the file)
    // ends it, keys written before it stay written.
    void write(const QString &feed, const FeedEntry &entry) const;

private:
    platform::IniFile m_ini;
};

// The printer index an entry stands for among the printers visible now: the index
// of the printer it names when one of `printerNames` carries that name (so that a
// printer added or removed before it does not send the slip elsewhere), else its
// stored index.
QString currentPrinterIndex(const FeedEntry &entry, const QStringList &printerNames);

} // namespace printing
