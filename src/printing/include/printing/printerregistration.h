#pragma once

#include "slip/printerbinding.h"
#include "printing/printerbindingfile.h"

#include <QString>

#include <functional>

class TOvPrinter;

namespace printing {

using slip::PrinterBinding;

class PrinterDisplay;

// The per-feed printer binding behind the group box "プリンタセット": loading the
// binding of the chosen paper feed, registering a printer for it and registering
// its print-position margins. A feed is named by its item text; the binding file
// lives in the working directory, asked for at each command because the window
// captures it only when it starts. All changes of the binding go through the
// display, which shows them.
class PrinterRegistration
{
public:
    // `printer` defaults to OvPrinter() at each use, as for the display.
    PrinterRegistration(PrinterDisplay &display, std::function<QString()> workingDirectory,
                        TOvPrinter *printer = nullptr);

    const PrinterBinding &binding() const;
    PrinterBindingFile file() const;

    // The load (SpeedButton_PrnIdGetClick): the feed's printer and margins become the
    // binding (printer 0 and margins "0" for a missing file, section or key), then
    // the printer is applied. A stored printer index that is not an integer fails
    // in the apply (platform::EConvertError); the printer stays as it was.
    void load(const QString &feed);

    // The printer registration (BitBtn_PrnSetClick): loads and applies the feed's
    // binding, puts the printer-setup dialog on that printer (the first one when
    // another is current), runs `printerSetup`, binds the printer current after it,
    // confirmed or not, applies it and writes the feed's section.
    void registerPrinter(const QString &feed, const std::function<void()> &printerSetup);

    // The print-position registration, once the user has confirmed it: writes the
    // feed's section with the printer shown now and the two margin texts as typed
    // (not checked: a bad one fails when printing), then makes them the binding's
    // margins. The printer is not applied again. On a failed write the binding
    // stays as it was.
    void registerMargins(const QString &feed, const QString &top, const QString &left);

private:
    void loadBinding(const QString &feed);
    void writeSection(const QString &feed, const QString &top, const QString &left);
    TOvPrinter &printer() const;

    PrinterDisplay &m_display;
    std::function<QString()> m_workingDirectory;
    TOvPrinter *m_printer;
};

} // namespace printing
