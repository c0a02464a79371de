#pragma once

#include "history/historyentry.h"
#include "history/historystore.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

#include <optional>

namespace database {
class Database;
}

namespace history {

// The history as a table for the history window, loaded a page at a time as the view
// scrolls (never the whole table), newest first. Every read and write runs on the
// order book's worker; answers to an older search are dropped.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { PrintedAt, Station, Name, Telephone, PostalCode, Address, Goods, OrderNumber, Tracking, Printer,
                  Reported, ColumnCount };
    static constexpr int kPageSize = 200;

    explicit HistoryModel(database::Database &database, QObject *parent = nullptr);

    // Starts a new search; the rows come with loaded().
    void setQuery(const HistoryQuery &query);
    const HistoryQuery &query() const { return m_query; }
    // The same search again (another station printed, a slip was recorded).
    void refresh();

    const HistoryEntry &entryAt(int row) const { return m_rows.at(row); }
    // Why the last number entered in the row was refused; empty once one is saved.
    QString refusalAt(int row) const;
    // The first row after `row` (wrapping to the top) that has no tracking number, or -1.
    int nextRowWithoutTracking(int row) const;
    // True while a page is being read.
    bool isLoading() const { return m_loading; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The tracking-number column: the number is checked for form at once (false and
    // trackingRefused() when wrong) and for duplicates by the database; a duplicate
    // brings the old value back with trackingRefused().
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    void loaded();
    void failed(const QString &message);
    void trackingRefused(int row, const QString &message);
    void trackingSaved(int row);

private:
    void fetchPage(bool reset);
    int rowOf(qint64 id) const;
    void refuse(int row, qint64 id, const QString &message);

    database::Database &m_database;
    HistoryQuery m_query;
    QList<HistoryEntry> m_rows;
    QHash<qint64, QString> m_refusals; // by row id: shown in the row until a number is saved
    bool m_atEnd = false;
    bool m_loading = false;
    quint64 m_generation = 0;
};

} // namespace history
