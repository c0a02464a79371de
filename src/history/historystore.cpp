#include "history/historystore.h"

#include "history/trackingnumber.h"

#include "database/connection.h"
#include "database/databaseerror.h"
#include "orders/orderstatemachine.h"

#include <QSqlQuery>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>

namespace history {

namespace {

using database::Connection;

constexpr const char *kColumns =
    "id, printed_at, station, printer, feed, margin_top, margin_left, order_id, order_number, source_format,"
    " zip, add1, add2, custo1, tel, my_zip, my_add1, my_add2, my_name, my_tel, my_on, g1, g2, g3,"
    " slip_date, date_on, de_date1, de_date2, time_slots, tracking, add3, reported_at";

// The time slot is stored as a bit of its own (slot n: bit n-1), as rows have always
// been; a row with several bits, which no program writes, reads as its first slot.
int timeSlotBits(slip::TimeSlot slot)
{
    return slot == slip::TimeSlot::None ? 0 : 1 << (slip::timeSlotNumber(slot) - 1);
}

slip::TimeSlot timeSlotFromBits(int bits)
{
    for (int number = 1; number <= slip::kTimeSlotCount; ++number) {
        if (bits & (1 << (number - 1)))
            return slip::timeSlotFromNumber(number);
    }
    return slip::TimeSlot::None;
}

HistoryEntry readEntry(const QSqlQuery &q)
{
    HistoryEntry e;
    int c = 0;
    e.id = q.value(c++).toLongLong();
    e.printedAt = QDateTime::fromMSecsSinceEpoch(q.value(c++).toLongLong());
    e.station = q.value(c++).toString();
    e.printed.printer = q.value(c++).toString();
    e.printed.feed = q.value(c++).toString();
    e.printed.marginTop = q.value(c++).toString();
    e.printed.marginLeft = q.value(c++).toString();
    const QVariant orderId = q.value(c++);
    if (!orderId.isNull())
        e.printed.orderId = orderId.toLongLong();
    e.orderNumber = q.value(c++).toString();
    e.sourceFormat = q.value(c++).toString();
    slip::SlipRecord &s = e.printed.slip;
    s.destination.postalCode = q.value(c++).toString();
    s.destination.address1 = q.value(c++).toString();
    s.destination.address2 = q.value(c++).toString();
    s.destination.name = q.value(c++).toString();
    s.destination.telephone = q.value(c++).toString();
    s.sender.postalCode = q.value(c++).toString();
    s.sender.address1 = q.value(c++).toString();
    s.sender.address2 = q.value(c++).toString();
    s.sender.name = q.value(c++).toString();
    s.sender.telephone = q.value(c++).toString();
    s.printSender = q.value(c++).toInt() != 0;
    s.goods[0] = q.value(c++).toString();
    s.goods[1] = q.value(c++).toString();
    s.goods[2] = q.value(c++).toString();
    s.shippingDate = QDate::fromString(q.value(c++).toString(), Qt::ISODate);
    s.printShippingDate = q.value(c++).toInt() != 0;
    s.deliveryMonth = q.value(c++).toString();
    s.deliveryDay = q.value(c++).toString();
    s.timeSlot = timeSlotFromBits(q.value(c++).toInt());
    e.trackingNumber = q.value(c++).toString();
    s.destination.address3 = q.value(c++).toString();
    const QVariant reported = q.value(c++);
    if (!reported.isNull())
        e.reportedAt = QDateTime::fromMSecsSinceEpoch(reported.toLongLong());
    return e;
}

// The first key above every key that starts with `prefix`: the prefix followed by the
// highest code point. The key columns compare code points (byte order of UTF-8), so a
// range query finds the prefix through the column's index on both engines.
QString upperBound(const QString &prefix)
{
    return prefix + QString::fromUcs4(U"\U0010FFFF", 1);
}

qint64 startOfDayMs(const QDate &date)
{
    return date.startOfDay().toMSecsSinceEpoch();
}

// One condition with its values.
struct Condition
{
    QString sql;
    QVariantList values;
    bool isPrefix = false; // a key range, which may hold a large part of the history
};

Condition prefixCondition(const char *column, const QString &key)
{
    return {QStringLiteral("%1 >= ? AND %1 < ?").arg(QLatin1String(column)), {key, upperBound(key)}, true};
}

// The search text as conditions on the fields searched, any of which may match. A
// text that cannot match a field (letters searched as a telephone number) adds none.
QList<Condition> textAlternatives(HistoryQuery::Field field, const QString &text)
{
    using Field = HistoryQuery::Field;
    const QString trimmed = text.trimmed();
    QList<Condition> alternatives;
    const QString digits = HistoryStore::digitsKey(trimmed);
    // Numbers stored before the check digit was checked are found as well.
    const TrackingNumber number = TrackingNumber::parse(trimmed, TrackingNumber::Check::FormOnly);
    const bool onlyDigits = !digits.isEmpty() && number.result != TrackingNumber::Result::NotDigits;
    const auto wants = [field](Field f) { return field == f || field == Field::All; };
    if (wants(Field::TrackingNumber) && onlyDigits) {
        if (number.isValid())
            alternatives.append({QStringLiteral("tracking = ?"), {number.digits}});
        else if (field == Field::TrackingNumber)
            alternatives.append(prefixCondition("tracking", digits));
    }
    if (wants(Field::Telephone) && onlyDigits)
        alternatives.append(prefixCondition("tel_key", digits));
    if (wants(Field::PostalCode) && onlyDigits)
        alternatives.append(prefixCondition("zip_key", digits));
    if (wants(Field::OrderNumber))
        alternatives.append(prefixCondition("order_number", trimmed));
    if (wants(Field::Name) && !(field == Field::All && onlyDigits)) {
        const QString key = HistoryStore::nameKey(trimmed);
        if (!key.isEmpty())
            alternatives.append(prefixCondition("name_key", key));
    }
    return alternatives;
}

// A key range holding this many rows or more is read newest first along the time
// index: a fiftieth of the history or more matches, so the first page is found after
// a short walk, where sorting every match would take a long time ("0" as a telephone
// number matches nearly all of it). Below it the key's own index is read and its
// matches sorted. SQLite has no statistics to choose by itself; PostgreSQL has.
constexpr int kBroadRange = 20000;

bool isBroad(Connection &connection, const Condition &condition)
{
    if (!condition.isPrefix || connection.engine() != database::Engine::SQLite)
        return false;
    QSqlQuery q = connection.exec(
        QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM history WHERE %1 LIMIT %2)").arg(condition.sql).arg(kBroadRange),
        condition.values, QStringLiteral("発送履歴の検索"));
    return q.next() && q.value(0).toInt() >= kBroadRange;
}

QString whereClause(const QStringList &conditions)
{
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
}

} // namespace

QStringList HistoryQuery::fieldNames()
{
    return {QStringLiteral("すべて"), QStringLiteral("おなまえ"), QStringLiteral("でんわ"), QStringLiteral("郵便番号"),
            QStringLiteral("注文番号"), QStringLiteral("お問い合わせ番号")};
}

QString HistoryStore::nameKey(const QString &name)
{
    // Width and compatibility forms folded (half-width katakana, full-width letters),
    // blanks dropped: "山田　太郎" and "山田太郎" are one name.
    QString key = name.normalized(QString::NormalizationForm_KC).toLower();
    key.removeIf([](QChar c) { return c.isSpace(); });
    return key;
}

QString HistoryStore::digitsKey(const QString &text)
{
    const QString folded = text.normalized(QString::NormalizationForm_KC);
    QString digits;
    for (const QChar c : folded) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    return digits;
}

qint64 HistoryStore::record(Connection &connection, const PrintedSlip &printed, const QDateTime &printedAt,
                            const QString &station, const QString &job)
{
    const slip::SlipRecord &s = printed.slip;
    QVariant orderId;
    QString orderNumber;
    QString sourceFormat;
    if (printed.orderId) {
        orderId = *printed.orderId;
        QSqlQuery order = connection.exec(QStringLiteral("SELECT order_number, source_format FROM orders WHERE id = ?"),
                                          {*printed.orderId}, QStringLiteral("発送履歴の記録"));
        if (order.next()) {
            orderNumber = order.value(0).toString();
            sourceFormat = order.value(1).toString();
        }
    }
    QVariantList values{printedAt.toMSecsSinceEpoch(),
                              station,
                              printed.printer,
                              printed.feed,
                              printed.marginTop,
                              printed.marginLeft,
                              orderId,
                              orderNumber,
                              sourceFormat,
                              s.destination.postalCode,
                              s.destination.address1,
                              s.destination.address2,
                              s.destination.name,
                              s.destination.telephone,
                              s.sender.postalCode,
                              s.sender.address1,
                              s.sender.address2,
                              s.sender.name,
                              s.sender.telephone,
                              int(s.printSender),
                              s.goods[0],
                              s.goods[1],
                              s.goods[2],
                              s.shippingDate.isValid() ? s.shippingDate.toString(Qt::ISODate) : QString(),
                              int(s.printShippingDate),
                              s.deliveryMonth,
                              s.deliveryDay,
                              timeSlotBits(s.timeSlot),
                              nameKey(s.destination.name),
                              digitsKey(s.destination.telephone),
                              digitsKey(s.destination.postalCode),
                              s.destination.address3};
    // Empty texts, not NULL: the columns are NOT NULL. The job's may be NULL.
    for (QVariant &value : values) {
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            value = QStringLiteral("");
    }
    values << (job.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(job));
    QString placeholders = QStringLiteral("?");
    for (qsizetype i = 1; i < values.size(); ++i)
        placeholders += QStringLiteral(", ?");
    QSqlQuery query = connection.exec(
        QStringLiteral("INSERT INTO history (printed_at, station, printer, feed, margin_top, margin_left, order_id,"
                       " order_number, source_format, zip, add1, add2, custo1, tel, my_zip, my_add1, my_add2, my_name,"
                       " my_tel, my_on, g1, g2, g3, slip_date, date_on, de_date1, de_date2, time_slots, name_key,"
                       " tel_key, zip_key, add3, job) VALUES (%1) RETURNING id").arg(placeholders),
        values, QStringLiteral("発送履歴の記録"));
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool HistoryStore::recordJob(Connection &connection, const QList<PrintedSlip> &printed, const QDateTime &printedAt,
                             const QString &station, const QString &job)
{
    return connection.transaction([&] {
        // The key first: a second writer of the same job waits here until the first
        // commits, then inserts nothing and changes nothing.
        if (!job.isEmpty()
            && connection
                       .exec(QStringLiteral("INSERT INTO recorded_jobs (job, recorded_at) VALUES (?, ?)"
                                            " ON CONFLICT (job) DO NOTHING"),
                             {job, QDateTime::currentMSecsSinceEpoch()}, QStringLiteral("発送履歴の記録"))
                       .numRowsAffected()
                   == 0)
            return false;
        // The orders by the printer their slips went to (one for a whole job, as a rule).
        QList<std::pair<QString, QList<qint64>>> ordersByPrinter;
        for (const PrintedSlip &slip : printed) {
            if (!slip.orderId)
                continue;
            auto group = std::find_if(ordersByPrinter.begin(), ordersByPrinter.end(),
                                      [&](const auto &g) { return g.first == slip.printer; });
            if (group == ordersByPrinter.end())
                ordersByPrinter.append({slip.printer, {*slip.orderId}});
            else
                group->second.append(*slip.orderId);
        }
        for (const auto &[printer, ids] : ordersByPrinter)
            orders::applyTransition(connection, ids, orders::OrderAction::MarkPrinted,
                                    orders::TransitionContext::printed(station, printedAt, printer));
        for (const PrintedSlip &slip : printed)
            record(connection, slip, printedAt, station, job);
        connection.announceChange();
        return true;
    });
}

QList<HistoryEntry> HistoryStore::page(Connection &connection, const HistoryQuery &query,
                                       const std::optional<HistoryCursor> &after, int limit)
{
    QStringList common;
    QVariantList commonValues;
    if (query.from.isValid()) {
        common << QStringLiteral("printed_at >= ?");
        commonValues << startOfDayMs(query.from);
    }
    if (query.to.isValid()) {
        common << QStringLiteral("printed_at < ?");
        commonValues << startOfDayMs(query.to.addDays(1));
    }
    if (after) {
        // The first comparison alone bounds the index range; the second is exact.
        common << (query.oldestFirst ? QStringLiteral("printed_at >= ? AND (printed_at > ? OR id > ?)")
                                     : QStringLiteral("printed_at <= ? AND (printed_at < ? OR id < ?)"));
        commonValues << after->printedAtMs << after->printedAtMs << after->id;
    }
    const QString order = (query.oldestFirst ? QStringLiteral(" ORDER BY printed_at, id LIMIT %1")
                                             : QStringLiteral(" ORDER BY printed_at DESC, id DESC LIMIT %1"))
                              .arg(limit);
    QString sql;
    QVariantList values;
    if (query.text.trimmed().isEmpty()) {
        sql = QStringLiteral("SELECT %1 FROM history%2%3").arg(QLatin1String(kColumns), whereClause(common), order);
        values = commonValues;
    } else {
        // Each field searched gives its own newest rows, from the index that finds them
        // fastest; the page is the newest of those. Only ids are sorted, read from the
        // indexes (key, time, id) without touching the rows.
        QStringList branches;
        for (const Condition &alternative : textAlternatives(query.field, query.text)) {
            const QString from = isBroad(connection, alternative) ? QStringLiteral("history INDEXED BY history_time")
                                                                  : QStringLiteral("history");
            branches << QStringLiteral("SELECT id FROM (SELECT id FROM %1%2%3) AS b%4")
                            .arg(from, whereClause(QStringList{alternative.sql} + common), order)
                            .arg(branches.size());
            values += alternative.values;
            values += commonValues;
        }
        if (branches.isEmpty())
            return {};
        sql = QStringLiteral("SELECT %1 FROM history WHERE id IN (%2)%3")
                  .arg(QLatin1String(kColumns), branches.join(QLatin1String(" UNION ")), order);
    }
    QSqlQuery q = connection.exec(sql, values, QStringLiteral("発送履歴の検索"));
    QList<HistoryEntry> rows;
    while (q.next())
        rows.append(readEntry(q));
    return rows;
}

std::optional<HistoryEntry> HistoryStore::entry(Connection &connection, qint64 id)
{
    QSqlQuery q = connection.exec(QStringLiteral("SELECT %1 FROM history WHERE id = ?").arg(QLatin1String(kColumns)),
                                  {id}, QStringLiteral("発送履歴の読み込み"));
    if (!q.next())
        return std::nullopt;
    return readEntry(q);
}

std::optional<qint64> HistoryStore::rowWithTrackingNumber(Connection &connection, const QString &digits)
{
    QSqlQuery q = connection.exec(QStringLiteral("SELECT id FROM history WHERE tracking = ?"), {digits},
                                  QStringLiteral("お問い合わせ番号の確認"));
    if (!q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

void HistoryStore::setTrackingNumber(Connection &connection, qint64 id, const QString &digits)
{
    connection.transaction([&] {
        if (!digits.isEmpty()) {
            QSqlQuery other = connection.exec(
                QStringLiteral("SELECT id, printed_at, custo1 FROM history WHERE tracking = ? AND id <> ?"),
                {digits, id}, QStringLiteral("お問い合わせ番号の確認"));
            if (other.next())
                throw DuplicateTrackingNumber(other.value(0).toLongLong(),
                                              QDateTime::fromMSecsSinceEpoch(other.value(1).toLongLong()),
                                              other.value(2).toString(), digits);
        }
        try {
            connection.exec(QStringLiteral("UPDATE history SET tracking = ? WHERE id = ?"),
                            {digits.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(digits), id},
                            QStringLiteral("お問い合わせ番号の記録"));
            connection.announceChange();
        } catch (const database::DatabaseError &error) {
            // Another station entered the same number between the check and the write.
            if (error.kind() == database::DatabaseError::Kind::Conflict)
                throw DuplicateTrackingNumber(0, {}, {}, digits);
            throw;
        }
    });
}

QList<Shipment> HistoryStore::shipments(Connection &connection, const QDate &from, const QDate &to,
                                        bool unreportedOnly)
{
    QStringList conditions{QStringLiteral("tracking IS NOT NULL")};
    if (unreportedOnly)
        conditions << QStringLiteral("reported_at IS NULL");
    QVariantList values;
    if (from.isValid()) {
        conditions << QStringLiteral("printed_at >= ?");
        values << startOfDayMs(from);
    }
    if (to.isValid()) {
        conditions << QStringLiteral("printed_at < ?");
        values << startOfDayMs(to.addDays(1));
    }
    QSqlQuery q = connection.exec(
        QStringLiteral("SELECT order_number, source_format, tracking, printed_at, id FROM history WHERE %1"
                       " ORDER BY printed_at, id").arg(conditions.join(QLatin1String(" AND "))),
        values, QStringLiteral("発送済みの書き出し"));
    QList<Shipment> result;
    while (q.next()) {
        result.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                       QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong()).date(), q.value(4).toLongLong()});
    }
    return result;
}

void HistoryStore::markReported(Connection &connection, const QList<qint64> &ids, const QDateTime &at)
{
    // In chunks well below the bound parameters either engine takes.
    constexpr qsizetype kChunk = 500;
    connection.transaction([&] {
        for (qsizetype first = 0; first < ids.size(); first += kChunk) {
            const QList<qint64> chunk = ids.mid(first, kChunk);
            QVariantList values{at.toMSecsSinceEpoch()};
            QString placeholders;
            for (const qint64 id : chunk) {
                placeholders += placeholders.isEmpty() ? QStringLiteral("?") : QStringLiteral(",?");
                values << id;
            }
            connection.exec(QStringLiteral("UPDATE history SET reported_at = ? WHERE id IN (%1)").arg(placeholders),
                            values, QStringLiteral("報告済みの記録"));
        }
        if (!ids.isEmpty())
            connection.announceChange();
    });
}

ShipmentExportResult HistoryStore::exportShipments(Connection &connection, const QString &path,
                                                   const ShipmentExportOptions &options)
{
    const QList<Shipment> chosen =
        shipmentsFor(options.layout, shipments(connection, options.from, options.to, options.unreportedOnly));
    // The files and their shipments, grouped by shop when asked.
    QList<std::pair<QString, QList<Shipment>>> files;
    if (!options.splitByShop) {
        files.append({path, chosen});
    } else {
        for (const Shipment &shipment : chosen) {
            const QString file = shopFilePath(path, shipment.sourceFormat);
            auto group = std::find_if(files.begin(), files.end(), [&](const auto &g) { return g.first == file; });
            if (group == files.end())
                files.append({file, {shipment}});
            else
                group->second.append(shipment);
        }
    }
    return connection.transaction([&] {
        ShipmentExportResult result;
        QList<qint64> ids;
        for (const Shipment &shipment : chosen)
            ids << shipment.historyId;
        markReported(connection, ids, QDateTime::currentDateTimeUtc());
        // Written last, inside the transaction: a file that cannot be written marks nothing.
        for (const auto &[file, group] : files) {
            result.shipments += writeShipmentFile(file, options.layout, options.encoding, group);
            result.files << file;
        }
        return result;
    });
}

DuplicateTrackingNumber::DuplicateTrackingNumber(qint64 otherId, const QDateTime &otherPrintedAt,
                                                 const QString &otherName, const QString &digits)
    : database::DatabaseError(
          Kind::Conflict,
          otherId ? QStringLiteral("お問い合わせ番号 %1 は、%2 に印刷した %3 様の送り状に入力済みです。")
                        .arg(TrackingNumber::formatted(digits),
                             otherPrintedAt.toString(QStringLiteral("yyyy/MM/dd HH:mm")), otherName)
                  : QStringLiteral("お問い合わせ番号 %1 は、別の送り状に入力済みです。")
                        .arg(TrackingNumber::formatted(digits)))
    , m_otherId(otherId)
{
}

} // namespace history
