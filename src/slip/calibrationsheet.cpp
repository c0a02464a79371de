#include "slip/calibrationsheet.h"

#include "slip/slipform.h"
#include "slip/slipgeometry.h"

#include <QPainter>

namespace slip {

namespace {

QFont sheetFont(double points, int dpi)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(qMax(1, int(points * dpi / 72.0 + 0.5)));
    return font;
}

// A ruler along one edge: a tick every millimetre, longer every 5 and 10, numbered
// every 10.
void drawRuler(QPainter &painter, Qt::Orientation along, int lengthDots, int dpi)
{
    const int millimetres = int(dotsToMm(lengthDots, dpi));
    for (int mm = 0; mm <= millimetres; ++mm) {
        const int at = mmToDots(mm, dpi);
        const double tickMm = mm % 10 == 0 ? 4.0 : mm % 5 == 0 ? 2.5 : 1.5;
        const int tick = mmToDots(tickMm, dpi);
        if (along == Qt::Horizontal)
            painter.drawLine(at, 0, at, tick);
        else
            painter.drawLine(0, at, tick, at);
        if (mm % 10 == 0 && mm > 0) {
            const QString label = QString::number(mm);
            const int gap = mmToDots(4.5, dpi);
            if (along == Qt::Horizontal)
                painter.drawText(QPoint(at + mmToDots(0.5, dpi), gap + painter.fontMetrics().ascent()), label);
            else
                painter.drawText(QPoint(gap, at + painter.fontMetrics().ascent() / 2), label);
        }
    }
}

} // namespace

void drawCalibrationSheet(QPainter &painter, const SlipPageSetup &setup, const QSize &printable)
{
    // The margins are read first: a bad one fails before anything is drawn.
    const SlipGeometry shifted(setup.dpiX, setup.dpiY, setup.binding.topMargin,
                               setup.binding.leftMargin);
    const int dpi = setup.dpiY;

    painter.save();
    QPen thin(Qt::black);
    thin.setWidth(qMax(1, mmToDots(0.15, dpi)));
    painter.setPen(thin);
    painter.setFont(sheetFont(6, dpi));
    drawRuler(painter, Qt::Horizontal, printable.width(), setup.dpiX);
    drawRuler(painter, Qt::Vertical, printable.height(), setup.dpiY);

    painter.setFont(sheetFont(7, dpi));
    drawSlipForm(painter, shifted, true);

    QPen cross(Qt::black);
    cross.setWidth(qMax(1, mmToDots(0.25, dpi)));
    painter.setPen(cross);
    painter.setFont(sheetFont(10, dpi));
    const int armX = mmToDots(kCrossArmMm, setup.dpiX);
    const int armY = mmToDots(kCrossArmMm, setup.dpiY);
    for (const ReferencePoint &point : slipReferencePoints()) {
        const QPoint at(shifted.x(point.units.x()), shifted.y(point.units.y()));
        painter.drawLine(at.x() - armX, at.y(), at.x() + armX, at.y());
        painter.drawLine(at.x(), at.y() - armY, at.x(), at.y() + armY);
        // The name's cell starts just below and right of the cross.
        const QPoint name(at.x() + mmToDots(kMarkNameOffsetMm, setup.dpiX),
                          at.y() + mmToDots(kMarkNameOffsetMm, setup.dpiY));
        painter.drawText(QPoint(name.x(), name.y() + painter.fontMetrics().ascent()), point.name);
    }

    // What the sheet was printed with, for the record, at the bottom of the frames.
    painter.setFont(sheetFont(8, dpi));
    const int top = marginOffset(setup.binding.topMargin);
    const int left = marginOffset(setup.binding.leftMargin);
    const QString note = QStringLiteral("調整用紙　上余白 %1 ドット（%2 mm）　左余白 %3 ドット（%4 mm）　%5 dpi")
                             .arg(top)
                             .arg(dotsToMm(top, setup.dpiY), 0, 'f', 1)
                             .arg(left)
                             .arg(dotsToMm(left, setup.dpiX), 0, 'f', 1)
                             .arg(setup.dpiX);
    painter.drawText(QPoint(shifted.x(160), shifted.y(565) + mmToDots(8, dpi)), note);
    painter.restore();
}

} // namespace slip
