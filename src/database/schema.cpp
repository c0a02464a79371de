#include "database/schema.h"

#include "database/connection.h"

namespace database {

// Order state: 0 new, 1 printed, 2 set aside, 3 printing, 4 click post (see orders::OrderState).
// Times are milliseconds since 1970 UTC.
const std::vector<Migration> &migrations()
{
    static const std::vector<Migration> steps = {
        {1, "orders", {
            "CREATE TABLE orders ("
            " id {id},"
            " source_format TEXT NOT NULL,"
            " order_key TEXT NOT NULL,"
            " order_number TEXT NOT NULL DEFAULT '',"
            " state INTEGER NOT NULL DEFAULT 0,"
            " zip TEXT NOT NULL DEFAULT '', add1 TEXT NOT NULL DEFAULT '', add2 TEXT NOT NULL DEFAULT '',"
            " custo1 TEXT NOT NULL DEFAULT '', tel TEXT NOT NULL DEFAULT '',"
            " g1 TEXT NOT NULL DEFAULT '', g2 TEXT NOT NULL DEFAULT '', g3 TEXT NOT NULL DEFAULT '',"
            " de_date1 TEXT NOT NULL DEFAULT '', de_date2 TEXT NOT NULL DEFAULT '',"
            " time_slot INTEGER NOT NULL DEFAULT 0,"
            " repairs TEXT NOT NULL DEFAULT '',"
            " source_file TEXT NOT NULL DEFAULT '',"
            " imported_at {bigint} NOT NULL,"
            " printed_at {bigint},"
            " printed_printer TEXT,"
            " printed_station TEXT,"
            " UNIQUE (source_format, order_key))",
            "CREATE INDEX orders_state ON orders (state)",
        }},
        {2, "column mappings", {
            "CREATE TABLE column_mappings ("
            " header_key TEXT PRIMARY KEY,"
            " header TEXT NOT NULL,"
            " mapping TEXT NOT NULL,"
            " updated_at {bigint} NOT NULL)",
        }},
        // Every slip printed, as printed. The *_key columns hold the search forms of
        // name, telephone and postal code; tracking is NULL until entered, unique after.
        // Orders claimed for printing (state 3) carry the claim's token and time.
        {3, "history", {
            "CREATE TABLE history ("
            " id {id},"
            " printed_at {bigint} NOT NULL,"
            " station TEXT NOT NULL DEFAULT '', printer TEXT NOT NULL DEFAULT '', feed TEXT NOT NULL DEFAULT '',"
            " margin_top TEXT NOT NULL DEFAULT '', margin_left TEXT NOT NULL DEFAULT '',"
            " order_id {bigint}, order_number {key} NOT NULL DEFAULT '', source_format TEXT NOT NULL DEFAULT '',"
            " zip TEXT NOT NULL DEFAULT '', add1 TEXT NOT NULL DEFAULT '', add2 TEXT NOT NULL DEFAULT '',"
            " custo1 TEXT NOT NULL DEFAULT '', tel TEXT NOT NULL DEFAULT '',"
            " my_zip TEXT NOT NULL DEFAULT '', my_add1 TEXT NOT NULL DEFAULT '', my_add2 TEXT NOT NULL DEFAULT '',"
            " my_name TEXT NOT NULL DEFAULT '', my_tel TEXT NOT NULL DEFAULT '', my_on INTEGER NOT NULL DEFAULT 1,"
            " g1 TEXT NOT NULL DEFAULT '', g2 TEXT NOT NULL DEFAULT '', g3 TEXT NOT NULL DEFAULT '',"
            " slip_date TEXT NOT NULL DEFAULT '', date_on INTEGER NOT NULL DEFAULT 1,"
            " de_date1 TEXT NOT NULL DEFAULT '', de_date2 TEXT NOT NULL DEFAULT '',"
            " time_slots INTEGER NOT NULL DEFAULT 0,"
            " tracking {key},"
            " name_key {key} NOT NULL DEFAULT '', tel_key {key} NOT NULL DEFAULT '', zip_key {key} NOT NULL DEFAULT '')",
            "CREATE INDEX history_time ON history (printed_at, id)",
            "CREATE UNIQUE INDEX history_tracking ON history (tracking)",
            "CREATE INDEX history_name ON history (name_key)",
            "CREATE INDEX history_tel ON history (tel_key)",
            "CREATE INDEX history_zip ON history (zip_key)",
            "CREATE INDEX history_order_number ON history (order_number)",
            "CREATE INDEX history_order ON history (order_id)",
            "ALTER TABLE orders ADD COLUMN claim_token TEXT",
            "ALTER TABLE orders ADD COLUMN claimed_at {bigint}",
        }},
        // The searches list the newest slips first: each search key's index also holds
        // the time, so a page is sorted from the index alone.
        {4, "history search by time, print jobs", {
            "DROP INDEX history_name",
            "DROP INDEX history_tel",
            "DROP INDEX history_zip",
            "DROP INDEX history_order_number",
            "CREATE INDEX history_name_time ON history (name_key, printed_at, id)",
            "CREATE INDEX history_tel_time ON history (tel_key, printed_at, id)",
            "CREATE INDEX history_zip_time ON history (zip_key, printed_at, id)",
            "CREATE INDEX history_order_number_time ON history (order_number, printed_at, id)",
            "CREATE INDEX history_tracking_time ON history (tracking, printed_at, id)",
            // The print job a row came from: a job written again after a crash is
            // recognised and not recorded twice.
            "ALTER TABLE history ADD COLUMN job TEXT",
            "CREATE INDEX history_job ON history (job)",
        }},
        // おところ③ (building, room) of the destination, kept apart from line 2 as typed.
        {5, "third address line", {
            "ALTER TABLE orders ADD COLUMN add3 TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE history ADD COLUMN add3 TEXT NOT NULL DEFAULT ''",
        }},
        // What the shop files tell beyond the slip: the items with their quantities, the
        // order date, why an order came in set aside, and a download that changed an
        // order after it was printed. Items of a separate item file wait in order_items
        // for their orders.
        {6, "order items, dates, hold reasons, changes after printing", {
            "ALTER TABLE orders ADD COLUMN items TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE orders ADD COLUMN order_date TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE orders ADD COLUMN hold_reason TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE orders ADD COLUMN pending_changes TEXT NOT NULL DEFAULT ''",
            "CREATE INDEX orders_order_date ON orders (order_date)",
            "CREATE TABLE order_items ("
            " source_format TEXT NOT NULL,"
            " order_number TEXT NOT NULL,"
            " items TEXT NOT NULL,"
            " PRIMARY KEY (source_format, order_number))",
        }},
        // Orders written to a Click Post bulk file keep the key its rows read back with,
        // so that importing that file adds nothing; a shipment reported to its shop
        // keeps when.
        {7, "click post, shipments reported", {
            "ALTER TABLE orders ADD COLUMN clickpost_key TEXT",
            "CREATE INDEX orders_clickpost_key ON orders (clickpost_key)",
            "ALTER TABLE history ADD COLUMN reported_at {bigint}",
        }},
        // Each print job recorded, under a unique key: two connections recording the
        // same job (a journal read back while the first write still runs) cannot both
        // insert it; the second waits for the first and then finds the key taken.
        {8, "recorded print jobs", {
            "CREATE TABLE recorded_jobs (job TEXT PRIMARY KEY, recorded_at {bigint} NOT NULL)",
            "INSERT INTO recorded_jobs (job, recorded_at)"
            " SELECT job, MIN(printed_at) FROM history WHERE job IS NOT NULL GROUP BY job",
        }},
    };
    return steps;
}

int schemaVersion()
{
    return migrations().back().version;
}

namespace {

void createVersionTable(Connection &connection)
{
    connection.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
}

int readVersion(Connection &connection)
{
    QSqlQuery query = connection.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"));
    return query.next() ? query.value(0).toInt() : 0;
}

} // namespace

int storedVersion(Connection &connection)
{
    const QStringList tables = connection.database().tables();
    if (!tables.contains(QStringLiteral("schema_version")))
        return 0;
    return readVersion(connection);
}

void migrate(Connection &connection)
{
    // Quick path: nothing to do, no write lock taken.
    if (storedVersion(connection) == schemaVersion())
        return;
    connection.transaction([&] {
        if (connection.engine() == Engine::PostgreSQL)
            connection.exec(QStringLiteral("SELECT pg_advisory_xact_lock(74217)"));
        createVersionTable(connection);
        const int stored = readVersion(connection);
        if (stored > schemaVersion())
            throw DatabaseError(DatabaseError::Kind::NewerSchema,
                                QStringLiteral("注文データベースは新しい版のプログラムで作られています（版 %1）。"
                                               "このプログラムを更新してください。").arg(stored));
        for (const Migration &step : migrations()) {
            if (step.version <= stored)
                continue;
            for (const QString &statement : step.statements)
                connection.exec(connection.portable(statement), {},
                                QStringLiteral("データベースの更新（%1）").arg(QLatin1String(step.what)));
        }
        connection.exec(QStringLiteral("DELETE FROM schema_version"));
        connection.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {schemaVersion()});
    });
}

} // namespace database
