#include "printing/printerregistration.h"

#include "printing/printerdisplay.h"

#include "printer/ovprinters.h"
#include "transfer/texthelpers.h"

namespace printing {

PrinterRegistration::PrinterRegistration(PrinterDisplay &display,
                                         std::function<QString()> workingDirectory,
                                         TOvPrinter *printer)
    : m_display(display)
    , m_workingDirectory(std::move(workingDirectory))
    , m_printer(printer)
{
}

const PrinterBinding &PrinterRegistration::binding() const
{
    return m_display.binding();
}

PrinterBindingFile PrinterRegistration::file() const
{
    return PrinterBindingFile(m_workingDirectory());
}

void PrinterRegistration::load(const QString &feed)
{
    loadBinding(feed);
    m_display.SpeedButton_PRNSETClick();
}

void PrinterRegistration::registerPrinter(const QString &feed, const std::function<void()> &printerSetup)
{
    load(feed);
    // The dialog opens on the feed's printer when that one is current, else on the
    // first printer.
    TOvPrinter &ov = printer();
    const int wanted = transfer::StrToIntZero(binding().printerIndex);
    ov.SetIndex(ov.Index() == wanted ? wanted : 0);
    printerSetup();
    // Whether the user confirmed or not, the printer now current is registered.
    m_display.setPrinterIndex(QString::number(ov.Index()));
    m_display.SpeedButton_PRNSETClick();
    writeSection(feed, binding().topMargin, binding().leftMargin);
}

void PrinterRegistration::registerMargins(const QString &feed, const QString &top, const QString &left)
{
    writeSection(feed, top, left);
    m_display.setMargins(top, left);
}

void PrinterRegistration::loadBinding(const QString &feed)
{
    const FeedEntry entry = file().read(feed);
    QStringList names;
    try {
        names = printer().PrinterNames();
    } catch (const EOvPrinter &) {
        // No printer to look the name up in: the stored index goes on to the apply,
        // which reports the missing printer.
    }
    m_display.setBinding({currentPrinterIndex(entry, names), entry.topMargin, entry.leftMargin});
}

void PrinterRegistration::writeSection(const QString &feed, const QString &top, const QString &left)
{
    file().write(feed, {m_display.printerName(), binding().printerIndex, top, left});
}

TOvPrinter &PrinterRegistration::printer() const
{
    return m_printer ? *m_printer : OvPrinter();
}

} // namespace printing
