#include "orders/orderfile.h"

#include "orders/deliverytime.h"
#include "orders/orderstatus.h"
#include "orders/repairs.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace orders {

UnknownLayoutError::UnknownLayoutError(QString message, QString fileName_, QStringList header_,
                                       QList<QStringList> sample_)
    : ImportError(std::move(message)), fileName(std::move(fileName_)), header(std::move(header_)),
      sample(std::move(sample_))
{
}

QString contentKey(const Order &order)
{
    const QString content = QStringList{order.zip, order.add1, order.add2, order.custo1, order.tel,
                                        order.g1, order.g2, order.g3}.join(u'\x1f');
    return u'#' + QString::fromLatin1(
        QCryptographicHash::hash(content.toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

namespace {

// The rows of one order, as decoded cells, before they become an Order.
struct PendingOrder
{
    QStringList first;
    QList<OrderItem> items;
    QStringList status;  // the status cells of every row
    int line = 0;
};

QString cell(const QStringList &row, int column)
{
    return column >= 0 && column < row.size() ? row.at(column) : QString();
}

QStringList cells(const QStringList &row, const ColumnMapping &mapping, Field field)
{
    QStringList result;
    for (int column : mapping.columns.value(field))
        result << cell(row, column);
    return result;
}

QString joined(const QStringList &row, const ColumnMapping &mapping, Field field)
{
    QStringList parts = cells(row, mapping, field);
    parts.removeIf([](const QString &p) { return p.trimmed().isEmpty(); });
    for (QString &p : parts)
        p = p.trimmed();
    return parts.join(u' ');
}

OrderItem itemOf(const QStringList &row, const ColumnMapping &mapping)
{
    OrderItem item;
    item.name = joined(row, mapping, Field::Item);
    const QString variation = joined(row, mapping, Field::Variation);
    if (!variation.isEmpty())
        item.name += u' ' + variation;
    bool ok = false;
    const int quantity = joined(row, mapping, Field::Quantity).normalized(QString::NormalizationForm_KC).toInt(&ok);
    item.quantity = ok && quantity > 0 ? quantity : 1;
    return item;
}

// The items as the goods lines take them (the quantity left out when it is 1).
QList<GoodsItem> goodsItems(const QList<OrderItem> &items)
{
    QList<GoodsItem> result;
    for (const OrderItem &item : items)
        result.append({item.name, item.quantity == 1 ? QString() : QString::number(item.quantity)});
    return result;
}

QStringList statusCells(const QStringList &row, const ColumnMapping &mapping, const OrderFormat *format)
{
    QStringList result = cells(row, mapping, Field::Status);
    if (format) {
        for (QString &cell : result)
            for (const auto &[code, word] : format->statusCodes)
                if (cell.trimmed() == code)
                    cell = word;
    }
    // A date in the cancellation column says the order was cancelled.
    if (!joined(row, mapping, Field::Cancelled).isEmpty())
        result << QStringLiteral("cancelled");
    result.removeIf([](const QString &c) { return c.trimmed().isEmpty(); });
    return result;
}

Order buildOrder(const PendingOrder &pending, const ColumnMapping &mapping, const OrderFormat *format,
                 const QString &formatId)
{
    const QStringList &row = pending.first;
    Order order;
    order.sourceFormat = formatId;
    order.orderNumber = joined(row, mapping, Field::OrderNumber);
    Repairs repairs;
    order.zip = repairZip(withoutSpreadsheetMarks(cells(row, mapping, Field::Zip), &repairs), &repairs);
    order.tel = repairTel(withoutSpreadsheetMarks(cells(row, mapping, Field::Tel), &repairs), &repairs);
    QString person;
    if (mapping.columns.contains(Field::Name) && !joined(row, mapping, Field::Name).isEmpty()) {
        person = withoutHonorific(joined(row, mapping, Field::Name), &repairs);
        if (format && format->givenNameFirst)
            person = familyFirst(person, &repairs);
    } else {
        person = joinName(withoutHonorific(joined(row, mapping, Field::FamilyName), &repairs),
                          withoutHonorific(joined(row, mapping, Field::GivenName), &repairs), &repairs);
    }
    order.custo1 = nameWithCompany(withoutHonorific(joined(row, mapping, Field::Company), &repairs),
                                   joined(row, mapping, Field::Department), person);
    const AddressLines address = splitAddress(
        cells(row, mapping, Field::Prefecture) + cells(row, mapping, Field::City) + cells(row, mapping, Field::Address1),
        cells(row, mapping, Field::Address2) + cells(row, mapping, Field::Address3), &repairs);
    order.add1 = address.add1;
    order.add2 = address.add2;
    for (const OrderItem &item : pending.items)
        if (!item.name.isEmpty())
            order.items << item;
    // Several goods columns in one row (品名1-3) stay lines of their own; items of
    // several rows become a line each.
    const bool goodsInColumns = mapping.columns.value(Field::Item).size() > 1;
    const GoodsLines goods = goodsInColumns ? goodsColumns(cells(row, mapping, Field::Item), &repairs)
                                            : goodsLines(goodsItems(order.items), &repairs);
    order.g1 = goods.g1;
    order.g2 = goods.g2;
    order.g3 = goods.g3;
    if (hasLostCharacter({order.custo1, order.add1, order.add2}))
        repairs |= Repair::LostCharacter;

    order.orderDate = normalisedOrderDate(joined(row, mapping, Field::OrderDate));
    const QString requested = joined(row, mapping, Field::DeliveryDate);
    if (!requested.isEmpty() && !isNoRequest(requested)) {
        const int year = order.orderDate.isEmpty() ? QDate::currentDate().year() : order.orderDate.left(4).toInt();
        if (const std::optional<QDate> date = readDate(requested, year)) {
            order.deDate1 = QString::number(date->month());
            order.deDate2 = QString::number(date->day());
        } else {
            repairs |= Repair::DeliveryDateUnread;
        }
    }
    order.timeSlot = timeSlotFor(joined(row, mapping, Field::DeliveryTime), &repairs);

    order.holdReason = holdReason(pending.status);
    if (order.holdReason.isEmpty() && order.zip.isEmpty() && order.add1.isEmpty() && order.add2.isEmpty())
        order.holdReason = QStringLiteral("お届け先がありません（店頭受取など）");
    order.repairs = repairs;
    const QString destinationId = joined(row, mapping, Field::DestinationId);
    order.orderKey = order.orderNumber.isEmpty() ? contentKey(order)
        : destinationId.isEmpty()                ? order.orderNumber
                                                 : order.orderNumber + u'/' + destinationId;
    return order;
}

QString destinationOf(const QStringList &row, const ColumnMapping &mapping)
{
    QStringList parts;
    for (Field f : {Field::Zip, Field::Prefecture, Field::City, Field::Address1, Field::Address2,
                    Field::Name, Field::FamilyName, Field::GivenName, Field::Company})
        parts << joined(row, mapping, f);
    return parts.join(u'\x1f');
}

} // namespace

void setItems(Order &order, const QList<OrderItem> &items)
{
    order.items = items;
    order.repairs &= ~Repairs(Repair::GoodsJoined | Repair::GoodsShortened);
    const GoodsLines goods = goodsLines(goodsItems(items), &order.repairs);
    order.g1 = goods.g1;
    order.g2 = goods.g2;
    order.g3 = goods.g3;
}

OrderFile readOrderFile(const QString &path, const ReadOptions &options)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1 を開けません。\n(%2)").arg(name, file.errorString()));
    if (file.size() > kMaxFileSize)
        throw ImportError(QStringLiteral("%1 は大きすぎます（%2 MB）。%3 MB までのファイルを読み込めます。")
                              .arg(name).arg(file.size() / (1024 * 1024)).arg(kMaxFileSize / (1024 * 1024)));
    return readOrderFile(file.readAll(), path, options);
}

OrderFile readOrderFile(const QByteArray &raw, const QString &path, const ReadOptions &options)
{
    const QString name = QFileInfo(path).fileName();
    const auto fail = [&](const QString &why) { return ImportError(name + QStringLiteral("：") + why); };
    if (raw.size() > kMaxFileSize)
        throw fail(QStringLiteral("ファイルが大きすぎます。"));
    if (raw.trimmed().isEmpty())
        throw fail(QStringLiteral("ファイルが空です。"));
    if (raw.left(1 << 16).contains('\0'))
        throw fail(QStringLiteral("CSV や TSV のテキストファイルではありません。"));

    OrderFile result;
    result.path = path;
    result.encoding = options.encoding.value_or(detectEncoding(raw));
    const QByteArray bytes = withoutBom(raw);
    result.delimiter = CsvReader::guessDelimiter(bytes);

    ColumnMapping mapping;
    const OrderFormat *format = nullptr;
    QString continuation;
    bool lossy = false;
    int lossyLine = 0;
    QList<PendingOrder> pending;
    QHash<QString, qsizetype> byNumber;   // order number -> index in pending
    QHash<QString, QString> destinations; // order number -> destination of its first row
    QList<QStringList> sample;

    CsvReader::read(bytes, result.delimiter, [&](const CsvReader::Record &record, int line) {
        QStringList row;
        row.reserve(record.size());
        for (const QByteArray &field : record) {
            bool bad = false;
            row << decodeField(field, result.encoding, &bad);
            if (bad && !lossy) {
                lossy = true;
                lossyLine = line;
            }
        }
        if (result.header.isEmpty()) {
            result.header = row;
            format = recogniseFormat(row);
            if (format) {
                mapping = mappingFor(*format, row);
                result.itemsOnly = format->itemsOnly;
                result.formatId = format->id;
                result.formatName = format->name;
                continuation = format->continuationMarker;
            } else {
                std::optional<ColumnMapping> chosen = options.mapping;
                if (!chosen && options.rememberedMapping)
                    chosen = options.rememberedMapping(headerKey(row));
                if (chosen && chosen->isValid()) {
                    mapping = *chosen;
                    result.formatId = QStringLiteral("mapped:") + headerKey(row).left(12);
                    result.formatName = QStringLiteral("列の割り当て");
                }
            }
            return true;
        }
        if (row.size() != result.header.size())
            throw fail(QStringLiteral("%1 行目の項目数 (%2) が見出し行の項目数 (%3) と違います。"
                                      "区切りや引用符が崩れていないか確かめてください。")
                           .arg(line).arg(row.size()).arg(result.header.size()));
        ++result.rowCount;
        if (result.formatId.isEmpty()) {
            if (sample.size() < 5)
                sample << row;
            return true;
        }
        const QString number = joined(row, mapping, Field::OrderNumber);
        const bool continues = !pending.isEmpty()
            && ((!continuation.isEmpty() && (number == continuation || number.isEmpty())));
        if (continues) {
            pending.last().items << itemOf(row, mapping);
            pending.last().status << statusCells(row, mapping, format);
            return true;
        }
        if (!number.isEmpty()) {
            // One order may go to several destinations, each with its own id: one slip each.
            const QString destinationId = joined(row, mapping, Field::DestinationId);
            const QString key = destinationId.isEmpty() ? number : number + u'/' + destinationId;
            const auto seen = byNumber.constFind(key);
            if (seen != byNumber.cend()) {
                // Item rows repeat the number and leave the destination empty, or repeat it.
                const QString destination = destinationOf(row, mapping);
                if (!result.itemsOnly && destination.count(u'\x1f') != destination.size()
                    && destinations.value(key) != destination)
                    throw fail((destinationId.isEmpty()
                                    ? QStringLiteral("注文番号 %1 が %2 行目と %3 行目で別のお届け先になっています。")
                                          .arg(number)
                                    : QStringLiteral("注文番号 %1 の送付先ID %2 が %3 行目と %4 行目で別のお届け先になっています。")
                                          .arg(number, destinationId))
                                   .arg(pending.at(*seen).line).arg(line));
                pending[*seen].items << itemOf(row, mapping);  // another item of the same order
                pending[*seen].status << statusCells(row, mapping, format);
                return true;
            }
            byNumber.insert(key, pending.size());
            destinations.insert(key, destinationOf(row, mapping));
        }
        pending.append({row, {itemOf(row, mapping)}, statusCells(row, mapping, format), line});
        return true;
    });

    if (result.header.isEmpty())
        throw fail(QStringLiteral("ファイルが空です。"));
    if (lossy && !options.encoding)
        throw fail(QStringLiteral("%1 行目に %2 として読めない文字があります。文字コードを選んで読み込み直してください。")
                       .arg(lossyLine).arg(encodingName(result.encoding)));
    if (result.rowCount == 0)
        throw fail(QStringLiteral("見出し行だけで、注文の行がありません。"));
    if (result.formatId.isEmpty())
        throw UnknownLayoutError(name + QStringLiteral("：この形式の見出しは知られていません。列を割り当ててください。"),
                                 name, result.header, sample);
    result.orders.reserve(pending.size());
    QSet<QString> keys;
    QSet<QString> numbersWithDestination;
    for (const PendingOrder &p : pending) {
        Order order = buildOrder(p, mapping, format, result.formatId);
        // The first destination of an order keeps the plain number as its key, as in
        // books filled before destinations were told apart; the others add their id.
        if (!order.orderNumber.isEmpty() && order.orderKey.startsWith(order.orderNumber + u'/')
            && !numbersWithDestination.contains(order.orderNumber)) {
            numbersWithDestination.insert(order.orderNumber);
            order.orderKey = order.orderNumber;
        }
        if (result.itemsOnly)
            order.holdReason.clear();
        order.sourceFile = name;
        // Two rows without a number but with the same content are one order.
        if (!keys.contains(order.orderKey)) {
            keys.insert(order.orderKey);
            result.orders << order;
        }
    }
    return result;
}

} // namespace orders
