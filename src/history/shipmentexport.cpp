#include "history/shipmentexport.h"

#include "platform/codepage.h"

#include <csv.h>

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <vector>

namespace history {

namespace {

enum class Field { OrderNumber, TrackingNumber, Carrier, Service, ShipDate, Blank, Fixed };

struct Column
{
    const char *header; // UTF-8
    Field field;
    const char *fixed = ""; // for Field::Fixed
    // A spreadsheet must not run it as a formula. Never set where a platform matches the
    // cell against its own data (its order numbers, the tracking number).
    bool neutralize = false;
};

struct LayoutTable
{
    ExportLayout layout;
    char separator;
    bool quoted;        // every field in quotes (RFC 4180); a template read as tabs takes none
    const char *dateFormat;
    std::vector<Column> columns;
};

const LayoutTable kLayouts[] = {
    // A table for a person or a spreadsheet, matched by no platform: its order number,
    // which comes from an imported file, is neutralised.
    {ExportLayout::Generic, ',', true, "yyyy/MM/dd",
     {{"注文番号", Field::OrderNumber, "", true},
      {"お問い合わせ番号", Field::TrackingNumber},
      {"配送業者", Field::Carrier},
      {"配送方法", Field::Service},
      {"発送日", Field::ShipDate}}},
    {ExportLayout::AmazonShippingConfirmation, '\t', false, "yyyy-MM-dd",
     {{"order-id", Field::OrderNumber},
      {"order-item-id", Field::Blank},
      {"quantity", Field::Blank},
      {"ship-date", Field::ShipDate},
      {"carrier-code", Field::Fixed, "Other"},
      {"carrier-name", Field::Carrier},
      {"tracking-number", Field::TrackingNumber},
      {"ship-method", Field::Service}}},
};

const LayoutTable &table(ExportLayout layout)
{
    for (const LayoutTable &t : kLayouts) {
        if (t.layout == layout)
            return t;
    }
    return kLayouts[0];
}

QString value(const Column &column, const Shipment &shipment, const char *dateFormat)
{
    switch (column.field) {
    case Field::OrderNumber:
        return column.neutralize ? platform::neutralizedFormula(shipment.orderNumber) : shipment.orderNumber;
    case Field::TrackingNumber:
        return shipment.trackingNumber;
    case Field::Carrier:
        return carrierName();
    case Field::Service:
        return serviceName();
    case Field::ShipDate:
        return shipment.shipDate.toString(QLatin1String(dateFormat));
    case Field::Fixed:
        return QString::fromUtf8(column.fixed);
    case Field::Blank:
        break;
    }
    return {};
}

QByteArray encode(const QString &text, ExportEncoding encoding)
{
    return encoding == ExportEncoding::Cp932 ? platform::encodeCp932(text) : text.toUtf8();
}

QByteArray field(const QString &text, const LayoutTable &layout, ExportEncoding encoding)
{
    QString plain = text;
    if (!layout.quoted) {
        // A separator or line break inside an unquoted field would shift the columns.
        for (QChar &c : plain) {
            if (c == u'\t' || c == u'\r' || c == u'\n')
                c = u' ';
        }
        return encode(plain, encoding);
    }
    // libcsv doubles the quotes and wraps the field. The quote byte never occurs inside
    // a CP932 character, so quoting the encoded bytes is safe for both encodings.
    const QByteArray bytes = encode(plain, encoding);
    QByteArray quoted(bytes.size() * 2 + 2, Qt::Uninitialized);
    const size_t written = csv_write(quoted.data(), size_t(quoted.size()), bytes.constData(), size_t(bytes.size()));
    quoted.truncate(qsizetype(written));
    return quoted;
}

} // namespace

QString carrierName()
{
    return QStringLiteral("日本郵便");
}

QString serviceName()
{
    return QStringLiteral("ゆうパック");
}

const QList<ExportLayoutInfo> &exportLayouts()
{
    static const QList<ExportLayoutInfo> layouts = {
        {ExportLayout::Generic, QStringLiteral("汎用（注文番号・お問い合わせ番号・配送業者・配送方法・発送日）"),
         QStringLiteral("発送済み.csv"), QString()},
        {ExportLayout::AmazonShippingConfirmation, QStringLiteral("Amazon 出荷通知ファイル（タブ区切り）"),
         QStringLiteral("amazon-出荷通知.txt"), QStringLiteral("amazon")},
    };
    return layouts;
}

const ExportLayoutInfo &exportLayoutInfo(ExportLayout layout)
{
    for (const ExportLayoutInfo &info : exportLayouts()) {
        if (info.layout == layout)
            return info;
    }
    return exportLayouts().first();
}

QList<Shipment> shipmentsFor(ExportLayout layout, const QList<Shipment> &shipments)
{
    const QString source = exportLayoutInfo(layout).sourceFormat;
    QList<Shipment> result;
    for (const Shipment &shipment : shipments) {
        if (shipment.trackingNumber.isEmpty() || shipment.orderNumber.isEmpty())
            continue;
        if (!source.isEmpty() && (shipment.sourceFormat != source || shipment.orderNumber.isEmpty()))
            continue;
        result.append(shipment);
    }
    return result;
}

QByteArray shipmentFile(ExportLayout layout, ExportEncoding encoding, const QList<Shipment> &shipments)
{
    const LayoutTable &t = table(layout);
    QByteArray out;
    if (encoding == ExportEncoding::Utf8WithBom)
        out += "\xEF\xBB\xBF";
    const auto row = [&](auto &&textOf) {
        bool first = true;
        for (const Column &column : t.columns) {
            if (!first)
                out += t.separator;
            first = false;
            out += field(textOf(column), t, encoding);
        }
        out += "\r\n";
    };
    row([](const Column &column) { return QString::fromUtf8(column.header); });
    for (const Shipment &shipment : shipments)
        row([&](const Column &column) { return value(column, shipment, t.dateFormat); });
    return out;
}

int writeShipmentFile(const QString &path, ExportLayout layout, ExportEncoding encoding,
                      const QList<Shipment> &shipments)
{
    const QList<Shipment> chosen = shipmentsFor(layout, shipments);
    platform::saveFileAtomically(path, shipmentFile(layout, encoding, chosen), platform::FileAccess::OwnerOnly);
    return int(chosen.size());
}

QString shopFilePath(const QString &path, const QString &sourceFormat)
{
    const QFileInfo info(path);
    QString shop = sourceFormat;
    // A mapping of the user's ("mapped:<key>") is named without its colon.
    shop.replace(u':', u'-');
    const QString name = info.suffix().isEmpty() ? QStringLiteral("%1-%2").arg(info.fileName(), shop)
                                                 : QStringLiteral("%1-%2.%3").arg(info.completeBaseName(), shop, info.suffix());
    return info.dir().filePath(name);
}

} // namespace history
