// The slip layout against a recording canvas: scales, rounding, margins, the running
// font state and every row of the form's layout.

#include "slip/sliplayout.h"
#include "slip/slipcanvas.h"
#include "slip/slipgeometry.h"
#include "slip/slipform.h"

#include "platform/error.h"

#include "recordingcanvas.h"

#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QtTest>

using namespace Qt::StringLiterals;
using slip::PrinterBinding;
using slip::SlipRecord;

namespace {

const QString kMincho = u"ＭＳ Ｐ明朝"_s;
const QString kLucida = u"Lucida Sans Unicode"_s;

PrinterBinding margins(const QString &top, const QString &left)
{
    PrinterBinding binding;
    binding.topMargin = top;
    binding.leftMargin = left;
    return binding;
}

SlipRecord fullSlip()
{
    SlipRecord slip;
    slip.destination.postalCode = u"123-4567"_s;
    slip.destination.address1 = u"東京都架空区"_s;
    slip.destination.address2 = u"見本町1-3"_s;
    slip.destination.name = u"見本太郎"_s;
    slip.destination.telephone = u"03-1234-5678"_s;
    slip.sender.postalCode = u"987-6543"_s;
    slip.sender.address1 = u"大阪府"_s;
    slip.sender.address2 = u"北区"_s;
    slip.sender.name = u"鈴木"_s;
    slip.sender.telephone = u"06-1111-2222"_s;
    slip.goods[0] = u"りんご"_s;
    slip.goods[1] = u"みかん"_s;
    slip.goods[2] = u"ぶどう"_s;
    slip.shippingDate = QDate(2025, 3, 7);
    slip.deliveryMonth = u"12"_s;
    slip.deliveryDay = u"24"_s;
    slip.timeSlot = slip::TimeSlot::Afternoon14To16;
    return slip;
}

// One slip item where it must land, in 1/160 inch, with the font in force.
struct Expected
{
    QString text;
    int x;
    int y;
    QString font;
    int size;
};

RecordingCanvas draw(const SlipRecord &slip, int dpiX, int dpiY,
                     const PrinterBinding &binding = PrinterBinding())
{
    RecordingCanvas canvas;
    slip::drawSlip(canvas, slip, dpiX, dpiY, binding);
    return canvas;
}

} // namespace

class SlipLayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s);
        QFont::insertSubstitution(u"ＭＳ Ｐゴシック"_s, u"IPAPGothic"_s);
        QFont::insertSubstitution(u"Lucida Sans Unicode"_s, u"DejaVu Sans"_s);
    }

    void scale_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<qint64>("scale");
        QTest::newRow("160") << 160 << qint64(10000);
        QTest::newRow("180") << 180 << qint64(11250);
        QTest::newRow("203 tie to even up") << 203 << qint64(12688);   // 12687.5
        QTest::newRow("201 tie to even down") << 201 << qint64(12562); // 12562.5
        QTest::newRow("300") << 300 << qint64(18750);
        QTest::newRow("360") << 360 << qint64(22500);
        QTest::newRow("600") << 600 << qint64(37500);
        QTest::newRow("1 tie down") << 1 << qint64(62);  // 62.5
        QTest::newRow("3 tie up") << 3 << qint64(188);   // 187.5
        QTest::newRow("0") << 0 << qint64(0);
    }
    void scale()
    {
        QFETCH(int, dpi);
        QFETCH(qint64, scale);
        QCOMPARE(slip::slipScale(dpi), scale);
    }

    void roundHalfAway_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("562.5") << 562.5 << 563;
        QTest::newRow("2.5") << 2.5 << 3;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("-2.5") << -2.5 << -3;
        QTest::newRow("-0.5") << -0.5 << -1;
        QTest::newRow("0.4999") << 0.4999 << 0;
        QTest::newRow("-0.4999") << -0.4999 << 0;
        QTest::newRow("281.25") << 281.25 << 281;
        QTest::newRow("1.75") << 1.75 << 2;
        QTest::newRow("huge") << 1e12 << 2147483647;
        QTest::newRow("huge negative") << -1e12 << -2147483647 - 1;
    }
    void roundHalfAway()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(slip::RoundHalfAway(value), rounded);
    }

    // Every row of the form at 160 dpi, where one unit is one dot: the order, the
    // places and the running font state as the printer would see them.
    void fullSlipInTableOrder()
    {
        const RecordingCanvas canvas = draw(fullSlip(), 160, 160);
        const QList<Expected> expected = {
            {u"25"_s, 620, 70, kLucida, 9},   {u"03"_s, 680, 70, kLucida, 9},
            {u"07"_s, 740, 70, kLucida, 9},   {u"12"_s, 840, 100, kLucida, 9},
            {u"24"_s, 920, 100, kLucida, 9},  {u"○"_s, 1020, 156, kLucida, 20},
            {u"1"_s, 220, 40, kLucida, 12},   {u"2"_s, 265, 40, kLucida, 12},
            {u"3"_s, 310, 40, kLucida, 12},   {u"4"_s, 375, 40, kLucida, 12},
            {u"5"_s, 424, 40, kLucida, 12},   {u"6"_s, 473, 40, kLucida, 12},
            {u"7"_s, 522, 40, kLucida, 12},
            {u"東京都架空区"_s, 180, 100, kMincho, 10},
            {u"見本町1-3"_s, 180, 150, kMincho, 10},
            {u"りんご"_s, 590, 170, kMincho, 9},
            {u"みかん"_s, 590, 200, kMincho, 9},
            {u"ぶどう"_s, 590, 230, kMincho, 9},
            {u"見本太郎"_s, 180, 250, kMincho, 10},
            {u"03-1234-5678"_s, 245, 300, kMincho, 11},
            // The sender's code keeps the Mincho of the name above it.
            {u"9"_s, 215, 342, kMincho, 12},  {u"8"_s, 268, 342, kMincho, 12},
            {u"7"_s, 320, 342, kMincho, 12},  {u"6"_s, 380, 342, kMincho, 12},
            {u"5"_s, 428, 342, kMincho, 12},  {u"4"_s, 476, 342, kMincho, 12},
            {u"3"_s, 525, 342, kMincho, 12},
            {u"大阪府"_s, 180, 400, kMincho, 10},
            {u"北区"_s, 180, 440, kMincho, 10},
            {u"鈴木"_s, 180, 495, kMincho, 10},
            {u"06-1111-2222"_s, 255, 530, kMincho, 11},
        };
        QCOMPARE(canvas.items.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const auto &item = canvas.items.at(i);
            const auto &want = expected.at(i);
            const QByteArray where = QByteArray::number(i) + ": " + want.text.toUtf8();
            QVERIFY2(item.text == want.text, where);
            QVERIFY2(item.x == want.x + 70, where);
            QVERIFY2(item.y == want.y, where);
            QVERIFY2(item.fontName == want.font, where);
            QVERIFY2(item.fontSize == want.size, where);
            QVERIFY2(item.fontColor == QColor(Qt::black), where);
            QVERIFY2(item.brushColor == QColor(Qt::white), where);
        }
    }

    // Places at the resolutions printers have, worked out by hand from the scale.
    void placeAtResolution_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");

        // 11250 x 220 / 10000 = 247.5 -> 248; 40 units -> 45.
        QTest::newRow("180 zip, worked example") << 180 << u"0"_s << u"0"_s << u"1"_s << 318 << 45;
        QTest::newRow("180 morning mark") << 180 << u"0"_s << u"0"_s << u"○"_s << 1218 << 90;
        // 202.5 -> 203; 281.25 -> 281.
        QTest::newRow("180 name") << 180 << u"0"_s << u"0"_s << u"見本太郎"_s << 273 << 281;
        QTest::newRow("180 name, top -10 left 25")
            << 180 << u"-10"_s << u"25"_s << u"見本太郎"_s << 298 << 271;
        QTest::newRow("180 name, empty margins") << 180 << u""_s << u""_s << u"見本太郎"_s << 273 << 281;
        // 12688: 279.136 -> 279; 50.752 -> 51.
        QTest::newRow("203 zip") << 203 << u"0"_s << u"0"_s << u"1"_s << 349 << 51;
        // 228.384 -> 228; 317.2 -> 317.
        QTest::newRow("203 name") << 203 << u"0"_s << u"0"_s << u"見本太郎"_s << 298 << 317;
        // 18750: 412.5 -> 413; 75.
        QTest::newRow("300 zip") << 300 << u"0"_s << u"0"_s << u"1"_s << 483 << 75;
        // 337.5 -> 338; 468.75 -> 469.
        QTest::newRow("300 name") << 300 << u"0"_s << u"0"_s << u"見本太郎"_s << 408 << 469;
        QTest::newRow("300 name, top 12 left -8")
            << 300 << u"12"_s << u"-8"_s << u"見本太郎"_s << 400 << 481;
        // 1912.5 -> 1913; 150.
        QTest::newRow("300 morning mark") << 300 << u"0"_s << u"0"_s << u"○"_s << 1983 << 150;
        // 22500: 250 units = 562.5 -> 563 (away from zero, not to even).
        QTest::newRow("360 name") << 360 << u"0"_s << u"0"_s << u"見本太郎"_s << 475 << 563;
        QTest::newRow("360 zip") << 360 << u"0"_s << u"0"_s << u"1"_s << 565 << 90;
        QTest::newRow("360 name, margins -100 -100")
            << 360 << u"-100"_s << u"-100"_s << u"見本太郎"_s << 375 << 463;
        // 37500: 937.5 -> 938.
        QTest::newRow("600 name") << 600 << u"0"_s << u"0"_s << u"見本太郎"_s << 745 << 938;
        QTest::newRow("600 morning mark") << 600 << u"0"_s << u"0"_s << u"○"_s << 3895 << 300;
        QTest::newRow("600 sender tel, hex margin")
            << 600 << u"$10"_s << u"0"_s << u"06-1111-2222"_s << 1026 << 2004; // 956.25 -> 956; 1987.5 -> 1988, + 16
    }
    void placeAtResolution()
    {
        QFETCH(int, dpi);
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(QString, text);
        QFETCH(int, x);
        QFETCH(int, y);

        SlipRecord slip = fullSlip();
        slip.timeSlot = slip::TimeSlot::Morning;
        const RecordingCanvas canvas = draw(slip, dpi, dpi, margins(top, left));
        const auto *item = canvas.find(text);
        QVERIFY(item);
        QCOMPARE(item->x, x);
        QCOMPARE(item->y, y);
    }

    void axesScaleSeparately()
    {
        // 300 across, 600 down: x follows 18750, y follows 37500.
        const RecordingCanvas canvas = draw(fullSlip(), 300, 600);
        const auto *name = canvas.find(u"見本太郎"_s);
        QVERIFY(name);
        QCOMPARE(name->x, 408);
        QCOMPARE(name->y, 938);
    }

    void badMarginDrawsNothing_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::newRow("left 12a") << u"0"_s << u"12a"_s;
        QTest::newRow("top 12a") << u"12a"_s << u"0"_s;
        QTest::newRow("fraction") << u"1.5"_s << u"0"_s;
        QTest::newRow("blank only") << u"0"_s << u" "_s;
        QTest::newRow("full-width digits") << u"１２"_s << u"0"_s;
    }
    void badMarginDrawsNothing()
    {
        QFETCH(QString, top);
        QFETCH(QString, left);
        RecordingCanvas canvas;
        QVERIFY_THROWS_EXCEPTION(platform::EConvertError,
                                 slip::drawSlip(canvas, fullSlip(), 300, 300,
                                                                    margins(top, left)));
        // Not even the font was set: the printer received nothing.
        QCOMPARE(canvas.calls, 0);
    }

    // The desired date and the time-slot mark keep the Latin font whether or not the
    // slip date (which sets that font too) is printed.
    void markFontIndependentOfDate_data()
    {
        QTest::addColumn<bool>("dateOn");
        QTest::newRow("date printed") << true;
        QTest::newRow("date off") << false;
    }
    void markFontIndependentOfDate()
    {
        QFETCH(bool, dateOn);
        SlipRecord slip = fullSlip();
        slip.printShippingDate = dateOn;
        const RecordingCanvas canvas = draw(slip, 160, 160);
        QCOMPARE(bool(canvas.find(u"07"_s)), dateOn);
        for (const QString &text : {u"12"_s, u"24"_s, u"○"_s}) {
            const auto *item = canvas.find(text);
            QVERIFY2(item, qPrintable(text));
            QCOMPARE(item->fontName, kLucida);
        }
        QCOMPARE(canvas.find(u"○"_s)->fontSize, double(slip::kTimeMarkPoints));
        QCOMPARE(canvas.find(u"1"_s)->fontName, kLucida);
    }

    void senderOff()
    {
        SlipRecord slip = fullSlip();
        slip.printSender = false;
        const RecordingCanvas canvas = draw(slip, 160, 160);
        for (const auto &item : canvas.items)
            QVERIFY2(item.y <= 300, qPrintable(item.text));
        QVERIFY(!canvas.find(u"鈴木"_s));
        QVERIFY(!canvas.find(u"9"_s));
        QCOMPARE(canvas.items.last().text, u"03-1234-5678"_s);
        QCOMPARE(canvas.items.size(), 20);
    }

    void postalCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("chars");
        QTest::addColumn<QList<int>>("xs");
        const QList<int> boxes = {220, 265, 310, 375, 424, 473, 522};
        QTest::newRow("with hyphen") << u"123-4567"_s
                                     << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}
                                     << boxes;
        // Seven bare digits fill the seven boxes; the fourth is not taken for a hyphen.
        QTest::newRow("without hyphen") << u"1234567"_s
                                        << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}
                                        << boxes;
        // Never characters by their place in the raw text: what is there fills the
        // boxes from the left (and the pre-print check names the code).
        QTest::newRow("six digits") << u"123456"_s
                                    << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}
                                    << boxes.mid(0, 6);
        QTest::newRow("pasted with mark") << u"〒151-0053"_s
                                          << QStringList{u"1"_s, u"5"_s, u"1"_s, u"0"_s, u"0"_s, u"5"_s, u"3"_s}
                                          << boxes;
        QTest::newRow("full width") << u"１５１－００５３"_s
                                    << QStringList{u"1"_s, u"5"_s, u"1"_s, u"0"_s, u"0"_s, u"5"_s, u"3"_s}
                                    << boxes;
        QTest::newRow("long vowel mark and blank") << u"〒 151ー0053"_s
                                                   << QStringList{u"1"_s, u"5"_s, u"1"_s, u"0"_s, u"0"_s, u"5"_s, u"3"_s}
                                                   << boxes;
        QTest::newRow("not a number") << u"１５Ａ－００５"_s
                                      << QStringList{u"1"_s, u"5"_s, u"A"_s, u"0"_s, u"0"_s, u"5"_s}
                                      << boxes.mid(0, 6);
        QTest::newRow("empty") << QString() << QStringList() << QList<int>();
        QTest::newRow("short") << u"12"_s << QStringList{u"1"_s, u"2"_s} << boxes.mid(0, 2);
        QTest::newRow("too long") << u"123-45678"_s
                                  << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}
                                  << boxes;
        QTest::newRow("blank in a box") << u"1 3-4567"_s
                                        << QStringList{u"1"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}
                                        << boxes.mid(0, 6);
    }
    void postalCode()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, chars);
        QFETCH(QList<int>, xs);
        SlipRecord slip; // nothing else on the slip
        slip.printShippingDate = false;
        slip.printSender = false;
        slip.destination.postalCode = code;
        const RecordingCanvas canvas = draw(slip, 160, 160);
        QCOMPARE(canvas.items.size(), chars.size());
        for (qsizetype i = 0; i < chars.size(); ++i) {
            QCOMPARE(canvas.items.at(i).text, chars.at(i));
            QCOMPARE(canvas.items.at(i).x, xs.at(i) + 70);
            QCOMPARE(canvas.items.at(i).y, 40);
        }
    }

    void senderPostalCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QList<int>>("xs");
        QTest::newRow("with hyphen") << u"987-6543"_s << QList<int>{215, 268, 320, 380, 428, 476, 525};
        QTest::newRow("without hyphen") << u"9876543"_s << QList<int>{215, 268, 320, 380, 428, 476, 525};
        QTest::newRow("empty") << QString() << QList<int>();
    }
    void senderPostalCode()
    {
        QFETCH(QString, code);
        QFETCH(QList<int>, xs);
        SlipRecord slip;
        slip.printShippingDate = false;
        slip.sender.postalCode = code;
        const RecordingCanvas canvas = draw(slip, 160, 160);
        QCOMPARE(canvas.items.size(), xs.size());
        for (qsizetype i = 0; i < xs.size(); ++i) {
            QCOMPARE(canvas.items.at(i).x, xs.at(i) + 70);
            QCOMPARE(canvas.items.at(i).y, 342);
            QCOMPARE(canvas.items.at(i).fontName, kMincho);
            QCOMPARE(canvas.items.at(i).fontSize, 12);
        }
    }

    void timeSlot_data()
    {
        QTest::addColumn<int>("slot"); // 0: none
        QTest::addColumn<int>("y");    // -1: no mark
        QTest::newRow("none") << 0 << -1;
        QTest::newRow("t1") << 1 << 80;
        QTest::newRow("t2") << 2 << 118;
        QTest::newRow("t3") << 3 << 156;
        QTest::newRow("t4") << 4 << 194;
        QTest::newRow("t5") << 5 << 232;
        QTest::newRow("t6") << 6 << 270;
        QTest::newRow("out of range") << 7 << -1;
    }
    void timeSlot()
    {
        QFETCH(int, slot);
        QFETCH(int, y);
        SlipRecord slip = fullSlip();
        slip.timeSlot = slip::timeSlotFromNumber(slot);
        const RecordingCanvas canvas = draw(slip, 160, 160);
        const auto marks = std::count_if(canvas.items.cbegin(), canvas.items.cend(),
                                         [](const auto &item) { return item.text == u"○"_s; });
        QCOMPARE(marks, y < 0 ? 0 : 1);
        if (y >= 0) {
            QCOMPARE(canvas.find(u"○"_s)->y, y);
            QCOMPARE(canvas.find(u"○"_s)->x, 1020 + 70);
        }
    }

    void slipDateIgnoresLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void slipDateIgnoresLocale()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        SlipRecord slip = fullSlip();
        slip.shippingDate = QDate(2031, 12, 1);
        const RecordingCanvas canvas = draw(slip, 160, 160);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(slip::slipDateText(QDate(2031, 12, 1)), u"2031/12/01"_s);
        QCOMPARE(canvas.items.at(0).text, u"31"_s);
        QCOMPARE(canvas.items.at(1).text, u"12"_s);
        QCOMPARE(canvas.items.at(2).text, u"01"_s);
    }

    // おところ③ follows おところ② on the second address line after a full-width blank.
    void secondAddressLine_data()
    {
        QTest::addColumn<QString>("add2");
        QTest::addColumn<QString>("add3");
        QTest::addColumn<QString>("printed");
        QTest::newRow("both") << u"見本町1-3"_s << u"ハイツ203"_s << u"見本町1-3　ハイツ203"_s;
        QTest::newRow("line 2 only") << u"見本町1-3"_s << QString() << u"見本町1-3"_s;
        QTest::newRow("line 3 only") << QString() << u"ハイツ203"_s << u"ハイツ203"_s;
        QTest::newRow("neither") << QString() << QString() << QString();
    }
    void secondAddressLine()
    {
        QFETCH(QString, add2);
        QFETCH(QString, add3);
        QFETCH(QString, printed);
        SlipRecord slip = fullSlip();
        slip.destination.address2 = add2;
        slip.destination.address3 = add3;
        const RecordingCanvas canvas = draw(slip, 160, 160);
        const auto line = std::find_if(canvas.items.cbegin(), canvas.items.cend(),
                                       [](const auto &item) { return item.y == 150; });
        if (printed.isEmpty()) {
            QVERIFY(line == canvas.items.cend());
        } else {
            QVERIFY(line != canvas.items.cend());
            QCOMPARE(line->text, printed);
        }
    }

    void emptyTextsDrawNothing()
    {
        SlipRecord slip; // every text empty, both switches on, no date set
        const RecordingCanvas canvas = draw(slip, 300, 300);
        QVERIFY(canvas.items.isEmpty());
        QVERIFY(canvas.calls > 0); // the font was still set up
    }

    void longGoodsLineIsWhole()
    {
        SlipRecord slip = fullSlip();
        slip.goods[0] = QString(30, QChar(u'商'));
        const RecordingCanvas canvas = draw(slip, 300, 300);
        const auto *item = canvas.find(slip.goods[0]);
        QVERIFY(item);
        QCOMPARE(item->x, 1106 + 70); // 590 x 1.875
    }

    // The painter canvas puts the top of the text cell at y and leaves what is under
    // the cell as it was.
    void painterCanvasTopLeft()
    {
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(QColor(200, 200, 255));
        {
            QPainter painter(&image);
            slip::PainterCanvas canvas(&painter);
            canvas.setFontName(kLucida);
            canvas.setFontSize(20);
            canvas.setFontColor(Qt::black);
            canvas.setBrushColor(Qt::white);
            canvas.textOut(50, 60, u"Hg"_s);
            canvas.textOut(50, 150, QString()); // nothing at all
        }
        // No opaque cell: the page shows through at the cell's corner.
        QCOMPARE(image.pixelColor(50, 60), QColor(200, 200, 255));
        QCOMPARE(image.pixelColor(49, 60), QColor(200, 200, 255));
        QCOMPARE(image.pixelColor(50, 59), QColor(200, 200, 255));
        QCOMPARE(image.pixelColor(50, 150), QColor(200, 200, 255));
        // Ink lies below y and to the right of x.
        int inkTop = -1;
        int inkLeft = 400;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 100) {
                    if (inkTop < 0)
                        inkTop = y;
                    inkLeft = std::min(inkLeft, x);
                }
            }
        }
        QVERIFY(inkTop > 60 && inkTop < 75);
        QVERIFY(inkLeft >= 50 && inkLeft < 56);
    }
};

QTEST_MAIN(SlipLayoutTest)
#include "tst_sliplayout.moc"
