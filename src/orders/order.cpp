#include "orders/order.h"

#include "orders/deliverytime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orders {

QStringList repairTexts(Repairs repairs)
{
    static const std::pair<Repair, const char *> texts[] = {
        {Repair::ZipLeadingZero, "郵便番号の先頭の0を補完"},
        {Repair::ZipFormat, "郵便番号の形を修正"},
        {Repair::ZipJoined, "郵便番号を結合"},
        {Repair::TelLeadingZero, "電話番号の先頭の0を補完"},
        {Repair::NameJoined, "姓と名を結合"},
        {Repair::AddressJoined, "住所を結合"},
        {Repair::AddressSplit, "住所を2行に分割"},
        {Repair::GoodsJoined, "複数の商品をまとめた"},
        {Repair::GoodsShortened, "品名を短縮"},
        {Repair::TelExponent, "電話番号が指数表記（桁が失われています）"},
        {Repair::LostCharacter, "「?」の文字あり（文字が失われた可能性）"},
        {Repair::HonorificRemoved, "敬称を除去"},
        {Repair::NameReordered, "名 姓を姓 名に"},
        {Repair::SpreadsheetMark, "表計算ソフトの印を除去"},
        {Repair::TimeSlotNearest, "お届け時間帯を近い枠に"},
        {Repair::ContentUpdated, "再読み込みで内容を更新"},
        {Repair::DeliveryDateUnread, "お届け日時を読めません"},
    };
    QStringList result;
    for (const auto &[flag, text] : texts)
        if (repairs.testFlag(flag))
            result << QString::fromUtf8(text);
    return result;
}

QString repairsToText(Repairs repairs)
{
    return QString::number(repairs.toInt());
}

Repairs repairsFromText(const QString &text)
{
    return Repairs::fromInt(text.toInt());
}

QString itemsToText(const QList<OrderItem> &items)
{
    if (items.isEmpty())
        return {};
    QJsonArray array;
    for (const OrderItem &item : items)
        array.append(QJsonObject{{QStringLiteral("name"), item.name}, {QStringLiteral("quantity"), item.quantity}});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QList<OrderItem> itemsFromText(const QString &text)
{
    QList<OrderItem> items;
    for (const QJsonValue &value : QJsonDocument::fromJson(text.toUtf8()).array()) {
        const QJsonObject object = value.toObject();
        items.append({object.value(QStringLiteral("name")).toString(), object.value(QStringLiteral("quantity")).toInt(1)});
    }
    return items;
}

namespace {
// The fields of a change, with their names in the list.
struct ChangeField
{
    const char *name;
    QString OrderChanges::*changed;
    QString Order::*stored;
};
const ChangeField kChangeFields[] = {
    {"zip", &OrderChanges::zip, &Order::zip},       {"add1", &OrderChanges::add1, &Order::add1},
    {"add2", &OrderChanges::add2, &Order::add2},    {"custo1", &OrderChanges::custo1, &Order::custo1},
    {"tel", &OrderChanges::tel, &Order::tel},       {"g1", &OrderChanges::g1, &Order::g1},
    {"g2", &OrderChanges::g2, &Order::g2},          {"g3", &OrderChanges::g3, &Order::g3},
    {"deDate1", &OrderChanges::deDate1, &Order::deDate1}, {"deDate2", &OrderChanges::deDate2, &Order::deDate2},
};
const char *const kChangeLabels[] = {"郵便番号", "おところ1", "おところ2", "おなまえ", "でんわ",
                                     "品名1", "品名2", "品名3", "お届け月", "お届け日"};
} // namespace

QString OrderChanges::toText() const
{
    QJsonObject object;
    for (const ChangeField &field : kChangeFields)
        object.insert(QLatin1String(field.name), this->*field.changed);
    object.insert(QStringLiteral("timeSlot"), timeSlot);
    object.insert(QStringLiteral("sourceFile"), sourceFile);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

OrderChanges OrderChanges::fromText(const QString &text)
{
    OrderChanges changes;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    for (const ChangeField &field : kChangeFields)
        changes.*field.changed = object.value(QLatin1String(field.name)).toString();
    changes.timeSlot = object.value(QStringLiteral("timeSlot")).toInt();
    changes.sourceFile = object.value(QStringLiteral("sourceFile")).toString();
    return changes;
}

Order OrderChanges::appliedTo(Order order) const
{
    for (const ChangeField &field : kChangeFields)
        order.*field.stored = this->*field.changed;
    order.timeSlot = timeSlot;
    return order;
}

QStringList OrderChanges::describe(const Order &order) const
{
    QStringList lines;
    for (std::size_t i = 0; i < std::size(kChangeFields); ++i) {
        const QString &now = this->*kChangeFields[i].changed;
        const QString &before = order.*kChangeFields[i].stored;
        if (now != before)
            lines << QStringLiteral("%1：%2 → %3").arg(QString::fromUtf8(kChangeLabels[i]), before, now);
    }
    if (timeSlot != order.timeSlot)
        lines << QStringLiteral("お届け時間帯：%1 → %2").arg(timeSlotName(order.timeSlot), timeSlotName(timeSlot));
    return lines;
}

} // namespace orders
