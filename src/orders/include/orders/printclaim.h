#pragma once

#include "orders/order.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace database {
class Connection;
}

namespace orders {

// An order about to be printed on its own (F11 on an opened order, a scanned order
// number): claimed for this station first, so that no other station prints it at the
// same time, or found printed before, so that the person is asked before a second slip.
struct PrintClaim
{
    enum class Outcome {
        Claimed,          // claimed for this station under `token`: print it
        PrintedBefore,    // printed already: ask before printing again (nothing claimed)
        ClaimedElsewhere, // another print job (this or another station) is printing it
        SetAside,
        ClickPost,        // sent as Click Post: no Yu-Pack slip
        NotFound,
        Ambiguous,        // a scanned number that several orders carry
    };

    Outcome outcome = Outcome::NotFound;
    Order order;       // as read (before the claim); empty for NotFound and Ambiguous
    QString token;     // the claim, when Claimed
    QString scanned;   // the number looked up, for the messages

    // What the person is told when nothing is printed and nothing asked; empty for
    // Claimed and PrintedBefore.
    QString refusal() const;
};

// Claims the order for a print job of this station (one statement through the state
// machine). Runs on the order book's worker; raises database::DatabaseError.
PrintClaim claimForPrint(database::Connection &connection, qint64 orderId);

// The same for an order number as scanned from a packing slip: exact match on the
// number as imported, also with the platforms' prefix 「#」 dropped or added (a Shopify
// order "#1001" is found by "1001" and the other way round).
PrintClaim claimScannedForPrint(database::Connection &connection, const QString &scanned);

// The ids of the orders with that number, as claimScannedForPrint() matches it.
QList<qint64> ordersWithNumber(database::Connection &connection, const QString &scanned);

// The one question asked before anything printed before is printed again (F11 on an
// opened order, a scan, 「もう一度印刷」 in the history): 「K-102 は 2026/12/09 14:05 に
// （station）で印刷済みです。もう一度印刷しますか?」. The time is shown in local time.
QString reprintQuestion(const QString &subject, const QDateTime &printedAt, const QString &station);

// What a reprint question names: the order number, else the destination's name.
QString printSubject(const QString &orderNumber, const QString &name);

} // namespace orders
