#include "slip/slipform.h"

#include "slip/slipgeometry.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace slip {

namespace {

QRect span(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// The boxes sit around the layout's digit places: a digit at x is inside [x-10, x+32].
void addZipBoxes(QList<FormFrame> &frames, const std::array<int, 7> &xs, int y)
{
    for (const int x : xs)
        frames.append({QString(), span(x - 10, y - 6, x + 32, y + 30)});
}

// The mark's cell tops, slot 1 to 6.
constexpr std::array<int, 6> kTimeMarkY = {80, 118, 156, 194, 232, 270};
constexpr int kTimeMarkX = 1020;
constexpr int kTimeRowPitch = 38;
// The mark's ink (○ in the Latin font) is centred 30 units below its cell top: a row
// starts 19 units above that.
constexpr int kTimeRowFromMark = 11;
constexpr int kTimeColumnLeft = 1010;
constexpr int kTimeColumnRight = 1075;

} // namespace

TextPlace slipTimeMarkPlace(TimeSlot slot)
{
    const int number = std::clamp(timeSlotNumber(slot), 1, kTimeSlotCount);
    return {kTimeMarkX, kTimeMarkY[std::size_t(number - 1)]};
}

QRect slipTimeRow(TimeSlot slot)
{
    const int top = slipTimeMarkPlace(slot).y + kTimeRowFromMark;
    return span(kTimeColumnLeft, top, kTimeColumnRight, top + kTimeRowPitch);
}

QString slipTimeSlotLabel(TimeSlot slot)
{
    switch (slot) {
    case TimeSlot::Morning: return QStringLiteral("午前中");
    case TimeSlot::Noon12To14: return QStringLiteral("12-14時");
    case TimeSlot::Afternoon14To16: return QStringLiteral("14-16時");
    case TimeSlot::Afternoon16To18: return QStringLiteral("16-18時");
    case TimeSlot::Evening18To20: return QStringLiteral("18-20時");
    case TimeSlot::Evening19To21: return QStringLiteral("19-21時");
    case TimeSlot::None: break;
    }
    return QString();
}

const QList<FormFrame> &slipFormFrames()
{
    static const QList<FormFrame> frames = [] {
        QList<FormFrame> list = {
            {QStringLiteral("お届け先"), span(160, 25, 830, 330)},
            {QStringLiteral("ご依頼主"), span(160, 334, 830, 565)},
            {QStringLiteral("品名"), span(580, 166, 1005, 262)},
            {QStringLiteral("差出日"), span(600, 62, 800, 94)},
            {QStringLiteral("お届け希望日"), span(830, 92, 1005, 126)},
            {QStringLiteral("時間帯"), QRect(slipTimeRow(TimeSlot::Morning).topLeft(),
                                            slipTimeRow(TimeSlot::Evening19To21).bottomRight())},
        };
        addZipBoxes(list, {220, 265, 310, 375, 424, 473, 522}, 40);
        addZipBoxes(list, {215, 268, 320, 380, 428, 476, 525}, 342);
        return list;
    }();
    return frames;
}

int slipFieldRightEdge(SlipField field)
{
    switch (field) {
    case SlipField::Date:
        return 800;
    case SlipField::DeliveryMonth:
        return 915;
    case SlipField::DeliveryDay:
    case SlipField::Goods1:
    case SlipField::Goods2:
    case SlipField::Goods3:
        return 1005;
    case SlipField::Customer:
    case SlipField::Add2:
        return 580; // the goods frame starts beside (and just under) these lines
    case SlipField::TimeSlot:
        return kTimeColumnRight;
    case SlipField::Add1:
    case SlipField::Tel:
    case SlipField::SenderAdd1:
    case SlipField::SenderAdd2:
    case SlipField::Sender:
    case SlipField::SenderTel:
        return 830;
    case SlipField::None:
    case SlipField::Zip:
    case SlipField::SenderZip:
        break;
    }
    return -1;
}

QString slipFieldLabel(SlipField field)
{
    switch (field) {
    case SlipField::Date: return QStringLiteral("差出日");
    case SlipField::DeliveryMonth: return QStringLiteral("お届け希望日（月）");
    case SlipField::DeliveryDay: return QStringLiteral("お届け希望日（日）");
    case SlipField::TimeSlot: return QStringLiteral("時間帯");
    case SlipField::Zip: return QStringLiteral("お届け先郵便番号");
    case SlipField::Add1: return QStringLiteral("お届け先住所1");
    case SlipField::Add2: return QStringLiteral("お届け先住所2");
    case SlipField::Goods1: return QStringLiteral("品名1");
    case SlipField::Goods2: return QStringLiteral("品名2");
    case SlipField::Goods3: return QStringLiteral("品名3");
    case SlipField::Customer: return QStringLiteral("お届け先氏名");
    case SlipField::Tel: return QStringLiteral("お届け先電話番号");
    case SlipField::SenderZip: return QStringLiteral("ご依頼主郵便番号");
    case SlipField::SenderAdd1: return QStringLiteral("ご依頼主住所1");
    case SlipField::SenderAdd2: return QStringLiteral("ご依頼主住所2");
    case SlipField::Sender: return QStringLiteral("ご依頼主氏名");
    case SlipField::SenderTel: return QStringLiteral("ご依頼主電話番号");
    case SlipField::None: break;
    }
    return QString();
}

const QList<ReferencePoint> &slipReferencePoints()
{
    // Corners of frames that are easy to find on a form: the first destination
    // postal-code box, the top of the time-slot column and the sender's frame.
    static const QList<ReferencePoint> points = {
        {QStringLiteral("A"), QPoint(210, 34)},
        {QStringLiteral("B"), slipTimeRow(TimeSlot::Morning).topRight()},
        {QStringLiteral("C"), QPoint(160, 565)},
    };
    return points;
}

void drawSlipForm(QPainter &painter, const SlipGeometry &geometry, bool captions, bool rowLabels)
{
    const auto toDots = [&](const QRect &units) {
        return QRect(QPoint(geometry.x(units.left()), geometry.y(units.top())),
                     QPoint(geometry.x(units.right()), geometry.y(units.bottom())));
    };
    painter.save();
    painter.setBrush(Qt::NoBrush);
    QFont font(QStringLiteral("IPAPGothic"));
    // 6 points at the geometry's scale: 160 units per inch, 72 points per inch.
    font.setPixelSize(qMax(1, int(geometry.scaleY() * 6 * 160 / 72 / 10000)));
    painter.setFont(font);
    for (const FormFrame &frame : slipFormFrames()) {
        const QRect rect = toDots(frame.units);
        painter.drawRect(rect);
        if (captions && !frame.caption.isEmpty())
            painter.drawText(rect.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, frame.caption);
    }
    // The six time slots are rows of their column, each labelled beside it.
    for (int number = 1; number <= kTimeSlotCount; ++number) {
        const QRect row = toDots(slipTimeRow(timeSlotFromNumber(number)));
        if (number > 1)
            painter.drawLine(row.left(), row.top(), row.right(), row.top());
        if (captions && rowLabels)
            painter.drawText(QRect(row.right() + 4, row.top(), 4 * row.width(), row.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, slipTimeSlotLabel(timeSlotFromNumber(number)));
    }
    painter.restore();
}

} // namespace slip
