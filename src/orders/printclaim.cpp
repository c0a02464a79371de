#include "orders/printclaim.h"

#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"

#include "database/connection.h"

#include <QSet>
#include <QSqlQuery>

namespace orders {

namespace {

// The forms a scanned number may have been imported in.
QStringList numberForms(const QString &scanned)
{
    QString bare = scanned.trimmed().normalized(QString::NormalizationForm_KC);
    if (bare.isEmpty())
        return {};
    QStringList forms{scanned.trimmed(), bare};
    while (bare.startsWith(u'#'))
        bare.remove(0, 1);
    if (!bare.isEmpty())
        forms << bare << u'#' + bare;
    forms.removeDuplicates();
    return forms;
}

} // namespace

QList<qint64> ordersWithNumber(database::Connection &connection, const QString &scanned)
{
    const QStringList forms = numberForms(scanned);
    if (forms.isEmpty())
        return {};
    QString placeholders;
    QVariantList values;
    for (const QString &form : forms) {
        placeholders += placeholders.isEmpty() ? QStringLiteral("?") : QStringLiteral(",?");
        values << form;
    }
    QSqlQuery q = connection.exec(
        QStringLiteral("SELECT id FROM orders WHERE order_number IN (%1) ORDER BY id").arg(placeholders), values,
        QStringLiteral("注文番号の検索"));
    QList<qint64> ids;
    while (q.next())
        ids << q.value(0).toLongLong();
    return ids;
}

PrintClaim claimForPrint(database::Connection &connection, qint64 orderId)
{
    return connection.transaction([&] {
        PrintClaim claim;
        const QList<Order> found = store::ordersById(connection, {orderId});
        if (found.isEmpty())
            return claim;
        claim.order = found.first();
        switch (claim.order.state) {
        case OrderState::Printed:
            claim.outcome = PrintClaim::Outcome::PrintedBefore;
            return claim;
        case OrderState::Printing:
            claim.outcome = PrintClaim::Outcome::ClaimedElsewhere;
            return claim;
        case OrderState::SetAside:
            claim.outcome = PrintClaim::Outcome::SetAside;
            return claim;
        case OrderState::ClickPost:
            claim.outcome = PrintClaim::Outcome::ClickPost;
            return claim;
        case OrderState::New:
            break;
        }
        const QString token = newClaimToken();
        if (applyTransition(connection, {orderId}, OrderAction::Claim, TransitionContext::job(token)).isEmpty()) {
            // Another station took it between the read and the claim.
            claim.outcome = PrintClaim::Outcome::ClaimedElsewhere;
            return claim;
        }
        claim.outcome = PrintClaim::Outcome::Claimed;
        claim.token = token;
        return claim;
    });
}

PrintClaim claimScannedForPrint(database::Connection &connection, const QString &scanned)
{
    const QList<qint64> ids = ordersWithNumber(connection, scanned);
    PrintClaim claim;
    if (ids.size() == 1)
        claim = claimForPrint(connection, ids.first());
    else if (ids.size() > 1)
        claim.outcome = PrintClaim::Outcome::Ambiguous;
    claim.scanned = scanned.trimmed();
    return claim;
}

QString PrintClaim::refusal() const
{
    const QString subject = order.orderNumber.isEmpty() ? scanned : order.orderNumber;
    switch (outcome) {
    case Outcome::ClaimedElsewhere:
        return QStringLiteral("%1 は（%2）で印刷中です。印刷しませんでした。")
            .arg(subject, order.printedStation.isEmpty() ? QStringLiteral("ほかの端末") : order.printedStation);
    case Outcome::SetAside:
        return QStringLiteral("%1 は保留中です。印刷しませんでした（「未印刷に戻す」で印刷できます）。").arg(subject);
    case Outcome::ClickPost:
        return QStringLiteral("%1 はクリックポストで送る注文です。ゆうパックの送り状は印刷しませんでした。").arg(subject);
    case Outcome::NotFound:
        return QStringLiteral("注文番号 %1 の注文はありません。").arg(scanned);
    case Outcome::Ambiguous:
        return QStringLiteral("注文番号 %1 の注文が複数あります。一覧から選んで印刷してください。").arg(scanned);
    case Outcome::Claimed:
    case Outcome::PrintedBefore:
        break;
    }
    return {};
}

QString reprintQuestion(const QString &subject, const QDateTime &printedAt, const QString &station)
{
    return QStringLiteral("%1 は %2 に（%3）で印刷済みです。もう一度印刷しますか?")
        .arg(subject, printedAt.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")), station);
}

QString printSubject(const QString &orderNumber, const QString &name)
{
    if (!orderNumber.isEmpty())
        return orderNumber;
    return QStringLiteral("%1 様の送り状").arg(name.trimmed());
}

} // namespace orders
