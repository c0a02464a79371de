#include "orders/formats.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orders {

namespace {
using F = Field;
// Yahoo!'s order status: 1 予約中, 2 処理中, 3 保留, 4 キャンセル, 5 完了 (shipped).
const std::vector<std::pair<QString, QString>> kYahooStatusCodes{{"4", "キャンセル"}, {"5", "完了"}};
} // namespace

// Header names as the platforms write them in their order downloads.
const std::vector<OrderFormat> &formats()
{
    static const std::vector<OrderFormat> table = {
        {"base", "BASE", {
            {F::OrderNumber, "注文ID"}, {F::OrderDate, "注文日時"}, {F::Zip, "郵便番号(配送先)"},
            {F::Prefecture, "都道府県(配送先)"}, {F::Address1, "住所(配送先)"}, {F::Address2, "住所2(配送先)"},
            {F::FamilyName, "氏(配送先)"}, {F::GivenName, "名(配送先)"}, {F::Tel, "電話番号(配送先)"},
            {F::Item, "商品名"}, {F::Variation, "バリエーション"}, {F::Quantity, "数量"},
            {F::Status, "発送状況"}, {F::Status, "注文ステータス"}},
         "--- 同上 ---"},
        {"stores", "STORES", {
            {F::OrderNumber, "注文番号"}, {F::OrderDate, "注文日時"}, {F::Zip, "配送先 郵便番号"},
            {F::Prefecture, "配送先 都道府県"}, {F::Address1, "配送先 住所"}, {F::Address2, "配送先 住所2"},
            {F::FamilyName, "配送先 姓"}, {F::GivenName, "配送先 名"}, {F::Tel, "配送先 電話番号"},
            {F::Item, "アイテム名"}, {F::Variation, "種類"}, {F::Quantity, "数量"},
            {F::Status, "ステータス"}}},
        {"shopify", "Shopify", {
            {F::OrderNumber, "Name"}, {F::OrderDate, "Created at"}, {F::Name, "Shipping Name"},
            {F::Company, "Shipping Company"}, {F::Zip, "Shipping Zip"}, {F::Prefecture, "Shipping Province Name"},
            {F::City, "Shipping City"}, {F::Address1, "Shipping Address1"}, {F::Address2, "Shipping Address2"},
            {F::Tel, "Shipping Phone"}, {F::Item, "Lineitem name"}, {F::Quantity, "Lineitem quantity"},
            {F::Status, "Financial Status"}, {F::Status, "Fulfillment Status"}, {F::Status, "Shipping Method"},
            {F::Cancelled, "Cancelled at"}},
         {}, true},
        {"rakuten", "楽天市場 (RMS)", {
            {F::OrderNumber, "注文番号"}, {F::OrderDate, "注文日時"}, {F::Status, "ステータス"},
            {F::DestinationId, "送付先ID"}, {F::Zip, "送付先郵便番号1"}, {F::Zip, "送付先郵便番号2"},
            {F::Prefecture, "送付先住所都道府県"}, {F::City, "送付先住所郡市区"},
            {F::Address1, "送付先住所それ以降の住所"}, {F::FamilyName, "送付先姓"}, {F::GivenName, "送付先名"},
            {F::Tel, "送付先電話番号1"}, {F::Tel, "送付先電話番号2"}, {F::Tel, "送付先電話番号3"},
            {F::Item, "商品名"}, {F::Quantity, "個数"}, {F::DeliveryDate, "お届け日指定"},
            {F::DeliveryTime, "お届け時間帯"}}},
        {"yahoo", "Yahoo!ショッピング", {
            {F::OrderNumber, "OrderId"}, {F::OrderDate, "OrderTime"}, {F::Status, "OrderStatus"},
            {F::Zip, "ShipZipCode"}, {F::Prefecture, "ShipPrefecture"}, {F::City, "ShipCity"},
            {F::Address1, "ShipAddress1"}, {F::Address2, "ShipAddress2"}, {F::Name, "ShipName"},
            {F::Tel, "ShipPhoneNumber"}, {F::Item, "Title"}, {F::Quantity, "QuantityDetail"},
            {F::DeliveryDate, "ShipRequestDate"}, {F::DeliveryTime, "ShipRequestTime"},
            {F::Company, "ShipCompanyName"}, {F::Department, "ShipSection1Value"}},
         {}, false, false, kYahooStatusCodes},
        // The same download with the name in two columns.
        {"yahoo", "Yahoo!ショッピング", {
            {F::OrderNumber, "OrderId"}, {F::OrderDate, "OrderTime"}, {F::Status, "OrderStatus"},
            {F::Zip, "ShipZipCode"}, {F::Prefecture, "ShipPrefecture"}, {F::City, "ShipCity"},
            {F::Address1, "ShipAddress1"}, {F::Address2, "ShipAddress2"}, {F::FamilyName, "ShipLastName"},
            {F::GivenName, "ShipFirstName"}, {F::Tel, "ShipPhoneNumber"}, {F::Item, "Title"},
            {F::Quantity, "Quantity"}, {F::DeliveryDate, "ShipRequestDate"}, {F::DeliveryTime, "ShipRequestTime"},
            {F::Company, "ShipCompanyName"}, {F::Department, "ShipSection1Value"}},
         {}, false, false, kYahooStatusCodes},
        // The item file of the same download: one row per item, joined by order number.
        {"yahoo", "Yahoo!ショッピング（商品）", {
            {F::OrderNumber, "OrderId"}, {F::Item, "Title"}, {F::Variation, "ItemOptionValue"},
            {F::Quantity, "Quantity"}},
         {}, false, true},
        {"amazon", "Amazon", {
            {F::OrderNumber, "order-id"}, {F::OrderDate, "purchase-date"}, {F::Name, "recipient-name"},
            {F::Zip, "ship-postal-code"}, {F::Prefecture, "ship-state"}, {F::City, "ship-city"},
            {F::Address1, "ship-address-1"}, {F::Address2, "ship-address-2"}, {F::Address3, "ship-address-3"},
            {F::Tel, "ship-phone-number"}, {F::Item, "product-name"}, {F::Quantity, "quantity-purchased"},
            {F::DeliveryDate, "delivery-start-date"}, {F::DeliveryTime, "delivery-time-zone"}}},
        {"clickpost", "クリックポスト", {
            {F::Zip, "お届け先郵便番号"}, {F::Name, "お届け先氏名"}, {F::Address1, "お届け先住所1行目"},
            {F::Address1, "お届け先住所2行目"}, {F::Address2, "お届け先住所3行目"}, {F::Address2, "お届け先住所4行目"},
            {F::Item, "内容品"}}},
        {"mekira", "mekira", {
            {F::OrderNumber, "注文番号"}, {F::Zip, "郵便番号"}, {F::Address1, "おところ1"},
            {F::Address2, "おところ2"}, {F::Name, "おなまえ"}, {F::Tel, "でんわ"}, {F::Item, "品名1"},
            {F::Item, "品名2"}, {F::Item, "品名3"}}},
    };
    return table;
}

bool isOptional(const OrderFormat &format, Field field)
{
    if (format.itemsOnly)
        return field != Field::OrderNumber && field != Field::Item;
    return isOptional(field);
}

QString platformName(const QString &formatId)
{
    if (formatId.startsWith(u"mapped:"))
        return QStringLiteral("列の割り当て");
    for (const OrderFormat &format : formats())
        if (format.id == formatId && !format.itemsOnly)
            return format.name;
    return formatId;
}

bool isOptional(Field field)
{
    switch (field) {
    case Field::OrderDate:
    case Field::DeliveryDate:
    case Field::DeliveryTime:
    case Field::Status:
    case Field::Cancelled:
    case Field::DestinationId:
    case Field::Company:
    case Field::Department:
    case Field::Prefecture:
    case Field::Address2:
    case Field::Address3:
    case Field::Tel:
    case Field::Item:
    case Field::Variation:
    case Field::Quantity:
        return true;
    default:
        return false;
    }
}

const OrderFormat *recogniseFormat(const QStringList &header)
{
    QStringList cells;
    for (const QString &cell : header)
        cells << cell.trimmed();
    const OrderFormat *best = nullptr;
    qsizetype bestFound = 0;
    for (const OrderFormat &format : formats()) {
        qsizetype found = 0;
        bool required = true;
        for (const auto &[field, name] : format.columns) {
            if (cells.contains(name))
                ++found;
            else if (!isOptional(format, field))
                required = false;
        }
        if (required && found > bestFound) {
            best = &format;
            bestFound = found;
        }
    }
    return best;
}

ColumnMapping mappingFor(const OrderFormat &format, const QStringList &header)
{
    QStringList cells;
    for (const QString &cell : header)
        cells << cell.trimmed();
    ColumnMapping mapping;
    for (const auto &[field, name] : format.columns) {
        const qsizetype column = cells.indexOf(name);
        if (column >= 0)
            mapping.columns[field].append(int(column));
    }
    return mapping;
}

QString headerKey(const QStringList &header)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(header.join(u'\x1f').toUtf8(), QCryptographicHash::Sha1).toHex());
}

bool ColumnMapping::isValid() const
{
    const auto has = [&](Field f) { return !columns.value(f).isEmpty(); };
    return (has(Field::Zip) || has(Field::Address1) || has(Field::City))
        && (has(Field::Name) || has(Field::FamilyName));
}

QString ColumnMapping::toText() const
{
    QJsonObject object;
    for (auto it = columns.begin(); it != columns.end(); ++it) {
        QJsonArray list;
        for (int column : it.value())
            list.append(column);
        object.insert(QString::number(int(it.key())), list);
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

ColumnMapping ColumnMapping::fromText(const QString &text)
{
    ColumnMapping mapping;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const int field = it.key().toInt();
        if (field < 0 || field >= kFieldCount)
            continue;
        for (const QJsonValue &column : it.value().toArray())
            mapping.columns[Field(field)].append(column.toInt());
    }
    return mapping;
}

QString fieldName(Field field)
{
    static const char *const names[kFieldCount] = {
        "注文番号", "郵便番号", "都道府県", "市区町村", "住所1", "住所2（建物）", "住所3",
        "姓", "名", "お名前", "電話番号", "商品名", "バリエーション", "数量",
        "注文日", "お届け希望日", "お届け時間帯", "注文の状態", "キャンセル日", "送付先ID", "会社名", "部署名"};
    return QString::fromUtf8(names[int(field)]);
}

} // namespace orders
