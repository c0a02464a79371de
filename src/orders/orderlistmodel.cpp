#include "orders/orderlistmodel.h"

#include "database/connection.h"
#include "database/database.h"
#include "orders/formats.h"

#include "orders/stations.h"

#include <QColor>

namespace orders {

OrderListModel::OrderListModel(database::Database &database, QObject *parent)
    : QAbstractTableModel(parent), m_database(database)
{
}

namespace {
const QString &thisStation()
{
    static const QString station = database::Connection::stationName();
    return station;
}
} // namespace

QString OrderListModel::stateText(OrderState state)
{
    switch (state) {
    case OrderState::New: return QStringLiteral("未印刷");
    case OrderState::Printed: return QStringLiteral("印刷済み");
    case OrderState::SetAside: return QStringLiteral("保留");
    case OrderState::Printing: return QStringLiteral("印刷中");
    case OrderState::ClickPost: return QStringLiteral("クリックポスト");
    }
    return {};
}

QString OrderListModel::stateText(const Order &order)
{
    QString text = stateText(order.state);
    if (order.state == OrderState::SetAside && !order.holdReason.isEmpty())
        text += QStringLiteral("（%1）").arg(order.holdReason);
    // Also once given back to print again: the slip would go out with the printed values.
    if (!order.pendingChanges.isEmpty())
        text += QStringLiteral("（印刷後に変更あり）");
    return text;
}

QString OrderListModel::changesText(const Order &order)
{
    if (order.pendingChanges.isEmpty())
        return {};
    const OrderChanges changes = OrderChanges::fromText(order.pendingChanges);
    QStringList lines{QStringLiteral("印刷後に変更あり（%1）").arg(changes.sourceFile)};
    lines += changes.describe(order);
    return lines.join(u'\n');
}

void OrderListModel::setQuery(const OrderQuery &query)
{
    m_query = query;
    reload();
}

void OrderListModel::reload()
{
    // Asked for several times in one turn of the event loop (a view switching its
    // sorting on while the window is made, a filter set): the ids are read once.
    if (m_reloadPending)
        return;
    m_reloadPending = true;
    QMetaObject::invokeMethod(this, &OrderListModel::startReload, Qt::QueuedConnection);
}

void OrderListModel::startReload()
{
    m_reloadPending = false;
    const int generation = ++m_generation;
    const OrderQuery query = m_query;
    m_database.run<QList<qint64>>([query](database::Connection &c) { return store::orderIds(c, query); })
        .then(this, [this, generation](const QList<qint64> &ids) {
            if (generation != m_generation)
                return;  // a newer reload is on its way
            beginResetModel();
            m_ids = ids;
            m_pages.clear();
            m_requested.clear();
            endResetModel();
            Q_EMIT reloaded();
        })
        .onFailed(this, [this](const std::exception &error) {
            Q_EMIT failed(QString::fromUtf8(error.what()));
        });
}

void OrderListModel::requestPage(int page) const
{
    if (m_requested.contains(page))
        return;
    m_requested.insert(page);
    const QList<qint64> ids = m_ids.mid(qsizetype(page) * kPageSize, kPageSize);
    const int generation = m_generation;
    auto *self = const_cast<OrderListModel *>(this);
    m_database.run<QList<Order>>([ids](database::Connection &c) { return store::ordersById(c, ids); })
        .then(self, [self, page, generation](const QList<Order> &orders) {
            if (generation != self->m_generation)
                return;
            for (const Order &order : orders) {
                if (!order.printedStation.isEmpty())
                    self->m_stations.insert(order.printedStation);
            }
            self->m_pages.insert(page, orders);
            const int first = page * kPageSize;
            const int last = std::min(first + kPageSize, int(self->m_ids.size())) - 1;
            Q_EMIT self->dataChanged(self->index(first, 0), self->index(last, ColumnCount - 1));
        })
        .onFailed(self, [self, page](const std::exception &error) {
            self->m_requested.remove(page);
            Q_EMIT self->failed(QString::fromUtf8(error.what()));
        });
}

const Order *OrderListModel::loadedOrder(int row) const
{
    const auto page = m_pages.constFind(row / kPageSize);
    if (page == m_pages.cend())
        return nullptr;
    const int at = row % kPageSize;
    return at < page->size() ? &page->at(at) : nullptr;
}

int OrderListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int OrderListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OrderListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::ForegroundRole))
        return {};
    const Order *order = loadedOrder(index.row());
    if (!order) {
        requestPage(index.row() / kPageSize);
        return role == Qt::DisplayRole ? QVariant(QStringLiteral("…")) : QVariant();
    }
    const bool changedAfterPrint = !order->pendingChanges.isEmpty();
    if (role == Qt::ForegroundRole) {
        if ((index.column() == RepairsColumn && order->repairs) || (index.column() == StateColumn && changedAfterPrint))
            return QColor(Qt::darkRed);
        return order->state == OrderState::Printed ? QVariant(QColor(Qt::gray)) : QVariant();
    }
    // Long values (a name of millions of characters) are cut: a cell or tooltip is
    // laid out whole.
    return cutForDisplay(text(*order, Column(index.column()), role));
}

QString OrderListModel::text(const Order &order, Column column, int role) const
{
    const Order *const o = &order;
    switch (column) {
    case StateColumn:
        return stateText(*o, role);
    case ShopColumn: return platformName(o->sourceFormat);
    case OrderDateColumn: return o->orderDate;
    case NumberColumn: return o->orderNumber;
    case NameColumn: return o->custo1;
    case ZipColumn: return o->zip;
    case AddressColumn: return QStringList{o->add1, o->add2}.join(u' ').trimmed();
    case TelColumn: return o->tel;
    case GoodsColumn: return QStringList{o->g1, o->g2, o->g3}.join(u' ').trimmed();
    case PostalCheckColumn: return m_postalCheck ? m_postalCheck(*o) : QString();
    case RepairsColumn: return repairTexts(o->repairs).join(QStringLiteral("、"));
    case ColumnCount: break;
    }
    return {};
}

QString OrderListModel::stateText(const Order &order, int role) const
{
    if (role == Qt::ToolTipRole && !order.pendingChanges.isEmpty())
        return changesText(order);
    const QString station = stationLabel(order.printedStation, m_stations);
    if (order.state == OrderState::Printed && role == Qt::ToolTipRole)
        return QStringLiteral("%1 %2 (%3)").arg(order.printedAt.toLocalTime().toString(u"yyyy/MM/dd HH:mm"),
                                                order.printedPrinter, station);
    // A claim shows its station and age: a claim left by a stopped station is told from
    // one still printing.
    if (order.state == OrderState::Printing && order.claimedAt.isValid())
        return QStringLiteral("%1（%2・%3）")
            .arg(stateText(order), station, ageText(order.claimedAt, QDateTime::currentDateTimeUtc()));
    // Which station printed it: shown on a shared order book.
    if (order.state == OrderState::Printed && !order.printedStation.isEmpty()
        && order.printedStation != thisStation())
        return QStringLiteral("%1（%2）").arg(stateText(order), station);
    return stateText(order);
}

QVariant OrderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"状態", "ショップ", "注文日", "注文番号", "おなまえ", "郵便番号",
                                                    "おところ", "でんわ", "品名", "郵便番号の確認", "修正"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QString();
}

void OrderListModel::sort(int column, Qt::SortOrder order)
{
    using C = OrderQuery::Column;
    static const C columns[ColumnCount] = {C::State, C::Shop, C::OrderDate, C::Number, C::Name, C::Zip, C::Address,
                                           C::Tel, C::Goods, C::Zip, C::Imported};
    if (column >= ColumnCount)
        return;
    // No column (the view's sort indicator cleared): back to the order of import.
    m_query.sortColumn = column < 0 ? C::Imported : columns[column];
    m_query.descending = column >= 0 && order == Qt::DescendingOrder;
    reload();
}

} // namespace orders
