#pragma once

#include "orders/order.h"
#include "orders/orderstore.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>

#include <functional>

namespace database {
class Database;
}

namespace orders {

// The order list as a table model that loads lazily: a reload fetches only the ids in
// the list's order (off the window's thread); the rows are fetched a page at a time
// when the view first shows them, so 100,000 orders open as fast as a few.
class OrderListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { StateColumn, ShopColumn, OrderDateColumn, NumberColumn, NameColumn, ZipColumn, AddressColumn,
                  TelColumn, GoodsColumn, PostalCheckColumn, RepairsColumn, ColumnCount };
    static constexpr int kPageSize = 200;

    // The postal-code check's words for an order ("一致", "不一致", ...); empty when
    // no check is available.
    using PostalCheck = std::function<QString(const Order &)>;

    explicit OrderListModel(database::Database &database, QObject *parent = nullptr);

    void setPostalCheck(PostalCheck check) { m_postalCheck = std::move(check); }

    // Filter, search and order; reloads.
    void setQuery(const OrderQuery &query);
    const OrderQuery &query() const { return m_query; }
    void reload();

    qint64 orderId(int row) const { return m_ids.value(row); }
    // The order when its page is loaded.
    const Order *loadedOrder(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;

    static QString stateText(OrderState state);
    // The state as the list shows it: 「保留（キャンセル）」, 「印刷済み（印刷後に変更あり）」.
    static QString stateText(const Order &order);
    // 「印刷後に変更あり」 and what the later download changed, for the tooltip and the
    // window's 「変更の内容」.
    static QString changesText(const Order &order);

Q_SIGNALS:
    void reloaded();
    // A call to the database failed; the message is for the user.
    void failed(const QString &message);

private:
    void startReload();
    QString text(const Order &order, Column column, int role) const;
    QString stateText(const Order &order, int role) const;
    void requestPage(int page) const;

    database::Database &m_database;
    OrderQuery m_query;
    QList<qint64> m_ids;
    mutable QHash<int, QList<Order>> m_pages;
    mutable QSet<int> m_requested;
    QSet<QString> m_stations;  // of the orders loaded: a host name two stations share is told apart
    int m_generation = 0;
    bool m_reloadPending = false;
    PostalCheck m_postalCheck;
};

} // namespace orders
