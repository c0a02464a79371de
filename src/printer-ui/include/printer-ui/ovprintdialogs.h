#pragma once

// The system's print and printer-setup dialogs on the process-wide printer.

#include "printer/ovprinters.h"

#include <memory>

class QWidget;

// ---------------------------------------------------------------- dialogs

enum class OvDialogKind { Print, PrinterSetup };

// Shows the system's print or printer-setup dialog on the back end's printer and,
// when the user confirms, makes the choice current in the back end. The program
// uses Qt's dialogs; tests install a runner that answers.
class OvDialogRunner
{
public:
    virtual ~OvDialogRunner() = default;
    virtual bool run(OvDialogKind kind, OvPrinterBackend &backend, QWidget *parent) = 0;
};

// Installs a runner (nullptr: Qt's dialogs again); returns the previous one.
std::unique_ptr<OvDialogRunner> setOvDialogRunner(std::unique_ptr<OvDialogRunner> runner);

// After a confirmed dialog the chosen printer and settings are current and OvPrinter
// is resynchronised (ForceUpdate).
class TOvPrintDialog
{
public:
    explicit TOvPrintDialog(QWidget *parent = nullptr) : m_parent(parent) {}
    bool Execute();

private:
    QWidget *m_parent;
};

class TOvPrinterSetupDialog
{
public:
    explicit TOvPrinterSetupDialog(QWidget *parent = nullptr) : m_parent(parent) {}
    bool Execute();

private:
    QWidget *m_parent;
};
