// The one drawing path seen from its canvases: the preview and the printed page draw
// the same texts at the same places, texts wider than their frames are found, margins
// convert between millimetres and dots, and the calibration sheet's marks land where
// the form's reference points are.

#include "slip/calibrationsheet.h"
#include "printing/previewwindow.h"
#include "slip/slipform.h"
#include "slip/slipgeometry.h"
#include "slip/slippage.h"
#include "printing/slippreview.h"

#include "platform/error.h"

#include "paintrecorder.h"
#include "pdfwords.h"
#include "slipplaces.h"

#include <QCheckBox>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using slip::SlipField;

namespace {

QString outputFolder()
{
    const QString folder = qEnvironmentVariable("MEKIRA_TEST_OUTPUT", QDir::tempPath());
    QDir().mkpath(folder);
    return folder;
}

slip::PrinterBinding margins(const QString &top, const QString &left)
{
    slip::PrinterBinding b;
    b.topMargin = top;
    b.leftMargin = left;
    return b;
}

} // namespace

class SlipPreviewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s);
        QFont::insertSubstitution(u"Lucida Sans Unicode"_s, u"DejaVu Sans"_s);
    }

    // --- one path, two canvases --------------------------------------------------------

    void previewDrawsWhatThePageDraws_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<int>("zoom");
        QTest::newRow("180 dpi, fit") << 180 << u"0"_s << u"0"_s << int(printing::SlipPreview::Zoom::Fit);
        QTest::newRow("300 dpi, margins, 100 %") << 300 << u"-12"_s << u"25"_s
                                                 << int(printing::SlipPreview::Zoom::Actual);
        QTest::newRow("600 dpi, 200 %") << 600 << u"40"_s << u"0"_s << int(printing::SlipPreview::Zoom::Double);
    }
    void previewDrawsWhatThePageDraws()
    {
        QFETCH(int, dpi);
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(int, zoom);
        const slip::SlipRecord slip = slipplaces::slip();

        // The printed page: the painter's coordinates are the printer's dots.
        PaintRecorder printed;
        printed.setDpi(dpi);
        {
            QPainter painter(&printed);
            slip::drawSlipPage(painter, slip, {dpi, dpi, margins(top, left), 0, {}});
        }

        // The preview, on a screen-like canvas, scaled and offset by the printable area.
        printing::SlipPreview preview;
        preview.resize(400, 560);
        printing::PreviewPage page;
        page.dpiX = page.dpiY = page.fontDpi = dpi;
        page.paper = QSize(dpi * 827 / 100, dpi * 1169 / 100);
        page.printable = QRect(dpi / 6, dpi / 5, page.paper.width() - dpi / 3, page.paper.height() - dpi / 2);
        preview.setPage(page);
        preview.setBinding(margins(top, left));
        preview.setSlip(slip);
        preview.setZoom(printing::SlipPreview::Zoom(zoom));
        PaintRecorder shown;
        shown.setDpi(96);
        {
            QPainter painter(&shown);
            painter.setTransform(preview.sheetTransform());
            preview.paintSheet(painter);
        }
        const QTransform back = (QTransform::fromTranslate(page.printable.left(), page.printable.top())
                                 * preview.sheetTransform()).inverted();

        const QList<PaintRecorder::Cell> printedCells = printed.cells();
        QCOMPARE(printedCells.size(), slipplaces::expectedPlaces().size());
        for (const PaintRecorder::Cell &cell : printedCells) {
            bool found = false;
            for (const PaintRecorder::Cell &other : shown.cells()) {
                const QRectF rect = back.mapRect(other.rect);
                // The cell's top comes from the font's ascent on each device; the
                // baseline is what both draw at.
                if (other.text == cell.text && qAbs(rect.left() - cell.rect.left()) < 0.5
                    && qAbs(rect.width() - cell.rect.width()) < 1.0
                    && qAbs(back.map(other.baseline).y() - cell.baseline.y()) < 1.0) {
                    found = true;
                    break;
                }
            }
            QVERIFY2(found, qPrintable(u"not in the preview at its printed place: "_s + cell.text));
        }

        const QImage picture = preview.grab().toImage();
        QVERIFY(picture.save(outputFolder() + u"/preview-%1dpi.png"_s.arg(dpi)));
    }

    // --- texts wider than their frames ---------------------------------------------------

    void overflow_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("overflows");
        const QString kanji = u"東"_s;
        QTest::newRow("goods, 18 kanji") << u"Edit_G1"_s << kanji.repeated(18) << 180 << false;
        // Past the frame at full size, these are drawn smaller and fit.
        QTest::newRow("goods, 24 kanji") << u"Edit_G1"_s << kanji.repeated(24) << 180 << false;
        QTest::newRow("goods, 32 kanji") << u"Edit_G1"_s << kanji.repeated(32) << 180 << true;
        QTest::newRow("goods 3, 32 kanji at 600 dpi") << u"Edit_G3"_s << kanji.repeated(32) << 600 << true;
        QTest::newRow("name, 15 kanji") << u"Edit_Custo1"_s << kanji.repeated(15) << 300 << false;
        QTest::newRow("name, 21 kanji") << u"Edit_Custo1"_s << kanji.repeated(21) << 300 << false;
        QTest::newRow("name, 28 kanji") << u"Edit_Custo1"_s << kanji.repeated(28) << 300 << true;
        QTest::newRow("address, 26 kanji") << u"Edit_Add1"_s << kanji.repeated(26) << 180 << false;
        QTest::newRow("address, 40 kanji") << u"Edit_Add1"_s << kanji.repeated(40) << 180 << false;
        QTest::newRow("address, 45 kanji") << u"Edit_Add1"_s << kanji.repeated(45) << 180 << true;
        QTest::newRow("address 2, 40 kanji") << u"Edit_Add2"_s << kanji.repeated(40) << 360 << true;
        QTest::newRow("sender name, 33 kanji") << u"Edit_My"_s << kanji.repeated(33) << 203 << false;
        QTest::newRow("sender name, 45 kanji") << u"Edit_My"_s << kanji.repeated(45) << 203 << true;
        QTest::newRow("telephone") << u"Edit_tel"_s << u"03-1234-5678"_s << 180 << false;
        QTest::newRow("long digits as telephone") << u"Edit_tel"_s << u"0"_s.repeated(70) << 180 << true;
        QTest::newRow("delivery month") << u"Edit_de_date1"_s << u"12"_s << 180 << false;
        QTest::newRow("long postal code in boxes") << u"Edit_Zip"_s << u"123-45678901"_s << 180 << false;
    }
    void overflow()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, dpi);
        QFETCH(bool, overflows);
        slip::SlipRecord slip = slipplaces::slip();
        const QHash<QString, std::pair<QString *, SlipField>> fields = {
            {u"Edit_G1"_s, {&slip.goods[0], SlipField::Goods1}},
            {u"Edit_G3"_s, {&slip.goods[2], SlipField::Goods3}},
            {u"Edit_Custo1"_s, {&slip.destination.name, SlipField::Customer}},
            {u"Edit_Add1"_s, {&slip.destination.address1, SlipField::Add1}},
            {u"Edit_Add2"_s, {&slip.destination.address2, SlipField::Add2}},
            {u"Edit_My"_s, {&slip.sender.name, SlipField::Sender}},
            {u"Edit_tel"_s, {&slip.destination.telephone, SlipField::Tel}},
            {u"Edit_de_date1"_s, {&slip.deliveryMonth, SlipField::DeliveryMonth}},
            {u"Edit_Zip"_s, {&slip.destination.postalCode, SlipField::Zip}},
        };
        *fields.value(field).first = text;
        const QList<SlipField> found =
            slip::overflowingFields(slip, {dpi, dpi, margins(u"7"_s, u"-30"_s), dpi, {}});
        // The sample slip itself fits: only the changed field may run over.
        QCOMPARE(found, overflows ? QList<SlipField>{fields.value(field).second} : QList<SlipField>{});
        if (overflows)
            QVERIFY(!slip::slipFieldLabel(found.first()).isEmpty());
    }

    void overflowIsDrawnInRed()
    {
        slip::SlipRecord slip = slipplaces::slip();
        slip.goods[1] = u"東"_s.repeated(30);
        printing::SlipPreview preview;
        QSignalSpy changed(&preview, &printing::SlipPreview::overflowChanged);
        preview.setSlip(slip);
        QCOMPARE(preview.overflowing(), QList<SlipField>{SlipField::Goods2});
        QCOMPARE(changed.size(), 1);
        preview.setSlip(slip); // same again: no new signal
        QCOMPARE(changed.size(), 1);

        // Red pixels only in the goods line's row.
        QImage sheet(preview.page().paper, QImage::Format_RGB32);
        QPainter painter(&sheet);
        preview.paintSheet(painter);
        painter.end();
        const slip::SlipGeometry at(180, 180, u"0"_s, u"0"_s);
        const int top = preview.page().printable.top() + at.y(200);
        int redRows = 0, strayRows = 0;
        for (int y = 0; y < sheet.height(); ++y) {
            bool red = false;
            for (int x = 0; x < sheet.width() && !red; ++x) {
                const QColor c = sheet.pixelColor(x, y);
                red = c.red() > 200 && c.green() < 80 && c.blue() < 80;
            }
            if (red)
                (y >= top && y < top + 30 ? redRows : strayRows) += 1;
        }
        QVERIFY(redRows > 5);
        QCOMPARE(strayRows, 0);
    }

    // --- millimetres and dots ------------------------------------------------------------

    void millimetres_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("mm");
        QTest::addColumn<int>("dots");
        QTest::newRow("180: 1 inch") << 180 << 25.4 << 180;
        QTest::newRow("180: 10 mm") << 180 << 10.0 << 71;       // 70.87
        QTest::newRow("180: -1.5 mm") << 180 << -1.5 << -11;    // -10.63
        QTest::newRow("300: 10 mm") << 300 << 10.0 << 118;      // 118.11
        QTest::newRow("300: 2.5 mm") << 300 << 2.5 << 30;       // 29.53
        QTest::newRow("600: 0.5 mm") << 600 << 0.5 << 12;       // 11.81
        QTest::newRow("600: -2.5 mm") << 600 << -2.5 << -59;    // -59.06
        QTest::newRow("600: 0") << 600 << 0.0 << 0;
    }
    void millimetres()
    {
        QFETCH(int, dpi);
        QFETCH(double, mm);
        QFETCH(int, dots);
        QCOMPARE(slip::mmToDots(mm, dpi), dots);
        // Back to millimetres: within half a dot of what was typed.
        QVERIFY(qAbs(slip::dotsToMm(dots, dpi) - mm) <= 25.4 / dpi / 2 + 1e-9);
    }

    void framesFollowTheMargins_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::newRow("none") << u"0"_s << u"0"_s;
        QTest::newRow("-120, 120") << u"-120"_s << u"120"_s;
        QTest::newRow("120, -120") << u"120"_s << u"-120"_s;
    }
    // The preview draws the form where the texts are judged against it: every frame
    // moves with the margins, as on the calibration sheet.
    void framesFollowTheMargins()
    {
        QFETCH(QString, top);
        QFETCH(QString, left);
        printing::SlipPreview preview;
        printing::PreviewPage page;
        page.dpiX = page.dpiY = page.fontDpi = 300;
        page.paper = QSize(2480, 3508);
        page.printable = QRect(QPoint(0, 0), page.paper);
        preview.setPage(page);
        preview.setBinding(margins(top, left));
        preview.setSlip(slipplaces::slip());
        PaintRecorder shown;
        shown.setDpi(300);
        {
            QPainter painter(&shown);
            preview.paintSheet(painter);
        }
        const slip::SlipGeometry shifted(300, 300, top, left);
        const QList<slip::FormFrame> &frames = slip::slipFormFrames();
        for (const slip::FormFrame &frame : frames) {
            const QRectF expected(QPointF(shifted.x(frame.units.left()), shifted.y(frame.units.top())),
                                  QPointF(shifted.x(frame.units.right()), shifted.y(frame.units.bottom())));
            const bool drawn = std::any_of(shown.rects.cbegin(), shown.rects.cend(), [&](const QRectF &rect) {
                return qAbs(rect.left() - expected.left()) < 1.5 && qAbs(rect.top() - expected.top()) < 1.5;
            });
            QVERIFY2(drawn, qPrintable(frame.caption));
        }
    }

    // --- calibration sheet ---------------------------------------------------------------

    void calibrationMarksAtTheirPlaces_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QPoint>("origin"); // where the printable area starts on the paper
        QTest::newRow("300 dpi, no margins") << 300 << u"0"_s << u"0"_s << QPoint();
        QTest::newRow("600 dpi, 5 mm down, 2 mm left") << 600 << u"118"_s << u"-47"_s << QPoint();
        QTest::newRow("300 dpi, laser's 4.23 mm edge") << 300 << u"0"_s << u"0"_s << QPoint(50, 50);
    }
    void calibrationMarksAtTheirPlaces()
    {
        QFETCH(int, dpi);
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(QPoint, origin);
        const QString file = outputFolder() + u"/calibration-%1dpi-%2.pdf"_s.arg(dpi).arg(origin.x());
        const QSize printable(dpi * 8, dpi * 11);
        {
            QPdfWriter writer(file);
            writer.setResolution(dpi);
            writer.setPageSize(QPageSize(QSizeF(8, 11), QPageSize::Inch));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&writer);
            slip::drawCalibrationSheet(painter, {dpi, dpi, margins(top, left), 0, {}}, printable, origin);
        }
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QString error;
        const QList<PdfPage> pages = readPdfWords(pdf.readAll(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pages.size(), 1);

        const auto find = [&](const QString &text) -> const PdfWord * {
            for (const PdfWord &word : pages.first().words)
                if (word.text == text)
                    return &word;
            return nullptr;
        };
        const slip::SlipGeometry shifted(dpi, dpi, top, left);
        const double offset = slip::kMarkNameOffsetMm / 25.4 * 72;
        for (const slip::ReferencePoint &point : slip::slipReferencePoints()) {
            const PdfWord *word = find(point.name);
            QVERIFY2(word, qPrintable(point.name));
            const QPointF expected(shifted.x(point.units.x()) * 72.0 / dpi + offset,
                                   shifted.y(point.units.y()) * 72.0 / dpi + offset);
            QVERIFY2(qAbs(word->box.left() - expected.x()) < 1.5 && qAbs(word->box.top() - expected.y()) < 2.5,
                     qPrintable(u"%1 at %2,%3, expected %4,%5"_s.arg(point.name)
                                    .arg(word->box.left()).arg(word->box.top())
                                    .arg(expected.x()).arg(expected.y())));
        }
        // The rulers measure the paper from its edge, whatever the margins: "100" stands
        // at 100 mm on the top edge.
        const PdfWord *hundred = find(u"100"_s);
        QVERIFY(hundred);
        QVERIFY(qAbs(hundred->box.left() - (100.5 / 25.4 * 72 - origin.x() * 72.0 / dpi)) < 1.5);
        // No ruler number lies on a frame.
        for (const PdfWord &word : pages.first().words) {
            bool number = false;
            word.text.toInt(&number);
            if (!number || word.box.top() > 30)
                continue;
            for (const slip::FormFrame &frame : slip::slipFormFrames()) {
                const QRectF rect(QPointF(shifted.x(frame.units.left()), shifted.y(frame.units.top())) * 72.0 / dpi,
                                  QPointF(shifted.x(frame.units.right()), shifted.y(frame.units.bottom())) * 72.0 / dpi);
                QVERIFY2(!rect.intersects(word.box), qPrintable(word.text));
            }
        }
        // The instruction names the corners.
        const QStringList words = [&] {
            QStringList all;
            for (const PdfWord &word : pages.first().words)
                all << word.text;
            return all;
        }();
        QVERIFY2(words.join(QString()).contains(u"A＝お届け先の郵便番号の"_s), qPrintable(words.join(u' ')));

        QProcess render;
        render.start(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"60"_s, u"-singlefile"_s, file,
                                     file.chopped(4)});
        QVERIFY(render.waitForFinished(30000));
    }

    void calibrationRefusesBadMargins()
    {
        QImage page(100, 100, QImage::Format_RGB32);
        QPainter painter(&page);
        QVERIFY_THROWS_EXCEPTION(platform::EConvertError,
                                 slip::drawCalibrationSheet(painter, {180, 180, margins(u"12a"_s, u"0"_s), 0, {}},
                                                                QSize(100, 100)));
    }

    // --- the window ------------------------------------------------------------------------

    void previewWindowWritesThePdf()
    {
        QTemporaryDir folder;
        printing::SlipPreviewWindow window;
        window.preview()->setSlip(slipplaces::slip());
        window.setZoom(printing::SlipPreview::Zoom::Double);
        QVERIFY(window.doubleButton->isChecked() && !window.fitButton->isChecked());
        const QString file = window.writePdf(folder.path());
        QVERIFY(file.startsWith(folder.path()));
        QVERIFY(QFileInfo(file).fileName().startsWith(u"preview-"_s));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QString error;
        const QList<PdfPage> pages = readPdfWords(pdf.readAll(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pages.size(), 1);
        bool name = false;
        bool caption = false;
        for (const PdfWord &word : pages.first().words) {
            name = name || word.text == u"見本太郎"_s;
            caption = caption || word.text == u"ご依頼主"_s;
        }
        QVERIFY(name);
        // Printable on a form: no frames or captions unless asked for.
        QVERIFY(!caption);
        window.formButton->setChecked(true);
        const QString framed = window.writePdf(folder.path());
        QVERIFY(framed != file);
        QFile second(framed);
        QVERIFY(second.open(QIODevice::ReadOnly));
        caption = false;
        for (const PdfWord &word : readPdfWords(second.readAll(), &error).value(0).words)
            caption = caption || word.text == u"ご依頼主"_s;
        QVERIFY(caption);
    }
};

QTEST_MAIN(SlipPreviewTest)
#include "tst_slippreview.moc"
