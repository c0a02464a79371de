#pragma once

#include "orders/order.h"

#include <QDate>
#include <QString>

#include <optional>

namespace orders {

// Reading the requested delivery date, the time slot and the order date as the shop
// platforms write them.

// "2026/12/05", "2026-12-05", "20261205", "2026年12月5日", "12/5" (no year) ->
// the date; nullopt for text that is no date. The year of a date without one is
// `defaultYear`.
std::optional<QDate> readDate(const QString &text, int defaultYear);

// The slot of the slip (1 午前中, 2 12-14時, 3 14-16時, 4 16-18時, 5 18-20時,
// 6 19-21時) for a platform's time text: "午前中", "14:00-16:00", "14時～16時",
// "12時頃-14時頃", "1416", 楽天's "1" (午前) and "2" (午後). A window that is none of ours gets the slot that contains it,
// else the one that overlaps it most (the earlier on a tie), and TimeSlotNearest is set.
// 0 for "指定なし" and empty text; text that is no time sets DeliveryDateUnread.
int timeSlotFor(const QString &text, Repairs *repairs);

// "指定なし", "なし", "-": a date column that asks for no date.
bool isNoRequest(const QString &text);

// The slot's name as on the slip's tick boxes.
QString timeSlotName(int slot);

// An order date as "yyyy-MM-dd HH:mm" (Japan time; a time given with an offset, as in
// Amazon's "2026-11-30T01:02:03+00:00", is moved to Japan time), "yyyy-MM-dd" when it
// has no time, empty when it is no date.
QString normalisedOrderDate(const QString &text);

} // namespace orders
