#pragma once

#include "orders/order.h"

#include "slip/slipcheck.h"
#include "slip/sliprecord.h"

#include <QList>
#include <QString>

namespace orders {

// One order of a batch: its slip and what the pre-print check found on it.
struct BatchEntry
{
    Order order;
    slip::SlipRecord slip;
    QList<slip::SlipProblem> problems;
};

// The slips of the selected orders, each checked. Every slip carries its order's own
// desired date and time slot; the template's (the main window's) only for orders that
// have none of their own, and only when `templateDelivery` is set.
QList<BatchEntry> planBatch(const QList<Order> &orders, const slip::SlipRecord &slipTemplate,
                            bool templateDelivery, const slip::SlipCheckOptions &check);

// The desired date and slot a slip shows, as the confirmation names it: 「12/24 午前中」,
// 「指定なし」 when it has neither.
QString deliveryText(const slip::SlipRecord &slip);

// What the batch confirmation says and offers.
struct BatchConfirmation
{
    QString text;        // the question and what will be printed
    QString details;     // each order with problems and its problems, one per line
    QStringList buttons; // the last one cancels
    int leaveOutButton = -1; // prints all but the orders with problems; -1 when none has any
    QString tickText;    // the main window's date and slot for orders without; empty when it has none
};
BatchConfirmation batchConfirmation(const QList<BatchEntry> &entries, const QString &printerName,
                                    const slip::SlipRecord &slipTemplate);

} // namespace orders
