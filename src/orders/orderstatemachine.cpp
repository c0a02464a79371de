#include "orders/orderstatemachine.h"

#include "database/connection.h"

#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>

namespace orders {

namespace {

constexpr bool oneTargetPerAction()
{
    for (const OrderTransition &a : kOrderTransitions) {
        for (const OrderTransition &b : kOrderTransitions) {
            if (a.action == b.action && a.to != b.to)
                return false;
        }
    }
    return true;
}
static_assert(oneTargetPerAction(), "each action leads to one state, which decides the columns it writes");

constexpr bool onlyClaimsHaveClaimants()
{
    for (const OrderTransition &t : kOrderTransitions) {
        if (t.claimant != Claimant::Anyone && t.from != OrderState::Printing)
            return false;
    }
    return true;
}
static_assert(onlyClaimsHaveClaimants(), "only an order being printed carries a claim to check");

// Ids per statement: well below the bound parameters either engine takes.
constexpr qsizetype kChunk = 500;

const QVariant kNullText{QMetaType::fromType<QString>()};
const QVariant kNullTime{QMetaType::fromType<qlonglong>()};

QString placeholders(qsizetype count)
{
    QString text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i)
        text += i ? QStringLiteral(",?") : QStringLiteral("?");
    return text;
}

// The condition on the present state that lets `action` change an order, from the table.
QString fromCondition(OrderAction action, const TransitionContext &context, QVariantList &values)
{
    QStringList alternatives;
    for (const OrderTransition &t : kOrderTransitions) {
        if (t.action != action)
            continue;
        if (t.claimant == Claimant::ThisJob) {
            alternatives << QStringLiteral("(state = ? AND claim_token = ?)");
            values << int(t.from) << context.token;
        } else if (t.claimant == Claimant::OldClaim && !context.noSlipCameOut) {
            // Checked in the statement, so that a claim made meanwhile is left alone.
            const QDateTime at = context.at.isValid() ? context.at : QDateTime::currentDateTimeUtc();
            alternatives << QStringLiteral("(state = ? AND (claimed_at IS NULL OR claimed_at <= ?))");
            values << int(t.from) << at.toMSecsSinceEpoch() - kClaimAgeLimitMs;
        } else {
            alternatives << QStringLiteral("state = ?");
            values << int(t.from);
        }
    }
    return u'(' + alternatives.join(QLatin1String(" OR ")) + u')';
}

// The state's own columns: token, claim time, station, print time, printer. A state
// holds only its own; the others are cleared, so nothing of an earlier claim or print
// stays behind.
QVariantList stateColumns(OrderState state, const TransitionContext &context)
{
    const QString station = context.station.isEmpty() ? database::Connection::stationName() : context.station;
    const qint64 at = (context.at.isValid() ? context.at : QDateTime::currentDateTimeUtc()).toMSecsSinceEpoch();
    switch (state) {
    case OrderState::Printing:
        return {context.token, at, station, kNullTime, kNullText};
    case OrderState::Printed:
        return {kNullText, kNullTime, station, at, context.printer.isNull() ? QStringLiteral("") : context.printer};
    case OrderState::New:
    case OrderState::SetAside:
    case OrderState::ClickPost:
        break;
    }
    return {kNullText, kNullTime, kNullText, kNullTime, kNullText};
}

} // namespace

QList<qint64> applyTransition(database::Connection &connection, const QList<qint64> &ids, OrderAction action,
                              const TransitionContext &context)
{
    if (ids.isEmpty())
        return {};
    Q_ASSERT_X(action != OrderAction::Claim || !context.token.isEmpty(), "applyTransition",
               "a claim needs its job's token");
    const OrderState to = targetState(action);
    const QVariantList set = QVariantList{int(to)} + stateColumns(to, context);
    QVariantList conditionValues;
    const QString condition = fromCondition(action, context, conditionValues);
    const QSet<qint64> changed = connection.transaction([&] {
        QSet<qint64> taken;
        for (qsizetype first = 0; first < ids.size(); first += kChunk) {
            const QList<qint64> chunk = ids.mid(first, kChunk);
            QVariantList values = set;
            for (const qint64 id : chunk)
                values << id;
            values += conditionValues;
            // One statement: a second station acting on the same orders waits for this
            // one and then finds them no longer in the state its action starts from.
            QSqlQuery query = connection.exec(
                QStringLiteral("UPDATE orders SET state = ?, claim_token = ?, claimed_at = ?, printed_station = ?,"
                               " printed_at = ?, printed_printer = ?"
                               " WHERE id IN (%1) AND %2 RETURNING id").arg(placeholders(chunk.size()), condition),
                values, QStringLiteral("注文の状態の変更"));
            while (query.next())
                taken.insert(query.value(0).toLongLong());
        }
        if (!taken.isEmpty())
            connection.announceChange();
        return taken;
    });
    // RETURNING gives no order; a print job goes in the order of the selection.
    QList<qint64> ordered;
    QSet<qint64> left = changed;
    for (const qint64 id : ids) {
        if (left.remove(id))
            ordered.append(id);
    }
    return ordered;
}

QString newClaimToken()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace orders
