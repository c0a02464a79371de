#include "orders/orderimport.h"

#include "database/connection.h"

#include <QFileInfo>

namespace orders {

QString ImportReport::text() const
{
    QStringList lines;
    int orders = 0;
    for (const File &file : files) {
        orders += file.orders;
        QString line = QStringLiteral("%1：%2、%3、%4 件").arg(file.name, file.formatName, encodingName(file.encoding))
                           .arg(file.orders);
        if (file.repaired > 0)
            line += QStringLiteral("（うち %1 件を修正）").arg(file.repaired);
        lines << line;
    }
    QString head = QStringLiteral("%1 件の注文を追加しました。").arg(summary.added);
    if (summary.alreadyKnown > 0)
        head += QStringLiteral("（%1 件は読み込み済みのため追加していません）").arg(summary.alreadyKnown);
    lines.prepend(head);
    return lines.join(u'\n');
}

ImportReport importFiles(database::Connection &connection, const QStringList &paths, const ReadOptions &options)
{
    ReadOptions withMemory = options;
    if (!withMemory.rememberedMapping)
        withMemory.rememberedMapping = [&](const QString &key) { return store::rememberedMapping(connection, key); };
    ImportReport report;
    QList<Order> all;
    for (const QString &path : paths) {
        OrderFile file = readOrderFile(path, withMemory);
        ImportReport::File entry{QFileInfo(path).fileName(), file.formatName, file.encoding, int(file.orders.size()), 0};
        for (const Order &order : file.orders)
            entry.repaired += order.repairs ? 1 : 0;
        report.files << entry;
        all += std::move(file.orders);
    }
    report.summary = store::addOrders(connection, all);
    return report;
}

} // namespace orders
