#include "printing/printerbindingfile.h"

#include <QDir>

namespace printing {

namespace {

const QString kPrinterName = QStringLiteral("PrnName");
const QString kPrinterIndex = QStringLiteral("PrnNoIndex");
const QString kTopMargin = QStringLiteral("mekiraPrn_Top");
const QString kLeftMargin = QStringLiteral("mekiraPrn_Left");
const QString kZero = QStringLiteral("0");

// Names are compared without ASCII blanks around them; a full-width space belongs to
// the name, as in the file.
QStringView withoutAsciiBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front().unicode() <= u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back().unicode() <= u' ')
        text.chop(1);
    return text;
}

} // namespace

PrinterBindingFile::PrinterBindingFile(const QString &directory)
    : m_ini(QDir(directory).filePath(fileName()))
{
}

FeedEntry PrinterBindingFile::read(const QString &feed) const
{
    FeedEntry entry;
    entry.printerName = m_ini.readString(feed, kPrinterName);
    entry.printerIndex = m_ini.readString(feed, kPrinterIndex, kZero);
    entry.topMargin = m_ini.readString(feed, kTopMargin, kZero);
    entry.leftMargin = m_ini.readString(feed, kLeftMargin, kZero);
    return entry;
}

void PrinterBindingFile::write(const QString &feed, const FeedEntry &entry) const
{
    m_ini.writeString(feed, kPrinterName, entry.printerName);
    m_ini.writeString(feed, kPrinterIndex, entry.printerIndex);
    m_ini.writeString(feed, kTopMargin, entry.topMargin);
    m_ini.writeString(feed, kLeftMargin, entry.leftMargin);
}

QString currentPrinterIndex(const FeedEntry &entry, const QStringList &printerNames)
{
    const QStringView name = withoutAsciiBlanks(entry.printerName);
    if (!name.isEmpty()) {
        for (qsizetype i = 0; i < printerNames.size(); ++i) {
            if (withoutAsciiBlanks(printerNames.at(i)) == name)
                return QString::number(i);
        }
    }
    return entry.printerIndex;
}

} // namespace printing
