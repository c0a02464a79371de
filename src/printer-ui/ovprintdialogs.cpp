#include "printer/ovprinters.h"
#include "printer-ui/ovprintersetupform.h"
#include "printer-ui/ovprintdialogs.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {

// The printer setup is the program's own dialog, which lists the layer's printers
// (the built-in PDF printer too, which Qt's dialog does not know). The print dialog
// is Qt's, on the back end's QPrinter; the back end adopts the choice.
class QtDialogRunner : public OvDialogRunner
{
public:
    bool run(OvDialogKind kind, OvPrinterBackend &backend, QWidget *parent) override
    {
        if (kind == OvDialogKind::PrinterSetup) {
            OvPrinterSetupForm form(OvPrinter(), parent);
            if (form.exec() != QDialog::Accepted)
                return false;
            form.adoptChoice();
            return true;
        }
        QPrinter *printer = backend.dialogPrinter();
        if (!printer)
            return false;
        QPrintDialog dialog(printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        backend.adoptDialogPrinter(*printer);
        return true;
    }
};

std::unique_ptr<OvDialogRunner> &currentRunner()
{
    static std::unique_ptr<OvDialogRunner> runner = std::make_unique<QtDialogRunner>();
    return runner;
}

bool executeDialog(OvDialogKind kind, QWidget *parent)
{
    TOvPrinter &printer = OvPrinter();
    const TOvPrinter::BusyScope busy(printer);
    const bool confirmed = currentRunner()->run(kind, printer.backend(), parent);
    if (confirmed)
        printer.ForceUpdate();
    return confirmed;
}

} // namespace

std::unique_ptr<OvDialogRunner> setOvDialogRunner(std::unique_ptr<OvDialogRunner> runner)
{
    std::unique_ptr<OvDialogRunner> previous = std::move(currentRunner());
    currentRunner() = runner ? std::move(runner) : std::make_unique<QtDialogRunner>();
    return previous;
}

bool TOvPrintDialog::Execute()
{
    return executeDialog(OvDialogKind::Print, m_parent);
}

bool TOvPrinterSetupDialog::Execute()
{
    return executeDialog(OvDialogKind::PrinterSetup, m_parent);
}
