#pragma once

#include <QString>

namespace database {

enum class Engine { SQLite, PostgreSQL };

// Where the order book lives. By default the SQLite file "mekira.db" in the working
// folder; a "Database=postgresql://user@host:port/dbname" key in the settings file, or
// the environment variable MEKIRA_DATABASE, names a shared PostgreSQL database instead.
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

    static QString settingsKey() { return QStringLiteral("Database"); }
    static QString environmentVariable() { return QStringLiteral("MEKIRA_DATABASE"); }
    static QString defaultFileName() { return QStringLiteral("mekira.db"); }

    // Reads the configuration: MEKIRA_DATABASE first, then the "Database" key of the
    // settings file in `workingDirectory`, else the SQLite file there. A value that is
    // not a postgresql:// address names an SQLite file (relative to the folder).
    // Raises platform::Error for an address that cannot be read.
    static DatabaseConfig fromSettings(const QString &workingDirectory);

    // Parses one configured value as above.
    static DatabaseConfig fromValue(const QString &value, const QString &workingDirectory);

    static DatabaseConfig sqlite(const QString &path);

    // What the user is told the order book is (no password).
    QString displayName() const;
};

} // namespace database
