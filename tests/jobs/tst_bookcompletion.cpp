// The end of every job in the order book and the history, without a window: the fake
// printer back end, the print-job service and its completion step on SQLite and on the
// private PostgreSQL server. Sent slips are recorded and their orders printed, the
// orders of unsent pages given back, a failed job gives every order back.

#include "historytestbook.h"

#include "jobs/bookcompletion.h"
#include "jobs/printservice.h"

#include "database/database.h"
#include "history/historyrecorder.h"
#include "history/unrecordedjournal.h"
#include "orders/orderstatemachine.h"
#include "printer/ovprinters.h"

#include "fakeprinterbackend.h"

#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A station: the fake printer, the order book, its recorder and the print service.
struct Station
{
    Station(const QString &engine, const QTemporaryDir &dir, const QString &name)
        : book(historytest::configFor(engine, dir, name)),
          recorder(book, history::UnrecordedJournal(dir.filePath(name + u"-journal.json"_s))),
          completion([this]() -> history::HistoryRecorder & { return recorder; },
                     [this]() -> database::Database & { return book; })
    {
        auto backend = std::make_unique<FakePrinterBackend>();
        backend->addPrinter(FakePrinterBackend::standardPrinter(u"Slip"_s));
        fake = backend.get();
        scope = std::make_unique<OvPrinterScope>(std::move(backend));
        service = std::make_unique<jobs::PrintService>(OvPrinter());
        service->setCompletion(&completion);
    }

    // A job of `orders`' slips, claimed first when `claim` is set.
    jobs::SlipJob job(const QList<qint64> &orders, bool claim)
    {
        jobs::SlipJob job;
        for (const qint64 id : orders) {
            slip::SlipRecord record;
            record.destination.name = u"注文 %1"_s.arg(id);
            job.slips << record;
        }
        job.orderIds = orders;
        job.printerName = u"Slip"_s;
        job.feed = u"手差し"_s;
        if (claim) {
            job.claimToken = orders::newClaimToken();
            const QString token = job.claimToken;
            book.call<QList<qint64>>([&](database::Connection &c) {
                return orders::applyTransition(c, orders, orders::OrderAction::Claim,
                                               orders::TransitionContext::job(token, u"A"_s));
            });
        }
        return job;
    }

    // Prints and waits until the completion step has written the job's end.
    jobs::JobReport print(jobs::SlipJob job, int cancelAfter = 0)
    {
        QSignalSpy completed(service.get(), &jobs::PrintService::slipJobCompleted);
        const QMetaObject::Connection cancel =
            QObject::connect(service.get(), &jobs::PrintService::jobStarted, service.get(), [cancelAfter](jobs::PrintJob *started) {
                QObject::connect(started, &jobs::PrintJob::progress, started, [started, cancelAfter](int drawn) {
                    if (drawn == cancelAfter)
                        started->cancel();
                });
            });
        service->printSlips(std::move(job));
        QObject::disconnect(cancel);
        // A one-page job may have ended within printSlips(); a longer one ends later.
        if (completed.isEmpty() && !completed.wait(30000))
            return {};
        return completed.first().first().value<jobs::JobReport>();
    }

    QList<int> states(const QList<qint64> &ids)
    {
        QList<int> result;
        for (const qint64 id : ids)
            result << int(historytest::scalar(book, u"SELECT state FROM orders WHERE id = %1"_s.arg(id)));
        return result;
    }

    database::Database book;
    history::HistoryRecorder recorder;
    jobs::BookCompletion completion;
    FakePrinterBackend *fake = nullptr;
    std::unique_ptr<OvPrinterScope> scope;
    std::unique_ptr<jobs::PrintService> service;
};

constexpr int kNew = 0;
constexpr int kPrinted = 1;

} // namespace

class BookCompletionTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_books = 0;

private Q_SLOTS:
    // The batch path: claimed orders, cancelled after k of n pages.
    void batch_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("orders");
        QTest::addColumn<int>("cancelAfter"); // 0: never
        for (const QString engine : {u"sqlite"_s, u"postgresql"_s}) {
            QTest::addRow("%s, all of three", qPrintable(engine)) << engine << 3 << 0;
            QTest::addRow("%s, one of four", qPrintable(engine)) << engine << 4 << 1;
            QTest::addRow("%s, three of five", qPrintable(engine)) << engine << 5 << 3;
        }
    }
    void batch()
    {
        QFETCH(QString, engine);
        QFETCH(int, orders);
        QFETCH(int, cancelAfter);
        HISTORY_REQUIRE_ENGINE(engine);
        Station station(engine, m_dir, u"batch%1"_s.arg(++m_books));
        const QList<qint64> ids = historytest::addOrders(station.book, orders);
        const jobs::JobReport report = station.print(station.job(ids, true), cancelAfter);

        const int sent = cancelAfter ? cancelAfter : orders;
        QCOMPARE(report.pagesSent, sent);
        QCOMPARE(station.fake->printedPages().size(), sent);
        QList<int> expected;
        for (int i = 0; i < orders; ++i)
            expected << (i < sent ? kPrinted : kNew);
        QCOMPARE(station.states(ids), expected);
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM history"_s), sent);
        // Given back whole: no claim left on the unsent orders.
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM orders WHERE claim_token IS NOT NULL"_s), 0);
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM orders WHERE printed_printer = 'Slip'"_s), sent);
    }

    // A job refused before it opens (a margin that is no number) gives every order back.
    void failedJobGivesEveryOrderBack()
    {
        Station station(u"sqlite"_s, m_dir, u"failed%1"_s.arg(++m_books));
        const QList<qint64> ids = historytest::addOrders(station.book, 3);
        jobs::SlipJob job = station.job(ids, true);
        job.binding.leftMargin = u"12a"_s;
        const jobs::JobReport report = station.print(job);
        QCOMPARE(report.outcome, jobs::PrintJob::Outcome::Failed);
        QVERIFY(station.fake->printedPages().isEmpty());
        QCOMPARE(station.states(ids), (QList<int>{kNew, kNew, kNew}));
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM history"_s), 0);
    }

    // The slips are in the journal, on the disk, when the printer gets them: a program
    // killed right after sending records them at its next start. Once recorded, the
    // journal is gone.
    void journalWrittenBeforeSend_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("slips");
        QTest::newRow("sqlite, F11") << u"sqlite"_s << 1;
        QTest::newRow("sqlite, batch") << u"sqlite"_s << 5;
        QTest::newRow("postgresql, batch") << u"postgresql"_s << 5;
    }
    void journalWrittenBeforeSend()
    {
        QFETCH(QString, engine);
        QFETCH(int, slips);
        HISTORY_REQUIRE_ENGINE(engine);
        Station station(engine, m_dir, u"ahead%1"_s.arg(++m_books));
        QTRY_VERIFY(station.recorder.isRecovered());
        const QList<qint64> ids = historytest::addOrders(station.book, slips);
        QList<history::SentJob> atSend;
        station.fake->setOnEndDoc([&] { atSend = history::UnrecordedJournal(station.recorder.journalPath()).load(); });
        QCOMPARE(station.print(station.job(ids, slips > 1)).pagesSent, slips);
        QCOMPARE(atSend.size(), 1);
        QCOMPARE(atSend.first().slips.size(), slips);
        QCOMPARE(atSend.first().slips.last().orderId, std::optional<qint64>(ids.last()));
        QTRY_VERIFY(!QFile::exists(station.recorder.journalPath()));
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM history"_s), slips);
    }

    // A journal that cannot be written stops the job before anything is sent: no slip
    // comes out that nothing would remember.
    void unwritableJournalSendsNothing()
    {
        Station station(u"sqlite"_s, m_dir, u"unwritable%1"_s.arg(++m_books));
        QTRY_VERIFY(station.recorder.isRecovered());
        const QList<qint64> ids = historytest::addOrders(station.book, 3);
        // A folder in the journal's place: appending to it fails.
        QVERIFY(QDir().mkpath(station.recorder.journalPath()));
        const jobs::JobReport report = station.print(station.job(ids, true));
        QVERIFY(QDir().rmdir(station.recorder.journalPath()));
        QCOMPARE(report.outcome, jobs::PrintJob::Outcome::Failed);
        QVERIFY(report.errorText.contains(u"印刷していません"_s));
        QVERIFY(station.fake->printedPages().isEmpty());
        QCOMPARE(station.states(ids), (QList<int>{kNew, kNew, kNew}));
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM history"_s), 0);
    }

    // F11 on an order opened from the list (no claim) and a reprint from the history (no
    // order): one slip each, recorded once; only the order's slip marks it printed.
    void singleSlips()
    {
        Station station(u"sqlite"_s, m_dir, u"single%1"_s.arg(++m_books));
        const QList<qint64> ids = historytest::addOrders(station.book, 2);
        QCOMPARE(station.print(station.job({ids[0]}, false)).pagesSent, 1);
        jobs::SlipJob reprint = station.job({}, false);
        reprint.slips << slip::SlipRecord();
        QCOMPARE(station.print(reprint).pagesSent, 1);
        QCOMPARE(station.states(ids), (QList<int>{kPrinted, kNew}));
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM history"_s), 2);
        QCOMPARE(historytest::scalar(station.book, u"SELECT COUNT(*) FROM history WHERE order_id IS NULL"_s), 1);
    }
};

QTEST_MAIN(BookCompletionTest)
#include "tst_bookcompletion.moc"
