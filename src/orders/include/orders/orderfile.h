#pragma once

#include "orders/csvreader.h"
#include "orders/formats.h"
#include "orders/order.h"
#include "orders/textencoding.h"

#include <QIODevice>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace orders {

// A file whose header no format knows and no remembered mapping fits: the mapping
// dialog asks the user which columns hold what.
class UnknownLayoutError : public ImportError
{
public:
    UnknownLayoutError(QString message, QString fileName, QStringList header, QList<QStringList> sample);
    QString fileName;  // shown in the dialog: several files may be read at once
    QStringList header;
    QList<QStringList> sample;  // the first rows, for the dialog's preview
};

// An order file read into orders, ready to store. Nothing is stored by reading.
struct OrderFile
{
    QString path;
    TextEncoding encoding = TextEncoding::Utf8;
    char delimiter = ',';
    QString formatId;    // "base", ...; "mapped" for a mapping of the user's
    QString formatName;  // shown to the user
    QStringList header;
    QList<Order> orders;  // of an item file: the order numbers with their items only
    bool itemsOnly = false;  // an item file (Yahoo!'s), to be joined to its orders
    int rowCount = 0;    // data rows read
};

struct ReadOptions
{
    std::optional<TextEncoding> encoding;  // instead of the detected one
    // A mapping for a header no format knows (remembered ones are looked up by
    // headerKey() through this).
    std::function<std::optional<ColumnMapping>(const QString &headerKey)> rememberedMapping;
    std::optional<ColumnMapping> mapping;  // the user's answer in the mapping dialog
};

// Largest file read; an export of a few thousand orders is a few megabytes.
inline constexpr qsizetype kMaxFileSize = 64 * 1024 * 1024;

// Reads one export: encoding, delimiter, format by header, one Order per order number
// (item rows joined), the repairs. Raises ImportError with a message naming the file
// and the line for: an empty file, a header without rows, a binary file, a file too
// large, unbalanced quotes, a row with more or fewer fields than the header, text that
// is not in the detected encoding, one order number with two different destinations.
OrderFile readOrderFile(const QByteArray &bytes, const QString &path, const ReadOptions &options = {});

// The same from the file on disk.
OrderFile readOrderFile(const QString &path, const ReadOptions &options = {});

// Takes the orders of a file a batch at a time, of at most kOrderBatchSize orders.
inline constexpr qsizetype kOrderBatchSize = 1000;
using OrderBatchHandler = std::function<void(QList<Order> &&batch)>;

// Reads one export in bounded memory: the whole file is checked first (nothing is
// handed on from a file that is refused), then its orders are built a few at a time
// and handed to `handler` in batches, in the order of their first rows; only the
// orders whose rows are not all read yet are held. The result describes the file;
// its `orders` stay empty. The device must be open and seekable (a file, a buffer).
OrderFile readOrderFile(QIODevice &device, const QString &path, const ReadOptions &options,
                        const OrderBatchHandler &handler);
// The same from the file on disk.
OrderFile readOrderFile(const QString &path, const ReadOptions &options, const OrderBatchHandler &handler);

// What the header of a file tells (format, whether it is an item file, encoding,
// delimiter) without reading its rows. Raises ImportError for a file that cannot be
// read, is empty, binary or too large.
OrderFile readOrderFileHeader(const QString &path, const ReadOptions &options = {});

// Gives the order these items and the goods lines made of them (an item file's items
// joined to their order).
void setItems(Order &order, const QList<OrderItem> &items);

// The key of an order without a number: a hash of its destination and goods.
QString contentKey(const Order &order);

} // namespace orders
