#pragma once

#include "printing/printerbinding.h"
#include "printing/slipdata.h"

#include <QString>

class TOvPrinter;
struct TOvExtent;

namespace printing {

class TOv_d97_Dot;

// The question asked before printing and the title of every slip print job (with
// its two trailing blanks).
inline const QString kPrintQuestion = QStringLiteral("印刷しますか?");
inline const QString kPrintJobTitle = QStringLiteral("mekira_RErorezev  ");

// A printer's effective resolution: its dots per inch x 100 / its scale percentage,
// truncated. A scale of 0 raises platform::Error instead of dividing by zero.
struct EffectiveResolution
{
    int x = 0;
    int y = 0;

    friend bool operator==(const EffectiveResolution &, const EffectiveResolution &) = default;
};
EffectiveResolution effectiveResolution(const TOvExtent &dpi, int scalePercent);

// The print command (F11): asks "印刷しますか?", then prints the slip as one page on
// the current printer of `printer`, placed by the binding's margins. Returns false
// when the user did not answer Yes (nothing printed; the window then puts the focus
// on Edit_G1) and true once the job has been sent. Failures propagate: those before
// the job opens (no printer, ...) leave no job; any failure while drawing aborts the
// job first, so nothing is printed.
// `question` replaces the question, for the window to put a warning line before it.
// While another job is being sent, raises platform::Error(kPrinterBusyMessage) before asking.
bool printSlip(TOvPrinter &printer, const TOv_d97_Dot &layout, const SlipData &slip,
               const PrinterBinding &binding, const QString &question = kPrintQuestion);

// The same on OvPrinter(), the process-wide printer.
bool printSlip(const TOv_d97_Dot &layout, const SlipData &slip, const PrinterBinding &binding,
               const QString &question = kPrintQuestion);

} // namespace printing
