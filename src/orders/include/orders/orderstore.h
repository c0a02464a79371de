#pragma once

#include "orders/formats.h"
#include "orders/order.h"

#include <QDate>
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
    int updated = 0;       // not yet printed, and its destination, goods or date had changed
    int changedAfterPrint = 0;  // printed (or being printed), and the download differs
    int setAside = 0;      // cancelled, refunded, shipped, pickup: set aside with the reason

    StoreSummary &operator+=(const StoreSummary &part)
    {
        added += part.added;
        alreadyKnown += part.alreadyKnown;
        updated += part.updated;
        changedAfterPrint += part.changedAfterPrint;
        setAside += part.setAside;
        return *this;
    }
};

// What the order list shows of an order, in the list's sort and filter.
struct OrderQuery
{
    enum class Column { State, Number, Name, Zip, Address, Tel, Goods, Imported, Shop, OrderDate };
    std::optional<OrderState> state;  // all when empty
    QDate orderedFrom;  // order dates from, to (both included); invalid: no bound
    QDate orderedTo;
    QString search;                   // in number, name, postal code, address, telephone, goods
    Column sortColumn = Column::Imported;
    bool descending = false;
};

// The orders table. Every function runs on the database's worker (inside
// Database::run) and raises DatabaseError.
namespace store {

// The format id of Click Post's bulk file.
inline const QString kClickPostFormat = QStringLiteral("clickpost");

// Adds the orders, new, in one transaction; an order whose format and key are already
// stored is not added twice (re-imports and overlapping exports), and neither is a
// Click Post row that this program wrote for an order of the book. A stored order whose
// destination, goods or requested date differ in the download is updated while not
// printed (marked ContentUpdated); once printed (or being printed) it stays as printed
// and the new values are kept in pendingChanges. Orders with a hold reason are set
// aside through applyTransition, new ones and stored ones not yet printed. The other
// stations hear of any change. States change only through applyTransition
// (orders/orderstatemachine.h).
StoreSummary addOrders(database::Connection &connection, const QList<Order> &orders);

// Items of a separate item file: remembered for orders still to come, and returned
// for those already stored (format, order number) -> items.
void rememberItems(database::Connection &connection, const QString &format, const QString &orderNumber,
                   const QList<OrderItem> &items);
std::optional<QList<OrderItem>> rememberedItems(database::Connection &connection, const QString &format,
                                                const QString &orderNumber);
// The stored orders of a format with this number (one per destination).
QList<Order> ordersByNumber(database::Connection &connection, const QString &format, const QString &orderNumber);

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
