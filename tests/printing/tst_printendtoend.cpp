// The print command end to end: a slip printed through the system printer back end
// on a private cupsd and on the built-in PDF printer, read back from the PDF with
// poppler. Every text must be in the PDF as text, in the embedded IPA and DejaVu
// fonts, with its left edge and the top of its text cell within two printer dots
// of where the form's layout puts it.

#include "printing/ov_d97_dot.h"
#include "printing/printerdisplay.h"
#include "printing/printjob.h"

#include "printer/ovprinters.h"
#include "privatecupsd.h"

#include "pdfwords.h"
#include "scriptedboxes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;
using printing::PrinterBinding;
using printing::SlipData;

namespace {

SlipData slip()
{
    SlipData data;
    data.Edit_Zip = u"123-4567"_s;
    data.Edit_Add1 = u"東京都千代田区霞が関"_s;
    data.Edit_Add2 = u"一丁目三番地"_s;
    data.Edit_Custo1 = u"山田太郎"_s;
    data.Edit_tel = u"03-1234-5678"_s;
    data.Edit_MyZip = u"890-0012"_s;
    data.Edit_MyADD1 = u"鹿児島県鹿児島市"_s;
    data.Edit_MyADD2 = u"城山町"_s;
    data.Edit_My = u"鈴木花子"_s;
    data.Edit_MyTEL = u"099-222-3333"_s;
    data.Edit_G1 = u"書籍"_s;
    data.Edit_G2 = u"衣類"_s;
    data.Edit_G3 = u"ワレモノ注意"_s;
    data.DateTimePicker_1 = QDate(2025, 3, 7);
    data.Edit_de_date1 = u"11"_s;
    data.Edit_de_date2 = u"28"_s;
    data.CheckBox_t4 = true;
    return data;
}

// Where the slip above must show each text, in 1/160 inch, written out from the
// form's layout rather than taken from the code under test.
struct Place
{
    QString text;
    int x;
    int y;
};
const QList<Place> &expectedPlaces()
{
    static const QList<Place> places = {
        {u"25"_s, 620, 70},   {u"03"_s, 680, 70},   {u"07"_s, 740, 70},
        {u"11"_s, 840, 100},  {u"28"_s, 920, 100},  {u"○"_s, 1020, 194},
        {u"1"_s, 220, 40},    {u"2"_s, 265, 40},    {u"3"_s, 310, 40},
        {u"4"_s, 375, 40},    {u"5"_s, 424, 40},    {u"6"_s, 473, 40},
        {u"7"_s, 522, 40},
        {u"東京都千代田区霞が関"_s, 180, 100},
        {u"一丁目三番地"_s, 180, 150},
        {u"書籍"_s, 590, 170},  {u"衣類"_s, 590, 200}, {u"ワレモノ注意"_s, 590, 230},
        {u"山田太郎"_s, 180, 250},
        {u"03-1234-5678"_s, 245, 300},
        {u"8"_s, 215, 342},   {u"9"_s, 268, 342},   {u"0"_s, 320, 342},
        {u"0"_s, 380, 342},   {u"0"_s, 428, 342},   {u"1"_s, 476, 342},
        {u"2"_s, 525, 342},
        {u"鹿児島県鹿児島市"_s, 180, 400},
        {u"城山町"_s, 180, 440},
        {u"鈴木花子"_s, 180, 495},
        {u"099-222-3333"_s, 255, 530},
    };
    return places;
}

// Units to dots at a resolution whose scale is exact (300, 600): halves go up.
int dots(int dpi, int units)
{
    return int(std::floor(dpi * units / 160.0 + 0.5));
}

QString outputFolder()
{
    const QString dir = qEnvironmentVariable("MEKIRA_TEST_OUTPUT", QDir::tempPath());
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class PrintEndToEndTest : public QObject
{
    Q_OBJECT

private:
    testsupport::PrivateCupsd m_cupsd;
    std::unique_ptr<OvPrinterScope> m_printers;
    int m_completedJobs = 0;

    // The fixture's PPD hands PDF on with "-" filters only, and cupsd then completes
    // the job without writing anything to the file device. Until the fixture copies
    // the file itself, give the queue the same PPD with a filter that copies it.
    bool addCopyingPrinter(const testsupport::PrivateCupsd::Printer &printer)
    {
        if (!m_cupsd.addPrinter(printer))
            return false;
        QByteArray ppd = testsupport::PrivateCupsd::makePpd(printer);
        if (!ppd.contains("application/pdf 0 -\""))
            return true; // the fixture copies by itself
        QList<QByteArray> lines = ppd.split('\n');
        lines.removeIf([](const QByteArray &line) { return line.startsWith("*cupsFilter2:"); });
        lines.insert(1, "*cupsFilter2: \"application/pdf application/vnd.cups-pdf 0 gziptoany\"");
        const QString path = m_cupsd.root() + u"/copying-"_s + printer.name + u".ppd"_s;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(lines.join('\n')) < 0)
            return false;
        file.close();
        return m_cupsd.runClient(u"lpadmin"_s, {u"-h"_s, m_cupsd.server(), u"-p"_s, printer.name,
                                                u"-P"_s, path, u"-E"_s});
    }

    // Selects the printer of that name through the binding's apply.
    void selectPrinter(const QString &name)
    {
        const int index = OvPrinter().PrinterNames().indexOf(name);
        QVERIFY2(index >= 0, qPrintable(OvPrinter().PrinterNames().join(u", ")));
        QWidget window;
        printing::PrinterDisplay display({new QComboBox(&window), new QComboBox(&window),
                                          new QComboBox(&window), new QLabel(&window),
                                          new QLabel(&window)});
        display.setPrinterIndex(QString::number(index));
        display.SpeedButton_PRNSETClick();
        QCOMPARE(display.printerName(), name);
        QCOMPARE(OvPrinter().Index(), index);
    }

    void print(const QString &top, const QString &left)
    {
        ScriptedBoxes boxes;
        PrinterBinding binding;
        binding.topMargin = top;
        binding.leftMargin = left;
        QVERIFY(printing::printSlip(printing::TOv_d97_Dot(), slip(), binding));
        QCOMPARE(boxes.questions, QStringList{u"印刷しますか?"_s});
        QVERIFY(boxes.errors.isEmpty());
    }

    // Every expected text once, in place; nothing else on the page.
    void checkPdf(const QByteArray &pdf, int dpi, int top, int left)
    {
        QVERIFY2(pdf.startsWith("%PDF"), pdf.left(40).constData());
        QString error;
        const QList<PdfPage> pages = readPdfWords(pdf, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pages.size(), 1);

        // The canvas origin is the printable area's corner on the page.
        const TOvExtent offset = OvPrinter().Offset();
        QList<PdfWord> words = pages.first().words;
        QCOMPARE(words.size(), expectedPlaces().size());
        for (const Place &place : expectedPlaces()) {
            const double wantX = dots(dpi, place.x) + left + 70 + offset.cx;
            const double wantY = dots(dpi, place.y) + top + offset.cy;
            qsizetype found = -1;
            for (qsizetype i = 0; i < words.size(); ++i) {
                const QRectF box = words.at(i).box;
                if (words.at(i).text == place.text
                    && std::abs(box.left() * dpi / 72.0 - wantX) <= 2.0
                    && std::abs(box.top() * dpi / 72.0 - wantY) <= 2.0) {
                    found = i;
                    break;
                }
            }
            if (found < 0) {
                QStringList seen;
                for (const PdfWord &w : words) {
                    if (w.text == place.text)
                        seen << u"(%1, %2)"_s.arg(w.box.left() * dpi / 72.0).arg(w.box.top() * dpi / 72.0);
                }
                QFAIL(qPrintable(u"%1 not at (%2, %3) dots; found at %4"_s.arg(place.text)
                                     .arg(wantX).arg(wantY).arg(seen.join(u" "))));
            }
            words.removeAt(found);
        }
    }

    void checkFontsEmbedded(const QByteArray &pdf)
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(pdf);
        file.flush();
        QProcess pdffonts;
        pdffonts.start(u"pdffonts"_s, {file.fileName()});
        QVERIFY(pdffonts.waitForFinished(30000));
        const QStringList lines = QString::fromUtf8(pdffonts.readAllStandardOutput()).split(u'\n');
        for (const QString &font : {u"IPAPMincho"_s, u"DejaVuSans"_s}) {
            bool embedded = false;
            for (const QString &line : lines) {
                const QStringList columns = line.simplified().split(u' ');
                // name, type..., encoding, emb, sub, uni, object, id
                if (columns.size() >= 7 && columns.first().endsWith(font)
                    && columns.at(columns.size() - 5) == u"yes")
                    embedded = true;
            }
            QVERIFY2(embedded, qPrintable(font + u" not embedded:\n"_s + lines.join(u'\n')));
        }
    }

    void renderForPeople(const QByteArray &pdf, const QString &name)
    {
        const QString base = outputFolder() + u'/' + name;
        QFile file(base + u".pdf"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pdf);
        file.close();
        QProcess pdftoppm;
        pdftoppm.start(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"100"_s, u"-singlefile"_s,
                                        file.fileName(), base});
        QVERIFY(pdftoppm.waitForFinished(60000));
        QCOMPARE(pdftoppm.exitCode(), 0);
        QVERIFY(QFile::exists(base + u".png"_s));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s);
        QFont::insertSubstitution(u"ＭＳ Ｐゴシック"_s, u"IPAPGothic"_s);
        QFont::insertSubstitution(u"Lucida Sans Unicode"_s, u"DejaVu Sans"_s);

        // cupsd first: libcups reads the server once.
        QVERIFY2(m_cupsd.start(), qPrintable(m_cupsd.lastError()));
        testsupport::PrivateCupsd::Printer p300;
        p300.name = u"Slip300"_s;
        p300.resolutions = {300};
        QVERIFY2(addCopyingPrinter(p300), qPrintable(m_cupsd.lastError()));
        testsupport::PrivateCupsd::Printer p600;
        p600.name = u"Slip600"_s;
        p600.resolutions = {600};
        QVERIFY2(addCopyingPrinter(p600), qPrintable(m_cupsd.lastError()));
        m_printers = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
    }

    void cleanupTestCase()
    {
        m_printers.reset();
        m_cupsd.stop();
    }

    void cupsPrinter_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::newRow("300 dpi, margins 0") << u"Slip300"_s << 300 << 0 << 0;
        QTest::newRow("300 dpi, margins 12 -8") << u"Slip300"_s << 300 << 12 << -8;
        QTest::newRow("600 dpi, margins 0") << u"Slip600"_s << 600 << 0 << 0;
        QTest::newRow("600 dpi, margins 12 -8") << u"Slip600"_s << 600 << 12 << -8;
    }
    void cupsPrinter()
    {
        QFETCH(QString, printer);
        QFETCH(int, dpi);
        QFETCH(int, top);
        QFETCH(int, left);

        selectPrinter(printer);
        QCOMPARE(OvPrinter().DPI(), (TOvExtent{dpi, dpi}));
        print(QString::number(top), QString::number(left));
        QVERIFY2(m_cupsd.waitForCompletedJobs(++m_completedJobs), qPrintable(m_cupsd.errorLog()));
        const auto jobs = m_cupsd.jobs();
        QVERIFY(!jobs.isEmpty());
        QCOMPARE(jobs.last().printer, printer);
        QVERIFY2(jobs.last().title.startsWith(u"mekira_RErorezev"_s), qPrintable(jobs.last().title));

        const QByteArray pdf = m_cupsd.readOutput(printer);
        checkPdf(pdf, dpi, top, left);
        checkFontsEmbedded(pdf);
        if (dpi == 300 && top == 0)
            renderForPeople(pdf, u"slip-cups-300dpi"_s);
    }

    // The built-in PDF printer writes each job into the folder "pdf" of the current
    // directory; its resolution is chosen through the print quality.
    void pdfPrinter_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::newRow("300 dpi, margins 0") << 300 << 0 << 0;
        QTest::newRow("300 dpi, margins 12 -8") << 300 << 12 << -8;
        QTest::newRow("600 dpi, margins 0") << 600 << 0 << 0;
        QTest::newRow("600 dpi, margins 12 -8") << 600 << 12 << -8;
    }
    void pdfPrinter()
    {
        QFETCH(int, dpi);
        QFETCH(int, top);
        QFETCH(int, left);

        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });

        const QStringList names = OvPrinter().PrinterNames();
        QVERIFY(!names.isEmpty());
        selectPrinter(names.last()); // the PDF printer comes after the CUPS queues
        QCOMPARE(OvPrinter().Port(), u"PDF:"_s);
        OvPrinter().SetQuality(TOvExtent{dpi, dpi});
        OvPrinter().ApplySettings();
        QCOMPARE(OvPrinter().DPI(), (TOvExtent{dpi, dpi}));

        print(QString::number(top), QString::number(left));
        const QStringList files = QDir(work.filePath(u"pdf"_s)).entryList({u"*.pdf"_s}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile file(work.filePath(u"pdf/"_s + files.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        checkPdf(pdf, dpi, top, left);
        checkFontsEmbedded(pdf);
        if (dpi == 600 && top != 0)
            renderForPeople(pdf, u"slip-pdf-600dpi-margins"_s);
    }
};

QTEST_MAIN(PrintEndToEndTest)
#include "tst_printendtoend.moc"
