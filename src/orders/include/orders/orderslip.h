#pragma once

#include "orders/order.h"

#include "slip/sliprecord.h"

namespace orders {

// Where an order's slip takes its desired date and time slot from.
enum class DeliveryFrom {
    OrderOnly,          // the order's own, else none
    OrderElseTemplate,  // the order's own, else the template's
};

// The slip of an order: the order's destination and goods on the template's sender,
// shipping date and switches; the desired date and time slot as `delivery` says.
slip::SlipRecord slipFor(const Order &order, slip::SlipRecord slipTemplate,
                         DeliveryFrom delivery = DeliveryFrom::OrderOnly);

} // namespace orders
