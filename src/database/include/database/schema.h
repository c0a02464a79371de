#pragma once

#include <QStringList>

#include <vector>

namespace database {

class Connection;

// One step of the schema. Its statements are written once for both engines, with the
// placeholders of Connection::portable ({id}, {blob}, {bigint}).
struct Migration
{
    int version;
    const char *what;
    QStringList statements;
};

// Every step, oldest first; a new table is one more entry at the end.
const std::vector<Migration> &migrations();

// The version the program writes (the last entry).
int schemaVersion();

// Brings the database up to schemaVersion(): each step and its version number in one
// transaction, so that an interrupted run leaves a whole earlier version. Several
// stations starting at once on PostgreSQL take turns. Raises DatabaseError NewerSchema
// when the database was written by a newer program.
void migrate(Connection &connection);

// The version stored in the database (0 for a new one).
int storedVersion(Connection &connection);

} // namespace database
