#pragma once

#include <QString>
#include <QStringList>

namespace orders {

// Why an order of a download is not to be shipped now, from its status cells (payment,
// shipping, cancellation, shipping method; any platform's words): 「キャンセル」,
// 「返金済み」, 「発送済み」, 「店頭受取」; empty for an order to ship. Such orders are
// imported set aside (保留) with this reason.
QString holdReason(const QStringList &statusCells);

} // namespace orders
