#pragma once

#include <QString>

namespace database {

enum class Engine { SQLite, PostgreSQL };

// Where the order book lives: an SQLite file (by default "mekira.db" in the working
// folder) or a shared PostgreSQL database named by a "postgresql://user@host:port/dbname"
// address. The program reads the configured value (settings file, environment) and
// hands it over; this library reads no settings of its own.
// The password is taken from the address or, as libpq does by itself, from ~/.pgpass;
// it is never written to any file of the program.
struct DatabaseConfig
{
    Engine engine = Engine::SQLite;
    QString sqlitePath;  // SQLite only

    // PostgreSQL only.
    QString host;
    int port = 5432;
    QString user;
    QString password;    // only when the address carries one
    QString databaseName;
    QString options;     // extra libpq options ("sslmode=require"), ';'-separated

    // How long a statement waits for another station's or program's lock.
    int lockWaitMs = 5000;
    // How long this program waits for one statement's answer before it cuts the connection
    // (a server that stopped answering never says so itself): above the server's own
    // statement limit and the lock wait, so that a slow but working server still answers.
    int answerWaitMs = 20000;

    static QString settingsKey() { return QStringLiteral("Database"); }
    static QString environmentVariable() { return QStringLiteral("MEKIRA_DATABASE"); }
    static QString defaultFileName() { return QStringLiteral("mekira.db"); }

    // Parses one configured value as above.
    static DatabaseConfig fromValue(const QString &value, const QString &workingDirectory);

    static DatabaseConfig sqlite(const QString &path);

    // What the user is told the order book is (no password).
    QString displayName() const;
};

} // namespace database
