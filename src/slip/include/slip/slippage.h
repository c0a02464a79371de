#pragma once

#include "slip/printerbinding.h"
#include "slip/sliplayout.h"
#include "slip/sliprecord.h"
#include "slip/slipfield.h"

#include <QList>
#include <QSet>

class QPainter;

namespace slip {

class SlipCanvas;

// How one slip page is placed: the resolution that turns the layout's 1/160-inch
// places into dots, the binding's margins, and the resolution at which point sizes
// become dots.
struct SlipPageSetup
{
    int dpiX = 0;             // effective resolution of the printer (print job)
    int dpiY = 0;
    PrinterBinding binding;   // only the margins are read
    int fontDpi = 0;          // 0: the painter's device, as on a printer
    QSet<SlipField> marked;   // fields drawn in red
};

// Draws one slip page on a painter whose coordinates are printer dots from the
// top-left corner of the printable area: the page of a print job (F11, a batch,
// one call per page) or a preview that scales dots to the screen. Draws no form.
void drawSlipPage(QPainter &painter, const SlipRecord &slip, const SlipPageSetup &setup);

// How each text of the slip is fitted, exactly as drawSlipPage() and a print job fit
// it. `setup.fontDpi` must be the printer's resolution; 0 takes the vertical effective
// resolution.
QList<FieldFit> slipFits(const SlipRecord &slip, const SlipPageSetup &setup);

// The fields whose text, even at the fit rule's smallest size, runs past the right edge
// of its frame on the form (see slipFieldRightEdge).
QList<SlipField> overflowingFields(const SlipRecord &slip, const SlipPageSetup &setup);

} // namespace slip
