// Writes the fixture books of tests/database/fixtures: for every schema version N the
// order book as the program of version N left it (the schema_version table, the
// migrations up to N, version N recorded) holding a handful of rows, as an SQLite file
// and as an SQL script for PostgreSQL with the same rows.
//
//   make_book_fixtures <folder> [version...]       (all versions when none is named)
//
// The script is run on a private PostgreSQL server before it is written, so every line
// of it is known to load; the server programs must be installed.
#include "bookfixtures.h"
#include "privatepostgres.h"

#include "database/connection.h"
#include "database/databaseconfig.h"
#include "database/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

using database::Connection;
using database::DatabaseConfig;

namespace {

// One column's value; `since` is the version that added the column.
struct Cell
{
    QString column;
    QVariant value;  // QString, qint64 or invalid for NULL
    int since = 1;
};

// One row; `since` is the version that added its table or the state it is in.
struct Row
{
    QString table;
    int since;
    QList<Cell> cells;
};

Cell text(const char *column, const char *value, int since = 1)
{
    return {QString::fromUtf8(column), QString::fromUtf8(value), since};
}

Cell number(const char *column, qint64 value, int since = 1)
{
    return {QString::fromUtf8(column), value, since};
}

Cell null(const char *column, int since = 1)
{
    return {QString::fromUtf8(column), QVariant(), since};
}

constexpr char kMappedKey[] = "3f786850e387550fdab836ed7e6dc881de23001b";

// Orders in every state (new, printed, set aside, claimed), a remembered column
// mapping and slips with and without tracking numbers and order links; Japanese text,
// half-width kana, quotes, a backslash and a character outside the BMP; NULL where the
// column allows it, and columns left to their defaults.
const QList<Row> &fixtureRows()
{
    static const QList<Row> rows = {
        {QStringLiteral("orders"), 1, {
            number("id", 1), text("source_format", "base"), text("order_key", "B-1001"),
            text("order_number", "B-1001"), number("state", 0), text("zip", "150-0001"),
            text("add1", "東京都渋谷区神宮前1-2-3"), text("add2", "メゾン青山 201号室"),
            text("custo1", "山田　太郎"), text("tel", "03-1234-5678"), text("g1", "緑茶ティーバッグ 20袋"),
            text("de_date1", "2024/12/12"), number("time_slot", 2), text("repairs", "0"),
            text("source_file", "/home/shop/注文_20241209.csv"), number("imported_at", 1733702400000),
            null("printed_at"), null("printed_printer"), null("printed_station"),
        }},
        {QStringLiteral("orders"), 1, {
            number("id", 2), text("source_format", "base"), text("order_key", "B-1002"),
            text("order_number", "B-1002"), number("state", 1), text("zip", "060-0806"),
            text("add1", "北海道札幌市北区北六条西4丁目"), text("custo1", "佐藤 花子"), text("tel", "011-222-3333"),
            text("g1", "ほうじ茶 100g"), text("g2", "湯呑み（白）"), text("g3", "🎁 ギフト包装"),
            text("de_date1", "2024/12/14"), text("de_date2", "2024/12/15"), number("time_slot", 6),
            text("repairs", "3"), text("source_file", "/home/shop/注文_20241209.csv"),
            number("imported_at", 1733702400000), number("printed_at", 1733793302000),
            text("printed_printer", "ゆうプリンタ LP-1"), text("printed_station", "packing-1"),
        }},
        {QStringLiteral("orders"), 1, {
            number("id", 3), text("source_format", "shopify"), text("order_key", "#9c1185a5c5e9fc54"),
            number("state", 2), text("zip", "900-0014"), text("add1", "沖縄県那覇市松山2-1-1"),
            text("custo1", "ｶﾀｶﾅ ｼﾞﾛｳ"), text("g1", "It's \"50%\" off \\ セール品"), text("repairs", "16"),
            text("source_file", "C:\\Users\\shop\\orders.csv"), number("imported_at", 1733706000123),
            null("printed_at"), null("printed_printer"), null("printed_station"),
        }},
        // Only what the import must give: the rest are the columns' defaults.
        {QStringLiteral("orders"), 1, {
            number("id", 4), text("source_format", "base"), text("order_key", "B-1004"),
            number("imported_at", 1733706000456),
        }},
        {QStringLiteral("orders"), 2, {
            number("id", 5), text("source_format", (QByteArray("mapped:") + kMappedKey).constData()),
            text("order_key", "77"), text("order_number", "77"), number("state", 0), text("zip", "530-0001"),
            text("add1", "大阪府大阪市北区梅田1-1-1"), text("add2", "梅田ビル 5F"), text("custo1", "高橋 美咲"),
            text("tel", "06-6123-4567"), text("g1", "抹茶ラテの素"), text("source_file", "受注一覧.csv"),
            number("imported_at", 1733789000000),
        }},
        {QStringLiteral("orders"), 3, {
            number("id", 6), text("source_format", "base"), text("order_key", "B-1006"),
            text("order_number", "B-1006"), number("state", 3), text("zip", "460-0008"),
            text("add1", "愛知県名古屋市中区栄3-4-5"), text("custo1", "鈴木 一郎"), text("tel", "052-111-2222"),
            text("g1", "玄米茶 200g"), number("imported_at", 1733875000000), null("printed_at"),
            null("printed_printer"), text("printed_station", "packing-2"),
            text("claim_token", "5f0c6a1e-3b2d-4c8e-9a71-2d4e6f8a0b1c", 3), number("claimed_at", 1733875200000, 3),
        }},
        {QStringLiteral("orders"), 3, {
            number("id", 7), text("source_format", "base"), text("order_key", "B-1007"),
            text("order_number", "B-1007"), number("state", 1), text("zip", "980-0021"),
            text("add1", "宮城県仙台市青葉区中央1-1"), text("custo1", "伊藤 健"), text("tel", "022-333-4444"),
            text("g1", "煎茶 100g"), number("imported_at", 1733875000000), number("printed_at", 1733880000000),
            text("printed_printer", "ゆうプリンタ LP-1"), text("printed_station", "packing-2"),
            null("claim_token", 3), null("claimed_at", 3),
        }},
        {QStringLiteral("column_mappings"), 2, {
            text("header_key", kMappedKey),
            text("header", "受注番号\t郵便番号\t住所1\t住所2\tお名前\t電話番号\t商品名"),
            text("mapping", "{\"0\":[0],\"1\":[1],\"4\":[2],\"5\":[3],\"9\":[4],\"10\":[5],\"11\":[6]}"),
            number("updated_at", 1733788900000),
        }},
        {QStringLiteral("column_mappings"), 2, {
            text("header_key", "da39a3ee5e6b4b0d3255bfef95601890afd80709"),
            text("header", "order-id\trecipient-name\tship-postal-code"),
            text("mapping", "{\"0\":[0],\"1\":[2],\"9\":[1]}"), number("updated_at", 1733700000000),
        }},
        // A slip of an order, with its tracking number.
        {QStringLiteral("history"), 3, {
            number("id", 1), number("printed_at", 1733793302000), text("station", "packing-1"),
            text("printer", "ゆうプリンタ LP-1"), text("feed", "手差し"), text("margin_top", "12"),
            text("margin_left", "-3"), number("order_id", 2), text("order_number", "B-1002"),
            text("source_format", "base"), text("zip", "060-0806"), text("add1", "北海道札幌市北区北六条西4丁目"),
            text("custo1", "佐藤 花子"), text("tel", "011-222-3333"), text("my_zip", "530-0001"),
            text("my_add1", "大阪府大阪市北区梅田1-1-1"), text("my_add2", "梅田ビル 5F"), text("my_name", "みどり茶舗"),
            text("my_tel", "06-0000-1111"), number("my_on", 1), text("g1", "ほうじ茶 100g"),
            text("g2", "湯呑み（白）"), text("g3", "🎁 ギフト包装"), text("slip_date", "2024/12/10"),
            number("date_on", 1), text("de_date1", "2024/12/14"), text("de_date2", "2024/12/15"),
            number("time_slots", 6), text("tracking", "123456789012"), text("name_key", "佐藤花子"),
            text("tel_key", "0112223333"), text("zip_key", "0600806"),
            text("job", "0b7e4f2c-8d51-4a93-b6e0-1f2a3c4d5e6f", 4),
        }},
        // A slip typed by hand (no order), its tracking number entered later.
        {QStringLiteral("history"), 3, {
            number("id", 2), number("printed_at", 1733800000000), text("station", "packing-1"),
            text("printer", "ゆうプリンタ LP-1"), text("feed", "連続(４インチ)"), null("order_id"),
            text("zip", "100-0001"), text("add1", "東京都千代田区千代田1-1"), text("custo1", "ﾔﾏﾀﾞ ﾀﾛｳ"),
            text("tel", "０３−９８７６−５４３２"), text("g1", "見本"), text("tracking", "987654321098"),
            text("name_key", "ヤマダタロウ"), text("tel_key", "0398765432"), text("zip_key", "1000001"),
            text("job", "7a1d9c3e-2b4f-4e6a-8c0d-9e8f7a6b5c4d", 4),
        }},
        // A slip of an order, no tracking number yet.
        {QStringLiteral("history"), 3, {
            number("id", 3), number("printed_at", 1733880000000), text("station", "packing-2"),
            text("printer", "ゆうプリンタ LP-1"), text("feed", "手差し"), text("margin_top", "0"),
            text("margin_left", "0"), number("order_id", 7), text("order_number", "B-1007"),
            text("source_format", "base"), text("zip", "980-0021"), text("add1", "宮城県仙台市青葉区中央1-1"),
            text("custo1", "伊藤 健"), text("tel", "022-333-4444"), text("g1", "煎茶 100g"),
            text("slip_date", "2024/12/11"), null("tracking"), text("name_key", "伊藤健"),
            text("tel_key", "0223334444"), text("zip_key", "9800021"),
            text("job", "c3d2e1f0-a9b8-4c7d-8e6f-5a4b3c2d1e0f", 4),
        }},
        // Neither order nor tracking number; sender and date left off the slip.
        {QStringLiteral("history"), 3, {
            number("id", 4), number("printed_at", 1733880000000), text("printer", "ゆうプリンタ LP-1"),
            number("my_on", 0), number("date_on", 0), text("custo1", "中村 さくら"), text("add1", "京都府京都市左京区"),
            text("name_key", "中村さくら"), null("tracking"), null("job", 4),
        }},
    };
    return rows;
}

QString literal(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::QString)
        return u'\'' + value.toString().replace(u'\'', QLatin1String("''")) + u'\'';
    return QString::number(value.toLongLong());
}

// What migrate() of version N ran on an empty book, for that engine.
QStringList schemaStatements(const Connection &connection, int version)
{
    QStringList statements{QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")};
    for (const database::Migration &step : database::migrations()) {
        if (step.version > version)
            break;
        for (const QString &statement : step.statements)
            statements << connection.portable(statement);
    }
    statements << QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(version);
    return statements;
}

// The same literal statements on both engines, so that the two books hold the same rows.
QStringList insertStatements(int version)
{
    QStringList statements;
    for (const Row &row : fixtureRows()) {
        if (row.since > version)
            continue;
        QStringList columns, values;
        for (const Cell &cell : row.cells) {
            if (cell.since > version)
                continue;
            columns << cell.column;
            values << literal(cell.value);
        }
        statements << QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(row.table, columns.join(QLatin1String(", ")), values.join(QLatin1String(", ")));
    }
    return statements;
}

// PostgreSQL's identity columns go on after the ids given explicitly, as they would
// after the program's own inserts.
QStringList identityStatements(int version)
{
    QStringList tables;
    for (const Row &row : fixtureRows()) {
        if (row.since <= version && row.cells.first().column == QLatin1String("id") && !tables.contains(row.table))
            tables << row.table;
    }
    QStringList statements;
    for (const QString &table : tables)
        statements << QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), MAX(id)) FROM %1").arg(table);
    return statements;
}

void runAll(Connection &connection, const QStringList &statements)
{
    connection.transaction([&] {
        for (const QString &statement : statements)
            connection.exec(statement, {}, statement.left(60));
    });
}

void writeSqlite(const QDir &folder, int version)
{
    const QString path = folder.filePath(bookfixtures::sqliteFileName(version));
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
    // The program's own connection: the file is in WAL mode, as every book it wrote.
    Connection connection(DatabaseConfig::sqlite(path), QStringLiteral("fixture-sqlite-%1").arg(version));
    runAll(connection, schemaStatements(connection, version) + insertStatements(version));
}

void writePostgres(testsupport::PrivatePostgres &server, const QDir &folder, int version)
{
    const QString url = server.createDatabase(QStringLiteral("book_v%1").arg(version));
    if (url.isEmpty())
        throw std::runtime_error(qPrintable(server.lastError()));
    const QStringList statements = [&] {
        Connection connection(DatabaseConfig::fromValue(url, folder.path()),
                              QStringLiteral("fixture-postgres-%1").arg(version));
        const QStringList all = schemaStatements(connection, version) + insertStatements(version)
                                + identityStatements(version);
        runAll(connection, all);
        return all;
    }();
    QFile file(folder.filePath(bookfixtures::postgresScriptName(version)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(qPrintable(file.errorString()));
    QTextStream out(&file);
    out << "-- Order book of schema version " << version << " on PostgreSQL, written by make_book_fixtures.\n"
        << "-- Load into an empty database: psql -v ON_ERROR_STOP=1 -f " << file.fileName().section(u'/', -1)
        << "\n"
        << "SET client_encoding = 'UTF8';\nBEGIN;\n";
    for (const QString &statement : statements)
        out << statement << ";\n";
    out << "COMMIT;\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: make_book_fixtures <folder> [version...]\n");
        return 2;
    }
    const QDir folder(arguments.first());
    QList<int> versions;
    for (const QString &argument : arguments.mid(1))
        versions << argument.toInt();
    if (versions.isEmpty()) {
        for (const database::Migration &step : database::migrations())
            versions << step.version;
    }
    testsupport::PrivatePostgres server;
    if (!folder.exists() || !server.start()) {
        std::fprintf(stderr, "no folder %s, or no PostgreSQL server: %s\n", qPrintable(folder.path()),
                     qPrintable(server.lastError()));
        return 1;
    }
    try {
        for (const int version : versions) {
            if (version < 1 || version > database::schemaVersion())
                throw std::runtime_error("no such schema version: " + std::to_string(version));
            writeSqlite(folder, version);
            writePostgres(server, folder, version);
            std::printf("version %d written\n", version);
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
