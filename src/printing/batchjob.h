#pragma once

#include "printing/printerbinding.h"
#include "printing/slipdata.h"

#include <QList>

#include <functional>

class TOvPrinter;

namespace printing {

class TOv_d97_Dot;

// Many slips as one print job, one page per slip, drawn by the same layout as F11.
// After each page `pageDrawn(count)` is called; when it returns false the job ends
// there: the pages drawn so far are sent, the rest is not printed. Returns how many
// pages were sent (0 when nothing was). A failure while drawing aborts the whole job
// (nothing sent) and propagates.
int printSlipBatch(TOvPrinter &printer, const TOv_d97_Dot &layout, const QList<SlipData> &slips,
                   const PrinterBinding &binding, const std::function<bool(int pagesDrawn)> &pageDrawn);

} // namespace printing
