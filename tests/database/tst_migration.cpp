// Upgrades of real order books of every earlier schema version (the committed fixture
// books, copied first), on SQLite and on the private PostgreSQL server: every row
// survives, the result is the schema a new book gets, a second start changes nothing
// and takes no write lock, and a book of a newer program is refused untouched.
#include "bookfixtures.h"
#include "filebytes.h"
#include "privatepostgres.h"

#include "database/connection.h"
#include "database/database.h"
#include "database/schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using database::Connection;
using database::Database;
using database::DatabaseConfig;
using database::DatabaseError;
using database::Engine;

namespace {

testsupport::PrivatePostgres &sharedPostgres()
{
    static testsupport::PrivatePostgres server;
    return server;
}

QString uniqueConnectionName()
{
    static int count = 0;
    return QStringLiteral("migration-test-%1").arg(++count);
}

QString fixturePath(const QString &name)
{
    return QDir(QStringLiteral(MEKIRA_BOOK_FIXTURES)).filePath(name);
}

bool hasFixture(int version)
{
    return QFile::exists(fixturePath(bookfixtures::sqliteFileName(version)));
}

int newestFixture()
{
    int newest = 0;
    for (int version = 1; version <= database::schemaVersion(); ++version) {
        if (hasFixture(version))
            newest = version;
    }
    return newest;
}

// A value as text that tells NULL, numbers and texts apart ('1' is not 1), whatever
// integer type the driver chose.
QString rendered(const QSqlQuery &query, int column)
{
    if (query.isNull(column))
        return QStringLiteral("NULL");
    const QVariant value = query.value(column);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::QByteArray:
        return QStringLiteral("x'%1'").arg(QString::fromLatin1(value.toByteArray().toHex()));
    default:
        return u'\'' + value.toString() + u'\'';
    }
}

struct Table
{
    QStringList columns;
    QList<QStringList> rows;
};

// Every table of a book (and PostgreSQL's sequences), each ordered by its first column.
using Contents = QMap<QString, Table>;

Table readTable(Connection &connection, const QString &sql)
{
    QSqlQuery query = connection.exec(sql);
    Table table;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        table.columns << record.fieldName(i);
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < record.count(); ++i)
            row << rendered(query, i);
        table.rows << row;
    }
    return table;
}

QStringList column(Connection &connection, const QString &sql)
{
    QStringList values;
    QSqlQuery query = connection.exec(sql);
    while (query.next())
        values << query.value(0).toString();
    return values;
}

QStringList tableNames(Connection &connection)
{
    return column(connection, connection.engine() == Engine::SQLite
                                  ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")
                                  : QStringLiteral("SELECT table_name FROM information_schema.tables"
                                                   " WHERE table_schema = 'public' AND table_type = 'BASE TABLE'"
                                                   " ORDER BY table_name"));
}

Contents contentsOf(Connection &connection)
{
    Contents contents;
    for (const QString &table : tableNames(connection))
        contents.insert(table, readTable(connection, QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table)));
    // One entry per sequence: a later version's new table brings a new one.
    if (connection.engine() == Engine::PostgreSQL) {
        for (const QString &sequence : column(connection, QStringLiteral("SELECT sequencename FROM pg_sequences"
                                                                         " WHERE schemaname = 'public'"))) {
            contents.insert(QStringLiteral("pg_sequence ") + sequence,
                            readTable(connection, QStringLiteral("SELECT last_value FROM %1").arg(sequence)));
        }
    }
    return contents;
}

// Tables, columns with their types, defaults and collations, indexes and constraints.
QStringList schemaOf(Connection &connection)
{
    if (connection.engine() == Engine::SQLite)
        return column(connection, QStringLiteral("SELECT type || ' ' || name || ' on ' || tbl_name || ': '"
                                                 " || COALESCE(sql, '') FROM sqlite_master ORDER BY type, name"));
    return column(connection, QStringLiteral(
                      "SELECT table_name || '.' || column_name || ' ' || data_type || ' null:' || is_nullable"
                      " || ' default:' || COALESCE(column_default, '-') || ' collation:'"
                      " || COALESCE(collation_name, '-') || ' identity:' || is_identity"
                      " FROM information_schema.columns WHERE table_schema = 'public'"
                      " ORDER BY table_name, ordinal_position"))
           + column(connection, QStringLiteral("SELECT indexdef FROM pg_indexes WHERE schemaname = 'public'"
                                               " ORDER BY indexname"))
           + column(connection, QStringLiteral("SELECT conrelid::regclass || ' ' || conname || ' '"
                                               " || pg_get_constraintdef(oid) FROM pg_constraint"
                                               " WHERE connamespace = 'public'::regnamespace ORDER BY conname"));
}

enum class Compare {
    Kept,       // every table, column and row of `before` is in `after` with its values
    Identical,  // nothing added either
};

// The first difference in words, or an empty text.
QString difference(const Contents &before, const Contents &after, Compare compare)
{
    if (compare == Compare::Identical && before.keys() != after.keys())
        return QStringLiteral("tables %1 became %2")
            .arg(before.keys().join(u','), after.keys().join(u','));
    for (auto it = before.begin(); it != before.end(); ++it) {
        const QString &name = it.key();
        const Table &old = it.value();
        if (!after.contains(name))
            return QStringLiteral("table %1 is gone").arg(name);
        const Table &now = after.value(name);
        if (compare == Compare::Identical && old.columns != now.columns)
            return QStringLiteral("%1: columns %2 became %3")
                .arg(name, old.columns.join(u','), now.columns.join(u','));
        if (old.rows.size() != now.rows.size())
            return QStringLiteral("%1: %2 rows became %3").arg(name).arg(old.rows.size()).arg(now.rows.size());
        for (qsizetype c = 0; c < old.columns.size(); ++c) {
            const qsizetype at = now.columns.indexOf(old.columns.at(c));
            if (at < 0)
                return QStringLiteral("%1: column %2 is gone").arg(name, old.columns.at(c));
            for (qsizetype r = 0; r < old.rows.size(); ++r) {
                if (old.rows.at(r).at(c) != now.rows.at(r).at(at))
                    return QStringLiteral("%1 row %2 (%3 = %4): %5 was %6, is %7")
                        .arg(name).arg(r + 1)
                        .arg(old.columns.first(), old.rows.at(r).first(), old.columns.at(c),
                             old.rows.at(r).at(c), now.rows.at(r).at(at));
            }
        }
    }
    return {};
}

// Loads an SQL script into a database of the private server, as a person would.
QString loadScript(const QString &database, const QString &script)
{
    const testsupport::PrivatePostgres &server = sharedPostgres();
    QProcess psql;
    psql.setProcessChannelMode(QProcess::MergedChannels);
    psql.start(testsupport::PrivatePostgres::binDir() + QStringLiteral("/psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                QString::number(server.port()), QStringLiteral("-U"), server.user(), QStringLiteral("-d"),
                database, QStringLiteral("-f"), script});
    if (!psql.waitForFinished(60000)) {
        psql.kill();
        psql.waitForFinished(1000);
        return QStringLiteral("psql did not finish loading %1").arg(script);
    }
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0)
        return QStringLiteral("psql could not load %1:\n%2").arg(script, QString::fromLocal8Bit(psql.readAll()));
    return {};
}

// A fixture book made ready for one test: the SQLite file copied into a temporary
// folder (the committed file is never opened), or the SQL script loaded into a fresh
// database of the private server.
class FixtureBook
{
public:
    FixtureBook(const QString &engine, int version, const QString &name)
        : m_postgres(engine == QLatin1String("postgresql")), m_version(version), m_name(name)
    {
    }

    // An empty text when the book is ready, else what went wrong.
    QString prepare()
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        if (m_postgres) {
            const QString url = sharedPostgres().createDatabase(m_name);
            if (url.isEmpty())
                return sharedPostgres().lastError();
            m_config = DatabaseConfig::fromValue(url, m_dir.path());
            const QString failure =
                loadScript(m_name, fixturePath(bookfixtures::postgresScriptName(m_version)));
            if (!failure.isEmpty())
                return failure;
        } else {
            const QString copy = m_dir.filePath(m_name + QStringLiteral(".db"));
            if (!QFile::copy(fixturePath(bookfixtures::sqliteFileName(m_version)), copy))
                return QStringLiteral("cannot copy %1").arg(bookfixtures::sqliteFileName(m_version));
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
            m_config = DatabaseConfig::sqlite(copy);
        }
        m_config.lockWaitMs = 300;
        try {
            const int stored = database::storedVersion(*open());
            if (stored != m_version)
                return QStringLiteral("the fixture of version %1 holds version %2").arg(m_version).arg(stored);
        } catch (const DatabaseError &error) {
            return error.message();
        }
        return {};
    }

    const DatabaseConfig &config() const { return m_config; }
    QString folder() const { return m_dir.path(); }

    // A connection that leaves the book as it is: only Database upgrades it.
    std::unique_ptr<Connection> open() const
    {
        return std::make_unique<Connection>(m_config, uniqueConnectionName());
    }

    Contents contents() const { return contentsOf(*open()); }
    QStringList schema() const { return schemaOf(*open()); }

private:
    QTemporaryDir m_dir;
    bool m_postgres;
    int m_version;
    QString m_name;
    DatabaseConfig m_config;
};

struct Start
{
    int version = 0;  // stored in the book afterwards
    std::optional<DatabaseError> failure;
};

// Starts the program's order book on it (which upgrades it, or refuses).
Start startProgramOn(const DatabaseConfig &config)
{
    try {
        Database db(config);
        return {db.call<int>([](Connection &c) { return database::storedVersion(c); }), std::nullopt};
    } catch (const DatabaseError &error) {
        return {0, error};
    }
}

// Another program in the middle of a write: SQLite's write lock, or on PostgreSQL
// every table locked against writers while readers go on.
class HeldWriteLock
{
public:
    HeldWriteLock(const FixtureBook &book, const QStringList &tables) : m_connection(book.open())
    {
        if (m_connection->engine() == Engine::SQLite) {
            m_connection->exec(QStringLiteral("BEGIN IMMEDIATE"));
        } else {
            m_connection->exec(QStringLiteral("BEGIN"));
            m_connection->exec(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(tables.join(u',')));
        }
    }
    ~HeldWriteLock() { QSqlQuery(m_connection->database()).exec(QStringLiteral("ROLLBACK")); }
    HeldWriteLock(const HeldWriteLock &) = delete;
    HeldWriteLock &operator=(const HeldWriteLock &) = delete;

private:
    std::unique_ptr<Connection> m_connection;
};

// The engine's own bookkeeping of a book (ids handed out), not the program's tables.
bool isEngineTable(const QString &name)
{
    return name.startsWith(QLatin1String("sqlite_")) || name.startsWith(QLatin1String("pg_"));
}

QStringList programTables(const Contents &contents)
{
    QStringList tables = contents.keys();
    tables.removeIf(isEngineTable);
    return tables;
}

void addBookRows(bool earlierOnly)
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<int>("version");
    for (const char *engine : {"sqlite", "postgresql"}) {
        for (int version = 1; version <= database::schemaVersion(); ++version) {
            if (hasFixture(version) && (!earlierOnly || version < database::schemaVersion()))
                QTest::addRow("%s v%d", engine, version) << QString::fromLatin1(engine) << version;
        }
    }
}

} // namespace

// PostgreSQL rows skip loudly when the server cannot be run here.
#define REQUIRE_ENGINE(engine)                                                                       \
    do {                                                                                             \
        if ((engine) == QLatin1String("postgresql"))                                                 \
            MEKIRA_START_POSTGRES(sharedPostgres());                                                 \
    } while (false)

#define VERIFY_UP_TO_DATE(config)                                                                    \
    do {                                                                                             \
        const Start start_ = startProgramOn(config);                                                 \
        QVERIFY2(!start_.failure, start_.failure ? qPrintable(start_.failure->message()) : "");      \
        QCOMPARE(start_.version, database::schemaVersion());                                         \
    } while (false)

#define PREPARE(book)                                                                                \
    do {                                                                                             \
        const QString failure_ = (book).prepare();                                                   \
        QVERIFY2(failure_.isEmpty(), qPrintable(failure_));                                          \
    } while (false)

class MigrationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyEarlierVersionHasAFixture_data();
    void everyEarlierVersionHasAFixture();

    void upgradeKeepsEveryRow_data() { addBookRows(false); }
    void upgradeKeepsEveryRow();
    void upgradeGivesTheSchemaOfANewBook_data() { addBookRows(false); }
    void upgradeGivesTheSchemaOfANewBook();
    void secondStartChangesNothing_data() { addBookRows(false); }
    void secondStartChangesNothing();
    void upgradeOfABusyBookLeavesItWhole_data() { addBookRows(true); }
    void upgradeOfABusyBookLeavesItWhole();

    void newerBookIsRefusedUntouched_data();
    void newerBookIsRefusedUntouched();

    void bothEnginesHoldTheSameRows_data();
    void bothEnginesHoldTheSameRows();

    void upgradedBookKnowsItsPrintJobs_data();
    void upgradedBookKnowsItsPrintJobs();
};

void MigrationTest::upgradedBookKnowsItsPrintJobs_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<int>("version");
    for (const char *engine : {"sqlite", "postgresql"})
        QTest::addRow("%s v4", engine) << QString::fromLatin1(engine) << 4;
}

// A filled book of the version that recorded jobs without a unique key: after the
// upgrade every job of its history is a key, and recording one again adds nothing.
void MigrationTest::upgradedBookKnowsItsPrintJobs()
{
    QFETCH(QString, engine);
    QFETCH(int, version);
    REQUIRE_ENGINE(engine);
    FixtureBook book(engine, version, QStringLiteral("jobs_v%1").arg(version));
    PREPARE(book);
    VERIFY_UP_TO_DATE(book.config());
    const auto connection = book.open();
    const auto count = [&](const char *sql) {
        QSqlQuery q = connection->exec(QLatin1String(sql));
        return q.next() ? q.value(0).toLongLong() : -1;
    };
    const qint64 jobs = count("SELECT COUNT(DISTINCT job) FROM history WHERE job IS NOT NULL");
    QVERIFY(jobs > 0);
    QCOMPARE(count("SELECT COUNT(*) FROM recorded_jobs"), jobs);
    QCOMPARE(count("SELECT COUNT(*) FROM recorded_jobs r JOIN history h ON h.job = r.job"),
             count("SELECT COUNT(*) FROM history WHERE job IS NOT NULL"));
    QSqlQuery again = connection->exec(
        QStringLiteral("INSERT INTO recorded_jobs (job, recorded_at) SELECT job, 0 FROM history"
                       " WHERE job IS NOT NULL ON CONFLICT (job) DO NOTHING"));
    QCOMPARE(again.numRowsAffected(), 0);
}

void MigrationTest::everyEarlierVersionHasAFixture_data()
{
    QTest::addColumn<int>("version");
    for (int version = 1; version < database::schemaVersion(); ++version)
        QTest::addRow("v%d", version) << version;
}

// A new schema version makes the one before it an old one that books in use still have.
void MigrationTest::everyEarlierVersionHasAFixture()
{
    QFETCH(int, version);
    for (const QString &name : {bookfixtures::sqliteFileName(version), bookfixtures::postgresScriptName(version)})
        QVERIFY2(QFile::exists(fixturePath(name)),
                 qPrintable(name + QStringLiteral(" is missing: run make_book_fixtures")));
}

void MigrationTest::upgradeKeepsEveryRow()
{
    QFETCH(QString, engine);
    QFETCH(int, version);
    REQUIRE_ENGINE(engine);
    FixtureBook book(engine, version, QStringLiteral("upgrade_v%1").arg(version));
    PREPARE(book);
    const Contents before = book.contents();
    QVERIFY(before.value(QStringLiteral("orders")).rows.size() >= 4);

    VERIFY_UP_TO_DATE(book.config());

    Contents after = book.contents();
    const Table versionTable = after.take(QStringLiteral("schema_version"));
    QCOMPARE(versionTable.rows, (QList<QStringList>{{QString::number(database::schemaVersion())}}));
    Contents kept = before;
    kept.remove(QStringLiteral("schema_version"));
    const QString lost = difference(kept, after, Compare::Kept);
    QVERIFY2(lost.isEmpty(), qPrintable(lost));

    // New orders are numbered after the old ones.
    const auto connection = book.open();
    QSqlQuery added = connection->exec(
        QStringLiteral("INSERT INTO orders (source_format, order_key, imported_at) VALUES ('test', 'new', 0)"
                       " RETURNING id"));
    QVERIFY(added.next());
    const Table &orders = before.value(QStringLiteral("orders"));
    QVERIFY(added.value(0).toLongLong() > orders.rows.last().first().toLongLong());
}

// The same steps from an old book and from nothing: an edited old migration shows here.
void MigrationTest::upgradeGivesTheSchemaOfANewBook()
{
    QFETCH(QString, engine);
    QFETCH(int, version);
    REQUIRE_ENGINE(engine);
    FixtureBook book(engine, version, QStringLiteral("schema_v%1").arg(version));
    PREPARE(book);
    QTemporaryDir dir;
    DatabaseConfig fresh = DatabaseConfig::sqlite(dir.filePath(QStringLiteral("new.db")));
    if (engine == QLatin1String("postgresql")) {
        const QString url = sharedPostgres().createDatabase(QStringLiteral("new_v%1").arg(version));
        QVERIFY2(!url.isEmpty(), qPrintable(sharedPostgres().lastError()));
        fresh = DatabaseConfig::fromValue(url, dir.path());
    }
    VERIFY_UP_TO_DATE(fresh);
    VERIFY_UP_TO_DATE(book.config());
    Connection newBook(fresh, uniqueConnectionName());
    QCOMPARE(book.schema(), schemaOf(newBook));
}

void MigrationTest::secondStartChangesNothing()
{
    QFETCH(QString, engine);
    QFETCH(int, version);
    REQUIRE_ENGINE(engine);
    FixtureBook book(engine, version, QStringLiteral("second_v%1").arg(version));
    PREPARE(book);
    VERIFY_UP_TO_DATE(book.config());
    const Contents upgraded = book.contents();
    const QStringList schema = book.schema();
    const QString file = book.config().sqlitePath;
    const QByteArray bytes = engine == QLatin1String("sqlite") ? fileBytes(file) : QByteArray();

    {
        // An up-to-date book opens while another station writes: no write lock is taken.
        HeldWriteLock busy(book, programTables(upgraded));
        VERIFY_UP_TO_DATE(book.config());
    }

    const QString changed = difference(upgraded, book.contents(), Compare::Identical);
    QVERIFY2(changed.isEmpty(), qPrintable(changed));
    QCOMPARE(book.schema(), schema);
    if (engine == QLatin1String("sqlite"))
        QVERIFY(fileBytes(file) == bytes);
}

// An upgrade is one transaction: when it cannot write, the book keeps its old version
// whole. This is also what shows that the second start above would notice a write.
void MigrationTest::upgradeOfABusyBookLeavesItWhole()
{
    QFETCH(QString, engine);
    QFETCH(int, version);
    REQUIRE_ENGINE(engine);
    FixtureBook book(engine, version, QStringLiteral("busy_v%1").arg(version));
    PREPARE(book);
    const Contents before = book.contents();
    const QStringList schema = book.schema();
    {
        HeldWriteLock busy(book, programTables(before));
        const std::optional<DatabaseError> failure = startProgramOn(book.config()).failure;
        QVERIFY(failure);
        QCOMPARE(failure->kind(), DatabaseError::Kind::Locked);
    }
    const QString changed = difference(before, book.contents(), Compare::Identical);
    QVERIFY2(changed.isEmpty(), qPrintable(changed));
    QCOMPARE(book.schema(), schema);
    VERIFY_UP_TO_DATE(book.config());
}

void MigrationTest::newerBookIsRefusedUntouched_data()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

void MigrationTest::newerBookIsRefusedUntouched()
{
    QFETCH(QString, engine);
    REQUIRE_ENGINE(engine);
    FixtureBook book(engine, newestFixture(), QStringLiteral("newer"));
    PREPARE(book);
    // What a later program leaves: this version's book, one step more.
    const int newer = database::schemaVersion() + 1;
    VERIFY_UP_TO_DATE(book.config());
    {
        const auto connection = book.open();
        connection->transaction([&] {
            connection->exec(QStringLiteral("CREATE TABLE later_step (id INTEGER PRIMARY KEY, note TEXT)"));
            connection->exec(QStringLiteral("INSERT INTO later_step (id, note) VALUES (1, '次の版の表')"));
            connection->exec(QStringLiteral("UPDATE schema_version SET version = ?"), {newer});
        });
    }
    const Contents before = book.contents();
    const QStringList schema = book.schema();
    const QString file = book.config().sqlitePath;
    const QByteArray bytes = engine == QLatin1String("sqlite") ? fileBytes(file) : QByteArray();
    const QStringList files = QDir(book.folder()).entryList(QDir::Files, QDir::Name);

    const std::optional<DatabaseError> failure = startProgramOn(book.config()).failure;
    QVERIFY(failure);
    QCOMPARE(failure->kind(), DatabaseError::Kind::NewerSchema);
    // The user is told which version the book is and that the program needs updating.
    QVERIFY2(failure->message().contains(QStringLiteral("新しい版のプログラム"))
                 && failure->message().contains(QStringLiteral("版 %1").arg(newer))
                 && failure->message().contains(QStringLiteral("更新してください")),
             qPrintable(failure->message()));

    if (engine == QLatin1String("sqlite")) {
        QVERIFY2(fileBytes(file) == bytes, "the newer book's file was written to");
        QCOMPARE(QDir(book.folder()).entryList(QDir::Files, QDir::Name), files);
    }
    const QString changed = difference(before, book.contents(), Compare::Identical);
    QVERIFY2(changed.isEmpty(), qPrintable(changed));
    QCOMPARE(book.schema(), schema);
}

void MigrationTest::bothEnginesHoldTheSameRows_data()
{
    QTest::addColumn<int>("version");
    for (int version = 1; version <= database::schemaVersion(); ++version) {
        if (hasFixture(version))
            QTest::addRow("v%d", version) << version;
    }
}

// The two forms of a fixture are one book: what the upgrade keeps on one engine it
// keeps of the same rows on the other.
void MigrationTest::bothEnginesHoldTheSameRows()
{
    QFETCH(int, version);
    REQUIRE_ENGINE(QStringLiteral("postgresql"));
    FixtureBook lite(QStringLiteral("sqlite"), version, QStringLiteral("same_v%1").arg(version));
    FixtureBook postgres(QStringLiteral("postgresql"), version, QStringLiteral("same_v%1").arg(version));
    PREPARE(lite);
    PREPARE(postgres);
    Contents rows = lite.contents();
    Contents other = postgres.contents();
    rows.removeIf([](const auto &table) { return isEngineTable(table.key()); });
    other.removeIf([](const auto &table) { return isEngineTable(table.key()); });
    QVERIFY(!rows.isEmpty());
    const QString changed = difference(rows, other, Compare::Identical);
    QVERIFY2(changed.isEmpty(), qPrintable(changed));
}

QTEST_GUILESS_MAIN(MigrationTest)
#include "tst_migration.moc"
