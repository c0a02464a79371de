#include "slip/sliplayout.h"

#include "slip/slipcanvas.h"
#include "slip/slipgeometry.h"
#include "slip/slippage.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace slip {

namespace {

// Positions on the form, in 1/160 inch.
struct TextPlace
{
    int x;
    int y;
};

// The seven postal-code boxes: character positions 1, 2, 3, 5, 6, 7 and 8 of
// "nnn-nnnn" (0-based 0, 1, 2, 4, 5, 6, 7); the hyphen is never drawn.
constexpr std::array<int, 7> kZipCharIndex = {0, 1, 2, 4, 5, 6, 7};
constexpr std::array<int, 7> kDestZipX = {220, 265, 310, 375, 424, 473, 522};
constexpr int kDestZipY = 40;
constexpr std::array<int, 7> kSenderZipX = {215, 268, 320, 380, 428, 476, 525};
constexpr int kSenderZipY = 342;

// The time-slot mark: x is fixed, y per slot t1..t6.
constexpr int kTimeMarkX = 1020;
constexpr std::array<int, 6> kTimeMarkY = {80, 118, 156, 194, 232, 270};
const QString kTimeMark = QStringLiteral("○");

class SlipPainter
{
public:
    SlipPainter(SlipCanvas &canvas, const SlipGeometry &geometry)
        : m_canvas(canvas)
        , m_geometry(geometry)
    {
    }

    void text(SlipField field, TextPlace place, const QString &value)
    {
        m_canvas.setField(field);
        text(place, value);
    }

    void text(TextPlace place, const QString &text)
    {
        // An empty text draws nothing.
        if (!text.isEmpty())
            m_canvas.textOut(m_geometry.x(place.x), m_geometry.y(place.y), text);
    }

    void zip(SlipField field, const QString &code, const std::array<int, 7> &xs, int y)
    {
        m_canvas.setField(field);
        // Seven digits typed without the hyphen fill the seven boxes one by one;
        // otherwise the code is read as nnn-nnnn and the hyphen is skipped.
        const bool bareDigits = code.size() == 7
            && std::all_of(code.cbegin(), code.cend(), [](QChar c) { return c.isDigit(); });
        for (std::size_t box = 0; box < xs.size(); ++box) {
            const qsizetype at = bareDigits ? qsizetype(box) : kZipCharIndex[box];
            text({xs[box], y}, code.mid(at, 1));
        }
    }

private:
    SlipCanvas &m_canvas;
    const SlipGeometry &m_geometry;
};

} // namespace

QString slipDateText(const QDate &date)
{
    return QLocale::c().toString(date, QStringLiteral("yyyy/MM/dd"));
}

void drawSlip(SlipCanvas &canvas, const SlipRecord &slip, int dpiX, int dpiY,
              const PrinterBinding &binding)
{
    // Scales and offsets first: a bad margin fails before the canvas is touched.
    const SlipGeometry geometry(dpiX, dpiY, binding.topMargin, binding.leftMargin);
    SlipPainter draw(canvas, geometry);

    canvas.setFontName(kMinchoFont);
    canvas.setFontSize(11);
    canvas.setFontColor(Qt::black);
    canvas.setBrushColor(Qt::white);

    // Each step sets only what its row of the form's layout names; the rest is
    // inherited from the step before (the font name in particular).
    if (slip.printShippingDate) {
        const QString date = slipDateText(slip.shippingDate);
        canvas.setFontName(kLatinFont);
        canvas.setFontSize(9);
        draw.text(SlipField::Date, {620, 70}, date.mid(2, 2));
        canvas.setFontSize(9);
        draw.text({680, 70}, date.mid(5, 2));
        canvas.setFontSize(9);
        draw.text({740, 70}, date.mid(8, 2));
    }

    canvas.setFontSize(9);
    draw.text(SlipField::DeliveryMonth, {840, 100}, slip.deliveryMonth);
    canvas.setFontSize(9);
    draw.text(SlipField::DeliveryDay, {920, 100}, slip.deliveryDay);

    if (slip.timeSlot != TimeSlot::None) {
        canvas.setFontSize(20);
        draw.text(SlipField::TimeSlot, {kTimeMarkX, kTimeMarkY[std::size_t(timeSlotNumber(slip.timeSlot) - 1)]}, kTimeMark);
    }

    canvas.setFontName(kLatinFont);
    canvas.setFontSize(12);
    draw.zip(SlipField::Zip, slip.destination.postalCode, kDestZipX, kDestZipY);

    canvas.setFontName(kMinchoFont);
    canvas.setFontSize(10);
    draw.text(SlipField::Add1, {180, 100}, slip.destination.address1);
    canvas.setFontSize(10);
    draw.text(SlipField::Add2, {180, 150}, slip.destination.address2);

    canvas.setFontSize(9);
    draw.text(SlipField::Goods1, {590, 170}, slip.goods[0]);
    canvas.setFontSize(9);
    draw.text(SlipField::Goods2, {590, 200}, slip.goods[1]);
    canvas.setFontSize(9);
    draw.text(SlipField::Goods3, {590, 230}, slip.goods[2]);

    canvas.setFontName(kMinchoFont);
    canvas.setFontSize(10);
    draw.text(SlipField::Customer, {180, 250}, slip.destination.name);
    canvas.setFontSize(11);
    draw.text(SlipField::Tel, {245, 300}, slip.destination.telephone);

    if (slip.printSender) {
        // Only the size changes here: the sender's code keeps the Mincho of step 13.
        canvas.setFontSize(12);
        draw.zip(SlipField::SenderZip, slip.sender.postalCode, kSenderZipX, kSenderZipY);
        canvas.setFontName(kMinchoFont);
        canvas.setFontSize(10);
        draw.text(SlipField::SenderAdd1, {180, 400}, slip.sender.address1);
        canvas.setFontSize(10);
        draw.text(SlipField::SenderAdd2, {180, 440}, slip.sender.address2);
        canvas.setFontSize(10);
        draw.text(SlipField::Sender, {180, 495}, slip.sender.name);
        canvas.setFontSize(11);
        draw.text(SlipField::SenderTel, {255, 530}, slip.sender.telephone);
    }
}

} // namespace slip
