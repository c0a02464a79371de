// The print command end to end: a slip printed through the system printer back end
// on a private cupsd and on the built-in PDF printer, read back from the PDF with
// poppler. Every text must be in the PDF as text, in the embedded IPA and DejaVu
// fonts, with its left edge and the top of its text cell within two printer dots
// of where the form's layout puts it.

#include "slip/sliplayout.h"
#include "printer-cups/systemprinterbackend.h"
#include "printing/printerdisplay.h"
#include "jobs/printservice.h"

#include "printer/ovprinters.h"
#include "privatecupsd.h"

#include "pdfwords.h"
#include "scriptedboxes.h"
#include "slipplaces.h"

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
using slip::PrinterBinding;
using slip::SlipRecord;
using namespace slipplaces;

namespace {

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
        jobs::SlipJob job;
        job.slips = {slipplaces::slip()};
        job.binding.topMargin = top;
        job.binding.leftMargin = left;
        jobs::PrintService service(OvPrinter());
        const QPointer<jobs::PrintJob> printed = service.printSlips(job);
        QVERIFY(printed);
        QCOMPARE(printed->outcome(), jobs::PrintJob::Outcome::Sent);
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
        QVERIFY2(m_cupsd.addPrinter(p300), qPrintable(m_cupsd.lastError()));
        testsupport::PrivateCupsd::Printer p600;
        p600.name = u"Slip600"_s;
        p600.resolutions = {600};
        QVERIFY2(m_cupsd.addPrinter(p600), qPrintable(m_cupsd.lastError()));
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
