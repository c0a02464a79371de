// From an order in the book to its slip: every destination line reaches the slip.

#include "database/database.h"
#include "orders/orderslip.h"
#include "orders/orderstore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orders;
using database::Connection;

class OrderSlipTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The third address line is kept by the book and put on the slip as typed.
    void thirdAddressLineRoundTrip()
    {
        QTemporaryDir dir;
        database::Database db(database::DatabaseConfig::sqlite(dir.filePath(QStringLiteral("book.db"))));
        Order order;
        order.sourceFormat = QStringLiteral("own");
        order.orderNumber = order.orderKey = QStringLiteral("M-1");
        order.zip = QStringLiteral("151-0053");
        order.add1 = QStringLiteral("東京都渋谷区代々木1-2-3");
        order.add2 = QStringLiteral("見本ハイツ");
        order.add3 = QStringLiteral("２０３号室");
        order.custo1 = QStringLiteral("見本 花子");
        const QList<Order> back = db.call<QList<Order>>([&](Connection &c) {
            store::addOrders(c, {order});
            return store::ordersById(c, store::orderIds(c, {}));
        });
        QCOMPARE(back.size(), 1);
        QCOMPARE(back.first().add3, order.add3);
        const slip::SlipRecord slip = slipFor(back.first(), {});
        QCOMPARE(slip.destination.address2, order.add2);
        QCOMPARE(slip.destination.address3, order.add3);
    }
};

QTEST_GUILESS_MAIN(OrderSlipTest)
#include "tst_orderslip.moc"
