#pragma once

#include "orders/order.h"

#include "platform/error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace database {
class Connection;
}

namespace orders {

// Click Post's bulk application file (一括申込): CP932, CR LF, the eight columns our
// import reads, one row per order. Lengths are in half-width units, as the service
// counts them: a character CP932 writes in two bytes is two units.
namespace clickpost {

inline constexpr int kAddressLines = 4;
inline constexpr int kAddressWidth = 40;
inline constexpr int kNameWidth = 40;
inline constexpr int kItemWidth = 30;
inline constexpr int kOrdersPerFile = 40;

// An order that cannot go into the file; the message names it.
class ExportError : public platform::Error
{
public:
    using platform::Error::Error;
};

// Half-width units of the text in CP932 (characters CP932 lacks count as one).
int units(QStringView text);

// The address carried over at most `lines` lines of `width` units: broken at a blank
// or after 丁目, 番地 or 号 where a line allows it, else between two characters that are
// not both part of a number ("1-2-3", "１０１"); never cut. Empty when it does not fit.
QStringList splitAddress(const QString &address, int lines = kAddressLines, int width = kAddressWidth);

// The header row's cells.
QStringList header();

// The cells of an order's row; raises ExportError naming the order for a character
// CP932 lacks, a name over 40 units or an address that does not fit the four lines.
// The item is shortened to 30 units.
QStringList row(const Order &order);

// One file's bytes for up to 40 orders, header first.
QByteArray fileFor(const QList<Order> &orders);

// The files for the orders: `path` itself for up to 40 orders, else "<name>-1.csv",
// "<name>-2.csv", ... beside it, 40 orders each.
QStringList filePaths(const QString &path, int orderCount);

// What an export did.
struct ExportResult
{
    QStringList files;
    int orders = 0;
};

// Writes the orders with these ids (empty: every unprinted order) that are still new
// into Click Post files and marks them 「クリックポスト」 through the state machine,
// with the key that importing the file gives each row, so that such an import adds
// nothing. Nothing is written or marked when any order is refused. Runs on the order
// book's worker; raises ExportError, platform::EFileError or database::DatabaseError.
ExportResult exportOrders(database::Connection &connection, const QList<qint64> &ids, const QString &path);

} // namespace clickpost
} // namespace orders
