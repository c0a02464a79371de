#include "printing/batchjob.h"

#include "printing/ov_d97_dot.h"
#include "printing/printjob.h"
#include "printing/slipcanvas.h"

#include "printer/ovprinters.h"

namespace printing {

int printSlipBatch(TOvPrinter &printer, const TOv_d97_Dot &layout, const QList<SlipData> &slips,
                   const PrinterBinding &binding, const std::function<bool(int pagesDrawn)> &pageDrawn)
{
    if (slips.isEmpty())
        return 0;
    const EffectiveResolution resolution = effectiveResolution(printer.DPI(), printer.Scale());
    printer.BeginDoc(kPrintJobTitle);
    int drawn = 0;
    try {
        for (const SlipData &slip : slips) {
            if (drawn > 0)
                printer.Newpage();
            QPainter *painter = printer.Canvas();
            if (!painter)
                throw EOvPrinter(QStringLiteral("TOvPrinter.Canvas: No Canvas"));
            PainterCanvas canvas(painter);
            layout.SLIP97_Prn(canvas, slip, resolution.x, resolution.y, binding);
            ++drawn;
            if (pageDrawn && !pageDrawn(drawn))
                break;
        }
    } catch (...) {
        try {
            printer.Abort();
        } catch (...) {
        }
        throw;
    }
    printer.EndDoc();
    return drawn;
}

} // namespace printing
