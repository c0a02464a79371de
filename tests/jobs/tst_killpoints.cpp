// A program killed (SIGKILL) at each point of a batch's end, on SQLite and on the private
// PostgreSQL server: after writing the job into its journal and before sending it,
// after sending it and before recording it, and after the record committed but before
// the journal was told. The test runs itself as that program, then starts again as the
// next run would: every order is printed and recorded exactly once, and nothing is left
// 「印刷中」 or in the journal.

#include "historytestbook.h"

#include "jobs/bookcompletion.h"
#include "jobs/printservice.h"

#include "database/database.h"
#include "history/historyrecorder.h"
#include "history/unrecordedjournal.h"
#include "orders/orderstatemachine.h"
#include "printer/ovprinters.h"

#include "fakeprinterbackend.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int kOrders = 3;
constexpr int kPrinting = int(orders::OrderState::Printing);
constexpr int kPrinted = int(orders::OrderState::Printed);
const QString kChildSwitch = u"--killed-at"_s;

[[noreturn]] void killNow()
{
    std::raise(SIGKILL);
    std::abort();  // not reached
}

// The completion step of the program, with the program killed at `point`.
class KilledCompletion : public jobs::JobCompletion
{
public:
    KilledCompletion(jobs::JobCompletion &real, QString point, database::DatabaseConfig config)
        : m_real(real), m_point(std::move(point)), m_config(std::move(config))
    {
    }

    QString writeAhead(const jobs::SlipJob &job, int pages) override
    {
        const QString name = m_real.writeAhead(job, pages);
        if (m_point == u"written")
            killNow();
        return name;
    }

    void complete(const jobs::JobReport &report, std::function<void()> done) override
    {
        if (m_point == u"sent")
            killNow();
        if (m_point != u"committed") {
            m_real.complete(report, std::move(done));
            return;
        }
        // The record runs on the book's thread and tells the journal on this one. The
        // book is held locked until the recorder waits for the record's answer, and this
        // thread is held from then on: the program dies between the two.
        database::Database observer(m_config);
        const bool sqlite = m_config.engine == database::Engine::SQLite;
        observer.call<void>([sqlite](database::Connection &c) {
            c.exec(sqlite ? u"BEGIN IMMEDIATE"_s : u"BEGIN"_s);
            if (!sqlite)
                c.exec(u"LOCK TABLE recorded_jobs IN EXCLUSIVE MODE"_s);
        });
        m_real.complete(report, std::move(done));
        observer.call<void>([](database::Connection &c) { c.exec(u"ROLLBACK"_s); });
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (historytest::scalar(observer, u"SELECT COUNT(*) FROM recorded_jobs"_s) > 0)
                killNow();
            QThread::msleep(5);
        }
        std::exit(3);
    }

private:
    jobs::JobCompletion &m_real;
    const QString m_point;
    const database::DatabaseConfig m_config;
};

// The program as it prints a batch of every order in the book: claimed, written ahead,
// sent to the fake printer, recorded; killed at `point`.
int runKilledProgram(const QString &point, const QString &bookValue, const QString &folder, const QString &journal)
{
    const database::DatabaseConfig config = database::DatabaseConfig::fromValue(bookValue, folder);
    database::Database book(config);
    history::HistoryRecorder recorder(book, history::UnrecordedJournal(journal));
    jobs::BookCompletion real([&]() -> history::HistoryRecorder & { return recorder; },
                              [&]() -> database::Database & { return book; });
    KilledCompletion completion(real, point, config);
    auto backend = std::make_unique<FakePrinterBackend>();
    backend->addPrinter(FakePrinterBackend::standardPrinter(u"Slip"_s));
    OvPrinterScope scope(std::move(backend));
    jobs::PrintService service(OvPrinter());
    service.setCompletion(&completion);

    jobs::SlipJob job;
    job.orderIds = book.call<QList<qint64>>([](database::Connection &c) {
        QList<qint64> ids;
        QSqlQuery q = c.exec(u"SELECT id FROM orders ORDER BY id"_s);
        while (q.next())
            ids << q.value(0).toLongLong();
        return ids;
    });
    for (const qint64 id : std::as_const(job.orderIds)) {
        slip::SlipRecord record;
        record.destination.name = u"注文 %1"_s.arg(id);
        job.slips << record;
    }
    job.printerName = u"Slip"_s;
    job.claimToken = orders::newClaimToken();
    book.call<QList<qint64>>([&](database::Connection &c) {
        return orders::applyTransition(c, job.orderIds, orders::OrderAction::Claim,
                                       orders::TransitionContext::job(job.claimToken));
    });
    QTimer::singleShot(0, &service, [&] { service.printSlips(job); });
    // The kill point was never reached.
    QTimer::singleShot(30000, &service, [] { std::exit(3); });
    return QCoreApplication::exec();
}

} // namespace

class KillPointsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_books = 0;

private Q_SLOTS:
    void killedAndStartedAgain_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("point");
        QTest::addColumn<bool>("committed");  // what the killed program left: the record made
        for (const char *engine : {"sqlite", "postgresql"}) {
            QTest::addRow("%s: written ahead, not sent", engine) << QString::fromLatin1(engine) << u"written"_s << false;
            QTest::addRow("%s: sent, not recorded", engine) << QString::fromLatin1(engine) << u"sent"_s << false;
            QTest::addRow("%s: recorded, journal not told", engine) << QString::fromLatin1(engine) << u"committed"_s << true;
        }
    }
    void killedAndStartedAgain()
    {
        QFETCH(QString, engine);
        QFETCH(QString, point);
        QFETCH(bool, committed);
        HISTORY_REQUIRE_ENGINE(engine);
        const QString name = u"killed%1"_s.arg(++m_books);
        const QString bookValue = engine == u"sqlite" ? m_dir.filePath(name + u".db"_s)
                                                      : historytest::sharedPostgres().createDatabase(name);
        const QString journal = m_dir.filePath(name + u"-unrecorded.json"_s);
        database::Database book(database::DatabaseConfig::fromValue(bookValue, m_dir.path()));
        historytest::addOrders(book, kOrders);

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QCoreApplication::applicationFilePath(), {kChildSwitch, point, bookValue, m_dir.path(), journal});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        // What the kill left: the job in the journal, its orders claimed or (after the
        // commit) printed and recorded.
        QVERIFY(QFile::exists(journal));
        QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM orders WHERE state = %1"_s.arg(committed ? kPrinted : kPrinting)),
                 kOrders);
        QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM history"_s), committed ? kOrders : 0);

        // The next start reads the journal back and records what is not yet recorded.
        for (int start = 0; start < 2; ++start) {
            history::HistoryRecorder next(book, history::UnrecordedJournal(journal));
            QCOMPARE(next.journalPath(), journal);
            QTRY_VERIFY_WITH_TIMEOUT(next.isRecovered(), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(next.pendingCount(), 0, 10000);
            QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM history"_s), kOrders);
            QCOMPARE(historytest::scalar(book, u"SELECT COUNT(DISTINCT order_id) FROM history"_s), kOrders);
            QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM recorded_jobs"_s), 1);
            QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM orders WHERE state = %1"_s.arg(kPrinted)), kOrders);
            QCOMPARE(historytest::scalar(book, u"SELECT COUNT(*) FROM orders WHERE claim_token IS NOT NULL"_s), 0);
            QVERIFY(!QFile::exists(journal));
        }
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 6 && arguments.at(1) == kChildSwitch)
        return runKilledProgram(arguments.at(2), arguments.at(3), arguments.at(4), arguments.at(5));
    KillPointsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killpoints.moc"
