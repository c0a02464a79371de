#include "orderclaims.h"

#include "history/historystore.h"

#include "database/connection.h"

#include <QSet>
#include <QSqlQuery>
#include <QUuid>

namespace history {

namespace {

constexpr int kNew = 0;
constexpr int kPrinted = 1;

QString placeholders(qsizetype count)
{
    QString text;
    text.reserve(count * 3);
    for (qsizetype i = 0; i < count; ++i)
        text += i ? QStringLiteral(", ?") : QStringLiteral("?");
    return text;
}

} // namespace

QString OrderClaims::newToken()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QList<qint64> OrderClaims::claim(database::Connection &connection, const QList<qint64> &ids, const QString &token,
                                 const QString &station, const QDateTime &now)
{
    if (ids.isEmpty())
        return {};
    QVariantList values{kPrinting, token, now.toMSecsSinceEpoch(), station, kNew};
    for (const qint64 id : ids)
        values << id;
    // One statement: a second station's claim of the same orders waits for this one and
    // then finds them no longer new.
    const QList<qint64> claimed = connection.transaction([&] {
        QSqlQuery query = connection.exec(
            QStringLiteral("UPDATE orders SET state = ?, claim_token = ?, claimed_at = ?, printed_station = ?"
                           " WHERE state = ? AND id IN (%1) RETURNING id").arg(placeholders(ids.size())),
            values, QStringLiteral("印刷する注文の確保"));
        QList<qint64> taken;
        while (query.next())
            taken.append(query.value(0).toLongLong());
        connection.announceChange();
        return taken;
    });
    // RETURNING gives no order; the job prints in the order of the selection.
    const QSet<qint64> taken(claimed.begin(), claimed.end());
    QList<qint64> ordered;
    for (const qint64 id : ids) {
        if (taken.contains(id))
            ordered.append(id);
    }
    return ordered;
}

bool OrderClaims::complete(database::Connection &connection, const QList<PrintedSlip> &printed,
                           const QDateTime &printedAt, const QString &station, const QString &job)
{
    return connection.transaction([&] {
        if (!job.isEmpty()
            && connection.exec(QStringLiteral("SELECT 1 FROM history WHERE job = ?"), {job},
                               QStringLiteral("発送履歴の記録")).next())
            return false;
        for (const PrintedSlip &slip : printed) {
            if (slip.orderId) {
                // The slip came out of the printer: it is printed even if a person gave
                // the claim back meanwhile.
                connection.exec(QStringLiteral("UPDATE orders SET state = ?, printed_at = ?, printed_printer = ?,"
                                               " printed_station = ?, claim_token = NULL, claimed_at = NULL"
                                               " WHERE id = ?"),
                                {kPrinted, printedAt.toMSecsSinceEpoch(), slip.printer, station, *slip.orderId},
                                QStringLiteral("印刷済みの記録"));
            }
            HistoryStore::record(connection, slip, printedAt, station, job);
        }
        connection.announceChange();
        return true;
    });
}

int OrderClaims::release(database::Connection &connection, const QString &token)
{
    QSqlQuery query = connection.exec(
        QStringLiteral("UPDATE orders SET state = ?, claim_token = NULL, claimed_at = NULL, printed_station = NULL"
                       " WHERE claim_token = ? AND state = ?"),
        {kNew, token, kPrinting}, QStringLiteral("印刷しなかった注文の解放"));
    const int released = query.numRowsAffected();
    connection.announceChange();
    return released;
}

int OrderClaims::release(database::Connection &connection, const QString &token, const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return 0;
    QVariantList values{kNew, token, kPrinting};
    for (const qint64 id : ids)
        values << id;
    QSqlQuery query = connection.exec(
        QStringLiteral("UPDATE orders SET state = ?, claim_token = NULL, claimed_at = NULL, printed_station = NULL"
                       " WHERE claim_token = ? AND state = ? AND id IN (%1)").arg(placeholders(ids.size())),
        values, QStringLiteral("印刷しなかった注文の解放"));
    const int released = query.numRowsAffected();
    connection.announceChange();
    return released;
}

int OrderClaims::releaseOrders(database::Connection &connection, const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return 0;
    QVariantList values{kNew, kPrinting};
    for (const qint64 id : ids)
        values << id;
    QSqlQuery query = connection.exec(
        QStringLiteral("UPDATE orders SET state = ?, claim_token = NULL, claimed_at = NULL, printed_station = NULL"
                       " WHERE state = ? AND id IN (%1)").arg(placeholders(ids.size())),
        values, QStringLiteral("印刷中の注文を未印刷に戻す"));
    const int released = query.numRowsAffected();
    connection.announceChange();
    return released;
}

} // namespace history
