#include "orders/orderslip.h"

namespace orders {

slip::SlipRecord slipFor(const Order &order, slip::SlipRecord slip, DeliveryFrom delivery)
{
    slip.destination.postalCode = order.zip;
    slip.destination.address1 = order.add1;
    slip.destination.address2 = order.add2;
    slip.destination.address3 = order.add3;
    slip.destination.name = order.custo1;
    slip.destination.telephone = order.tel;
    slip.goods = {order.g1, order.g2, order.g3};
    // An order that asks for a date or a slot gets exactly what it asks for; the
    // template's are never mixed in, nor printed on orders that did not ask unless told.
    const slip::TimeSlot slot = slip::timeSlotFromNumber(order.timeSlot);
    const bool own = !order.deDate1.isEmpty() || !order.deDate2.isEmpty() || slot != slip::TimeSlot::None;
    if (own || delivery == DeliveryFrom::OrderOnly) {
        slip.deliveryMonth = order.deDate1;
        slip.deliveryDay = order.deDate2;
        slip.timeSlot = slot;
    }
    return slip;
}

} // namespace orders
