#pragma once

#include "orders/formats.h"
#include "orders/order.h"

#include <QList>
#include <QString>

#include <optional>

namespace database {
class Connection;
}

namespace orders {

struct StoreSummary
{
    int added = 0;
    int alreadyKnown = 0;  // same format and order number (or content) as a stored order
};

// What the order list shows of an order, in the list's sort and filter.
struct OrderQuery
{
    enum class Column { State, Number, Name, Zip, Address, Tel, Goods, Imported };
    std::optional<OrderState> state;  // all when empty
    QString search;                   // in number, name, postal code, address, telephone, goods
    Column sortColumn = Column::Imported;
    bool descending = false;
};

// The orders table. Every function runs on the database's worker (inside
// Database::run) and raises DatabaseError.
namespace store {

// Adds the orders, new, in one transaction; an order whose format and key are already
// stored is left as it is (re-imports and overlapping exports add nothing twice). The
// other stations hear of it when any was added. States change only through
// applyTransition (orders/orderstatemachine.h).
StoreSummary addOrders(database::Connection &connection, const QList<Order> &orders);

// The ids in the query's order.
QList<qint64> orderIds(database::Connection &connection, const OrderQuery &query);

// The orders with these ids, in the same order (missing ones left out).
QList<Order> ordersById(database::Connection &connection, const QList<qint64> &ids);

// Orders `station` claimed before `before` and still holds: claims a run of this
// station left behind when it ended mid-job.
QList<qint64> leftClaims(database::Connection &connection, const QString &station, const QDateTime &before);

// Column mappings of the user's, by header key.
std::optional<ColumnMapping> rememberedMapping(database::Connection &connection, const QString &headerKey);
void rememberMapping(database::Connection &connection, const QStringList &header, const ColumnMapping &mapping);

} // namespace store
} // namespace orders
