// The print command on the fake printer back end: the question, the effective
// resolution, the job bracket and the abort on failure.

#include "printing/ov_d97_dot.h"
#include "printing/printjob.h"

#include "platform/error.h"
#include "printer/fakeprinterbackend.h"
#include "printer/ovprinters.h"

#include "paintrecorder.h"
#include "scriptedboxes.h"

#include <QFont>
#include <QtTest>

using namespace Qt::StringLiterals;
using printing::PrinterBinding;
using printing::SlipData;

namespace {

FakePrinterBackend::Printer printerAt(const QString &name, int dpiX, int dpiY, int scale)
{
    FakePrinterBackend::Printer printer = FakePrinterBackend::standardPrinter(name);
    printer.metrics.logPixelsX = dpiX;
    printer.metrics.logPixelsY = dpiY;
    OvDevMode mode = ovReadDevMode(printer.defaultSettings);
    mode.dmScale = qint16(scale);
    ovWriteDevMode(printer.defaultSettings, mode);
    return printer;
}

SlipData slip()
{
    SlipData data;
    data.Edit_Zip = u"100-0013"_s;
    data.Edit_Add1 = u"東京都架空区見本町"_s;
    data.Edit_Custo1 = u"見本太郎"_s;
    data.Edit_tel = u"03-1234-5678"_s;
    data.Edit_My = u"鈴木花子"_s;
    data.Edit_G1 = u"書籍"_s;
    data.DateTimePicker_1 = QDate(2025, 3, 7);
    data.CheckBox_t1 = true;
    return data;
}

PrinterBinding binding(const QString &top = u"0"_s, const QString &left = u"0"_s)
{
    PrinterBinding b;
    b.printerIndex = u"0"_s;
    b.topMargin = top;
    b.leftMargin = left;
    return b;
}

const QString kBeginDoc = u"BeginDoc:mekira_RErorezev  "_s;

} // namespace

class PrintJobTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s);
        QFont::insertSubstitution(u"Lucida Sans Unicode"_s, u"DejaVu Sans"_s);
    }

    void effectiveResolution_data()
    {
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("300 at 75 %") << 300 << 300 << 75 << 400 << 400;
        QTest::newRow("360 at 50 %") << 360 << 360 << 50 << 720 << 720;
        QTest::newRow("360 unscaled") << 360 << 360 << 100 << 360 << 360;
        QTest::newRow("600 x 300") << 600 << 300 << 100 << 600 << 300;
        QTest::newRow("truncated") << 300 << 203 << 70 << 428 << 290; // 428.57, 290.0
        QTest::newRow("enlarged") << 600 << 600 << 400 << 150 << 150;
    }
    void effectiveResolution()
    {
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(int, scale);
        QFETCH(int, x);
        QFETCH(int, y);
        const auto r = printing::effectiveResolution(TOvExtent{dpiX, dpiY}, scale);
        QCOMPARE(r.x, x);
        QCOMPARE(r.y, y);
    }

    void zeroScaleIsAnError()
    {
        QVERIFY_THROWS_EXCEPTION(platform::Error,
                                 printing::effectiveResolution(TOvExtent{300, 300}, 0));
    }

    void answerNoPrintsNothing()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(printerAt(u"Slip"_s, 300, 300, 100));
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;
        boxes.answer = false;

        const printing::TOv_d97_Dot layout;
        QVERIFY(!printing::printSlip(layout, slip(), binding()));
        QCOMPARE(boxes.questions, QStringList{u"印刷しますか?"_s});
        QVERIFY(f->jobLog().isEmpty());
        QVERIFY(f->printedPages().isEmpty());
    }

    void printsOnePage()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(printerAt(u"Slip"_s, 300, 300, 100));
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;

        const printing::TOv_d97_Dot layout;
        QVERIFY(printing::printSlip(layout, slip(), binding()));
        QCOMPARE(f->jobLog(), (QStringList{kBeginDoc, u"EndDoc"_s}));
        QCOMPARE(f->printedTitles(), QStringList{u"mekira_RErorezev  "_s});
        QCOMPARE(f->printedPages().size(), 1);
        QVERIFY(boxes.errors.isEmpty());

        PaintRecorder page;
        page.play(f->printedPages().first());
        for (const QString &text : {u"見本太郎"_s, u"東京都架空区見本町"_s, u"03-1234-5678"_s,
                                    u"鈴木花子"_s, u"書籍"_s, u"25"_s, u"○"_s, u"1"_s})
            QVERIFY2(!page.findCell(text).text.isEmpty(), qPrintable(text));
        // Every text is drawn on its own opaque cell, none outside one.
        int items = 0;
        for (const auto &cell : page.cells()) {
            QVERIFY(!cell.text.isEmpty());
            ++items;
        }
        QCOMPARE(items, 3 + 1 + 7 + 1 + 1 + 1 + 1 + 1); // date, mark, zip, add1, g1, name, tel, sender
    }

    // The place of a text on the printed page follows the effective resolution and
    // the margins: the cell's top-left corner is exactly the layout's point.
    void placesFollowEffectiveResolution_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        // 400 dpi: 180 units -> 450, 250 units -> 625.
        QTest::newRow("300 at 75 %") << 300 << 75 << u"0"_s << u"0"_s << 520 << 625;
        // 300 dpi: 337.5 -> 338, 468.75 -> 469.
        QTest::newRow("300 unscaled") << 300 << 100 << u"0"_s << u"0"_s << 408 << 469;
        QTest::newRow("300, 12 and -8") << 300 << 100 << u"12"_s << u"-8"_s << 400 << 481;
        // 600 dpi at 50 % is 1200: 1350, 1875.
        QTest::newRow("600 at 50 %") << 600 << 50 << u""_s << u""_s << 1420 << 1875;
    }
    void placesFollowEffectiveResolution()
    {
        QFETCH(int, dpi);
        QFETCH(int, scale);
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(int, x);
        QFETCH(int, y);

        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(printerAt(u"Slip"_s, dpi, dpi, scale));
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;

        QVERIFY(printing::printSlip(printing::TOv_d97_Dot(), slip(), binding(top, left)));
        QCOMPARE(f->printedPages().size(), 1);
        PaintRecorder page;
        page.play(f->printedPages().first());
        const auto name = page.findCell(u"見本太郎"_s);
        QCOMPARE(name.text, u"見本太郎"_s);
        QCOMPARE(name.rect.topLeft(), QPointF(x, y));
        QCOMPARE(name.baseline.x(), qreal(x));
        QVERIFY(name.baseline.y() > y);
    }

    void badMarginAbortsTheJob_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::newRow("left 12a") << u"0"_s << u"12a"_s;
        QTest::newRow("top 1.5") << u"1.5"_s << u"0"_s;
    }
    void badMarginAbortsTheJob()
    {
        QFETCH(QString, top);
        QFETCH(QString, left);
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(printerAt(u"Slip"_s, 300, 300, 100));
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;

        const PrinterBinding b = binding(top, left);
        QVERIFY_THROWS_EXCEPTION(platform::EConvertError,
                                 printing::printSlip(printing::TOv_d97_Dot(), slip(), b));
        QCOMPARE(f->jobLog(), (QStringList{kBeginDoc, u"Abort"_s}));
        QVERIFY(f->printedPages().isEmpty());
        QVERIFY(!OvPrinter().Printing());

        // Mended, the same slip prints.
        f->clearJobLog();
        QVERIFY(printing::printSlip(printing::TOv_d97_Dot(), slip(), binding()));
        QCOMPARE(f->jobLog(), (QStringList{kBeginDoc, u"EndDoc"_s}));
        QCOMPARE(f->printedPages().size(), 1);
    }

    void noPrinterInstalled()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;
        try {
            printing::printSlip(printing::TOv_d97_Dot(), slip(), binding());
            QFAIL("printing without a printer succeeded");
        } catch (const EOvPrinterNoPrinter &e) {
            QCOMPARE(e.message(), u"TOvPrinter.CheckNoPrinter: No Printer"_s);
        }
        QCOMPARE(boxes.questions.size(), 1);
        QVERIFY(f->jobLog().isEmpty());
    }

    void hiddenPrintersOnlyIsNoPrinter()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        auto hidden = printerAt(u"Hidden"_s, 300, 300, 100);
        hidden.attributes = OvPrinterAttributeHidden;
        fake->addPrinter(hidden);
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;
        QVERIFY_THROWS_EXCEPTION(EOvPrinterNoPrinter,
                                 printing::printSlip(printing::TOv_d97_Dot(), slip(), binding()));
        QVERIFY(f->jobLog().isEmpty());
    }

    // F11 while a batch is being sent: refused before the question, the batch goes on.
    void busyPrinterRefusesBeforeAsking()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(printerAt(u"Slip"_s, 300, 300, 100));
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;
        OvPrinter().BeginDoc(u"batch"_s);
        QVERIFY_THROWS_EXCEPTION(platform::Error, printing::printSlip(printing::TOv_d97_Dot(), slip(), binding()));
        QVERIFY(boxes.questions.isEmpty());
        OvPrinter().EndDoc();
        QCOMPARE(f->jobLog(), (QStringList{u"BeginDoc:batch"_s, u"EndDoc"_s}));
    }

    void zeroScaleOpensNoJob()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(printerAt(u"Slip"_s, 300, 300, 0));
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        ScriptedBoxes boxes;
        QVERIFY_THROWS_EXCEPTION(platform::Error,
                                 printing::printSlip(printing::TOv_d97_Dot(), slip(), binding()));
        QVERIFY(f->jobLog().isEmpty());
    }
};

QTEST_MAIN(PrintJobTest)
#include "tst_printjob.moc"
