#pragma once

// The fixture books of tests/database/fixtures: for each schema version an order book
// as the program of that version left it, as an SQLite file and as an SQL script that
// loads the same rows into PostgreSQL. make_book_fixtures writes them; they are
// committed, so that the tests upgrade real books of the old versions.

#include <QString>

namespace bookfixtures {

inline QString sqliteFileName(int version)
{
    return QStringLiteral("book-v%1.sqlite").arg(version);
}

inline QString postgresScriptName(int version)
{
    return QStringLiteral("book-v%1.postgresql.sql").arg(version);
}

} // namespace bookfixtures
