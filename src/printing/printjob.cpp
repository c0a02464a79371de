#include "printjob.h"

#include "printing/ov_d97_dot.h"
#include "printing/slipcanvas.h"

#include "platform/error.h"
#include "platform/messagebox.h"
#include "printer/ovprinters.h"

namespace printing {

EffectiveResolution effectiveResolution(const TOvExtent &dpi, int scalePercent)
{
    if (scalePercent == 0)
        throw platform::Error(QStringLiteral("プリンタの拡大率が 0 のため印刷できません"));
    // Integer division truncates toward zero, as the resolution is meant to.
    return {dpi.cx * 100 / scalePercent, dpi.cy * 100 / scalePercent};
}

bool printSlip(TOvPrinter &printer, const TOv_d97_Dot &layout, const SlipData &slip,
               const PrinterBinding &binding, const QString &question)
{
    // A batch of the order list is still being sent: said before the question, and the
    // batch goes on undisturbed.
    if (printer.Printing())
        throw platform::Error(kPrinterBusyMessage);
    if (!platform::ask(question))
        return false;

    // Read fresh on every print: the printer or its scale may have changed.
    const TOvExtent dpi = printer.DPI();
    const EffectiveResolution resolution = effectiveResolution(dpi, printer.Scale());

    printer.BeginDoc(kPrintJobTitle);
    try {
        QPainter *painter = printer.Canvas();
        if (!painter)
            throw EOvPrinter(QStringLiteral("TOvPrinter.Canvas: No Canvas"));
        PainterCanvas canvas(painter);
        layout.SLIP97_Prn(canvas, slip, resolution.x, resolution.y, binding);
    } catch (...) {
        // Discard the half-drawn page; the cause, not a failing abort, is reported.
        try {
            printer.Abort();
        } catch (...) {
        }
        throw;
    }
    printer.EndDoc();
    return true;
}

bool printSlip(const TOv_d97_Dot &layout, const SlipData &slip, const PrinterBinding &binding,
               const QString &question)
{
    return printSlip(OvPrinter(), layout, slip, binding, question);
}

} // namespace printing
