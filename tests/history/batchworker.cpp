// A station printing the whole order book in small batches, for the power-cut and
// two-station tests: it claims five new orders, "prints" them for a moment, records
// them, says so on standard output, and goes on until no order is left.
// Arguments: the order book's address, and the station's name (default "worker").
#include "history/historyentry.h"
#include "history/historystore.h"
#include "orders/orderstatemachine.h"

#include "database/connection.h"
#include "database/database.h"
#include "database/databaseconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    database::Database db(database::DatabaseConfig::fromValue(QString::fromLocal8Bit(argv[1]), QDir::currentPath()));
    const QString station = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("worker");
    for (int batch = 1;; ++batch) {
        const QList<qint64> ids = db.call<QList<qint64>>([](database::Connection &c) {
            QSqlQuery q = c.exec(QStringLiteral("SELECT id FROM orders WHERE state = 0 ORDER BY id LIMIT 5"));
            QList<qint64> found;
            while (q.next())
                found << q.value(0).toLongLong();
            return found;
        });
        if (ids.isEmpty())
            return 0;
        const QString token = orders::newClaimToken();
        const QList<qint64> claimed = db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, ids, orders::OrderAction::Claim,
                                           orders::TransitionContext::job(token, station));
        });
        QThread::msleep(30); // the print job
        QList<history::PrintedSlip> slips;
        for (const qint64 id : claimed) {
            history::PrintedSlip slip;
            slip.slip.destination.name = QStringLiteral("注文 %1").arg(id);
            slip.printer = QStringLiteral("Slip");
            slip.orderId = id;
            slips << slip;
        }
        db.call<void>([&](database::Connection &c) {
            history::HistoryStore::recordJob(c, slips, QDateTime::currentDateTime(), station);
        });
        std::printf("printed %d (%lld orders)\n", batch, static_cast<long long>(slips.size()));
        std::fflush(stdout);
    }
}
