#pragma once

#include "history/historyentry.h"
#include "history/shipmentexport.h"

#include "database/databaseerror.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace database {
class Connection;
}

namespace history {

// What the history window asks for: one kind of search text and a date range.
struct HistoryQuery
{
    enum class Field { All, Name, Telephone, PostalCode, OrderNumber, TrackingNumber };

    Field field = Field::All;
    QString text;   // empty: no condition; names, numbers and codes match from their start
    QDate from;     // first day printed, inclusive; null: no limit
    QDate to;       // last day printed, inclusive; null: no limit
    // Oldest first (a day's stack of slips scanned in the order printed); else newest first.
    bool oldestFirst = false;

    // The words of the field chooser, in the order of Field.
    static QStringList fieldNames();
};

// Where a page of search results ended; the next page starts after it, in the
// query's order.
struct HistoryCursor
{
    qint64 printedAtMs = 0;
    qint64 id = 0;
};

// A tracking number that another row of the history already holds.
class DuplicateTrackingNumber : public database::DatabaseError
{
public:
    DuplicateTrackingNumber(qint64 otherId, const QDateTime &otherPrintedAt, const QString &otherName,
                            const QString &digits);
    qint64 otherId() const { return m_otherId; } // 0 when not known

private:
    qint64 m_otherId;
};

// The history table: every slip printed, kept without a time limit. All calls take a
// connection of the order book's worker thread (database::Database) and raise
// database::DatabaseError.
class HistoryStore
{
public:
    // Records one printed slip of the print job `job` (may be empty); returns its row id.
    static qint64 record(database::Connection &connection, const PrintedSlip &printed, const QDateTime &printedAt,
                         const QString &station, const QString &job = QString());

    // A print job was sent: its slips go into the history and the orders they came from
    // become printed (time, each slip's printer, station), all in one transaction, so
    // that an order is printed exactly when its slip is recorded. A job named `job` is
    // written once: returns false (and changes nothing) when the history holds it.
    static bool recordJob(database::Connection &connection, const QList<PrintedSlip> &printed,
                          const QDateTime &printedAt, const QString &station, const QString &job = QString());

    // One page of rows matching the query in its order, after `after` when given.
    static QList<HistoryEntry> page(database::Connection &connection, const HistoryQuery &query,
                                    const std::optional<HistoryCursor> &after, int limit);

    static std::optional<HistoryEntry> entry(database::Connection &connection, qint64 id);

    // Sets or clears (empty `digits`) the tracking number of a row. A number another
    // row holds is refused with DuplicateTrackingNumber, and nothing changes.
    static void setTrackingNumber(database::Connection &connection, qint64 id, const QString &digits);

    // The row that holds a tracking number, if any.
    static std::optional<qint64> rowWithTrackingNumber(database::Connection &connection, const QString &digits);

    // Rows printed in the date range (inclusive; null dates: no limit) that hold a
    // tracking number, oldest first: the shipments to report to the platforms; with
    // `unreportedOnly`, those no file has reported yet.
    static QList<Shipment> shipments(database::Connection &connection, const QDate &from, const QDate &to,
                                     bool unreportedOnly = false);

    // Marks the rows 「報告済み」 at `at`.
    static void markReported(database::Connection &connection, const QList<qint64> &ids, const QDateTime &at);

    // Writes the shipments the options choose into their file (or one file per shop)
    // and marks them reported, in one transaction: a file that cannot be written marks
    // nothing. Raises platform::EFileError or database::DatabaseError.
    static ShipmentExportResult exportShipments(database::Connection &connection, const QString &path,
                                                const ShipmentExportOptions &options);

    // Search keys: how names, telephone numbers and postal codes are stored for search
    // and how a search text is turned into the same form.
    static QString nameKey(const QString &name);
    static QString digitsKey(const QString &text);
};

} // namespace history
