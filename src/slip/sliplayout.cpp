#include "slip/sliplayout.h"

#include "slip/slipcanvas.h"
#include "slip/slipgeometry.h"
#include "slip/slipform.h"
#include "slip/slippage.h"

#include "platform/textnormalize.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>

namespace slip {

namespace {

// The seven postal-code boxes, left to right.
constexpr std::array<int, 7> kDestZipX = {220, 265, 310, 375, 424, 473, 522};
constexpr int kDestZipY = 40;
constexpr std::array<int, 7> kSenderZipX = {215, 268, 320, 380, 428, 476, 525};
constexpr int kSenderZipY = 342;

const QString kTimeMark = QStringLiteral("○");

// Widths are measured at a large pixel size and scaled, so that fractional dot sizes
// (9 points at 180 dpi are 22.5 dots) stay exact and every canvas measures alike.
constexpr int kMeasurePixels = 1000;

QFont measuringFont(const QString &family)
{
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPixelSize(kMeasurePixels);
    return font;
}

class SlipPainter
{
public:
    SlipPainter(SlipCanvas &canvas, const SlipGeometry &geometry, int fontDpi)
        : m_canvas(canvas)
        , m_geometry(geometry)
        , m_fontDpi(fontDpi)
    {
    }

    void font(const QString &name)
    {
        m_family = name;
        m_canvas.setFontName(name);
    }

    void size(double points)
    {
        m_points = points;
        m_canvas.setFontSize(points);
    }

    // One field's text by the fit rule.
    void text(SlipField field, TextPlace place, const QString &value)
    {
        m_canvas.setField(field);
        if (value.isEmpty())
            return;
        const int x = m_geometry.x(place.x);
        const int y = m_geometry.y(place.y);
        const int edge = slipFieldRightEdge(field);
        if (edge < 0) {
            m_canvas.textOut(x, y, value);
            return;
        }
        const int right = m_geometry.x(edge);
        const QFontMetricsF metrics(measuringFont(m_family));
        const double toDots = m_points * m_fontDpi / 72.0 / kMeasurePixels;
        const double width = metrics.horizontalAdvance(value) * toDots;
        const double room = right - x;
        FieldFit fit{field, value, 1.0, false};
        if (width > room && width > 0) {
            // A hair of room is kept for the rounding of the printer's own font sizes.
            fit.scale = std::max(kMinimumFit, room * 0.99 / width);
            fit.overflows = width * fit.scale > room;
        }
        // A smaller text keeps its baseline, so it does not rise towards the line above.
        const int lowered = int(std::lround(metrics.ascent() * toDots * (1.0 - fit.scale)));
        if (fit.scale < 1.0)
            m_canvas.setFontSize(m_points * fit.scale);
        m_canvas.setClipRight(right);
        m_canvas.textOut(x, y + lowered, value);
        m_canvas.setClipRight(-1);
        if (fit.scale < 1.0)
            m_canvas.setFontSize(m_points);
        m_fits.append(fit);
    }

    void zip(SlipField field, const QString &code, const std::array<int, 7> &xs, int y)
    {
        m_canvas.setField(field);
        const QString boxes = postalBoxText(code);
        for (qsizetype box = 0; box < boxes.size(); ++box)
            m_canvas.textOut(m_geometry.x(xs[std::size_t(box)]), m_geometry.y(y), boxes.mid(box, 1));
    }

    QList<FieldFit> fits() const { return m_fits; }

private:
    SlipCanvas &m_canvas;
    const SlipGeometry &m_geometry;
    const int m_fontDpi;
    QString m_family = kMinchoFont;
    double m_points = 11;
    QList<FieldFit> m_fits;
};

} // namespace

QString slipDateText(const QDate &date)
{
    return QLocale::c().toString(date, QStringLiteral("yyyy/MM/dd"));
}

QString secondAddressLine(const Party &party)
{
    if (party.address3.isEmpty())
        return party.address2;
    if (party.address2.isEmpty())
        return party.address3;
    return party.address2 + QChar(0x3000) + party.address3;
}

QString postalBoxText(const QString &code)
{
    QString text = code;
    text.remove(QChar(0x3012)); // 〒
    if (const std::optional<QString> digits = platform::groupedDigits(text))
        return digits->left(7);
    QString kept;
    for (const QChar c : std::as_const(text)) {
        if (c.isSpace() || platform::isHyphenLike(c))
            continue;
        kept += platform::toHalfWidth(c);
    }
    return kept.left(7);
}

bool isSevenDigitPostalCode(const QString &code)
{
    QString text = code;
    text.remove(QChar(0x3012));
    const std::optional<QString> digits = platform::groupedDigits(text);
    return digits && digits->size() == 7;
}

QList<FieldFit> drawSlip(SlipCanvas &canvas, const SlipRecord &slip, int dpiX, int dpiY,
                         const PrinterBinding &binding)
{
    // Scales and offsets first: a bad margin fails before the canvas is touched.
    const SlipGeometry geometry(dpiX, dpiY, binding.topMargin, binding.leftMargin);
    SlipPainter draw(canvas, geometry, canvas.fontDpi() > 0 ? canvas.fontDpi() : dpiY);

    draw.font(kMinchoFont);
    draw.size(11);
    canvas.setFontColor(Qt::black);
    canvas.setBrushColor(Qt::white);

    if (slip.printShippingDate) {
        const QString date = slipDateText(slip.shippingDate);
        draw.font(kLatinFont);
        draw.size(9);
        draw.text(SlipField::Date, {620, 70}, date.mid(2, 2));
        draw.text(SlipField::Date, {680, 70}, date.mid(5, 2));
        draw.text(SlipField::Date, {740, 70}, date.mid(8, 2));
    }

    // The desired date's digits and the time-slot mark are always in the Latin font,
    // whether or not the slip date is printed: the mark's place in its row depends on it.
    draw.font(kLatinFont);
    draw.size(9);
    draw.text(SlipField::DeliveryMonth, {840, 100}, slip.deliveryMonth);
    draw.text(SlipField::DeliveryDay, {920, 100}, slip.deliveryDay);

    if (slip.timeSlot != TimeSlot::None) {
        draw.size(kTimeMarkPoints);
        draw.text(SlipField::TimeSlot, slipTimeMarkPlace(slip.timeSlot), kTimeMark);
    }

    draw.size(12);
    draw.zip(SlipField::Zip, slip.destination.postalCode, kDestZipX, kDestZipY);

    draw.font(kMinchoFont);
    draw.size(10);
    draw.text(SlipField::Add1, {180, 100}, slip.destination.address1);
    draw.text(SlipField::Add2, {180, 150}, secondAddressLine(slip.destination));

    draw.size(9);
    draw.text(SlipField::Goods1, {590, 170}, slip.goods[0]);
    draw.text(SlipField::Goods2, {590, 200}, slip.goods[1]);
    draw.text(SlipField::Goods3, {590, 230}, slip.goods[2]);

    draw.size(10);
    draw.text(SlipField::Customer, {180, 250}, slip.destination.name);
    draw.size(11);
    draw.text(SlipField::Tel, {245, 300}, slip.destination.telephone);

    if (slip.printSender) {
        // The sender's code is in the Mincho of the lines above it.
        draw.size(12);
        draw.zip(SlipField::SenderZip, slip.sender.postalCode, kSenderZipX, kSenderZipY);
        draw.size(10);
        draw.text(SlipField::SenderAdd1, {180, 400}, slip.sender.address1);
        draw.text(SlipField::SenderAdd2, {180, 440}, slip.sender.address2);
        draw.text(SlipField::Sender, {180, 495}, slip.sender.name);
        draw.size(11);
        draw.text(SlipField::SenderTel, {255, 530}, slip.sender.telephone);
    }
    return draw.fits();
}

} // namespace slip
