#pragma once

#include "orders/order.h"

#include "slip/sliprecord.h"

namespace orders {

// The slip of an order: the order's destination and goods on the template's sender,
// shipping date and switches; the order's desired date and time slot where it has them,
// else the template's.
slip::SlipRecord slipFor(const Order &order, slip::SlipRecord slipTemplate);

} // namespace orders
