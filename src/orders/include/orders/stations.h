#pragma once

#include "orders/order.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

namespace orders {

// How a station is shown: its host name, and its installation id as well when another
// of `known` has the same host name. This station is 「この台」.
QString stationLabel(const QString &station, const QSet<QString> &known);

// A claim's age in words: 「3 分前」, 「2 時間前」, 「4 日前」 (「1 分前」 at least).
QString ageText(const QDateTime &since, const QDateTime &now);

// Longest text a list cell or its tooltip shows of one value; the rest is cut with 「…」.
inline constexpr qsizetype kDisplayCut = 300;
QString cutForDisplay(const QString &text);

// What 「未印刷に戻す」 asks before it gives claims back: the claimed orders of the
// selection by station and age, and those younger than the age limit
// (orders::kClaimAgeLimitMs), which are given back only when the person confirms that
// no slip came out.
struct ClaimReview
{
    int claimed = 0;
    int young = 0;
    QString question;       // empty when no order of the selection is claimed
    QString youngQuestion;  // empty when no claim is young
};
ClaimReview reviewClaims(const QList<Order> &selection, const QDateTime &now);

} // namespace orders
