#pragma once

// A schematic drawing of the slip form (frames and the postal-code boxes), placed
// from the layout's own positions, for the preview and the calibration sheet.
// All places are in 1/160 inch, like the layout's.

#include "slip/slipfield.h"
#include "slip/sliprecord.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

namespace slip {

class SlipGeometry;

// A place on the form, in 1/160 inch.
struct TextPlace
{
    int x;
    int y;
};

// The time-slot mark: where its text cell starts for a slot, and its size in points.
// These are the places the mark has always been printed at (38 units apart).
inline constexpr int kTimeMarkPoints = 20;
TextPlace slipTimeMarkPlace(TimeSlot slot);
// The row of the time-slot column a slot's mark lands in: rows are 38 units high and
// centred on the mark's ink, so the drawn rows are where the mark is printed.
QRect slipTimeRow(TimeSlot slot);
// The row's label as the form prints it (「午前中」, 「12-14時」, ...).
QString slipTimeSlotLabel(TimeSlot slot);

struct FormFrame
{
    QString caption;
    QRect units;
};

// The frames of the destination, sender, goods, slip date, delivery date and time-slot
// areas, then the seven postal-code boxes of the destination and of the sender.
const QList<FormFrame> &slipFormFrames();

// The x in 1/160 inch that a field's text must end before: its frame's right edge, or
// the next frame beside it (the goods frame beside おところ② and the name); -1 for
// fields that hold single characters in boxes of their own.
int slipFieldRightEdge(SlipField field);

// The three reference points of the calibration sheet and their names.
struct ReferencePoint
{
    QString name;
    QPoint units;
};
const QList<ReferencePoint> &slipReferencePoints();

// Draws the frames through `geometry` (dots) with the painter's current pen, the
// time-slot column as its six rows; captions in a small font when `captions` is set,
// and then the rows' labels beside the column when `rowLabels` is.
void drawSlipForm(QPainter &painter, const SlipGeometry &geometry, bool captions, bool rowLabels = true);

} // namespace slip
