#pragma once

// An order book for the history tests on either engine: a fresh SQLite file in a
// temporary folder, or a fresh database on the private PostgreSQL server.

#include "privatepostgres.h"

#include "database/connection.h"
#include "database/database.h"
#include "database/databaseconfig.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace historytest {

// The server is shared by all tests of a process and started on first use.
inline testsupport::PrivatePostgres &sharedPostgres()
{
    static testsupport::PrivatePostgres server;
    return server;
}

inline database::DatabaseConfig configFor(const QString &engine, const QTemporaryDir &dir, const QString &name)
{
    if (engine == QLatin1String("sqlite"))
        return database::DatabaseConfig::sqlite(dir.filePath(name + QStringLiteral(".db")));
    return database::DatabaseConfig::fromValue(sharedPostgres().createDatabase(name), dir.path());
}

// Adds `count` new orders numbered from 1; returns their ids in order.
inline QList<qint64> addOrders(database::Database &db, int count, const QString &format = QStringLiteral("base"))
{
    return db.call<QList<qint64>>([count, format](database::Connection &c) {
        return c.transaction([&] {
            QList<qint64> ids;
            for (int i = 1; i <= count; ++i) {
                QSqlQuery q = c.exec(
                    QStringLiteral("INSERT INTO orders (source_format, order_key, order_number, custo1, zip, tel,"
                                   " imported_at) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                    {format, QString::number(i), QStringLiteral("T-%1").arg(i), QStringLiteral("客 %1").arg(i),
                     QStringLiteral("100-0001"), QStringLiteral("03-0000-%1").arg(i, 4, 10, QLatin1Char('0')),
                     QDateTime::currentMSecsSinceEpoch()});
                if (q.next())
                    ids << q.value(0).toLongLong();
            }
            return ids;
        });
    });
}

inline qint64 scalar(database::Database &db, const QString &sql)
{
    return db.call<qint64>([sql](database::Connection &c) {
        QSqlQuery q = c.exec(sql);
        return q.next() ? q.value(0).toLongLong() : -1;
    });
}

} // namespace historytest

// The engines every history test runs on; PostgreSQL rows skip loudly when the
// server cannot be installed here.
#define HISTORY_ENGINE_ROWS()                                                                        \
    QTest::addColumn<QString>("engine");                                                             \
    QTest::newRow("sqlite") << QStringLiteral("sqlite");                                              \
    QTest::newRow("postgresql") << QStringLiteral("postgresql")

#define HISTORY_REQUIRE_ENGINE(engine)                                                               \
    do {                                                                                             \
        if ((engine) == QLatin1String("postgresql"))                                                 \
            MEKIRA_START_POSTGRES(historytest::sharedPostgres());                                    \
    } while (false)
