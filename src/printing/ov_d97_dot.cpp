#include "ov_d97_dot.h"

#include "printing/slipcanvas.h"
#include "printing/slipgeometry.h"
#include "printing/slippage.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace printing {

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

int firstCheckedTimeSlot(const SlipData &slip)
{
    const std::array<bool, 6> checked = {slip.CheckBox_t1, slip.CheckBox_t2, slip.CheckBox_t3,
                                       slip.CheckBox_t4, slip.CheckBox_t5, slip.CheckBox_t6};
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (checked[i])
            return int(i);
    }
    return -1;
}

} // namespace

QString slipDateText(const QDate &date)
{
    return QLocale::c().toString(date, QStringLiteral("yyyy/MM/dd"));
}

TOv_d97_Dot::TOv_d97_Dot(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("Ov_d97_Dot"));
}

void TOv_d97_Dot::SLIP97_Prn(SlipCanvas &canvas, const SlipData &slip, int dpiX, int dpiY,
                             const PrinterBinding &binding) const
{
    drawSlip(canvas, slip, dpiX, dpiY, binding);
}

void drawSlip(SlipCanvas &canvas, const SlipData &slip, int dpiX, int dpiY,
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
    if (slip.CheckBox_Date_1) {
        const QString date = slipDateText(slip.DateTimePicker_1);
        canvas.setFontName(kLatinFont);
        canvas.setFontSize(9);
        draw.text(SlipField::Date, {620, 70}, date.mid(2, 2));
        canvas.setFontSize(9);
        draw.text({680, 70}, date.mid(5, 2));
        canvas.setFontSize(9);
        draw.text({740, 70}, date.mid(8, 2));
    }

    canvas.setFontSize(9);
    draw.text(SlipField::DeliveryMonth, {840, 100}, slip.Edit_de_date1);
    canvas.setFontSize(9);
    draw.text(SlipField::DeliveryDay, {920, 100}, slip.Edit_de_date2);

    if (const int slot = firstCheckedTimeSlot(slip); slot >= 0) {
        canvas.setFontSize(20);
        draw.text(SlipField::TimeSlot, {kTimeMarkX, kTimeMarkY[slot]}, kTimeMark);
    }

    canvas.setFontName(kLatinFont);
    canvas.setFontSize(12);
    draw.zip(SlipField::Zip, slip.Edit_Zip, kDestZipX, kDestZipY);

    canvas.setFontName(kMinchoFont);
    canvas.setFontSize(10);
    draw.text(SlipField::Add1, {180, 100}, slip.Edit_Add1);
    canvas.setFontSize(10);
    draw.text(SlipField::Add2, {180, 150}, slip.Edit_Add2);

    canvas.setFontSize(9);
    draw.text(SlipField::Goods1, {590, 170}, slip.Edit_G1);
    canvas.setFontSize(9);
    draw.text(SlipField::Goods2, {590, 200}, slip.Edit_G2);
    canvas.setFontSize(9);
    draw.text(SlipField::Goods3, {590, 230}, slip.Edit_G3);

    canvas.setFontName(kMinchoFont);
    canvas.setFontSize(10);
    draw.text(SlipField::Customer, {180, 250}, slip.Edit_Custo1);
    canvas.setFontSize(11);
    draw.text(SlipField::Tel, {245, 300}, slip.Edit_tel);

    if (slip.CheckBox_My) {
        // Only the size changes here: the sender's code keeps the Mincho of step 13.
        canvas.setFontSize(12);
        draw.zip(SlipField::SenderZip, slip.Edit_MyZip, kSenderZipX, kSenderZipY);
        canvas.setFontName(kMinchoFont);
        canvas.setFontSize(10);
        draw.text(SlipField::SenderAdd1, {180, 400}, slip.Edit_MyADD1);
        canvas.setFontSize(10);
        draw.text(SlipField::SenderAdd2, {180, 440}, slip.Edit_MyADD2);
        canvas.setFontSize(10);
        draw.text(SlipField::Sender, {180, 495}, slip.Edit_My);
        canvas.setFontSize(11);
        draw.text(SlipField::SenderTel, {255, 530}, slip.Edit_MyTEL);
    }
}

} // namespace printing
