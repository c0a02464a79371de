#include "orders/orderfile.h"

#include "orders/deliverytime.h"
#include "orders/orderstatus.h"
#include "orders/repairs.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <deque>
#include <utility>

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
    int rowsLeft = 0;    // rows of this order not yet read
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

namespace {

constexpr qsizetype kChunk = 1 << 16;

// What the first reading learns of one order's rows, for the second.
struct KeyInfo
{
    int rows = 0;              // rows that start or repeat the order (not continuation rows)
    int line = 0;              // its first row's line, for the message
    size_t destination = 0;    // hash of its first row's destination
    bool handedOn = false;
};

// Reads one export twice from its device: first to check it whole (encoding, fields,
// format, one destination per order) and count each order's rows, then to build the
// orders, handing each on once its last row is read.
class OrderFileReader
{
public:
    OrderFileReader(QIODevice &device, const QString &path, const ReadOptions &options)
        : m_device(device), m_name(QFileInfo(path).fileName()), m_options(options)
    {
        m_file.path = path;
    }

    OrderFile check()
    {
        sniff();
        bool started = false;
        QList<QStringList> sample;
        bool lossy = false;
        int lossyLine = 0;
        readRecords([&](const QStringList &row, bool bad, int line) {
            if (bad && !lossy) {
                lossy = true;
                lossyLine = line;
            }
            if (m_file.header.isEmpty()) {
                takeHeader(row);
                return;
            }
            if (row.size() != m_file.header.size())
                throw fail(QStringLiteral("%1 行目の項目数 (%2) が見出し行の項目数 (%3) と違います。"
                                          "区切りや引用符が崩れていないか確かめてください。")
                               .arg(line).arg(row.size()).arg(m_file.header.size()));
            ++m_file.rowCount;
            if (m_file.formatId.isEmpty()) {
                if (sample.size() < 5)
                    sample << row;
                return;
            }
            const QString number = joined(row, m_mapping, Field::OrderNumber);
            if (started && continues(number))
                return;
            started = true;
            if (number.isEmpty())
                return;
            const QString destinationId = joined(row, m_mapping, Field::DestinationId);
            const QString key = destinationId.isEmpty() ? number : number + u'/' + destinationId;
            const QString destination = destinationOf(row, m_mapping);
            const size_t destinationHash = qHash(destination, size_t(0x6d656b69));
            const auto seen = m_keys.find(key);
            if (seen == m_keys.end()) {
                m_keys.insert(key, {1, line, destinationHash, false});
                return;
            }
            // Item rows repeat the number and leave the destination empty, or repeat it.
            if (!m_file.itemsOnly && destination.count(u'\x1f') != destination.size()
                && seen->destination != destinationHash)
                throw fail((destinationId.isEmpty()
                                ? QStringLiteral("注文番号 %1 が %2 行目と %3 行目で別のお届け先になっています。").arg(number)
                                : QStringLiteral("注文番号 %1 の送付先ID %2 が %3 行目と %4 行目で別のお届け先になっています。")
                                      .arg(number, destinationId))
                               .arg(seen->line).arg(line));
            ++seen->rows;
        });

        if (m_file.header.isEmpty())
            throw fail(QStringLiteral("ファイルが空です。"));
        if (lossy && !m_options.encoding)
            throw fail(QStringLiteral("%1 行目に %2 として読めない文字があります。文字コードを選んで読み込み直してください。")
                           .arg(lossyLine).arg(encodingName(m_file.encoding)));
        if (m_file.rowCount == 0)
            throw fail(QStringLiteral("見出し行だけで、注文の行がありません。"));
        if (m_file.formatId.isEmpty())
            throw UnknownLayoutError(m_name + QStringLiteral("：この形式の見出しは知られていません。列を割り当ててください。"),
                                     m_name, m_file.header, sample);
        return m_file;
    }

    // The file's description from its header alone: its first chunk tells the
    // encoding of the header line, so the rest of the file is not read.
    OrderFile header()
    {
        sniff(kChunk);
        readRecords([&](const QStringList &row, bool, int) { takeHeader(row); }, true);
        return m_file;
    }

    // After check(): builds the orders and hands them on.
    void readOrders(const OrderBatchHandler &handler)
    {
        // The orders begun and not yet handed on, in the order of their first rows; the
        // last one stays until another begins, as continuation rows may follow it.
        std::deque<PendingOrder> begun;
        QHash<QString, PendingOrder *> open;  // by key: orders with rows still to come
        QList<Order> batch;
        const auto handOnComplete = [&](qsizetype keep) {
            while (qsizetype(begun.size()) > keep && begun.front().rowsLeft == 0) {
                handOn(begun.front(), batch);
                begun.pop_front();
                if (batch.size() >= kOrderBatchSize)
                    handler(std::exchange(batch, {}));
            }
        };
        bool header = true;
        readRecords([&](const QStringList &row, bool, int line) {
            if (std::exchange(header, false))
                return;
            const QString number = joined(row, m_mapping, Field::OrderNumber);
            if (!begun.empty() && continues(number)) {
                begun.back().items << itemOf(row, m_mapping);
                begun.back().status << statusCells(row, m_mapping, m_format);
                return;
            }
            QString key;
            if (!number.isEmpty()) {
                const QString destinationId = joined(row, m_mapping, Field::DestinationId);
                key = destinationId.isEmpty() ? number : number + u'/' + destinationId;
                if (PendingOrder *known = open.value(key)) {
                    known->items << itemOf(row, m_mapping);  // another item of the same order
                    known->status << statusCells(row, m_mapping, m_format);
                    if (--known->rowsLeft == 0)
                        open.remove(key);
                    return;
                }
            }
            const int rowsLeft = key.isEmpty() ? 0 : m_keys.value(key).rows - 1;
            begun.push_back({row, {itemOf(row, m_mapping)}, statusCells(row, m_mapping, m_format), line, rowsLeft});
            if (rowsLeft > 0)
                open.insert(key, &begun.back());
            handOnComplete(1);
        });
        handOnComplete(0);
        if (!batch.isEmpty())
            handler(std::move(batch));
    }

private:
    ImportError fail(const QString &why) const { return ImportError(m_name + QStringLiteral("：") + why); }

    // Size, emptiness, binary content, encoding and delimiter, in one pass over the
    // device (or its first `limit` bytes) a chunk at a time.
    void sniff(qint64 limit = kMaxFileSize + 1)
    {
        m_device.seek(0);
        EncodingDetector detector;
        qint64 size = 0;
        bool blank = true;
        QByteArray first;
        while (!m_device.atEnd() && size < limit) {
            const QByteArray chunk = m_device.read(kChunk);
            if (chunk.isEmpty())
                throw fail(QStringLiteral("ファイルを最後まで読めませんでした（%1）。").arg(m_device.errorString()));
            if (size < kChunk && chunk.left(kChunk - size).contains('\0'))
                throw fail(QStringLiteral("CSV や TSV のテキストファイルではありません。"));
            if (size == 0)
                first = chunk;
            size += chunk.size();
            if (size > kMaxFileSize)
                throw fail(QStringLiteral("ファイルが大きすぎます。"));
            blank = blank && chunk.trimmed().isEmpty();
            // Stopped short of the end: up to the last whole line, so that no character
            // is cut there.
            const bool stopsHere = size >= limit && !m_device.atEnd();
            detector.add(stopsHere ? QByteArrayView(chunk).first(chunk.lastIndexOf('\n') + 1) : QByteArrayView(chunk));
        }
        if (blank && m_device.atEnd())
            throw fail(QStringLiteral("ファイルが空です。"));
        m_bomSize = detector.bomSize();
        m_file.encoding = m_options.encoding.value_or(detector.encoding());
        m_file.delimiter = CsvReader::guessDelimiter(first.mid(m_bomSize));
    }

    // Every record from the start, decoded; `bad` when a field was not in the encoding.
    void readRecords(const std::function<void(const QStringList &row, bool bad, int line)> &take, bool headerOnly = false)
    {
        m_device.seek(m_bomSize);
        CsvReader::read(m_device, m_file.delimiter, [&](const CsvReader::Record &record, int line) {
            QStringList row;
            row.reserve(record.size());
            bool bad = false;
            for (const QByteArray &field : record)
                row << decodeField(field, m_file.encoding, &bad);
            take(row, bad, line);
            return !headerOnly;
        });
    }

    void takeHeader(const QStringList &row)
    {
        m_file.header = row;
        m_format = recogniseFormat(row);
        if (m_format) {
            m_mapping = mappingFor(*m_format, row);
            m_file.itemsOnly = m_format->itemsOnly;
            m_file.formatId = m_format->id;
            m_file.formatName = m_format->name;
            m_continuation = m_format->continuationMarker;
            return;
        }
        std::optional<ColumnMapping> chosen = m_options.mapping;
        if (!chosen && m_options.rememberedMapping)
            chosen = m_options.rememberedMapping(headerKey(row));
        if (chosen && chosen->isValid()) {
            m_mapping = *chosen;
            m_file.formatId = QStringLiteral("mapped:") + headerKey(row).left(12);
            m_file.formatName = QStringLiteral("列の割り当て");
        }
    }

    // A row that carries on the order of the row before (formats that mark them).
    bool continues(const QString &number) const
    {
        return !m_continuation.isEmpty() && (number == m_continuation || number.isEmpty());
    }

    void handOn(const PendingOrder &pending, QList<Order> &batch)
    {
        Order order = buildOrder(pending, m_mapping, m_format, m_file.formatId);
        // The first destination of an order keeps the plain number as its key, as in
        // books filled before destinations were told apart; the others add their id.
        if (!order.orderNumber.isEmpty() && order.orderKey.startsWith(order.orderNumber + u'/')
            && !m_numbersWithDestination.contains(order.orderNumber)) {
            m_numbersWithDestination.insert(order.orderNumber);
            order.orderKey = order.orderNumber;
        }
        if (m_file.itemsOnly)
            order.holdReason.clear();
        order.sourceFile = m_name;
        // Two rows without a number but with the same content are one order.
        if (!firstOfItsKey(order.orderKey))
            return;
        batch << std::move(order);
    }

    bool firstOfItsKey(const QString &key)
    {
        const auto known = m_keys.find(key);
        if (known != m_keys.end())
            return !std::exchange(known->handedOn, true);
        if (m_otherKeys.contains(key))
            return false;
        m_otherKeys.insert(key);
        return true;
    }

    QIODevice &m_device;
    const QString m_name;
    const ReadOptions &m_options;
    OrderFile m_file;
    qint64 m_bomSize = 0;
    ColumnMapping m_mapping;
    const OrderFormat *m_format = nullptr;
    QString m_continuation;
    QHash<QString, KeyInfo> m_keys;  // by order number (and destination id)
    QSet<QString> m_otherKeys;       // keys handed on that are not in m_keys
    QSet<QString> m_numbersWithDestination;
};

void checkSize(const QFile &file, const QString &name)
{
    if (file.size() > kMaxFileSize)
        throw ImportError(QStringLiteral("%1 は大きすぎます（%2 MB）。%3 MB までのファイルを読み込めます。")
                              .arg(name).arg(file.size() / (1024 * 1024)).arg(kMaxFileSize / (1024 * 1024)));
}

} // namespace

OrderFile readOrderFile(QIODevice &device, const QString &path, const ReadOptions &options,
                        const OrderBatchHandler &handler)
{
    OrderFileReader reader(device, path, options);
    OrderFile result = reader.check();
    reader.readOrders(handler);
    return result;
}

OrderFile readOrderFile(const QString &path, const ReadOptions &options, const OrderBatchHandler &handler)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1 を開けません。\n(%2)").arg(name, file.errorString()));
    checkSize(file, name);
    return readOrderFile(file, path, options, handler);
}

OrderFile readOrderFileHeader(const QString &path, const ReadOptions &options)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1 を開けません。\n(%2)").arg(name, file.errorString()));
    checkSize(file, name);
    return OrderFileReader(file, path, options).header();
}

OrderFile readOrderFile(const QString &path, const ReadOptions &options)
{
    QList<Order> orders;
    OrderFile result = readOrderFile(path, options, [&](QList<Order> &&batch) { orders += std::move(batch); });
    result.orders = std::move(orders);
    return result;
}

OrderFile readOrderFile(const QByteArray &bytes, const QString &path, const ReadOptions &options)
{
    QByteArray data = bytes;  // shared, not copied
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QList<Order> orders;
    OrderFile result = readOrderFile(buffer, path, options, [&](QList<Order> &&batch) { orders += std::move(batch); });
    result.orders = std::move(orders);
    return result;
}

} // namespace orders
