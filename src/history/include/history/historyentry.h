#pragma once

#include "slip/sliprecord.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace history {

// A slip as it went to the printer: every field as printed, and where and how it was
// printed. The print paths hand one of these over after the job was sent.
struct PrintedSlip
{
    slip::SlipRecord slip;
    QString printer;      // the printer's name as the display showed it
    QString feed;         // the paper feed chosen ("手差し", "連続(４インチ)")
    QString marginTop;    // the binding's margins in printer dots, as texts
    QString marginLeft;
    std::optional<qint64> orderId; // the order-book order it came from, if any
};

// One row of the history.
struct HistoryEntry
{
    qint64 id = 0;
    QDateTime printedAt;
    QString station;
    PrintedSlip printed;
    QString orderNumber;   // of the order it came from, else empty
    QString sourceFormat;  // of the order it came from, else empty
    QString trackingNumber; // twelve digits, or empty while not entered
    QDateTime reportedAt;   // when a shipment file reported it to its shop; invalid: not yet
};

} // namespace history
