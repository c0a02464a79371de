#pragma once

#include <QDate>
#include <QString>

#include <array>

namespace slip {

// One party of a slip: where the parcel goes, or who sends it.
struct Party
{
    QString postalCode;
    QString address1;
    QString address2;
    QString address3; // a third address line (building, room); the destination only
    QString name;
    QString telephone;

    friend bool operator==(const Party &, const Party &) = default;
};

// The six delivery time slots of the form, top to bottom; None leaves the column empty.
enum class TimeSlot { None = 0, Morning, Noon12To14, Afternoon14To16, Afternoon16To18, Evening18To20, Evening19To21 };
inline constexpr int kTimeSlotCount = 6;

// The slot with the number 1..6 as the form counts them; anything else is None.
constexpr TimeSlot timeSlotFromNumber(int number)
{
    return number >= 1 && number <= kTimeSlotCount ? TimeSlot(number) : TimeSlot::None;
}
constexpr int timeSlotNumber(TimeSlot slot)
{
    return int(slot);
}

// Everything one slip carries, by what it means on the form. The main window, an
// order, the shipping history and the settings file all become one of these before
// anything is drawn, printed or recorded.
struct SlipRecord
{
    Party destination;
    Party sender;
    bool printSender = true;

    std::array<QString, 3> goods; // the goods lines, top to bottom

    QDate shippingDate;
    bool printShippingDate = true;

    // The desired delivery date as typed (month and day; either may be empty) and the
    // one time slot ticked.
    QString deliveryMonth;
    QString deliveryDay;
    TimeSlot timeSlot = TimeSlot::None;

    friend bool operator==(const SlipRecord &, const SlipRecord &) = default;
};

} // namespace slip
