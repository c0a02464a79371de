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

namespace {

using ItemKey = std::pair<QString, QString>;  // format, order number

} // namespace

ImportReport importFiles(database::Connection &connection, const QStringList &paths, const ReadOptions &options)
{
    ReadOptions withMemory = options;
    if (!withMemory.rememberedMapping)
        withMemory.rememberedMapping = [&](const QString &key) { return store::rememberedMapping(connection, key); };
    ImportReport report;
    report.files.resize(paths.size());
    const auto describe = [&](qsizetype index, const OrderFile &file) {
        ImportReport::File &entry = report.files[index];
        entry.name = QFileInfo(paths.at(index)).fileName();
        entry.formatName = file.formatName;
        entry.encoding = file.encoding;
    };
    const auto count = [&](qsizetype index, const QList<Order> &batch) {
        report.files[index].orders += int(batch.size());
        for (const Order &order : batch)
            report.files[index].repaired += order.repairs ? 1 : 0;
    };
    // Each file is read a batch of orders at a time and the batch stored at once, so
    // that an import holds only a few orders whatever the size of its files.
    return connection.transaction([&] {
        // Item files first: their items are kept in the book, where the orders read
        // after them (of these files or of later imports) find them.
        QList<qsizetype> orderFiles;
        QSet<ItemKey> itemKeys;
        for (qsizetype index = 0; index < paths.size(); ++index) {
            const OrderFile header = readOrderFileHeader(paths.at(index), withMemory);
            describe(index, header);
            if (!header.itemsOnly) {
                orderFiles << index;
                continue;
            }
            readOrderFile(paths.at(index), withMemory, [&](QList<Order> &&batch) {
                count(index, batch);
                for (const Order &order : std::as_const(batch)) {
                    const ItemKey key{order.sourceFormat, order.orderNumber};
                    QList<OrderItem> items = order.items;
                    // The same order in two item files: its items of both.
                    if (itemKeys.contains(key))
                        items = store::rememberedItems(connection, key.first, key.second).value_or(QList<OrderItem>())
                              + items;
                    store::rememberItems(connection, key.first, key.second, items);
                    itemKeys.insert(key);
                }
            });
        }
        QSet<ItemKey> joined;
        for (const qsizetype index : std::as_const(orderFiles)) {
            const OrderFile read = readOrderFile(paths.at(index), withMemory, [&](QList<Order> &&batch) {
                count(index, batch);
                for (Order &order : batch) {
                    if (!order.items.isEmpty() || order.orderNumber.isEmpty())
                        continue;
                    const ItemKey key{order.sourceFormat, order.orderNumber};
                    if (const auto items = store::rememberedItems(connection, key.first, key.second)) {
                        setItems(order, *items);
                        joined.insert(key);
                        ++report.itemsJoined;
                    }
                }
                report.summary += store::addOrders(connection, batch);
            });
            describe(index, read);  // the encoding chosen in the mapping dialog, the mapping's name
        }
        // Items whose orders came before: those orders again with their items, which
        // updates them like a changed download (a printed one keeps them as its change);
        // counted as joined, not as changed downloads.
        QList<Order> withItems;
        const auto storeWithItems = [&] {
            report.summary.changedAfterPrint += store::addOrders(connection, std::exchange(withItems, {})).changedAfterPrint;
        };
        for (const ItemKey &key : std::as_const(itemKeys)) {
            if (joined.contains(key))
                continue;
            const QList<Order> storedOrders = store::ordersByNumber(connection, key.first, key.second);
            if (storedOrders.isEmpty()) {
                ++report.itemsWaiting;
                continue;
            }
            const QList<OrderItem> items = store::rememberedItems(connection, key.first, key.second).value_or(QList<OrderItem>());
            for (Order stored : storedOrders) {
                if (stored.items == items)
                    continue;
                setItems(stored, items);
                withItems << stored;
                ++report.itemsJoined;
            }
            if (withItems.size() >= kOrderBatchSize)
                storeWithItems();
        }
        storeWithItems();
        return report;
    });
}

} // namespace orders
