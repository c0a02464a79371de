#include "slip/calibrationsheet.h"

#include "slip/slipform.h"
#include "slip/slipgeometry.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace slip {

namespace {

QFont sheetFont(double points, int dpi)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(qMax(1, int(points * dpi / 72.0 + 0.5)));
    return font;
}

// A ruler along one edge that measures the paper: a tick every millimetre from the
// paper's edge (`origin` dots before the printable area starts), longer every 5 and 10,
// numbered every 10 where the number stays clear of everything in `keepClear`.
void drawRuler(QPainter &painter, Qt::Orientation along, int lengthDots, int origin, int dpi,
               const QList<QRect> &keepClear)
{
    const int millimetres = int(dotsToMm(lengthDots + origin, dpi));
    const QFontMetrics metrics = painter.fontMetrics();
    for (int mm = 0; mm <= millimetres; ++mm) {
        const int at = mmToDots(mm, dpi) - origin;
        if (at < 0)
            continue; // on the paper but outside what the printer reaches
        const double tickMm = mm % 10 == 0 ? 4.0 : mm % 5 == 0 ? 2.5 : 1.5;
        const int tick = mmToDots(tickMm, dpi);
        if (along == Qt::Horizontal)
            painter.drawLine(at, 0, at, tick);
        else
            painter.drawLine(0, at, tick, at);
        if (mm % 10 != 0 || mm == 0)
            continue;
        const QString label = QString::number(mm);
        const int gap = mmToDots(0.5, dpi);
        const int pastShortTicks = mmToDots(1.7, dpi);
        // Beside the long tick, past the short ones, before the form begins.
        const QRect box = along == Qt::Horizontal
            ? QRect(at + gap, pastShortTicks, metrics.horizontalAdvance(label), metrics.height())
            : QRect(pastShortTicks, at + gap, metrics.horizontalAdvance(label), metrics.height());
        const bool clear = std::none_of(keepClear.cbegin(), keepClear.cend(),
                                        [&](const QRect &rect) { return rect.intersects(box); });
        if (clear)
            painter.drawText(QPoint(box.left(), box.top() + metrics.ascent()), label);
    }
}

} // namespace

QString calibrationInstruction()
{
    return QStringLiteral("合わせ方：この紙を送り状用紙に重ねて光に透かし、十字の中心と用紙の角のずれを読みます。"
                          "A＝お届け先の郵便番号の 1 つ目の枠の左上の角、B＝時間帯の欄の右上の角、"
                          "C＝ご依頼主の欄の左下の角。上と左の目盛りは用紙の端からの mm です。");
}

void drawCalibrationSheet(QPainter &painter, const SlipPageSetup &setup, const QSize &printable,
                          const QPoint &paperOrigin)
{
    // The margins are read first: a bad one fails before anything is drawn.
    const SlipGeometry shifted(setup.dpiX, setup.dpiY, setup.binding.topMargin,
                               setup.binding.leftMargin);
    const int dpi = setup.dpiY;

    painter.save();
    QPen thin(Qt::black);
    thin.setWidth(qMax(1, mmToDots(0.15, dpi)));
    painter.setPen(thin);
    // The rulers' numbers keep clear of the frames and the crosses.
    QList<QRect> keepClear;
    const auto toDots = [&](const QRect &units) {
        return QRect(QPoint(shifted.x(units.left()), shifted.y(units.top())),
                     QPoint(shifted.x(units.right()), shifted.y(units.bottom())));
    };
    for (const FormFrame &frame : slipFormFrames())
        keepClear << toDots(frame.units);
    const int reach = mmToDots(kCrossArmMm + 3, dpi);
    for (const ReferencePoint &point : slipReferencePoints())
        keepClear << QRect(shifted.x(point.units.x()) - reach, shifted.y(point.units.y()) - reach, 2 * reach, 2 * reach);
    painter.setFont(sheetFont(6, dpi));
    drawRuler(painter, Qt::Horizontal, printable.width(), paperOrigin.x(), setup.dpiX, keepClear);
    drawRuler(painter, Qt::Vertical, printable.height(), paperOrigin.y(), setup.dpiY, keepClear);

    painter.setFont(sheetFont(7, dpi));
    // The crosses' names stand where the time rows' labels would.
    drawSlipForm(painter, shifted, true, false);

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
    const QString note = QStringLiteral("調整用紙　上余白 %1 ドット（%2 mm）　左余白 %3 ドット（%4 mm）"
                                        "　左は固定の %5 ドットを足して合計 %6 mm　%7 dpi")
                             .arg(top)
                             .arg(dotsToMm(top, setup.dpiY), 0, 'f', 1)
                             .arg(left)
                             .arg(dotsToMm(left, setup.dpiX), 0, 'f', 1)
                             .arg(SlipGeometry::kLeftExtraDots)
                             .arg(dotsToMm(left + SlipGeometry::kLeftExtraDots, setup.dpiX), 0, 'f', 1)
                             .arg(setup.dpiX);
    painter.drawText(QPoint(shifted.x(160), shifted.y(565) + mmToDots(8, dpi)), note);
    // The instruction in lines that fit the form's width.
    const QRect instruction(QPoint(shifted.x(160), shifted.y(565) + mmToDots(10, dpi)),
                            QSize(shifted.x(1075) - shifted.x(160), mmToDots(20, dpi)));
    painter.drawText(instruction, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, calibrationInstruction());
    painter.restore();
}

} // namespace slip
