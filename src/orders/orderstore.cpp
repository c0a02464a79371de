#include "orders/orderstore.h"

#include "database/connection.h"
#include "orders/orderstatemachine.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QTimeZone>

namespace orders::store {

using database::Connection;

namespace {

const QString kColumns = QStringLiteral(
    "id, source_format, order_key, order_number, state, zip, add1, add2, custo1, tel, g1, g2, g3,"
    " de_date1, de_date2, time_slot, repairs, source_file, imported_at, printed_at, printed_printer,"
    " printed_station, items, order_date, hold_reason, pending_changes, add3, claimed_at");

Order orderFrom(const QSqlQuery &q)
{
    Order o;
    o.id = q.value(0).toLongLong();
    o.sourceFormat = q.value(1).toString();
    o.orderKey = q.value(2).toString();
    o.orderNumber = q.value(3).toString();
    o.state = OrderState(q.value(4).toInt());
    o.zip = q.value(5).toString();
    o.add1 = q.value(6).toString();
    o.add2 = q.value(7).toString();
    o.custo1 = q.value(8).toString();
    o.tel = q.value(9).toString();
    o.g1 = q.value(10).toString();
    o.g2 = q.value(11).toString();
    o.g3 = q.value(12).toString();
    o.deDate1 = q.value(13).toString();
    o.deDate2 = q.value(14).toString();
    o.timeSlot = q.value(15).toInt();
    o.repairs = repairsFromText(q.value(16).toString());
    o.sourceFile = q.value(17).toString();
    o.importedAt = QDateTime::fromMSecsSinceEpoch(q.value(18).toLongLong(), QTimeZone::utc());
    if (!q.value(19).isNull())
        o.printedAt = QDateTime::fromMSecsSinceEpoch(q.value(19).toLongLong(), QTimeZone::utc());
    o.printedPrinter = q.value(20).toString();
    o.printedStation = q.value(21).toString();
    o.items = itemsFromText(q.value(22).toString());
    o.orderDate = q.value(23).toString();
    o.holdReason = q.value(24).toString();
    o.pendingChanges = q.value(25).toString();
    o.add3 = q.value(26).toString();
    if (!q.value(27).isNull())
        o.claimedAt = QDateTime::fromMSecsSinceEpoch(q.value(27).toLongLong(), QTimeZone::utc());
    return o;
}

QString placeholders(qsizetype count)
{
    QString text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i)
        text += i ? QStringLiteral(",?") : QStringLiteral("?");
    return text;
}

QString escapeLike(QString text)
{
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
}

} // namespace

namespace {

// A null text would be bound as NULL; the columns hold empty texts.
QVariant bindable(const QVariant &value)
{
    return value.typeId() == QMetaType::QString && value.toString().isNull() ? QVariant(QStringLiteral("")) : value;
}

QVariantList bindable(QVariantList values)
{
    for (QVariant &value : values)
        value = bindable(value);
    return values;
}

void bindAll(QSqlQuery &query, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, bindable(values.at(i)));
}

// What a download can change of an order: destination, goods, requested date.
bool sameContent(const Order &a, const Order &b)
{
    return a.zip == b.zip && a.add1 == b.add1 && a.add2 == b.add2 && a.add3 == b.add3 && a.custo1 == b.custo1
        && a.tel == b.tel
        && a.g1 == b.g1 && a.g2 == b.g2 && a.g3 == b.g3 && a.deDate1 == b.deDate1 && a.deDate2 == b.deDate2
        && a.timeSlot == b.timeSlot;
}

OrderChanges changesOf(const Order &o)
{
    return {o.zip, o.add1, o.add2, o.custo1, o.tel, o.g1, o.g2, o.g3, o.deDate1, o.deDate2, o.timeSlot, o.sourceFile};
}

} // namespace

StoreSummary addOrders(Connection &connection, const QList<Order> &orders)
{
    return connection.transaction([&] {
        StoreSummary summary;
        QSqlQuery insert = connection.prepare(QStringLiteral(
            "INSERT INTO orders (source_format, order_key, order_number, state, zip, add1, add2, custo1, tel,"
            " g1, g2, g3, de_date1, de_date2, time_slot, repairs, source_file, imported_at, items, order_date,"
            " hold_reason, add3)"
            " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"
            " ON CONFLICT (source_format, order_key) DO NOTHING RETURNING id"));
        // A Click Post file this program wrote holds orders the book has already.
        QSqlQuery exported = connection.prepare(QStringLiteral("SELECT 1 FROM orders WHERE clickpost_key = ?"));
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        QList<qint64> toHold;
        bool changed = false;
        for (const Order &o : orders) {
            if (o.sourceFormat == kClickPostFormat) {
                exported.bindValue(0, o.orderKey);
                connection.execPrepared(exported, QStringLiteral("注文の保存"));
                const bool known = exported.next();
                exported.finish();
                if (known) {
                    ++summary.alreadyKnown;
                    continue;
                }
            }
            bindAll(insert, {o.sourceFormat, o.orderKey, o.orderNumber, int(OrderState::New), o.zip, o.add1, o.add2,
                             o.custo1, o.tel, o.g1, o.g2, o.g3, o.deDate1, o.deDate2, o.timeSlot,
                             repairsToText(o.repairs), o.sourceFile, now, itemsToText(o.items), o.orderDate,
                             o.holdReason, o.add3});
            connection.execPrepared(insert, QStringLiteral("注文の保存"));
            if (insert.next()) {
                ++summary.added;
                changed = true;
                if (!o.holdReason.isEmpty())
                    toHold << insert.value(0).toLongLong();
                insert.finish();
                continue;
            }
            insert.finish();
            QSqlQuery found = connection.exec(
                QStringLiteral("SELECT %1 FROM orders WHERE source_format = ? AND order_key = ?").arg(kColumns),
                {o.sourceFormat, o.orderKey}, QStringLiteral("注文の読み込み"));
            if (!found.next()) {
                ++summary.alreadyKnown;
                continue;
            }
            const Order stored = orderFrom(found);
            found.finish();
            if (!o.holdReason.isEmpty() && stored.holdReason != o.holdReason) {
                connection.exec(QStringLiteral("UPDATE orders SET hold_reason = ? WHERE id = ?"),
                                {o.holdReason, stored.id});
                if (stored.state == OrderState::New)
                    toHold << stored.id;
                changed = true;
            }
            if (sameContent(stored, o)) {
                ++summary.alreadyKnown;
                continue;
            }
            // Not yet printed: the download's values replace the stored ones, unless a
            // station claimed the order meanwhile (the state is checked in the statement).
            QSqlQuery update = connection.exec(
                QStringLiteral("UPDATE orders SET zip = ?, add1 = ?, add2 = ?, add3 = ?, custo1 = ?, tel = ?, g1 = ?,"
                               " g2 = ?, g3 = ?, de_date1 = ?, de_date2 = ?, time_slot = ?, repairs = ?, items = ?,"
                               " source_file = ?, pending_changes = '' WHERE id = ? AND state IN (?, ?)"),
                bindable({o.zip, o.add1, o.add2, o.add3, o.custo1, o.tel, o.g1, o.g2, o.g3, o.deDate1, o.deDate2, o.timeSlot,
                          repairsToText(o.repairs | Repair::ContentUpdated), itemsToText(o.items), o.sourceFile,
                          stored.id, int(OrderState::New), int(OrderState::SetAside)}),
                QStringLiteral("注文の更新"));
            changed = true;
            if (update.numRowsAffected() > 0) {
                ++summary.updated;
                continue;
            }
            const QString pending = changesOf(o).toText();
            if (pending != stored.pendingChanges) {
                connection.exec(QStringLiteral("UPDATE orders SET pending_changes = ? WHERE id = ?"),
                                {pending, stored.id}, QStringLiteral("注文の更新"));
                ++summary.changedAfterPrint;
            } else {
                ++summary.alreadyKnown;
            }
        }
        summary.setAside = int(applyTransition(connection, toHold, OrderAction::SetAside).size());
        if (changed)
            connection.announceChange();
        return summary;
    });
}

void rememberItems(Connection &connection, const QString &format, const QString &orderNumber,
                   const QList<OrderItem> &items)
{
    connection.exec(QStringLiteral("DELETE FROM order_items WHERE source_format = ? AND order_number = ?"),
                    {format, orderNumber});
    connection.exec(QStringLiteral("INSERT INTO order_items (source_format, order_number, items) VALUES (?,?,?)"),
                    bindable({format, orderNumber, itemsToText(items)}), QStringLiteral("商品の保存"));
}

std::optional<QList<OrderItem>> rememberedItems(Connection &connection, const QString &format,
                                                const QString &orderNumber)
{
    QSqlQuery q = connection.exec(
        QStringLiteral("SELECT items FROM order_items WHERE source_format = ? AND order_number = ?"),
        {format, orderNumber});
    if (!q.next())
        return std::nullopt;
    return itemsFromText(q.value(0).toString());
}

QList<Order> ordersByNumber(Connection &connection, const QString &format, const QString &orderNumber)
{
    QSqlQuery q = connection.exec(
        QStringLiteral("SELECT %1 FROM orders WHERE source_format = ? AND order_number = ? ORDER BY id").arg(kColumns),
        {format, orderNumber}, QStringLiteral("注文の読み込み"));
    QList<Order> result;
    while (q.next())
        result << orderFrom(q);
    return result;
}

QList<qint64> orderIds(Connection &connection, const OrderQuery &query)
{
    QString sql = QStringLiteral("SELECT id FROM orders");
    QVariantList values;
    QStringList where;
    if (query.state) {
        where << QStringLiteral("state = ?");
        values << int(*query.state);
    }
    if (query.orderedFrom.isValid()) {
        where << QStringLiteral("order_date >= ?");
        values << query.orderedFrom.toString(u"yyyy-MM-dd");
    }
    if (query.orderedTo.isValid()) {
        // "2026-12-05 23:59" < "2026-12-06"
        where << QStringLiteral("order_date < ? AND order_date <> ''");
        values << query.orderedTo.addDays(1).toString(u"yyyy-MM-dd");
    }
    const QString search = query.search.trimmed();
    if (!search.isEmpty()) {
        const QString like = u'%' + escapeLike(search) + u'%';
        QStringList any;
        for (const char *column : {"order_number", "custo1", "zip", "add1", "add2", "tel", "g1", "g2", "g3"}) {
            any << QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(QLatin1String(column));
            values << like;
        }
        where << u'(' + any.join(QStringLiteral(" OR ")) + u')';
    }
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    static const char *const sortColumns[] = {"state", "order_number", "custo1", "zip", "add1", "tel", "g1", "id",
                                              "source_format", "order_date"};
    const char *direction = query.descending ? " DESC" : " ASC";
    sql += QStringLiteral(" ORDER BY %1%2, id%2").arg(QLatin1String(sortColumns[int(query.sortColumn)]),
                                                     QLatin1String(direction));
    QSqlQuery q = connection.exec(sql, values, QStringLiteral("注文の一覧"));
    QList<qint64> ids;
    while (q.next())
        ids << q.value(0).toLongLong();
    return ids;
}

QList<Order> ordersById(Connection &connection, const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return {};
    // In chunks: a large selection stays below the bound values either engine takes.
    constexpr qsizetype kChunk = 500;
    QHash<qint64, Order> found;
    for (qsizetype first = 0; first < ids.size(); first += kChunk) {
        const QList<qint64> chunk = ids.mid(first, kChunk);
        QVariantList values;
        for (qint64 id : chunk)
            values << id;
        QSqlQuery q = connection.exec(
            QStringLiteral("SELECT %1 FROM orders WHERE id IN (%2)").arg(kColumns, placeholders(chunk.size())), values,
            QStringLiteral("注文の読み込み"));
        while (q.next()) {
            Order o = orderFrom(q);
            found.insert(o.id, std::move(o));
        }
    }
    QList<Order> result;
    for (qint64 id : ids)
        if (found.contains(id))
            result << found.value(id);
    return result;
}

QList<qint64> leftClaims(Connection &connection, const QString &station, const QDateTime &before)
{
    QSqlQuery q = connection.exec(
        QStringLiteral("SELECT id FROM orders WHERE state = ? AND printed_station = ?"
                       " AND (claimed_at IS NULL OR claimed_at < ?) ORDER BY id"),
        {int(OrderState::Printing), station, before.toMSecsSinceEpoch()}, QStringLiteral("印刷中の注文の確認"));
    QList<qint64> ids;
    while (q.next())
        ids << q.value(0).toLongLong();
    return ids;
}

std::optional<ColumnMapping> rememberedMapping(Connection &connection, const QString &headerKey)
{
    QSqlQuery q = connection.exec(QStringLiteral("SELECT mapping FROM column_mappings WHERE header_key = ?"),
                                  {headerKey});
    if (!q.next())
        return std::nullopt;
    return ColumnMapping::fromText(q.value(0).toString());
}

void rememberMapping(Connection &connection, const QStringList &header, const ColumnMapping &mapping)
{
    connection.transaction([&] {
        const QString key = headerKey(header);
        connection.exec(QStringLiteral("DELETE FROM column_mappings WHERE header_key = ?"), {key});
        connection.exec(QStringLiteral("INSERT INTO column_mappings (header_key, header, mapping, updated_at)"
                                       " VALUES (?,?,?,?)"),
                        {key, header.join(u'\t'), mapping.toText(), QDateTime::currentMSecsSinceEpoch()});
    });
}

} // namespace orders::store
