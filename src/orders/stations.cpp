#include "orders/stations.h"

#include "orders/orderstatemachine.h"

#include "database/connection.h"

#include <QMap>

namespace orders {

QString stationLabel(const QString &station, const QSet<QString> &known)
{
    using database::Connection;
    if (station == Connection::stationName())
        return QStringLiteral("この台");
    const QString host = Connection::stationHost(station);
    for (const QString &other : known) {
        if (other != station && Connection::stationHost(other) == host)
            return station;
    }
    return host;
}

QString ageText(const QDateTime &since, const QDateTime &now)
{
    const qint64 minutes = std::max<qint64>(1, since.secsTo(now) / 60);
    if (minutes < 60)
        return QStringLiteral("%1 分前").arg(minutes);
    if (minutes < 48 * 60)
        return QStringLiteral("%1 時間前").arg(minutes / 60);
    return QStringLiteral("%1 日前").arg(minutes / (24 * 60));
}

QString cutForDisplay(const QString &text)
{
    if (text.size() <= kDisplayCut)
        return text;
    qsizetype end = kDisplayCut;
    // Never between the halves of a surrogate pair.
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end) + QStringLiteral("…");
}

ClaimReview reviewClaims(const QList<Order> &selection, const QDateTime &now)
{
    ClaimReview review;
    QSet<QString> stations;
    for (const Order &order : selection) {
        if (order.state == OrderState::Printing)
            stations.insert(order.printedStation);
    }
    // "station・age": how many, oldest claim of each station and age first.
    QMap<QString, int> all;
    QMap<QString, int> young;
    for (const Order &order : selection) {
        if (order.state != OrderState::Printing)
            continue;
        ++review.claimed;
        const QString where = QStringLiteral("%1・%2").arg(stationLabel(order.printedStation, stations),
                                                         order.claimedAt.isValid() ? ageText(order.claimedAt, now)
                                                                                    : QStringLiteral("時刻不明"));
        ++all[where];
        if (order.claimedAt.isValid() && order.claimedAt.msecsTo(now) < kClaimAgeLimitMs) {
            ++review.young;
            ++young[where];
        }
    }
    if (review.claimed == 0)
        return review;
    const auto list = [](const QMap<QString, int> &groups) {
        QStringList lines;
        for (auto it = groups.cbegin(); it != groups.cend(); ++it)
            lines << QStringLiteral("・%1 から %2 件").arg(it.key()).arg(it.value());
        return lines.join(u'\n');
    };
    review.question = QStringLiteral("選んだ注文のうち %1 件は「印刷中」です（確保した台と時刻）：\n%2\n"
                                     "その台でまだ印刷している注文を未印刷に戻すと、二重に印刷されるおそれがあります。"
                                     "未印刷に戻しますか?")
                          .arg(review.claimed)
                          .arg(list(all));
    if (review.young > 0)
        review.youngQuestion =
            QStringLiteral("このうち %1 件は確保されてから %2 分たっていません。まだ印刷している最中かもしれません：\n%3\n"
                           "その台のプリンタから送り状が出ていないことを確かめましたか?\n"
                           "「はい」でこの %1 件も未印刷に戻します。「いいえ」ではこの %1 件は「印刷中」のままにします。")
                .arg(review.young)
                .arg(kClaimAgeLimitMs / 60000)
                .arg(list(young));
    return review;
}

} // namespace orders
