#pragma once

#include "database/databaseconfig.h"
#include "database/databaseerror.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

#include <atomic>
#include <functional>

namespace database {

// One open connection to the order book. It belongs to the thread that opened it
// (the Database's worker); all statements go through exec() so that every failure
// becomes a DatabaseError with a message for the user.
class Connection
{
public:
    // Opens the database, sets the time limits (lock wait, statement time, connect
    // time) and, for SQLite, WAL. Raises DatabaseError when it cannot.
    Connection(const DatabaseConfig &config, const QString &connectionName);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    Engine engine() const { return m_engine; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

    // Runs one statement with positional "?" values. `what` names the action in the
    // message of a failure.
    QSqlQuery exec(const QString &sql, const QVariantList &values = {}, const QString &what = {});

    // A prepared statement to run many times with execPrepared() (bulk inserts).
    QSqlQuery prepare(const QString &sql);
    void execPrepared(QSqlQuery &query, const QString &what = {});

    // Runs `work` in one transaction: committed when it returns, rolled back when it
    // raises, so that nothing of a failed call stays behind. Called inside another
    // transaction's work, it is part of that one, which commits or rolls back the whole.
    template <typename Work>
    auto transaction(Work &&work) -> decltype(work())
    {
        if (m_inTransaction)
            return work();
        begin();
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                commit();
            } else {
                auto result = work();
                commit();
                return result;
            }
        } catch (...) {
            rollback();
            throw;
        }
    }

    // Tells the other stations that the shared order book changed, when this
    // transaction commits (PostgreSQL; nothing for SQLite).
    void announceChange();

    // The name of this packing station, recorded with what it prints and claims: the
    // host name and an id kept for this installation ("debian#1a2b3c4d").
    static QString stationName();
    // The host part of a station's name (names of earlier versions are the host alone).
    static QString stationHost(const QString &station);
    static QChar stationIdSeparator() { return u'#'; }

    // Placeholders of the portable schema text: {id} an auto-numbered key, {blob}
    // bytes, {bigint} a 64-bit integer, {key} text compared by code point.
    QString portable(QString sql) const;

    // Time limits of every statement (the lock wait is in the configuration).
    static constexpr int kStatementMs = 15000;
    static constexpr int kConnectSeconds = 5;

    // Ends the statement under way from another thread when the server stopped
    // answering (paused, network gone): the connection's socket is shut, the statement
    // fails at once with DatabaseError TimedOut, and the connection is not used again.
    // Safe to call from any thread while the connection exists. SQLite: nothing.
    void interrupt();
    bool wasInterrupted() const { return m_interrupted.load(); }
    // Called as each statement starts: the watchdog's limit is per statement, so a long
    // import of many short statements is never cut.
    void setStatementStarted(std::function<void()> started) { m_statementStarted = std::move(started); }

    // PostgreSQL: the server closed the connection meanwhile (it restarted); read from
    // what already arrived, without a round trip.
    bool isBroken();

private:
    void begin();
    void commit();
    void rollback();
    DatabaseError failure(const QSqlError &error, const QString &what) const;

    QString m_name;
    Engine m_engine;
    bool m_inTransaction = false;
    int m_socket = -1;
    std::function<void()> m_statementStarted;
    void *m_pg = nullptr; // the PGconn of a PostgreSQL connection
    std::atomic<bool> m_interrupted{false};
};

} // namespace database
