#include "database/connection.h"

#include "platform/ownerfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QSqlDriver>
#include <QSqlError>
#include <QtGlobal>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>

#include <libpq-fe.h>
#include <sys/socket.h>

namespace database {

namespace {

DatabaseError unavailable(const QString &what, const QSqlError &error)
{
    DatabaseError classified = DatabaseError::fromSql(error, what);
    if (classified.kind() == DatabaseError::Kind::Other)
        return {DatabaseError::Kind::Unavailable,
                QStringLiteral("注文データベース %1 を開けません。指定とサーバーを確かめてください。"
                               "F11 での印刷はそのまま使えます。").arg(what)};
    return classified;
}

// The few libpq calls made on the driver's own connection, looked up in the libpq the
// PostgreSQL driver loaded. The program does not link libpq, so that a start with an
// SQLite book loads neither it nor the TLS and Kerberos libraries it uses.
struct LibPq
{
    decltype(&PQsocket) socket = nullptr;
    decltype(&PQconsumeInput) consumeInput = nullptr;
    decltype(&PQstatus) status = nullptr;

    bool isComplete() const { return socket && consumeInput && status; }

    static const LibPq &loaded()
    {
        static const LibPq calls = [] {
            QLibrary library(QStringLiteral("pq"), 5);  // never unloaded: the driver uses it
            LibPq found;
            found.socket = reinterpret_cast<decltype(&PQsocket)>(library.resolve("PQsocket"));
            found.consumeInput = reinterpret_cast<decltype(&PQconsumeInput)>(library.resolve("PQconsumeInput"));
            found.status = reinterpret_cast<decltype(&PQstatus)>(library.resolve("PQstatus"));
            return found;
        }();
        return calls;
    }
};

} // namespace

Connection::Connection(const DatabaseConfig &config, const QString &connectionName)
    : m_name(connectionName), m_engine(config.engine)
{
    const QString driver = m_engine == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw DatabaseError(DatabaseError::Kind::Unavailable,
                            QStringLiteral("データベースのドライバー %1 がありません。").arg(driver));
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
    if (m_engine == Engine::SQLite) {
        db.setDatabaseName(config.sqlitePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(config.lockWaitMs));
    } else {
        db.setHostName(config.host);
        db.setPort(config.port);
        db.setUserName(config.user);
        if (!config.password.isEmpty())
            db.setPassword(config.password);
        db.setDatabaseName(config.databaseName);
        QString options = QStringLiteral("connect_timeout=%1").arg(kConnectSeconds);
        if (!config.options.isEmpty())
            options += u';' + config.options;
        db.setConnectOptions(options);
    }
    try {
        if (!db.open())
            throw unavailable(config.displayName(), db.lastError());
        if (m_engine == Engine::SQLite) {
            // The first read finds a file that is not a database; WAL lets the list
            // read while an import writes.
            exec(QStringLiteral("PRAGMA journal_mode=WAL"), {}, config.displayName());
            // A book made by an earlier version may be readable by everyone.
            for (const char *suffix : {"", "-wal", "-shm"})
                platform::makeOwnerOnly(config.sqlitePath + QLatin1String(suffix));
            exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        } else {
            const QVariant handle = db.driver()->handle();
            // The driver hands its libpq connection over as "PGconn*" (its struct's name
            // "pg_conn*" in some builds).
            if (handle.isValid() && LibPq::loaded().isComplete()
                && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0)) {
                m_pg = *static_cast<PGconn *const *>(handle.constData());
                m_socket = LibPq::loaded().socket(static_cast<PGconn *>(m_pg));
            }
            exec(QStringLiteral("SET statement_timeout = %1").arg(kStatementMs));
            exec(QStringLiteral("SET lock_timeout = %1").arg(config.lockWaitMs));
        }
    } catch (...) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw;
    }
}

Connection::~Connection()
{
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlQuery Connection::prepare(const QString &sql)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw failure(query.lastError(), QString());
    return query;
}

void Connection::execPrepared(QSqlQuery &query, const QString &what)
{
    if (m_statementStarted)
        m_statementStarted();
    if (!query.exec())
        throw failure(query.lastError(), what);
}

QSqlQuery Connection::exec(const QString &sql, const QVariantList &values, const QString &what)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (values.isEmpty()) {
        if (m_statementStarted)
            m_statementStarted();
        if (!query.exec(sql))
            throw failure(query.lastError(), what);
        return query;
    }
    if (!query.prepare(sql))
        throw failure(query.lastError(), what);
    for (const QVariant &value : values)
        query.addBindValue(value);
    execPrepared(query, what);
    return query;
}

bool Connection::isBroken()
{
    if (!m_pg)
        return false;
    auto *pg = static_cast<PGconn *>(m_pg);
    return LibPq::loaded().consumeInput(pg) == 0 || LibPq::loaded().status(pg) == CONNECTION_BAD;
}

void Connection::interrupt()
{
    if (m_socket < 0 || m_interrupted.exchange(true))
        return;
    ::shutdown(m_socket, SHUT_RDWR);
}

DatabaseError Connection::failure(const QSqlError &error, const QString &what) const
{
    if (m_interrupted.load())
        return {DatabaseError::Kind::TimedOut,
                QStringLiteral("注文データベースのサーバーが応答しないため、待つのをやめました（%1）。"
                               "サーバーとネットワークを確かめてください。F11 での印刷はそのまま使えます。")
                    .arg(what.isEmpty() ? QStringLiteral("読み書き") : what)};
    return DatabaseError::fromSql(error, what);
}

void Connection::begin()
{
    // SQLite: take the write lock at once, so that two writers wait for each other
    // (bounded by the lock wait) instead of failing half-way.
    exec(m_engine == Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    m_inTransaction = true;
}

void Connection::commit()
{
    exec(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void Connection::rollback()
{
    m_inTransaction = false;
    QSqlQuery query(database());
    query.exec(QStringLiteral("ROLLBACK"));  // a failed rollback leaves the error that caused it
}

void Connection::announceChange()
{
    if (m_engine == Engine::PostgreSQL)
        exec(QStringLiteral("NOTIFY mekira_book"));
}

namespace {

// An id made once per installation (user account on a computer) and kept in its
// settings folder: many computers share a host name ("debian").
QString installationId()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/mekira");
    const QString path = folder + QStringLiteral("/station-id");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QString id = QString::fromLatin1(file.readLine(64)).trimmed();
        if (!id.isEmpty())
            return id;
    }
    const QString id = QUuid::createUuid().toString(QUuid::Id128).left(8);
    platform::ownerOnlyFolder(folder);
    QSaveFile save(path);
    if (save.open(QIODevice::WriteOnly)) {
        save.write(id.toLatin1() + '\n');
        save.commit();
    }
    return id;
}

} // namespace

QString Connection::stationName()
{
    static const QString name = [] {
        QString host = QSysInfo::machineHostName();
        if (host.isEmpty())
            host = QStringLiteral("localhost");
        return host + stationIdSeparator() + installationId();
    }();
    return name;
}

QString Connection::stationHost(const QString &station)
{
    const qsizetype at = station.lastIndexOf(stationIdSeparator());
    return at < 0 ? station : station.left(at);
}

QString Connection::portable(QString sql) const
{
    const bool lite = m_engine == Engine::SQLite;
    sql.replace(QLatin1String("{id}"), lite ? QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT")
                                           : QLatin1String("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    sql.replace(QLatin1String("{blob}"), lite ? QLatin1String("BLOB") : QLatin1String("BYTEA"));
    sql.replace(QLatin1String("{bigint}"), lite ? QLatin1String("INTEGER") : QLatin1String("BIGINT"));
    // Search keys compare by code point on both engines, so that a prefix is one range
    // of the index whatever the server's locale.
    sql.replace(QLatin1String("{key}"), lite ? QLatin1String("TEXT") : QLatin1String("TEXT COLLATE \"C\""));
    return sql;
}

} // namespace database
