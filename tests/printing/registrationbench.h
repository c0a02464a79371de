#pragma once

// A working folder with a fake printer back end, the printer display's widgets and
// the per-feed printer registration on them, for the registration and dialog tests.

#include "printing/printerbindingfile.h"
#include "printing/printerdisplay.h"
#include "printing/printerregistration.h"

#include "fakeprinterbackend.h"
#include "printer/ovprinters.h"

#include "filebytes.h"
#include "printer-ui/ovprintdialogs.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace registrationtest {

using namespace Qt::StringLiterals;
using printing::FeedEntry;
using slip::PrinterBinding;
using printing::PrinterBindingFile;
using printing::PrinterDisplay;
using printing::PrinterRegistration;

inline const QString kManual = u"手差し"_s;
inline const QString kContinuous = u"連続(４インチ)"_s;


// The printer-setup dialog as a script: notes the printer it opened on and answers.
class SetupScript : public OvDialogRunner
{
public:
    std::function<bool(FakePrinterBackend &)> answer = [](FakePrinterBackend &) { return false; };
    QList<int> openedOn;

    bool run(OvDialogKind kind, OvPrinterBackend &backend, QWidget *) override
    {
        if (kind != OvDialogKind::PrinterSetup)
            return false;
        openedOn.append(OvPrinter().Index());
        return answer(static_cast<FakePrinterBackend &>(backend));
    }
};

// Puts a SetupScript in place of the printer-setup dialog while it lives.
class SetupScriptScope
{
public:
    SetupScriptScope()
    {
        auto runner = std::make_unique<SetupScript>();
        script = runner.get();
        m_previous = setOvDialogRunner(std::move(runner));
    }
    ~SetupScriptScope() { setOvDialogRunner(std::move(m_previous)); }
    SetupScriptScope(const SetupScriptScope &) = delete;
    SetupScriptScope &operator=(const SetupScriptScope &) = delete;

    SetupScript *script = nullptr;

private:
    std::unique_ptr<OvDialogRunner> m_previous;
};

// A working folder, printers "Printer A", "Printer B" and "Printer C" (the default is
// B), the printer display's widgets and the registration on them.
struct Bench
{
    QTemporaryDir dir;
    FakePrinterBackend *fake = nullptr;
    std::unique_ptr<OvPrinterScope> scope;
    QWidget window;
    QComboBox *printers = new QComboBox(&window);
    QLabel *top = new QLabel(&window);
    QLabel *left = new QLabel(&window);
    std::unique_ptr<PrinterDisplay> display;
    std::unique_ptr<PrinterRegistration> registration;

    Bench()
    {
        auto backend = std::make_unique<FakePrinterBackend>();
        for (const QString &name : {u"Printer A"_s, u"Printer B"_s, u"Printer C"_s})
            backend->addPrinter(FakePrinterBackend::standardPrinter(name));
        backend->setDefaultPrinter(1);
        fake = backend.get();
        scope = std::make_unique<OvPrinterScope>(std::move(backend));
        display = std::make_unique<PrinterDisplay>(PrinterDisplay::Widgets{
            printers, new QComboBox(&window), new QComboBox(&window), top, left});
        registration = std::make_unique<PrinterRegistration>(*display, [this] { return dir.path(); });
    }

    QString path() const { return dir.filePath(u"mekira_q610.ini"_s); }
    PrinterBindingFile file() const { return PrinterBindingFile(dir.path()); }
    void store(const QString &feed, const FeedEntry &entry) { file().write(feed, entry); }
    // The binding and what the group box shows of it.
    void checkShown(const PrinterBinding &want)
    {
        const PrinterBinding &is = display->binding();
        QCOMPARE((QStringList{is.printerIndex, is.topMargin, is.leftMargin}),
                 (QStringList{want.printerIndex, want.topMargin, want.leftMargin}));
        QCOMPARE(top->text(), want.topMargin);
        QCOMPARE(left->text(), want.leftMargin);
    }
};

} // namespace registrationtest
