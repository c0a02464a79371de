// Click Post's bulk file: the address carried over four lines of 40 half-width units at
// good breaks and never inside a number, the row's limits and refusals, the file read
// back by our own import, and an export from an order book whose file, imported again,
// adds nothing.
#include "orders/clickpostexport.h"
#include "orders/orderfile.h"
#include "orders/orderimport.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"

#include "database/database.h"
#include "platform/codepage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using orders::Order;
using orders::OrderState;
namespace clickpost = orders::clickpost;

namespace {

Order order(const QString &number, const QString &name, const QString &add1, const QString &add2 = {},
            const QString &item = u"ハンカチ"_s)
{
    Order o;
    o.sourceFormat = u"base"_s;
    o.orderNumber = o.orderKey = number;
    o.zip = u"812-0011"_s;
    o.custo1 = name;
    o.add1 = add1;
    o.add2 = add2;
    o.g1 = item;
    return o;
}

QString withoutBlanks(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

} // namespace

class ClickPostTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void units_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("units");
        QTest::newRow("half-width") << u"abc-123"_s << 7;
        QTest::newRow("full-width") << u"東京都１"_s << 8;
        QTest::newRow("half-width katakana") << u"ｶﾀｶﾅ"_s << 4;
        QTest::newRow("mixed") << u"見本1-2"_s << 7;
    }
    void units()
    {
        QFETCH(QString, text);
        QFETCH(int, units);
        QCOMPARE(clickpost::units(text), units);
    }

    // Lines never wider than 40 units, nothing cut (only the blanks at a break go), the
    // first break where the table says.
    void splitAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("lines");      // 0: does not fit
        QTest::addColumn<QString>("first");  // the first line; empty: not checked
        const QString twenty = QString(20, u'見');  // 40 units
        QTest::newRow("exactly one line") << twenty << 1 << twenty;
        QTest::newRow("one unit over") << twenty + u"1"_s << 2 << twenty;
        QTest::newRow("at a blank") << u"福岡県福岡市架空区見本町 サンプルビル十階の奥の部屋"_s << 2
                                    << u"福岡県福岡市架空区見本町"_s;
        QTest::newRow("after 丁目 rather than inside the lot") << u"福岡県福岡市架空区見本町見本通り三丁目十二番地の見本ハイツ"_s << 2
                                                               << u"福岡県福岡市架空区見本町見本通り三丁目"_s;
        QTest::newRow("after 番地") << u"北海道札幌市架空区見本町字見本五百番地見本荘の離れの奥"_s << 2
                                    << u"北海道札幌市架空区見本町字見本五百番地"_s;
        QTest::newRow("never inside a number") << QString(17, u'見') + u"１２３４５６"_s << 2 << QString(17, u'見');
        QTest::newRow("never inside a half-width number") << QString(18, u'見') + u"12-345-6789"_s << 2
                                                          << QString(18, u'見');
        QTest::newRow("four full lines") << QStringList(4, twenty).join(u' ') << 4 << twenty;
        QTest::newRow("five lines do not fit") << QStringList(5, twenty).join(u' ') << 0 << QString();
        QTest::newRow("161 units do not fit") << QString(80, u'見') + u"1"_s << 0 << QString();
        QTest::newRow("a number wider than a line") << u"見本"_s + QString(41, u'1') << 0 << QString();
        QTest::newRow("empty") << QString() << 0 << QString();
    }
    void splitAddress()
    {
        QFETCH(QString, address);
        QFETCH(int, lines);
        QFETCH(QString, first);
        const QStringList split = clickpost::splitAddress(address);
        QCOMPARE(split.size(), lines);
        if (lines == 0)
            return;
        for (const QString &line : split)
            QVERIFY2(clickpost::units(line) <= clickpost::kAddressWidth, qPrintable(line));
        QCOMPARE(withoutBlanks(split.join(QString())), withoutBlanks(address));
        if (!first.isEmpty())
            QCOMPARE(split.first(), first);
    }

    void row_data()
    {
        QTest::addColumn<Order>("order");
        QTest::addColumn<QStringList>("cells");   // empty: refused
        QTest::addColumn<QString>("refusal");     // part of the message naming the order
        QTest::newRow("building on its own line")
            << order(u"K-101"_s, u"見本 八郎"_s, u"福岡県福岡市架空区見本1-2-3"_s, u"見本ハイツ101"_s)
            << QStringList{u"8120011"_s, u"見本 八郎"_s, u"様"_s, u"福岡県福岡市架空区見本1-2-3"_s, u"見本ハイツ101"_s,
                           QString(), QString(), u"ハンカチ"_s}
            << QString();
        QTest::newRow("item shortened to 30 units")
            << order(u"K-102"_s, u"見本 九郎"_s, u"福岡県"_s, {}, QString(20, u'品'))
            << QStringList{u"8120011"_s, u"見本 九郎"_s, u"様"_s, u"福岡県"_s, QString(), QString(), QString(),
                           QString(15, u'品')}
            << QString();
        QTest::newRow("formula neutralised") << order(u"K-103"_s, u"=HYPERLINK(1)"_s, u"@福岡県"_s)
                                             << QStringList{u"8120011"_s, u"'=HYPERLINK(1)"_s, u"様"_s, u"'@福岡県"_s,
                                                            QString(), QString(), QString(), u"ハンカチ"_s}
                                             << QString();
        QTest::newRow("name of 41 units") << order(u"K-104"_s, QString(20, u'見') + u"a"_s, u"福岡県"_s)
                                          << QStringList{} << u"注文 K-104"_s;
        QTest::newRow("character CP932 lacks") << order(u"K-105"_s, u"𠮷田 一"_s, u"福岡県"_s) << QStringList{}
                                               << u"注文 K-105：「𠮷」"_s;
        QTest::newRow("address over four lines") << order(u"K-106"_s, u"見本"_s, QString(90, u'見')) << QStringList{}
                                                 << u"注文 K-106"_s;
        QTest::newRow("first line unsplittable, building fits") << order(u"K-107"_s, u"見本"_s, QString(41, u'1'), u"見本ハイツ"_s)
                                                                << QStringList{} << u"注文 K-107"_s;
        QTest::newRow("no order number: named by the name") << order(QString(), u"見本 十郎"_s, QString(90, u'見'))
                                                            << QStringList{} << u"見本 十郎 様の注文"_s;
    }
    void row()
    {
        QFETCH(Order, order);
        QFETCH(QStringList, cells);
        QFETCH(QString, refusal);
        try {
            const QStringList written = clickpost::row(order);
            QVERIFY2(!cells.isEmpty(), qPrintable(written.join(u'|')));
            QCOMPARE(written, cells);
        } catch (const clickpost::ExportError &error) {
            QVERIFY2(cells.isEmpty(), qPrintable(error.message()));
            QVERIFY2(error.message().contains(refusal), qPrintable(error.message()));
        }
    }

    void filePaths_data()
    {
        QTest::addColumn<int>("orders");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("40") << 40 << QStringList{u"cp.csv"_s};
        QTest::newRow("41") << 41 << QStringList{u"cp-1.csv"_s, u"cp-2.csv"_s};
        QTest::newRow("81") << 81 << QStringList{u"cp-1.csv"_s, u"cp-2.csv"_s, u"cp-3.csv"_s};
    }
    void filePaths()
    {
        QFETCH(int, orders);
        QFETCH(QStringList, names);
        QStringList expected;
        for (const QString &name : names)
            expected << u"/tmp/out/"_s + name;
        QCOMPARE(clickpost::filePaths(u"/tmp/out/cp.csv"_s, orders), expected);
    }

    // From the book: the unprinted orders (or those chosen) go into the files and become
    // 「クリックポスト」; the files are CP932 with CR LF, owner-only, read by our import as
    // Click Post, and importing them adds nothing.
    void exportFromBook_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("rowsPerFile");
        QTest::newRow("three orders, one printed") << 3 << QList<int>{2};
        QTest::newRow("45 orders, one printed") << 45 << QList<int>{40, 4};
    }
    void exportFromBook()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, rowsPerFile);
        QTemporaryDir dir;
        database::Database db(database::DatabaseConfig::sqlite(dir.filePath(u"mekira.db"_s)));
        QList<Order> list;
        for (int i = 0; i < count; ++i)
            list << order(u"K-%1"_s.arg(101 + i), u"見本 %1郎"_s.arg(i), u"福岡県福岡市架空区見本%1-2-3"_s.arg(i + 1),
                          u"サンプルビル十階 見本株式会社 物流センター 受付 %1"_s.arg(i));
        const QList<qint64> ids = db.call<QList<qint64>>([&](database::Connection &c) {
            orders::store::addOrders(c, list);
            const QList<qint64> all = orders::store::orderIds(c, {});
            orders::applyTransition(c, {all.first()}, orders::OrderAction::MarkPrinted);
            return all;
        });
        const QString path = dir.filePath(u"cp.csv"_s);
        const clickpost::ExportResult result = db.call<clickpost::ExportResult>(
            [&](database::Connection &c) { return clickpost::exportOrders(c, {}, path); });
        QCOMPARE(result.orders, count - 1);
        QCOMPARE(result.files.size(), rowsPerFile.size());
        int rows = 0;
        for (qsizetype i = 0; i < result.files.size(); ++i) {
            QFile file(result.files.at(i));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                                           | QFileDevice::WriteOther),
                     QFileDevice::Permissions());
            const QByteArray bytes = file.readAll();
            QCOMPARE(bytes.count("\r\n"), rowsPerFile.at(i) + 1);
            QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
            const QStringList lines = platform::readCp932Lines(file.fileName());
            QCOMPARE(lines.first(), u"\"お届け先郵便番号\",\"お届け先氏名\",\"お届け先敬称\",\"お届け先住所1行目\","
                                    u"\"お届け先住所2行目\",\"お届け先住所3行目\",\"お届け先住所4行目\",\"内容品\""_s);
            const orders::OrderFile read = orders::readOrderFile(file.fileName());
            QCOMPARE(read.formatId, orders::store::kClickPostFormat);
            QCOMPARE(read.orders.size(), rowsPerFile.at(i));
            for (const Order &o : read.orders) {
                QVERIFY(o.custo1.startsWith(u"見本 "_s));
                // The long address was carried over, not cut.
                QVERIFY2(withoutBlanks(o.add1 + o.add2).endsWith(withoutBlanks(u"物流センター 受付"_s) + u"%1"_s.arg(o.custo1.mid(3, o.custo1.size() - 4))),
                         qPrintable(o.add1 + u'|' + o.add2));
            }
            rows += int(read.orders.size());
            // Every line of the file within its limit.
            for (const QString &line : lines.mid(1)) {
                for (const QString &cell : line.split(u','))
                    QVERIFY2(clickpost::units(cell) <= clickpost::kAddressWidth + 2, qPrintable(cell));
            }
        }
        QCOMPARE(rows, count - 1);
        const QList<Order> after = db.call<QList<Order>>([&](database::Connection &c) {
            return orders::store::ordersById(c, ids);
        });
        QCOMPARE(after.first().state, OrderState::Printed);
        for (const Order &o : after.mid(1))
            QCOMPARE(o.state, OrderState::ClickPost);
        const orders::ImportReport imported = db.call<orders::ImportReport>([&](database::Connection &c) {
            return orders::importFiles(c, result.files);
        });
        QCOMPARE(imported.summary.added, 0);
        QCOMPARE(imported.summary.alreadyKnown, count - 1);
        // Nothing left to export.
        const clickpost::ExportResult again = db.call<clickpost::ExportResult>(
            [&](database::Connection &c) { return clickpost::exportOrders(c, {}, path); });
        QCOMPARE(again.orders, 0);
    }

    // One order refused: no file, no order marked.
    void refusedOrderWritesNothing()
    {
        QTemporaryDir dir;
        database::Database db(database::DatabaseConfig::sqlite(dir.filePath(u"mekira.db"_s)));
        db.call<void>([&](database::Connection &c) {
            orders::store::addOrders(c, {order(u"K-1"_s, u"見本"_s, u"福岡県"_s), order(u"K-2"_s, u"𠮷田"_s, u"福岡県"_s)});
        });
        const QString path = dir.filePath(u"cp.csv"_s);
        QString message;
        try {
            db.call<clickpost::ExportResult>([&](database::Connection &c) { return clickpost::exportOrders(c, {}, path); });
        } catch (const clickpost::ExportError &error) {
            message = error.message();
        }
        QVERIFY2(message.contains(u"注文 K-2"_s), qPrintable(message));
        QVERIFY(!QFile::exists(path));
        const QList<Order> all = db.call<QList<Order>>([](database::Connection &c) {
            return orders::store::ordersById(c, orders::store::orderIds(c, {}));
        });
        for (const Order &o : all)
            QCOMPARE(o.state, OrderState::New);
    }
};

QTEST_GUILESS_MAIN(ClickPostTest)
#include "tst_clickpost.moc"
