#pragma once

// A schematic drawing of the slip form (frames and the postal-code boxes), placed
// from the layout's own positions, for the preview and the calibration sheet.
// All places are in 1/160 inch, like the layout's.

#include "slip/slipfield.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

namespace slip {

class SlipGeometry;

struct FormFrame
{
    QString caption;
    QRect units;
};

// The frames of the destination, sender, goods, slip date, delivery date and time-slot
// areas, then the seven postal-code boxes of the destination and of the sender.
const QList<FormFrame> &slipFormFrames();

// The x in 1/160 inch that a field's text must end before, or -1 for fields that
// hold single characters in boxes of their own.
int slipFieldRightEdge(SlipField field);

// The three reference points of the calibration sheet and their names.
struct ReferencePoint
{
    QString name;
    QPoint units;
};
const QList<ReferencePoint> &slipReferencePoints();

// Draws the frames through `geometry` (dots) with the painter's current pen; captions
// in a small font when `captions` is set.
void drawSlipForm(QPainter &painter, const SlipGeometry &geometry, bool captions);

} // namespace slip
