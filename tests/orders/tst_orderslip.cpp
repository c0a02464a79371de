// From an order in the book to its slip: every destination line reaches the slip.

#include "database/database.h"
#include "orders/batchplan.h"
#include "orders/orderfile.h"
#include "orders/orderslip.h"
#include "orders/repairs.h"
#include "orders/orderstore.h"

#include <QFile>
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

    // Items become lines of their own: 「商品名 × 数量」, the quantity kept when a name is
    // cut, more than three summed up on the third line; every cut marked.
    void goodsLines_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("quantities");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("one") << QStringList{"木のスプーン"} << QStringList{"1"}
                             << QStringList{"木のスプーン", "", ""} << false;
        QTest::newRow("three with quantities") << QStringList{"マグ 白", "箸置き", "ふきん"} << QStringList{"2", "1", "3"}
                                               << QStringList{"マグ 白 × 2", "箸置き", "ふきん × 3"} << false;
        QTest::newRow("five") << QStringList{"a", "b", "c", "d", "e"} << QStringList{"1", "1", "1", "1", "2"}
                              << QStringList{"a", "b", "ほか 3 点"} << true;
        const QString longName = QString(40, u'長');
        QTest::newRow("long name keeps its quantity") << QStringList{longName} << QStringList{"12"}
                                                      << QStringList{QString(25, u'長') + " × 12", "", ""} << true;
    }
    void goodsLines()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, quantities);
        QFETCH(QStringList, lines);
        QFETCH(bool, shortened);
        QList<GoodsItem> items;
        for (qsizetype i = 0; i < names.size(); ++i)
            items.append({names.at(i), quantities.at(i)});
        Repairs repairs;
        const GoodsLines goods = orders::goodsLines(items, &repairs);
        QCOMPARE((QStringList{goods.g1, goods.g2, goods.g3}), lines);
        QCOMPARE(repairs.testFlag(Repair::GoodsShortened), shortened);
    }

    // Our own layout's 品名1-3 come in as the three lines they were, blanks and all.
    void ownLayoutKeepsItsThreeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("orders.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("注文番号,郵便番号,おところ1,おところ2,おなまえ,でんわ,品名1,品名2,品名3\r\n"
                                  "M-1,151-0053,東京都渋谷区代々木1-2-3,,見本 花子,090-1234-5678,"
                                  "書籍,,ワレモノ・天地無用\r\n").toUtf8());
        file.close();
        const OrderFile read = readOrderFile(path);
        QCOMPARE(read.orders.size(), 1);
        const Order &o = read.orders.first();
        QCOMPARE((QStringList{o.g1, o.g2, o.g3}), (QStringList{"書籍", "", "ワレモノ・天地無用"}));
        QVERIFY(!o.repairs.testFlag(Repair::GoodsShortened));
    }

    // Where a slip's desired date and slot come from: the order's own as a whole, the
    // template's only when told and only for orders without.
    void delivery_data()
    {
        QTest::addColumn<QString>("orderDay");
        QTest::addColumn<int>("orderSlot");
        QTest::addColumn<bool>("templateDelivery");
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("slot");
        QTest::newRow("own date and slot") << QStringLiteral("24") << 1 << false << QStringLiteral("24") << 1;
        QTest::newRow("own, template ticked") << QStringLiteral("24") << 1 << true << QStringLiteral("24") << 1;
        QTest::newRow("own slot only, template ticked") << QString() << 6 << true << QString() << 6;
        QTest::newRow("none") << QString() << 0 << false << QString() << 0;
        QTest::newRow("none, template ticked") << QString() << 0 << true << QStringLiteral("28") << 4;
    }
    void delivery()
    {
        QFETCH(QString, orderDay);
        QFETCH(int, orderSlot);
        QFETCH(bool, templateDelivery);
        QFETCH(QString, day);
        QFETCH(int, slot);
        Order order;
        order.deDate1 = orderDay.isEmpty() ? QString() : QStringLiteral("12");
        order.deDate2 = orderDay;
        order.timeSlot = orderSlot;
        slip::SlipRecord window;
        window.deliveryMonth = QStringLiteral("11");
        window.deliveryDay = QStringLiteral("28");
        window.timeSlot = slip::TimeSlot::Afternoon16To18;
        const QList<BatchEntry> plan = planBatch({order}, window, templateDelivery, {});
        QCOMPARE(plan.size(), 1);
        QCOMPARE(plan.first().slip.deliveryDay, day);
        QCOMPARE(slip::timeSlotNumber(plan.first().slip.timeSlot), slot);
    }

    // The confirmation offers to leave out the orders with problems, lists them, and
    // offers the window's date only when it has one.
    void confirmation()
    {
        Order good;
        good.orderNumber = QStringLiteral("A-1");
        good.zip = QStringLiteral("151-0053");
        good.add1 = QStringLiteral("東京都渋谷区代々木1-2-3");
        good.custo1 = QStringLiteral("見本 花子");
        Order nameless = good;
        nameless.orderNumber = QStringLiteral("A-2");
        nameless.custo1.clear();
        slip::SlipCheckOptions check;
        check.page.dpiX = check.page.dpiY = 300;
        slip::SlipRecord window;
        const QList<BatchEntry> plan = planBatch({good, nameless}, window, false, check);
        QVERIFY(plan.at(0).problems.isEmpty());
        QCOMPARE(plan.at(1).problems.size(), 1);
        BatchConfirmation c = batchConfirmation(plan, QStringLiteral("PDF"), window);
        QCOMPARE(c.text.section(u'\n', 0, 0), QStringLiteral("選択した 2 件の送り状を PDF に印刷しますか?"));
        QCOMPARE(c.leaveOutButton, 0);
        QCOMPARE(c.buttons.size(), 3);
        QCOMPARE(c.details, QStringLiteral("A-2：おなまえがありません"));
        QVERIFY(c.tickText.isEmpty());
        window.timeSlot = slip::TimeSlot::Morning;
        c = batchConfirmation(planBatch({good}, window, false, check), QStringLiteral("PDF"), window);
        QCOMPARE(c.buttons.size(), 2);
        QCOMPARE(c.leaveOutButton, -1);
        QVERIFY(c.tickText.contains(QStringLiteral("午前中")));
    }
};

QTEST_MAIN(OrderSlipTest)
#include "tst_orderslip.moc"
