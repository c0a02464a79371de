#include "orders/order.h"

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

} // namespace orders
