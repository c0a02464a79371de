#include "orders/orderslip.h"

namespace orders {

slip::SlipRecord slipFor(const Order &order, slip::SlipRecord slip)
{
    slip.destination.postalCode = order.zip;
    slip.destination.address1 = order.add1;
    slip.destination.address2 = order.add2;
    slip.destination.address3 = order.add3;
    slip.destination.name = order.custo1;
    slip.destination.telephone = order.tel;
    slip.goods = {order.g1, order.g2, order.g3};
    if (!order.deDate1.isEmpty() || !order.deDate2.isEmpty()) {
        slip.deliveryMonth = order.deDate1;
        slip.deliveryDay = order.deDate2;
    }
    if (const slip::TimeSlot slot = slip::timeSlotFromNumber(order.timeSlot); slot != slip::TimeSlot::None)
        slip.timeSlot = slot;
    return slip;
}

} // namespace orders
