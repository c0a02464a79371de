#include "orders/orderstore.h"

#include "database/connection.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QTimeZone>

namespace orders::store {

using database::Connection;

namespace {

const QString kColumns = QStringLiteral(
    "id, source_format, order_key, order_number, state, zip, add1, add2, custo1, tel, g1, g2, g3,"
    " de_date1, de_date2, time_slot, repairs, source_file, imported_at, printed_at, printed_printer,"
    " printed_station, claimed_at");

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
    if (!q.value(22).isNull())
        o.claimedAt = QDateTime::fromMSecsSinceEpoch(q.value(22).toLongLong(), QTimeZone::utc());
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

StoreSummary addOrders(Connection &connection, const QList<Order> &orders)
{
    return connection.transaction([&] {
        StoreSummary summary;
        QSqlQuery insert = connection.prepare(QStringLiteral(
            "INSERT INTO orders (source_format, order_key, order_number, state, zip, add1, add2, custo1, tel,"
            " g1, g2, g3, de_date1, de_date2, time_slot, repairs, source_file, imported_at)"
            " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"
            " ON CONFLICT (source_format, order_key) DO NOTHING"));
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (const Order &o : orders) {
            const QVariantList values{o.sourceFormat, o.orderKey, o.orderNumber, int(OrderState::New), o.zip, o.add1,
                                      o.add2, o.custo1, o.tel, o.g1, o.g2, o.g3, o.deDate1, o.deDate2,
                                      o.timeSlot, repairsToText(o.repairs), o.sourceFile, now};
            for (int i = 0; i < values.size(); ++i) {
                // A null text would be bound as NULL; the columns hold empty texts.
                const QVariant &value = values.at(i);
                insert.bindValue(i, value.typeId() == QMetaType::QString && value.toString().isNull() ? QVariant(QStringLiteral(""))
                                                                                          : value);
            }
            connection.execPrepared(insert, QStringLiteral("注文の保存"));
            if (insert.numRowsAffected() > 0)
                ++summary.added;
            else
                ++summary.alreadyKnown;
        }
        if (summary.added > 0)
            connection.announceChange();
        return summary;
    });
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
    static const char *const sortColumns[] = {"state", "order_number", "custo1", "zip", "add1", "tel", "g1", "id"};
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
