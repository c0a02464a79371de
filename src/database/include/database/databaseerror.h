#pragma once

#include "platform/error.h"

class QSqlError;

namespace database {

// A failure of the order book, with a message for the user that says what happened
// and what keeps working. Nothing of the failed call was stored.
class DatabaseError : public platform::Error
{
public:
    enum class Kind {
        Unavailable,   // cannot be opened or reached
        Locked,        // another program holds the file
        ReadOnly,      // the file or folder cannot be written
        Damaged,       // not a database, or its contents are broken
        DiskFull,      // no room left on the disk
        NewerSchema,   // written by a newer version of the program
        TimedOut,      // no answer in time
        Conflict,      // a unique key or constraint refused the change
        Other,
    };

    DatabaseError(Kind kind, QString message);

    Kind kind() const noexcept { return m_kind; }

    // Classifies a driver error and words it for the user; `what` says what was tried.
    static DatabaseError fromSql(const QSqlError &error, const QString &what);

private:
    Kind m_kind;
};

} // namespace database
