#include "printerbindingfile.h"

#include <QDir>

namespace printing {

namespace {

const QString kPrinterName = QStringLiteral("PrnName");
const QString kPrinterIndex = QStringLiteral("PrnNoIndex");
const QString kTopMargin = QStringLiteral("mekiraPrn_Top");
const QString kLeftMargin = QStringLiteral("mekiraPrn_Left");
const QString kZero = QStringLiteral("0");

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
    const QString name = entry.printerName.trimmed();
    if (!name.isEmpty()) {
        for (qsizetype i = 0; i < printerNames.size(); ++i) {
            if (printerNames.at(i).trimmed() == name)
                return QString::number(i);
        }
    }
    return entry.printerIndex;
}

} // namespace printing
