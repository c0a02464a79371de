// Stations as processes of their own. Two print the same orders at once: each order is
// printed once. One loses its power during a batch (its process is killed while it
// claims, prints and records orders): the order book stays consistent, every order is
// new, claimed by the dead station, or printed with exactly one history row, and every
// batch the station reported as printed is there.
#include "historytestbook.h"

#include "history/historystore.h"
#include "orders/orderstatemachine.h"

#include <QProcess>

using orders::OrderAction;

class TestPowerCut : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString workerPath() const
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/history_batch_worker");
    }

    QString addressOf(const QString &engine, const database::DatabaseConfig &config, const QString &name) const
    {
        return engine == QLatin1String("sqlite") ? config.sqlitePath : historytest::sharedPostgres().url(name);
    }

private Q_SLOTS:
    // Two stations, each its own process, print the same 200 orders at once: every
    // order is printed by exactly one of them.
    void twoProcessesPrintEachOrderOnce_data() { HISTORY_ENGINE_ROWS(); }
    void twoProcessesPrintEachOrderOnce()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        const database::DatabaseConfig config = historytest::configFor(engine, m_dir, QStringLiteral("two"));
        auto db = std::make_unique<database::Database>(config);
        QCOMPARE(historytest::addOrders(*db, 200).size(), 200);
        QProcess stations[2];
        for (int i = 0; i < 2; ++i) {
            stations[i].setProcessChannelMode(QProcess::ForwardedErrorChannel);
            stations[i].start(workerPath(), {addressOf(engine, config, QStringLiteral("two")),
                                             QStringLiteral("station-%1").arg(i + 1)});
        }
        for (QProcess &station : stations) {
            QVERIFY2(station.waitForFinished(120000), qPrintable(station.errorString()));
            QCOMPARE(station.exitStatus(), QProcess::NormalExit);
            QCOMPARE(station.exitCode(), 0);
        }
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM orders WHERE state = 1"), 200);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history"), 200);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(DISTINCT order_id) FROM history"), 200);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history h JOIN orders o ON o.id = h.order_id"
                                          " WHERE o.printed_station = h.station"),
                 200);
    }

    void killedDuringBatch_data() { HISTORY_ENGINE_ROWS(); }
    void killedDuringBatch()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        const database::DatabaseConfig config = historytest::configFor(engine, m_dir, QStringLiteral("cut"));
        const QString address = addressOf(engine, config, QStringLiteral("cut"));
        auto db = std::make_unique<database::Database>(config);
        const QList<qint64> ids = historytest::addOrders(*db, 200);
        db.reset(); // the worker is the only station while it runs

        QProcess worker;
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(workerPath(), {address});
        QVERIFY2(worker.waitForStarted(5000), qPrintable(worker.errorString()));
        QByteArray output;
        QDeadlineTimer deadline(60000);
        while (output.count("printed") < 6 && !deadline.hasExpired() && worker.state() == QProcess::Running) {
            worker.waitForReadyRead(200);
            output += worker.readAllStandardOutput();
        }
        worker.kill(); // the power cut
        worker.waitForFinished(5000);
        output += worker.readAllStandardOutput();
        const int reported = int(output.count("printed"));
        QVERIFY2(reported >= 6, output.constData());
        QVERIFY2(reported < 40, "the worker was killed before it finished");

        db = std::make_unique<database::Database>(config);
        if (engine == QLatin1String("sqlite")) {
            const QString check = db->call<QString>([](database::Connection &c) {
                QSqlQuery q = c.exec(QStringLiteral("PRAGMA integrity_check"));
                return q.next() ? q.value(0).toString() : QString();
            });
            QCOMPARE(check, QStringLiteral("ok"));
        }
        const qint64 printed = historytest::scalar(*db, "SELECT COUNT(*) FROM orders WHERE state = 1");
        QVERIFY(printed >= reported * 5);
        // Printed orders have one history row each; no other order has one.
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history"), printed);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history h JOIN orders o ON o.id = h.order_id"
                                          " WHERE o.state = 1"),
                 printed);
        const qint64 claimed = historytest::scalar(*db, "SELECT COUNT(*) FROM orders WHERE state = 3");
        QVERIFY(claimed <= 5);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM orders WHERE state = 0") + claimed + printed, 200);

        // The person at the station decides the interrupted slips did not come out:
        // they become new again and the rest of the batch is printed once.
        const QList<qint64> left = db->call<QList<qint64>>([](database::Connection &c) {
            QSqlQuery q = c.exec(QStringLiteral("SELECT id FROM orders WHERE state = 3"));
            QList<qint64> found;
            while (q.next())
                found << q.value(0).toLongLong();
            return found;
        });
        const QList<qint64> givenBack = db->call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, left, OrderAction::BackToNew, orders::TransitionContext::confirmedNotPrinted());
        });
        QCOMPARE(givenBack, left);
        const auto rest = db->call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, ids, OrderAction::Claim,
                                           orders::TransitionContext::job(orders::newClaimToken(), QStringLiteral("B")));
        });
        QCOMPARE(rest.size(), 200 - printed);
        QList<history::PrintedSlip> slips;
        for (const qint64 id : rest) {
            history::PrintedSlip slip;
            slip.orderId = id;
            slips << slip;
        }
        db->call<void>([&](database::Connection &c) {
            history::HistoryStore::recordJob(c, slips, QDateTime::currentDateTime(), QStringLiteral("B"));
        });
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(DISTINCT order_id) FROM history"), 200);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history"), 200);
    }
};

QTEST_GUILESS_MAIN(TestPowerCut)
#include "tst_powercut.moc"
