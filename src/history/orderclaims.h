#pragma once

#include "history/historyentry.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace database {
class Connection;
}

namespace history {

// Printing from the shared order book. Several stations may print the same selection
// at the same moment: each order is claimed in one statement that takes only orders
// still new, so every order goes to exactly one station's job. After the job was sent
// the station marks its orders printed and records their slips in one transaction;
// after a failed or cancelled job it gives them back. Orders claimed by a station that
// stopped half-way stay claimed (shown as being printed by that station) until a person
// decides whether they came out of the printer: nothing is printed twice unasked.
class OrderClaims
{
public:
    // The order state of a claimed order (beside new, printed and set aside).
    static constexpr int kPrinting = 3;

    // A token that tells this print's claims from every other.
    static QString newToken();

    // Claims those of `ids` that are still new; returns the ids claimed, in the order
    // given. The others were printed or claimed by someone else.
    static QList<qint64> claim(database::Connection &connection, const QList<qint64> &ids, const QString &token,
                               const QString &station, const QDateTime &now);

    // The job was sent: the orders of `printed` become printed (time, printer,
    // station) and every slip goes into the history, all in one transaction. A job
    // named `job` is written once: returns false (and changes nothing) when the history
    // already holds it.
    static bool complete(database::Connection &connection, const QList<PrintedSlip> &printed,
                         const QDateTime &printedAt, const QString &station, const QString &job = QString());

    // The job was not sent: the orders this token still holds become new again.
    static int release(database::Connection &connection, const QString &token);
    // The same for some of them (the pages a cancelled job did not send).
    static int release(database::Connection &connection, const QString &token, const QList<qint64> &ids);

    // A person's decision on orders a stopped station left claimed: back to new.
    static int releaseOrders(database::Connection &connection, const QList<qint64> &ids);
};

} // namespace history
