#include "orders/batchplan.h"

#include "orders/orderslip.h"

#include "slip/slipform.h"

namespace orders {

QList<BatchEntry> planBatch(const QList<Order> &orders, const slip::SlipRecord &slipTemplate,
                            bool templateDelivery, const slip::SlipCheckOptions &check)
{
    QList<BatchEntry> entries;
    entries.reserve(orders.size());
    for (const Order &order : orders) {
        BatchEntry entry{order, slipFor(order, slipTemplate, templateDelivery ? DeliveryFrom::OrderElseTemplate
                                                                               : DeliveryFrom::OrderOnly), {}};
        entry.problems = slip::checkSlip(entry.slip, check);
        entries.append(entry);
    }
    return entries;
}

QString deliveryText(const slip::SlipRecord &slip)
{
    QStringList parts;
    if (!slip.deliveryMonth.isEmpty() || !slip.deliveryDay.isEmpty())
        parts << QStringLiteral("%1/%2").arg(slip.deliveryMonth, slip.deliveryDay);
    if (slip.timeSlot != slip::TimeSlot::None)
        parts << slip::slipTimeSlotLabel(slip.timeSlot);
    return parts.isEmpty() ? QStringLiteral("指定なし") : parts.join(u' ');
}

BatchConfirmation batchConfirmation(const QList<BatchEntry> &entries, const QString &printerName,
                                    const slip::SlipRecord &slipTemplate)
{
    BatchConfirmation confirmation;
    QStringList lines{QStringLiteral("選択した %1 件の送り状を %2 に印刷しますか?").arg(entries.size()).arg(printerName)};

    int ownDelivery = 0;
    int withProblems = 0;
    QStringList details;
    for (const BatchEntry &entry : entries) {
        const Order &o = entry.order;
        if (!o.deDate1.isEmpty() || !o.deDate2.isEmpty() || slip::timeSlotFromNumber(o.timeSlot) != slip::TimeSlot::None)
            ++ownDelivery;
        if (entry.problems.isEmpty())
            continue;
        ++withProblems;
        const QString who = QStringList{o.orderNumber, o.custo1}.join(u' ').trimmed();
        details << QStringLiteral("%1：%2").arg(who, slip::problemTexts(entry.problems).join(QStringLiteral("、")));
    }
    const QString mainDelivery = deliveryText(slipTemplate);
    const bool mainHasDelivery = mainDelivery != deliveryText(slip::SlipRecord());
    if (ownDelivery > 0 || mainHasDelivery)
        lines << QStringLiteral("お届け日・時間帯：注文の指定どおり（指定のある注文 %1 件、ほかは指定なし）").arg(ownDelivery);
    if (mainHasDelivery && ownDelivery < entries.size())
        confirmation.tickText = QStringLiteral("指定のない注文にメイン画面のお届け日・時間帯（%1）を印字する").arg(mainDelivery);

    if (withProblems > 0) {
        lines << QStringLiteral("問題のある注文が %1 件あります（「詳細」で一覧を表示します）。").arg(withProblems);
        confirmation.details = details.join(u'\n');
        confirmation.buttons = {QStringLiteral("問題のある %1 件を除いて印刷").arg(withProblems),
                                QStringLiteral("すべて印刷"), QStringLiteral("キャンセル")};
        confirmation.leaveOutButton = 0;
    } else {
        confirmation.buttons = {QStringLiteral("印刷"), QStringLiteral("キャンセル")};
    }
    confirmation.text = lines.join(u'\n');
    return confirmation;
}

} // namespace orders
