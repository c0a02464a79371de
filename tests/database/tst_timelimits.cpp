// The order book never waits on the PostgreSQL server without a limit of its own: a
// server that stops answering (every process paused) ends a call, a connect and the
// close within seconds; a server that restarted is used again at the next call.

#include "privatepostgres.h"

#include "database/database.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using database::Connection;
using database::Database;
using database::DatabaseConfig;
using database::DatabaseError;
using Kind = database::DatabaseError::Kind;

namespace {

int selectOne(Connection &c)
{
    QSqlQuery q = c.exec(QStringLiteral("SELECT 1"));
    return q.next() ? q.value(0).toInt() : 0;
}

// The kind of failure of a call, with its message; Other and an empty message when it
// did not fail.
std::pair<Kind, QString> failureOf(Database &db)
{
    try {
        db.call<int>(selectOne, std::chrono::milliseconds(60000));
    } catch (const DatabaseError &error) {
        return {error.kind(), error.message()};
    }
    return {Kind::Other, QString()};
}

// Resumes a paused server whatever ends the test.
struct Resume
{
    testsupport::PrivatePostgres &pg;
    ~Resume() { pg.resume(); }
};

} // namespace

class TimeLimitsTest : public QObject
{
    Q_OBJECT

    testsupport::PrivatePostgres m_pg;
    QTemporaryDir m_dir;
    int m_count = 0;

    DatabaseConfig config()
    {
        DatabaseConfig config = DatabaseConfig::fromValue(m_pg.createDatabase(QStringLiteral("limits%1").arg(++m_count)),
                                                          m_dir.path());
        config.answerWaitMs = 1500;
        return config;
    }

private Q_SLOTS:
    void initTestCase() { MEKIRA_START_POSTGRES(m_pg); }

    // A call, and a first connect, to a server that stopped answering fail within the
    // limits; once it answers again, the next call works.
    void pausedServer_data()
    {
        QTest::addColumn<bool>("connectedBefore");
        QTest::addColumn<int>("limitMs");
        QTest::newRow("call on an open connection") << true << 1500 + 2000;
        QTest::newRow("first connect") << false << Connection::kConnectSeconds * 1000 + 3000;
    }
    void pausedServer()
    {
        QFETCH(bool, connectedBefore);
        QFETCH(int, limitMs);
        Database db(config());
        if (connectedBefore)
            QCOMPARE(db.call<int>(selectOne), 1);
        m_pg.pause();
        Resume resume{m_pg};
        QElapsedTimer timer;
        timer.start();
        const auto [kind, message] = failureOf(db);
        QVERIFY2(timer.elapsed() < limitMs, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(kind == Kind::TimedOut || kind == Kind::Unavailable);
        QVERIFY(!message.isEmpty());
        QVERIFY2(!message.contains(QLatin1String("server")) && !message.contains(QLatin1String("()")),
                 qPrintable(message));
        m_pg.resume();
        QCOMPARE(db.call<int>(selectOne), 1);
    }

    // The program closes while a call waits on a paused server: the close is bounded.
    void closeWhileServerPaused()
    {
        auto db = std::make_unique<Database>(config());
        QCOMPARE(db->call<int>(selectOne), 1);
        m_pg.pause();
        Resume resume{m_pg};
        QFuture<int> waiting = db->run<int>(selectOne);
        QElapsedTimer timer;
        timer.start();
        db.reset();
        QVERIFY2(timer.elapsed() < 2 * Database::kCloseWaitMs + 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!Database::anyAbandoned());
        QVERIFY(waiting.isFinished());
    }

    // The limit is per statement: a call of many quick statements (a long import) that
    // takes longer in all than the limit is not cut.
    void longCallOfQuickStatements()
    {
        Database db(config());
        const int done = db.call<int>([](Connection &c) {
            int count = 0;
            for (int i = 0; i < 25; ++i) {
                c.exec(QStringLiteral("SELECT pg_sleep(0.1)"));
                ++count;
            }
            return count;
        });
        QCOMPARE(done, 25);
    }

    // After the server restarted, the first call works on a new connection.
    void firstCallAfterRestart()
    {
        Database db(config());
        QCOMPARE(db.call<int>(selectOne), 1);
        m_pg.stop();
        QVERIFY2(m_pg.start(), qPrintable(m_pg.lastError()));
        QCOMPARE(db.call<int>(selectOne), 1);
    }
};

QTEST_GUILESS_MAIN(TimeLimitsTest)
#include "tst_timelimits.moc"
