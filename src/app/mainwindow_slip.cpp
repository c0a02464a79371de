// The slip record and the window's controls: the one table that binds each control to
// its field of the record, read before every print and filled from an order, a slip of
// the history or the settings file.
#include "mainwindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>

namespace {

using slip::SlipRecord;

enum class SlipPart { Destination, Sender, Goods, Delivery };

struct TextBinding
{
    QLineEdit *TForm_Main::*control;
    QString &(*field)(SlipRecord &record);
    SlipPart part;
};

const TextBinding kTextBindings[] = {
    {&TForm_Main::Edit_Zip, [](SlipRecord &r) -> QString & { return r.destination.postalCode; }, SlipPart::Destination},
    {&TForm_Main::Edit_Add1, [](SlipRecord &r) -> QString & { return r.destination.address1; }, SlipPart::Destination},
    {&TForm_Main::Edit_Add2, [](SlipRecord &r) -> QString & { return r.destination.address2; }, SlipPart::Destination},
    {&TForm_Main::Edit_Add3, [](SlipRecord &r) -> QString & { return r.destination.address3; }, SlipPart::Destination},
    {&TForm_Main::Edit_Custo1, [](SlipRecord &r) -> QString & { return r.destination.name; }, SlipPart::Destination},
    {&TForm_Main::Edit_tel, [](SlipRecord &r) -> QString & { return r.destination.telephone; }, SlipPart::Destination},
    {&TForm_Main::Edit_MyZip, [](SlipRecord &r) -> QString & { return r.sender.postalCode; }, SlipPart::Sender},
    {&TForm_Main::Edit_MyADD1, [](SlipRecord &r) -> QString & { return r.sender.address1; }, SlipPart::Sender},
    {&TForm_Main::Edit_MyADD2, [](SlipRecord &r) -> QString & { return r.sender.address2; }, SlipPart::Sender},
    {&TForm_Main::Edit_My, [](SlipRecord &r) -> QString & { return r.sender.name; }, SlipPart::Sender},
    {&TForm_Main::Edit_MyTEL, [](SlipRecord &r) -> QString & { return r.sender.telephone; }, SlipPart::Sender},
    {&TForm_Main::Edit_G1, [](SlipRecord &r) -> QString & { return r.goods[0]; }, SlipPart::Goods},
    {&TForm_Main::Edit_G2, [](SlipRecord &r) -> QString & { return r.goods[1]; }, SlipPart::Goods},
    {&TForm_Main::Edit_G3, [](SlipRecord &r) -> QString & { return r.goods[2]; }, SlipPart::Goods},
    {&TForm_Main::Edit_de_date1, [](SlipRecord &r) -> QString & { return r.deliveryMonth; }, SlipPart::Delivery},
    {&TForm_Main::Edit_de_date2, [](SlipRecord &r) -> QString & { return r.deliveryDay; }, SlipPart::Delivery},
};

} // namespace

slip::SlipRecord TForm_Main::slipRecord() const
{
    SlipRecord record;
    for (const TextBinding &binding : kTextBindings)
        binding.field(record) = (this->*binding.control)->text();
    record.printSender = CheckBox_My->isChecked();
    record.shippingDate = DateTimePicker_1->date();
    record.printShippingDate = CheckBox_Date_1->isChecked();
    const QList<QCheckBox *> slots = timeSlots();
    for (int i = 0; i < slots.size(); ++i) {
        if (slots.at(i)->isChecked()) {
            record.timeSlot = slip::timeSlotFromNumber(i + 1);
            break;
        }
    }
    return record;
}

void TForm_Main::showSlip(const slip::SlipRecord &record, bool withDelivery)
{
    SlipRecord source = record;
    for (const TextBinding &binding : kTextBindings) {
        const bool shown = binding.part == SlipPart::Destination || binding.part == SlipPart::Goods
            || (withDelivery && binding.part == SlipPart::Delivery);
        if (shown)
            (this->*binding.control)->setText(binding.field(source));
    }
    if (withDelivery) {
        const QList<QCheckBox *> slots = timeSlots();
        for (int i = 0; i < slots.size(); ++i)
            slots.at(i)->setChecked(slip::timeSlotNumber(record.timeSlot) == i + 1);
    }
}

void TForm_Main::showStoredSlip(const slip::SlipRecord &record)
{
    SlipRecord source = record;
    for (const TextBinding &binding : kTextBindings)
        (this->*binding.control)->setText(binding.field(source));
}
