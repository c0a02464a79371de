#pragma once

#include <QHashFunctions>
#include <QString>

namespace slip {

// The slip's fields as the layout draws them, one per line of text (the date's three
// parts and a postal code's seven boxes each count as one field).
enum class SlipField {
    None,
    Date,
    DeliveryMonth,
    DeliveryDay,
    TimeSlot,
    Zip,
    Add1,
    Add2,
    Goods1,
    Goods2,
    Goods3,
    Customer,
    Tel,
    SenderZip,
    SenderAdd1,
    SenderAdd2,
    Sender,
    SenderTel,
};

inline size_t qHash(SlipField field, size_t seed = 0) noexcept
{
    return ::qHash(int(field), seed);
}

// The field's name as the window's labels call it, for the help line.
QString slipFieldLabel(SlipField field);

} // namespace slip
