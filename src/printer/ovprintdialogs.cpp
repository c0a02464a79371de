#include "printer/ovprinters.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

// Qt's own dialogs on the back end's QPrinter; the back end adopts the choice.
class QtDialogRunner : public OvDialogRunner
{
public:
    bool run(OvDialogKind kind, OvPrinterBackend &backend, QWidget *parent) override
    {
        QPrinter *printer = backend.dialogPrinter();
        if (!printer)
            return false;
        // Both commands let the user choose the printer, so both use the print
        // dialog; the setup variant hides what only concerns one job.
        QPrintDialog dialog(printer, parent);
        if (kind == OvDialogKind::PrinterSetup) {
            dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
            dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
            dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
            dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
            dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
        }
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
