// The print-job service on the fake printer back end: the effective resolution, the
// job bracket, pages drawn one per turn of the event loop, cancel between pages, the
// abort on failure and the rule of one job at a time.

#include "jobs/pages.h"
#include "jobs/printjob.h"
#include "jobs/printservice.h"

#include "platform/error.h"
#include "fakeprinterbackend.h"
#include "printer/ovprinters.h"

#include "paintrecorder.h"

#include <QFont>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using slip::PrinterBinding;
using slip::SlipRecord;

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

SlipRecord slip()
{
    SlipRecord data;
    data.destination.postalCode = u"100-0013"_s;
    data.destination.address1 = u"東京都架空区見本町"_s;
    data.destination.name = u"見本太郎"_s;
    data.destination.telephone = u"03-1234-5678"_s;
    data.sender.name = u"鈴木花子"_s;
    data.goods[0] = u"書籍"_s;
    data.shippingDate = QDate(2025, 3, 7);
    data.timeSlot = slip::TimeSlot::Morning;
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

jobs::SlipJob slipJob(int pages, const PrinterBinding &b = binding())
{
    jobs::SlipJob job;
    for (int i = 0; i < pages; ++i) {
        SlipRecord record = slip();
        record.destination.name = u"見本太郎%1"_s.arg(i + 1);
        job.slips << record;
        job.orderIds << 100 + i;
    }
    job.binding = b;
    return job;
}

// Pages that draw their number, and fail on the page given (0: never).
class NumberedPages final : public jobs::PageSource
{
public:
    NumberedPages(int count, int failOn) : m_count(count), m_failOn(failOn) {}
    int pageCount() const override { return m_count; }
    void drawPage(int index, QPainter &painter, const jobs::EffectiveResolution &) const override
    {
        if (index + 1 == m_failOn)
            throw platform::Error(u"page %1 failed"_s.arg(index + 1));
        painter.drawText(QPoint(100, 100), QString::number(index + 1));
    }

private:
    int m_count;
    int m_failOn;
};

// A fake back end with one printer, installed as the process's printer.
struct Bench
{
    explicit Bench(int dpi = 300, int scale = 100)
    {
        auto backend = std::make_unique<FakePrinterBackend>();
        backend->addPrinter(printerAt(u"Slip"_s, dpi, dpi, scale));
        fake = backend.get();
        scope = std::make_unique<OvPrinterScope>(std::move(backend));
    }
    FakePrinterBackend *fake = nullptr;
    std::unique_ptr<OvPrinterScope> scope;
};

bool waitFor(const QPointer<jobs::PrintJob> &job)
{
    return QTest::qWaitFor([&] { return !job || job->isFinished(); }, 10000);
}

} // namespace

class PrintServiceTest : public QObject
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
        const auto r = jobs::effectiveResolution(TOvExtent{dpiX, dpiY}, scale);
        QCOMPARE(r.x, x);
        QCOMPARE(r.y, y);
    }

    void zeroScaleIsAnError()
    {
        QVERIFY_THROWS_EXCEPTION(platform::Error, jobs::effectiveResolution(TOvExtent{300, 300}, 0));
    }

    // One slip ends within the call: F11 knows at once whether it was sent.
    void oneSlipEndsAtOnce()
    {
        Bench bench;
        jobs::PrintService service(OvPrinter());
        QSignalSpy completed(&service, &jobs::PrintService::slipJobCompleted);
        const QPointer<jobs::PrintJob> job = service.printSlips(slipJob(1));
        QVERIFY(job);
        QCOMPARE(job->outcome(), jobs::PrintJob::Outcome::Sent);
        QCOMPARE(job->pagesSent(), 1);
        QCOMPARE(completed.size(), 1);
        const auto report = completed.first().first().value<jobs::JobReport>();
        QCOMPARE(report.pagesSent, 1);
        QVERIFY(report.unsentOrderIds().isEmpty());
        QVERIFY(!service.isBusy());
        QCOMPARE(bench.fake->jobLog(), (QStringList{kBeginDoc, u"EndDoc"_s}));
        QCOMPARE(bench.fake->printedTitles(), QStringList{u"mekira_RErorezev  "_s});

        PaintRecorder page;
        page.play(bench.fake->printedPages().first());
        for (const QString &text : {u"見本太郎1"_s, u"東京都架空区見本町"_s, u"03-1234-5678"_s,
                                    u"鈴木花子"_s, u"書籍"_s, u"25"_s, u"○"_s, u"1"_s})
            QVERIFY2(!page.findCell(text).text.isEmpty(), qPrintable(text));
    }

    // The place of a text on the printed page follows the effective resolution and
    // the margins: the cell's top-left corner is the layout's point.
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
        Bench bench(dpi, scale);
        jobs::PrintService service(OvPrinter());
        service.printSlips(slipJob(1, binding(top, left)));
        QCOMPARE(bench.fake->printedPages().size(), 1);
        PaintRecorder page;
        page.play(bench.fake->printedPages().first());
        const auto name = page.findCell(u"見本太郎1"_s);
        QCOMPARE(name.text, u"見本太郎1"_s);
        // The cell is rebuilt from the font's ascent on the recording: within half a dot.
        QCOMPARE(name.rect.left(), double(x));
        QVERIFY2(qAbs(name.rect.top() - y) < 0.5, qPrintable(QString::number(name.rect.top())));
        QVERIFY(name.baseline.y() > y);
    }

    // What fails before a job opens opens none; the same slip then prints once mended.
    void refusedBeforeTheJobOpens_data()
    {
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("error");
        QTest::newRow("left 12a") << 100 << u"0"_s << u"12a"_s << QString();
        QTest::newRow("top 1.5") << 100 << u"1.5"_s << u"0"_s << QString();
        QTest::newRow("scale 0") << 0 << u"0"_s << u"0"_s << u"プリンタの拡大率が 0 のため印刷できません"_s;
    }
    void refusedBeforeTheJobOpens()
    {
        QFETCH(int, scale);
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(QString, error);
        Bench bench(300, scale);
        jobs::PrintService service(OvPrinter());
        const QPointer<jobs::PrintJob> job = service.printSlips(slipJob(1, binding(top, left)));
        QCOMPARE(job->outcome(), jobs::PrintJob::Outcome::Failed);
        QVERIFY(!job->errorText().isEmpty());
        if (!error.isEmpty())
            QCOMPARE(job->errorText(), error);
        QVERIFY(bench.fake->jobLog().isEmpty());
        QVERIFY(!OvPrinter().Printing());
        QVERIFY(!service.isBusy());
    }

    void noPrinter_data()
    {
        QTest::addColumn<bool>("hiddenOnly");
        QTest::newRow("none installed") << false;
        QTest::newRow("hidden ones only") << true;
    }
    void noPrinter()
    {
        QFETCH(bool, hiddenOnly);
        auto fake = std::make_unique<FakePrinterBackend>();
        if (hiddenOnly) {
            auto hidden = printerAt(u"Hidden"_s, 300, 300, 100);
            hidden.attributes = OvPrinterAttributeHidden;
            fake->addPrinter(hidden);
        }
        FakePrinterBackend *f = fake.get();
        OvPrinterScope scope(std::move(fake));
        jobs::PrintService service(OvPrinter());
        const QPointer<jobs::PrintJob> job = service.printSlips(slipJob(1));
        QCOMPARE(job->outcome(), jobs::PrintJob::Outcome::Failed);
        QCOMPARE(job->errorText(), u"TOvPrinter.CheckNoPrinter: No Printer"_s);
        QVERIFY(f->jobLog().isEmpty());
    }

    // A batch draws one page per turn of the event loop; cancelled after k pages, those
    // k are sent and the report names the orders of the rest.
    void cancelAfterPages_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("cancelAfter"); // 0: never
        QTest::newRow("all of four") << 4 << 0;
        QTest::newRow("after the first of four") << 4 << 1;
        QTest::newRow("after three of five") << 5 << 3;
        QTest::newRow("after the last of three") << 3 << 3;
    }
    void cancelAfterPages()
    {
        QFETCH(int, pages);
        QFETCH(int, cancelAfter);
        Bench bench;
        jobs::PrintService service(OvPrinter());
        QSignalSpy completed(&service, &jobs::PrintService::slipJobCompleted);
        QList<int> progress;
        connect(&service, &jobs::PrintService::jobStarted, this, [&](jobs::PrintJob *job) {
            connect(job, &jobs::PrintJob::progress, job, [&progress, job, cancelAfter](int drawn) {
                progress << drawn;
                if (drawn == cancelAfter)
                    job->cancel();
            });
        });
        const QPointer<jobs::PrintJob> job = service.printSlips(slipJob(pages));
        // Only the first page is drawn before the call returns.
        QCOMPARE(progress, QList<int>{1});
        if (pages > 1 && cancelAfter != 1)
            QVERIFY(service.isBusy());
        QVERIFY(waitFor(job));
        QTRY_COMPARE(completed.size(), 1);

        const int sent = cancelAfter ? cancelAfter : pages;
        const auto report = completed.first().first().value<jobs::JobReport>();
        QCOMPARE(report.outcome, sent < pages ? jobs::PrintJob::Outcome::Cancelled : jobs::PrintJob::Outcome::Sent);
        QCOMPARE(report.pagesSent, sent);
        QCOMPARE(report.sentSlips().size(), sent);
        QList<qint64> unsent;
        for (int i = sent; i < pages; ++i)
            unsent << 100 + i;
        QCOMPARE(report.unsentOrderIds(), unsent);
        QCOMPARE(bench.fake->printedPages().size(), sent);
        QCOMPARE(bench.fake->jobLog().first(), kBeginDoc);
        QCOMPARE(bench.fake->jobLog().last(), u"EndDoc"_s);
        QVERIFY(!service.isBusy());
    }

    // A page that fails to draw aborts the whole job: nothing is sent.
    void failureOnAPage_data()
    {
        QTest::addColumn<int>("failOn");
        QTest::newRow("first page") << 1;
        QTest::newRow("third of four") << 3;
    }
    void failureOnAPage()
    {
        QFETCH(int, failOn);
        Bench bench;
        jobs::PrintJob job(OvPrinter(), u"pages"_s, std::make_unique<NumberedPages>(4, failOn));
        QSignalSpy finished(&job, &jobs::PrintJob::finished);
        job.start();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(job.outcome(), jobs::PrintJob::Outcome::Failed);
        QCOMPARE(job.errorText(), u"page %1 failed"_s.arg(failOn));
        QCOMPARE(job.pagesSent(), 0);
        QCOMPARE(bench.fake->jobLog().last(), u"Abort"_s);
        QVERIFY(bench.fake->printedPages().isEmpty());
        QVERIFY(!OvPrinter().Printing());
    }

    // F11 while a batch is being sent: refused, and the batch goes on to the end.
    void secondJobRefusedWhileOneRuns()
    {
        Bench bench;
        jobs::PrintService service(OvPrinter());
        const QPointer<jobs::PrintJob> batch = service.printSlips(slipJob(3));
        QVERIFY(service.isBusy());
        QVERIFY_THROWS_EXCEPTION(platform::Error, service.printSlips(slipJob(1)));
        QVERIFY_THROWS_EXCEPTION(platform::Error, service.printCalibrationSheet(binding()));
        QVERIFY(waitFor(batch));
        QCOMPARE(bench.fake->printedPages().size(), 3);
        QCOMPARE(bench.fake->printedTitles().size(), 1);
        // Afterwards the next job goes.
        service.printSlips(slipJob(1));
        QCOMPARE(bench.fake->printedPages().size(), 4);
    }

    // Another user of the printer (a job opened elsewhere) also makes the service busy.
    void printerInUseElsewhere()
    {
        Bench bench;
        jobs::PrintService service(OvPrinter());
        OvPrinter().BeginDoc(u"other"_s);
        QVERIFY(service.isBusy());
        QVERIFY_THROWS_EXCEPTION(platform::Error, service.printSlips(slipJob(1)));
        OvPrinter().EndDoc();
        QCOMPARE(bench.fake->jobLog(), (QStringList{u"BeginDoc:other"_s, u"EndDoc"_s}));
    }

    void calibrationSheetIsOnePageAndNotRecorded()
    {
        Bench bench;
        jobs::PrintService service(OvPrinter());
        QSignalSpy completed(&service, &jobs::PrintService::slipJobCompleted);
        const QPointer<jobs::PrintJob> sheet = service.printCalibrationSheet(binding());
        QCOMPARE(sheet->outcome(), jobs::PrintJob::Outcome::Sent);
        QCOMPARE(bench.fake->printedTitles(), QStringList{u"mekira 調整用紙"_s});
        QCOMPARE(bench.fake->printedPages().size(), 1);
        QVERIFY(completed.isEmpty());
    }
};

QTEST_MAIN(PrintServiceTest)
#include "tst_printservice.moc"
