// The system back end against a private cupsd: printer list and default, paper
// sizes, bins, resolutions, metrics, a real job with its options and title, the
// dialog adoption and the change watcher.

#include "filesizelimit.h"
#include "printer-ui/ovprintdialogs.h"
#include "privatecupsd.h"

#include "printer/ovprinters.h"
#include "printer-ui/ovsystemwatcher.h"
#include "printer-cups/systemprinterbackend.h"

#include <QPrinter>
#include <QProcess>
#include <QtTest>

using testsupport::PrivateCupsd;

namespace {

QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int visibleIndexOf(const QString &name)
{
    return int(OvPrinter().PrinterNames().indexOf(name));
}

QList<int> paperNumbers()
{
    QList<int> numbers;
    for (int i = 0; i < OvPrinter().NumPaperSizes(); ++i)
        numbers.append(OvPrinter().PaperSizeNumbers(i));
    return numbers;
}

QList<int> binNumbers()
{
    QList<int> numbers;
    for (int i = 0; i < OvPrinter().NumBins(); ++i)
        numbers.append(OvPrinter().BinNumbers(i));
    return numbers;
}

class AnsweringRunner : public OvDialogRunner
{
public:
    std::function<bool(QPrinter &)> answer;
    bool run(OvDialogKind, OvPrinterBackend &backend, QWidget *) override
    {
        QPrinter *printer = backend.dialogPrinter();
        if (!printer || !answer(*printer))
            return false;
        backend.adoptDialogPrinter(*printer);
        return true;
    }
};

} // namespace

class CupsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void listAndDefault();
    void paperSizes_data();
    void paperSizes();
    void bins_data();
    void bins();
    void printerWithoutBins();
    void resolutionsAndMetrics();
    void portNamesAreDeviceUris();
    void jobArrivesWithTitleAndOptions();
    void abortedJobSendsNothing();
    void fullDiskDoesNotCutAJob();
    void dialogChoiceBecomesCurrent();
    void watcherSeesAddedPrinter();

private:
    PrivateCupsd m_cupsd;
    std::unique_ptr<OvPrinterScope> m_scope;
};

void CupsTest::initTestCase()
{
    // Before any libcups call: the clients read the server once.
    QVERIFY2(m_cupsd.start(), qPrintable(m_cupsd.lastError()));
    PrivateCupsd::Printer slip;
    slip.name = QStringLiteral("Slip");
    slip.pageSizes = {QStringLiteral("A4"), QStringLiteral("Postcard"), QStringLiteral("Env10")};
    slip.inputSlots = {QStringLiteral("Upper"), QStringLiteral("Manual"), QStringLiteral("Tractor")};
    slip.resolutions = {300, 600};
    slip.defaultResolution = 600;
    PrivateCupsd::Printer wide;
    wide.name = QStringLiteral("Wide");
    wide.pageSizes = {QStringLiteral("A3"), QStringLiteral("B4"), QStringLiteral("Letter"), QStringLiteral("Legal")};
    wide.defaultPageSize = QStringLiteral("Letter");
    wide.inputSlots = {QStringLiteral("Lower"), QStringLiteral("Middle"), QStringLiteral("Auto")};
    wide.defaultInputSlot = QStringLiteral("Middle");
    wide.resolutions = {180, 360};
    PrivateCupsd::Printer plain;
    plain.name = QStringLiteral("Plain");
    plain.pageSizes = {QStringLiteral("A5"), QStringLiteral("B5")};
    for (const auto &p : {slip, wide, plain})
        QVERIFY2(m_cupsd.addPrinter(p), qPrintable(m_cupsd.lastError()));
    QVERIFY2(m_cupsd.setDefaultPrinter(QStringLiteral("Wide")), qPrintable(m_cupsd.lastError()));
}

void CupsTest::cleanupTestCase()
{
    setOvDialogRunner(nullptr);
    m_scope.reset();
    m_cupsd.stop();
}

void CupsTest::init()
{
    // A fresh layer for each test, as at program start.
    m_scope.reset();
    m_scope = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
}

void CupsTest::listAndDefault()
{
    // CUPS queues in the scheduler's order, then the built-in PDF printer.
    QCOMPARE(OvPrinter().PrinterNames(),
             (QStringList{QStringLiteral("Plain"), QStringLiteral("Slip"), QStringLiteral("Wide"),
                          printer::pdfPrinterName()}));
    QCOMPARE(OvPrinter().Index(), 2); // the scheduler's default
    OvPrinter().SetIndex(1);
    QCOMPARE(OvPrinter().Index(), 1);
    OvPrinter().SetIndex(-1);
    QCOMPARE(OvPrinter().Index(), 2);
    QCOMPARE(OvPrinter().AllInfo().Count(), 4u);
    for (quint32 i = 0; i < 4; ++i)
        QCOMPARE(OvPrinter().AllInfo().Attributes(i), 0u); // no temporary queues here
}

void CupsTest::paperSizes_data()
{
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<int>("defaultNumber");
    QTest::addColumn<QString>("defaultName");
    QTest::newRow("Slip") << "Slip" << QList<int>{9, 43, 257} << 9 << "A4";
    QTest::newRow("Wide") << "Wide" << QList<int>{8, 12, 1, 5} << 1 << "Letter";
    QTest::newRow("Plain") << "Plain" << QList<int>{11, 13} << 11 << "A5";
}

void CupsTest::paperSizes()
{
    QFETCH(QString, printer);
    QFETCH(QList<int>, numbers);
    QFETCH(int, defaultNumber);
    QFETCH(QString, defaultName);
    OvPrinter().SetIndex(visibleIndexOf(printer));
    QList<int> got = paperNumbers();
    // Compare as sets: the scheduler decides the order.
    QList<int> sortedGot = got, sortedWant = numbers;
    std::sort(sortedGot.begin(), sortedGot.end());
    std::sort(sortedWant.begin(), sortedWant.end());
    QCOMPARE(sortedGot, sortedWant);
    QCOMPARE(OvPrinter().PaperSizeNumber(), defaultNumber);
    const int index = OvPrinter().PaperSizeIndex();
    QCOMPARE(got.at(index), defaultNumber);
    QVERIFY2(OvPrinter().PaperSizeNames().at(index).contains(defaultName),
             qPrintable(OvPrinter().PaperSizeNames().join(QLatin1Char('|'))));
    for (const QString &name : OvPrinter().PaperSizeNames())
        QVERIFY(!name.isEmpty());
    // The numbers are stable: a fresh layer gives the same list.
    m_scope.reset();
    m_scope = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
    OvPrinter().SetIndex(visibleIndexOf(printer));
    QCOMPARE(paperNumbers(), got);
}

void CupsTest::bins_data()
{
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<int>("defaultIndexNumber");
    QTest::newRow("Slip") << "Slip" << QList<int>{1, 4, 8} << 1;
    QTest::newRow("Wide") << "Wide" << QList<int>{2, 3, 7} << -1;
}

void CupsTest::bins()
{
    QFETCH(QString, printer);
    QFETCH(QList<int>, numbers);
    QFETCH(int, defaultIndexNumber);
    OvPrinter().SetIndex(visibleIndexOf(printer));
    QCOMPARE(binNumbers(), numbers);
    QCOMPARE(OvPrinter().BinNames().size(), numbers.size());
    const int current = OvPrinter().BinNumbers(OvPrinter().BinIndex());
    QVERIFY(numbers.contains(current));
    if (defaultIndexNumber > 0)
        QCOMPARE(current, defaultIndexNumber);
    // Choosing a bin changes the private copy until applied, then the printer object.
    OvPrinter().SetBinIndex(2);
    QVERIFY(OvPrinter().Modified());
    OvPrinter().ApplySettings();
    QCOMPARE(OvPrinter().BinNumber(), numbers.at(2));
}

void CupsTest::printerWithoutBins()
{
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Plain")));
    QVERIFY(!OvPrinter().PrintCaps().testFlag(ovPcDefaultSource));
    try {
        OvPrinter().BinNames();
        QFAIL("no bins expected");
    } catch (const EOvPrinterNotSupported &e) {
        QCOMPARE(e.message(), QStringLiteral("TOvPrinter.GetBinNames: Bin is not Supported"));
    }
}

void CupsTest::resolutionsAndMetrics()
{
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Slip")));
    QCOMPARE(OvPrinter().NumQualities(), 2);
    QCOMPARE(OvPrinter().Qualities(0), (TOvExtent{300, 300}));
    QCOMPARE(OvPrinter().Qualities(1), (TOvExtent{600, 600}));
    QCOMPARE(OvPrinter().Quality(), (TOvExtent{600, 600}));
    QCOMPARE(OvPrinter().DPI(), (TOvExtent{600, 600}));
    QCOMPARE(OvPrinter().Scale(), quint16(100));
    QCOMPARE(OvPrinter().MaxCopies(), quint16(9999));
    // A4 at 600 dpi: about 4960 pixels, with the PPD's quarter-inch margins.
    QVERIFY(qAbs(OvPrinter().PaperExtent().cx - 4960) <= 3);
    // The PPD's A4 is 595 pt = 209.9 mm wide.
    QVERIFY(qAbs(OvPrinter().MMPaperExtent().cx - 2099) <= 1);
    QVERIFY(qAbs(OvPrinter().Offset().cx - 150) <= 2);
    QVERIFY(OvPrinter().PageExtent().cx < OvPrinter().PaperExtent().cx);

    OvPrinter().SetQuality({300, 300});
    OvPrinter().SetPaperSizeNumber(43);
    QCOMPARE(OvPrinter().DPI(), (TOvExtent{600, 600})); // not applied yet
    OvPrinter().ApplySettings();
    QCOMPARE(OvPrinter().DPI(), (TOvExtent{300, 300}));
    QVERIFY(qAbs(OvPrinter().MMPaperExtent().cx - 1000) <= 2);
    QVERIFY(qAbs(OvPrinter().MMPaperExtent().cy - 1480) <= 2);

    // A resolution the driver does not offer is replaced by its default.
    OvPrinter().SetQuality({1200, 1200});
    OvPrinter().ApplySettings();
    QCOMPARE(OvPrinter().Quality(), (TOvExtent{600, 600}));

    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Wide")));
    QCOMPARE(OvPrinter().Qualities(0), (TOvExtent{180, 180}));
    QCOMPARE(OvPrinter().Qualities(1), (TOvExtent{360, 360}));
    QCOMPARE(OvPrinter().DPI(), (TOvExtent{180, 180}));
}

void CupsTest::portNamesAreDeviceUris()
{
    const QStringList ports = OvPrinter().PortNames();
    QVERIFY2(ports.contains(QStringLiteral("file://") + m_cupsd.outputPath(QStringLiteral("Slip"))),
             qPrintable(ports.join(QLatin1Char(' '))));
    QVERIFY(ports.contains(printer::pdfPrinterPort()));
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Wide")));
    QCOMPARE(OvPrinter().Port(), QStringLiteral("file://") + m_cupsd.outputPath(QStringLiteral("Wide")));
}

void CupsTest::jobArrivesWithTitleAndOptions()
{
    const int before = int(m_cupsd.jobs().size());
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Slip")));
    OvPrinter().SetPaperSizeNumber(43);
    OvPrinter().SetBinNumber(4);
    OvPrinter().ApplySettings();
    const QString title = QStringLiteral("mekira_RErorezev  ");
    OvPrinter().BeginDoc(title);
    QVERIFY(OvPrinter().Printing());
    QPainter *canvas = OvPrinter().Canvas();
    QVERIFY(canvas && canvas->isActive());
    canvas->setFont(QFont(QStringLiteral("IPAPMincho"), 12));
    canvas->drawText(300, 600, QStringLiteral("Yu-Pack slip 100-0001"));
    OvPrinter().EndDoc();
    QVERIFY(!OvPrinter().Printing());

    QVERIFY2(m_cupsd.waitForCompletedJobs(before + 1), qPrintable(m_cupsd.lastError()));
    const QList<PrivateCupsd::Job> jobs = m_cupsd.jobs();
    const PrivateCupsd::Job &job = jobs.last();
    QCOMPARE(job.printer, QStringLiteral("Slip"));
    QCOMPARE(job.title, title);
    QCOMPARE(job.media, QStringLiteral("jpn_hagaki_100x148mm"));
    QCOMPARE(job.mediaSource, QStringLiteral("manual"));
    QCOMPARE(job.resolution, QStringLiteral("600x600dpi"));

    QString completed;
    QVERIFY(m_cupsd.runClient(QStringLiteral("lpstat"), {QStringLiteral("-h"), m_cupsd.server(),
                                                        QStringLiteral("-W"), QStringLiteral("completed"),
                                                        QStringLiteral("-o"), QStringLiteral("Slip")},
                              &completed));
    QVERIFY2(completed.contains(QStringLiteral("Slip-%1").arg(job.id)), qPrintable(completed));

    // The device received the page as PDF, postcard sized, with the text as text.
    const QByteArray pdf = m_cupsd.readOutput(QStringLiteral("Slip"));
    QVERIFY(pdf.startsWith("%PDF"));
    const QString info = runTool(QStringLiteral("pdfinfo"), {m_cupsd.outputPath(QStringLiteral("Slip"))});
    // The PPD's postcard is 283 x 420 pt.
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+283(\\.\\d+)? x 420(\\.\\d+)? pts"))),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\n"))), qPrintable(info));
    const QString text = runTool(QStringLiteral("pdftotext"),
                                 {m_cupsd.outputPath(QStringLiteral("Slip")), QStringLiteral("-")});
    QVERIFY2(text.contains(QStringLiteral("Yu-Pack slip 100-0001")), qPrintable(text));
}

void CupsTest::abortedJobSendsNothing()
{
    const int before = int(m_cupsd.jobs().size());
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Plain")));
    OvPrinter().BeginDoc(QStringLiteral("aborted"));
    OvPrinter().Canvas()->drawText(100, 100, QStringLiteral("never"));
    OvPrinter().Abort();
    QVERIFY(!OvPrinter().Printing());
    QTest::qWait(300);
    QCOMPARE(int(m_cupsd.jobs().size()), before);
}

// A disk that is full on the program's side cannot cut a queue's job short: the job
// goes to the scheduler from memory, whole.
void CupsTest::fullDiskDoesNotCutAJob()
{
    const int before = int(m_cupsd.jobs().size());
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Plain")));
    OvPrinter().BeginDoc(QStringLiteral("full disk"));
    OvPrinter().Canvas()->drawText(100, 100, QStringLiteral("見本　花子"));
    {
        const FileSizeLimit full(64);
        OvPrinter().EndDoc();
    }
    QVERIFY(m_cupsd.waitForCompletedJobs(before + 1));
    QVERIFY(m_cupsd.readOutput(QStringLiteral("Plain")).trimmed().endsWith("%%EOF"));
}

void CupsTest::dialogChoiceBecomesCurrent()
{
    auto runner = std::make_unique<AnsweringRunner>();
    AnsweringRunner *answering = runner.get();
    setOvDialogRunner(std::move(runner));
    OvPrinter().SetIndex(visibleIndexOf(QStringLiteral("Slip")));

    // The user picks Wide with A3 in the dialog.
    answering->answer = [](QPrinter &printer) {
        printer.setPrinterName(QStringLiteral("Wide"));
        printer.setPageSize(QPageSize(QPageSize::A3));
        return true;
    };
    QVERIFY(TOvPrinterSetupDialog().Execute());
    QCOMPARE(OvPrinter().Index(), visibleIndexOf(QStringLiteral("Wide")));
    QCOMPARE(OvPrinter().PaperSizeNumber(), 8);
    QCOMPARE(OvPrinter().PaperSizeNumbers(OvPrinter().PaperSizeIndex()), 8);

    // Cancelled: nothing changes, pending changes stay.
    OvPrinter().SetCopies(2);
    answering->answer = [](QPrinter &printer) {
        printer.setPrinterName(QStringLiteral("Plain"));
        return false;
    };
    QVERIFY(!TOvPrinterSetupDialog().Execute());
    QCOMPARE(OvPrinter().Index(), visibleIndexOf(QStringLiteral("Wide")));
    QVERIFY(OvPrinter().Modified());

    // "Print to file" in Qt's dialog stands for the PDF printer.
    answering->answer = [](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A5));
        return true;
    };
    QVERIFY(TOvPrintDialog().Execute());
    QCOMPARE(OvPrinter().Index(), visibleIndexOf(printer::pdfPrinterName()));
    QCOMPARE(OvPrinter().PaperSizeNumber(), 11);
    setOvDialogRunner(nullptr);
}

void CupsTest::watcherSeesAddedPrinter()
{
    int calls = 0;
    OvPrinter().SetOnSystemChanged([&](TOvPrinter *) { ++calls; });
    OvSystemChangeWatcher watcher;
    QSignalSpy checked(&watcher, &OvSystemChangeWatcher::checked);

    QVERIFY(watcher.checkNow());
    QVERIFY(checked.wait(10000));
    QCOMPARE(calls, 0); // nothing changed since the start

    PrivateCupsd::Printer late;
    late.name = QStringLiteral("Late");
    QVERIFY2(m_cupsd.addPrinter(late), qPrintable(m_cupsd.lastError()));
    QVERIFY(watcher.checkNow());
    QVERIFY(checked.wait(10000));
    QCOMPARE(calls, 1);
    QVERIFY(OvPrinter().PrinterNames().contains(QStringLiteral("Late")));

    QVERIFY(m_cupsd.removePrinter(QStringLiteral("Late")));
    watcher.start(50);
    QTRY_COMPARE_WITH_TIMEOUT(calls, 2, 10000);
    watcher.stop();
    QVERIFY(!OvPrinter().PrinterNames().contains(QStringLiteral("Late")));
}

QTEST_MAIN(CupsTest)
#include "tst_cups.moc"
