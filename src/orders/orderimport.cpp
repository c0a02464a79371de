#include "orders/orderimport.h"

#include "database/connection.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

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
    QStringList head{QStringLiteral("%1 件の注文を追加しました。").arg(summary.added)};
    if (summary.alreadyKnown > 0)
        head.last() += QStringLiteral("（%1 件は読み込み済みのため追加していません）").arg(summary.alreadyKnown);
    if (summary.updated > 0)
        head << QStringLiteral("%1 件の注文の内容が変わっていたので更新しました").arg(summary.updated);
    if (summary.changedAfterPrint > 0)
        head << QStringLiteral("%1 件の印刷済みの注文の内容が変わっています（一覧に「印刷後に変更あり」と出ます）")
                    .arg(summary.changedAfterPrint);
    if (summary.setAside > 0)
        head << QStringLiteral("%1 件はキャンセル・返金・発送済み・店頭受取などのため保留にしました（理由は一覧の「状態」欄）")
                    .arg(summary.setAside);
    if (itemsJoined > 0)
        head << QStringLiteral("%1 件の注文に商品ファイルの商品を入れました").arg(itemsJoined);
    if (itemsWaiting > 0)
        head << QStringLiteral("商品ファイルの %1 件の注文はまだ読み込まれていません。注文ファイルを読み込むと商品が入ります")
                    .arg(itemsWaiting);
    lines = head + lines;
    return lines.join(u'\n');
}

ImportReport importFiles(database::Connection &connection, const QStringList &paths, const ReadOptions &options)
{
    ReadOptions withMemory = options;
    if (!withMemory.rememberedMapping)
        withMemory.rememberedMapping = [&](const QString &key) { return store::rememberedMapping(connection, key); };
    ImportReport report;
    QList<Order> all;
    // (format, order number) -> items, of the item files among these
    QHash<std::pair<QString, QString>, QList<OrderItem>> itemFiles;
    for (const QString &path : paths) {
        OrderFile file = readOrderFile(path, withMemory);
        ImportReport::File entry{QFileInfo(path).fileName(), file.formatName, file.encoding, int(file.orders.size()), 0};
        for (const Order &order : file.orders)
            entry.repaired += order.repairs ? 1 : 0;
        report.files << entry;
        if (file.itemsOnly) {
            for (const Order &order : file.orders)
                itemFiles[{order.sourceFormat, order.orderNumber}] += order.items;
        } else {
            all += std::move(file.orders);
        }
    }
    return connection.transaction([&] {
        QSet<std::pair<QString, QString>> joined;
        for (Order &order : all) {
            if (!order.items.isEmpty() || order.orderNumber.isEmpty())
                continue;
            const std::pair<QString, QString> key{order.sourceFormat, order.orderNumber};
            std::optional<QList<OrderItem>> items = itemFiles.contains(key)
                ? std::optional(itemFiles.value(key))
                : store::rememberedItems(connection, order.sourceFormat, order.orderNumber);
            if (items) {
                setItems(order, *items);
                joined.insert(key);
                ++report.itemsJoined;
            }
        }
        report.summary = store::addOrders(connection, all);
        // Items whose orders came before: those orders again with their items, which
        // updates them like a changed download (a printed one keeps them as its change);
        // counted as joined, not as changed downloads.
        QList<Order> withItems;
        for (auto it = itemFiles.cbegin(); it != itemFiles.cend(); ++it) {
            store::rememberItems(connection, it.key().first, it.key().second, it.value());
            if (joined.contains(it.key()))
                continue;
            const QList<Order> storedOrders = store::ordersByNumber(connection, it.key().first, it.key().second);
            if (storedOrders.isEmpty())
                ++report.itemsWaiting;
            for (Order stored : storedOrders) {
                if (stored.items == it.value())
                    continue;
                setItems(stored, it.value());
                withItems << stored;
                ++report.itemsJoined;
            }
        }
        const StoreSummary items = store::addOrders(connection, withItems);
        report.summary.changedAfterPrint += items.changedAfterPrint;
        return report;
    });
}

} // namespace orders
