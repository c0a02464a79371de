// The fit rule on paper: every framed field shrinks to the stated minimum before it is
// flagged, nothing runs past its frame, no field's ink is lost under another field,
// and the overflow the preview reports is the overflow a print job draws.

#include "slip/slipcanvas.h"
#include "slip/slipform.h"
#include "slip/slipgeometry.h"
#include "slip/sliplayout.h"
#include "slip/slippage.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using slip::FieldFit;
using slip::SlipField;
using slip::SlipRecord;

Q_DECLARE_METATYPE(slip::SlipField)

namespace {

using Setter = std::function<void(SlipRecord &, const QString &)>;

struct FramedField
{
    const char *name;
    SlipField field;
    QChar filler; // what the field is filled with to reach its limits
    Setter set;
    int maxLength; // the window's limit; 0 = none (a long text is used)
};

const QList<FramedField> &framedFields()
{
    static const QList<FramedField> fields = {
        {"add1", SlipField::Add1, u'あ', [](SlipRecord &r, const QString &t) { r.destination.address1 = t; }, 0},
        {"add2", SlipField::Add2, u'あ', [](SlipRecord &r, const QString &t) { r.destination.address2 = t; }, 0},
        {"add3", SlipField::Add2, u'あ', [](SlipRecord &r, const QString &t) { r.destination.address3 = t; }, 0},
        {"name", SlipField::Customer, u'あ', [](SlipRecord &r, const QString &t) { r.destination.name = t; }, 80},
        {"tel", SlipField::Tel, u'9', [](SlipRecord &r, const QString &t) { r.destination.telephone = t; }, 0},
        {"goods1", SlipField::Goods1, u'あ', [](SlipRecord &r, const QString &t) { r.goods[0] = t; }, 30},
        {"goods2", SlipField::Goods2, u'あ', [](SlipRecord &r, const QString &t) { r.goods[1] = t; }, 30},
        {"goods3", SlipField::Goods3, u'あ', [](SlipRecord &r, const QString &t) { r.goods[2] = t; }, 30},
        {"month", SlipField::DeliveryMonth, u'9', [](SlipRecord &r, const QString &t) { r.deliveryMonth = t; }, 2},
        {"day", SlipField::DeliveryDay, u'9', [](SlipRecord &r, const QString &t) { r.deliveryDay = t; }, 2},
        {"sender add1", SlipField::SenderAdd1, u'あ', [](SlipRecord &r, const QString &t) { r.sender.address1 = t; }, 0},
        {"sender add2", SlipField::SenderAdd2, u'あ', [](SlipRecord &r, const QString &t) { r.sender.address2 = t; }, 0},
        {"sender", SlipField::Sender, u'あ', [](SlipRecord &r, const QString &t) { r.sender.name = t; }, 80},
        {"sender tel", SlipField::SenderTel, u'9', [](SlipRecord &r, const QString &t) { r.sender.telephone = t; }, 0},
    };
    return fields;
}

// A slip with an ordinary value in every field.
SlipRecord ordinarySlip()
{
    SlipRecord slip;
    slip.destination = {u"151-0053"_s, u"東京都渋谷区代々木1-2-3"_s, u"見本ハイツ"_s, u"203号室"_s,
                        u"見本 太郎"_s, u"03-1234-5678"_s};
    slip.sender = {u"530-0001"_s, u"大阪府大阪市北区梅田1-1"_s, u"梅田ビル"_s, QString(), u"めきら商店"_s,
                   u"06-1111-2222"_s};
    slip.goods = {u"りんご"_s, u"みかん"_s, u"ワレモノ・天地無用"_s};
    slip.shippingDate = QDate(2026, 12, 10);
    slip.deliveryMonth = u"12"_s;
    slip.deliveryDay = u"24"_s;
    slip.timeSlot = slip::TimeSlot::Evening19To21;
    return slip;
}

// A slip with this one field filled and nothing else.
SlipRecord onlyField(const FramedField &field, const QString &text)
{
    SlipRecord slip;
    slip.printShippingDate = false;
    field.set(slip, text);
    return slip;
}

constexpr int kDpi = 300;

slip::SlipPageSetup pageSetup(const QString &top = u"0"_s, const QString &left = u"0"_s)
{
    slip::SlipPageSetup setup;
    setup.dpiX = setup.dpiY = kDpi;
    setup.binding.topMargin = top;
    setup.binding.leftMargin = left;
    return setup;
}

QImage page()
{
    // Room for the form at 300 dpi with margins of up to 120 dots either way.
    QImage image(2300, 1500, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(kDpi / 0.0254));
    image.setDotsPerMeterY(qRound(kDpi / 0.0254));
    image.fill(Qt::white);
    return image;
}

QImage printed(const SlipRecord &slip, QList<FieldFit> *fits = nullptr,
               const slip::PrinterBinding &binding = pageSetup().binding)
{
    QImage image = page();
    QPainter painter(&image);
    slip::PainterCanvas canvas(&painter); // as a print job draws: fonts at the device's resolution
    const QList<FieldFit> drawn = slip::drawSlip(canvas, slip, kDpi, kDpi, binding);
    if (fits)
        *fits = drawn;
    return image;
}

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 160;
}

// The right-most inked column, or -1.
int inkRight(const QImage &image)
{
    for (int x = image.width() - 1; x >= 0; --x) {
        for (int y = 0; y < image.height(); ++y) {
            if (isInk(image.pixel(x, y)))
                return x;
        }
    }
    return -1;
}

FieldFit fitOf(const QList<FieldFit> &fits, SlipField field)
{
    for (const FieldFit &fit : fits) {
        if (fit.field == field)
            return fit;
    }
    return {};
}

} // namespace

class SlipFitTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(slip::kMinchoFont, u"IPAPMincho"_s);
        QFont::insertSubstitution(slip::kLatinFont, u"DejaVu Sans"_s);
    }

    void everyField_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < framedFields().size(); ++i)
            QTest::newRow(framedFields().at(i).name) << i;
    }

    // Lengthened one character at a time, a field's text keeps its size while it fits,
    // then shrinks, never below the minimum, and is flagged only once it is at the
    // minimum and still too wide. Its ink never crosses its frame.
    void everyField()
    {
        QFETCH(int, index);
        const FramedField &field = framedFields().at(index);
        const int edge = slip::SlipGeometry(kDpi, kDpi, u"0"_s, u"0"_s).x(slip::slipFieldRightEdge(field.field));
        double lastScale = 1.0;
        double scaleAtLimit = 0.0;
        int shrunkAt = -1;
        int flaggedAt = -1;
        for (int length = 1; length <= 60 && flaggedAt < 0; ++length) {
            const SlipRecord slip = onlyField(field, QString(length, field.filler));
            const QList<FieldFit> fits = slip::slipFits(slip, pageSetup());
            const FieldFit fit = fitOf(fits, field.field);
            QCOMPARE(fit.field, field.field);
            QVERIFY2(fit.scale <= lastScale, qPrintable(QString::number(length)));
            QVERIFY(fit.scale >= slip::kMinimumFit);
            if (fit.scale < 1.0 && shrunkAt < 0)
                shrunkAt = length;
            if (fit.overflows) {
                flaggedAt = length;
                QCOMPARE(fit.scale, slip::kMinimumFit);
            }
            lastScale = fit.scale;
            if (length == field.maxLength)
                scaleAtLimit = fit.scale;
            QList<FieldFit> drawnFits;
            const QImage image = printed(slip, &drawnFits);
            QVERIFY2(inkRight(image) < edge, qPrintable(QString::number(length)));
            QCOMPARE(fitOf(drawnFits, field.field), fit);
        }
        // The two-digit date boxes hold their longest text at full size.
        if (field.maxLength == 2)
            QCOMPARE(scaleAtLimit, 1.0);
        QVERIFY(shrunkAt > 1);
        QVERIFY(flaggedAt > shrunkAt);
    }

    void noInkLost_data()
    {
        everyField_data();
    }

    // With any one field at its longest, every other field keeps all its ink, and the
    // long field adds ink only left of its own frame's edge.
    void noInkLost()
    {
        QFETCH(int, index);
        const FramedField &field = framedFields().at(index);
        SlipRecord without = ordinarySlip();
        // おところ② and ③ share one printed line: the line is the field.
        if (field.field == SlipField::Add2)
            without.destination.address2 = without.destination.address3 = QString();
        field.set(without, QString());
        SlipRecord longest = without;
        field.set(longest, QString(field.maxLength > 0 ? field.maxLength : 80, field.filler));

        const QImage before = printed(without);
        const QImage after = printed(longest);
        const int edge = slip::SlipGeometry(kDpi, kDpi, u"0"_s, u"0"_s).x(slip::slipFieldRightEdge(field.field));
        int lost = 0;
        int strayed = 0;
        for (int y = 0; y < before.height(); ++y) {
            for (int x = 0; x < before.width(); ++x) {
                const bool wasInk = isInk(before.pixel(x, y));
                const bool isInkNow = isInk(after.pixel(x, y));
                if (wasInk && !isInkNow)
                    ++lost;
                if (!wasInk && isInkNow && x >= edge)
                    ++strayed;
            }
        }
        QCOMPARE(lost, 0);
        QCOMPARE(strayed, 0);
    }

    void previewEqualsPrint_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        for (const char *top : {"-120", "0", "120"}) {
            for (const char *left : {"-120", "0", "120"})
                QTest::newRow(qPrintable(QStringLiteral("top %1 left %2").arg(QLatin1String(top), QLatin1String(left))))
                    << QString::fromLatin1(top) << QString::fromLatin1(left);
        }
    }

    // What the preview judges (slipFits on the page setup) is what a print draws, at
    // any margin: the same fields shrink by the same amount and the same ones overflow.
    void previewEqualsPrint()
    {
        QFETCH(QString, top);
        QFETCH(QString, left);
        SlipRecord slip = ordinarySlip();
        slip.destination.address1 = QString(50, u'あ');          // shrinks and overflows
        slip.destination.address2 = u"見本マンション　Ａ棟"_s;    // shrinks with ③
        slip.destination.address3 = u"１２３４号室　見本方"_s;
        slip.goods[0] = QString(22, u'品');                        // shrinks, fits
        const slip::SlipPageSetup setup = pageSetup(top, left);
        QList<FieldFit> drawn;
        printed(slip, &drawn, setup.binding);
        QCOMPARE(slip::slipFits(slip, setup), drawn);
        QCOMPARE(slip::overflowingFields(slip, setup), QList<SlipField>{SlipField::Add1});
        QVERIFY(fitOf(drawn, SlipField::Add2).scale < 1.0);
        QVERIFY(fitOf(drawn, SlipField::Goods1).scale < 1.0);
        QVERIFY(!fitOf(drawn, SlipField::Goods1).overflows);
    }

    // The desired date keeps every dot of its digits beside a 40-character first line.
    void longAddressKeepsTheDesiredDate()
    {
        SlipRecord without = ordinarySlip();
        without.destination.address1.clear();
        SlipRecord with = ordinarySlip();
        with.destination.address1 = QString(40, u'あ');
        const QImage before = printed(without);
        const QImage after = printed(with);
        const int from = slip::SlipGeometry(kDpi, kDpi, u"0"_s, u"0"_s).x(slip::slipFieldRightEdge(SlipField::Add1));
        int digits = 0;
        for (int y = 0; y < before.height(); ++y) {
            for (int x = from; x < before.width(); ++x) {
                if (isInk(before.pixel(x, y))) {
                    ++digits;
                    QVERIFY(isInk(after.pixel(x, y)));
                }
            }
        }
        QVERIFY(digits > 0);
    }

    // Every slot's mark lies inside the row the form drawing gives it.
    void markInItsDrawnRow_data()
    {
        QTest::addColumn<int>("slot");
        for (int slot = 1; slot <= slip::kTimeSlotCount; ++slot)
            QTest::newRow(qPrintable(QString::number(slot))) << slot;
    }
    void markInItsDrawnRow()
    {
        QFETCH(int, slot);
        SlipRecord slip;
        slip.printShippingDate = false;
        slip.timeSlot = slip::timeSlotFromNumber(slot);
        const QImage image = printed(slip);
        const slip::SlipGeometry geometry(kDpi, kDpi, u"0"_s, u"0"_s);
        const QRect row = slip::slipTimeRow(slip.timeSlot);
        const QRect rowDots(QPoint(geometry.x(row.left()), geometry.y(row.top())),
                            QPoint(geometry.x(row.right()), geometry.y(row.bottom())));
        int inside = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (!isInk(image.pixel(x, y)))
                    continue;
                QVERIFY2(rowDots.contains(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                ++inside;
            }
        }
        QVERIFY(inside > 0);
    }
};

QTEST_MAIN(SlipFitTest)
#include "tst_slipfit.moc"
