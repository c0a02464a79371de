// The order list's model on an SQLite book: sorting, filtering by state, searching
// (texts with LIKE's wildcards taken literally) and fetching rows a page at a time.

#include "database/database.h"
#include "orders/orderlistmodel.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace orders;
using database::Connection;

namespace {

struct Row
{
    const char *number, *name, *zip, *add1, *goods;
    OrderState state;
    const char *ordered;  // order date as the import stores it; "" unknown
    const char *format;
};

// Stored in this order: ids 1..5.
const Row kRows[] = {
    {"A-003", "佐藤 花子", "151-0053", "東京都架空区見本町1-2", "マグカップ 白", OrderState::New,
     "2026-12-03 23:59", "base"},
    {"A-001", "鈴木 一郎", "060-0001", "北海道札幌市架空区北一条", "100%りんごジュース", OrderState::New,
     "2026-12-01 08:00", "shopify"},
    {"A-002", "田中 次郎", "530-0001", "大阪府架空市試験町7-8", "帆布ポーチ", OrderState::Printed,
     "2026-12-02", "base"},
    {"A-005", "伊藤 美咲", "980-0001", "宮城県仙台市架空区見本町", "箸置き_白", OrderState::SetAside, "", "amazon"},
    {"A-004", "加藤 翔", "812-0011", "福岡県福岡市架空区見本", "マグカップ 青", OrderState::New,
     "2026-12-04 00:00", "rakuten"},
};

Order orderFrom(const Row &row, int i)
{
    Order o;
    o.sourceFormat = QString::fromUtf8(row.format);
    o.orderDate = QString::fromUtf8(row.ordered);
    o.orderNumber = o.orderKey = QString::fromUtf8(row.number);
    o.custo1 = QString::fromUtf8(row.name);
    o.zip = QString::fromUtf8(row.zip);
    o.add1 = QString::fromUtf8(row.add1);
    o.tel = QStringLiteral("090-1111-%1").arg(i, 4, 10, QLatin1Char('0'));
    o.g1 = QString::fromUtf8(row.goods);
    return o;
}

} // namespace

class OrderListTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<database::Database> m_db;

    // The order numbers the model shows, each row fetched as a view would.
    static QStringList numbers(OrderListModel &model)
    {
        QStringList seen;
        for (int row = 0; row < model.rowCount(); ++row) {
            model.data(model.index(row, OrderListModel::NumberColumn));
            if (!QTest::qWaitFor([&] { return model.loadedOrder(row) != nullptr; }, 5000))
                return {QStringLiteral("row %1 never loaded").arg(row)};
            seen << model.data(model.index(row, OrderListModel::NumberColumn)).toString();
        }
        return seen;
    }

    // Waits with QTest::qWaitFor: the model's answers arrive as continuations that
    // need deferred deletes processed, which QSignalSpy::wait's loop does not do.
    static bool waitForReload(OrderListModel &model, const std::function<void()> &action)
    {
        QSignalSpy reloaded(&model, &OrderListModel::reloaded);
        action();
        return QTest::qWaitFor([&] { return !reloaded.isEmpty(); }, 5000);
    }
    static bool reloadWith(OrderListModel &model, const OrderQuery &query)
    {
        return waitForReload(model, [&] { model.setQuery(query); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_db = std::make_unique<database::Database>(
            database::DatabaseConfig::sqlite(m_dir.filePath(QStringLiteral("mekira.db"))));
        const int added = m_db->call<int>([](Connection &c) {
            QList<Order> all;
            for (int i = 0; i < int(std::size(kRows)); ++i)
                all << orderFrom(kRows[i], i);
            const int stored = store::addOrders(c, all).added;
            for (int i = 0; i < int(std::size(kRows)); ++i) {
                if (kRows[i].state != OrderState::New)
                    applyTransition(c, {qint64(i + 1)},
                                    kRows[i].state == OrderState::Printed ? OrderAction::MarkPrinted
                                                                          : OrderAction::SetAside);
            }
            return stored;
        });
        QCOMPARE(added, 5);
    }

    void sorting_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no column: as imported") << -1 << true << QStringList{"A-003", "A-001", "A-002", "A-005", "A-004"};
        QTest::newRow("number") << int(OrderListModel::NumberColumn) << false
                                << QStringList{"A-001", "A-002", "A-003", "A-004", "A-005"};
        QTest::newRow("number descending") << int(OrderListModel::NumberColumn) << true
                                           << QStringList{"A-005", "A-004", "A-003", "A-002", "A-001"};
        QTest::newRow("postal code") << int(OrderListModel::ZipColumn) << false
                                     << QStringList{"A-001", "A-003", "A-002", "A-004", "A-005"};
        QTest::newRow("state, then as imported") << int(OrderListModel::StateColumn) << false
                                                 << QStringList{"A-003", "A-001", "A-004", "A-002", "A-005"};
        QTest::newRow("order date, unknown first") << int(OrderListModel::OrderDateColumn) << false
                                                   << QStringList{"A-005", "A-001", "A-002", "A-003", "A-004"};
        QTest::newRow("shop, then as imported") << int(OrderListModel::ShopColumn) << false
                                                << QStringList{"A-005", "A-003", "A-002", "A-004", "A-001"};
    }

    // The state as listed: the reason of an order set aside, and a download after
    // printing marked until a later download replaces the values.
    void stateTexts_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("holdReason");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("text");
        QTest::newRow("new") << int(OrderState::New) << "" << false << "未印刷";
        QTest::newRow("set aside by hand") << int(OrderState::SetAside) << "" << false << "保留";
        QTest::newRow("cancelled") << int(OrderState::SetAside) << "キャンセル" << false << "保留（キャンセル）";
        QTest::newRow("reason of an order given back") << int(OrderState::New) << "キャンセル" << false << "未印刷";
        QTest::newRow("printed, changed later") << int(OrderState::Printed) << "" << true << "印刷済み（印刷後に変更あり）";
        QTest::newRow("given back after the change") << int(OrderState::New) << "" << true << "未印刷（印刷後に変更あり）";
    }
    void stateTexts()
    {
        QFETCH(int, state);
        QFETCH(QString, holdReason);
        QFETCH(bool, changed);
        QFETCH(QString, text);
        Order order = orderFrom(kRows[0], 0);
        order.state = OrderState(state);
        order.holdReason = holdReason;
        if (changed) {
            OrderChanges later;
            later.add1 = QStringLiteral("東京都架空区見本町9-9");
            order.pendingChanges = later.toText();
        }
        QCOMPARE(OrderListModel::stateText(order), text);
        QCOMPARE(OrderListModel::changesText(order).contains(QStringLiteral("東京都架空区見本町1-2 → 東京都架空区見本町9-9")),
                 changed);
    }

    // The date filter takes whole days, both ends included; orders of unknown date
    // are left out once a bound is set.
    void orderDateFilter_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no bounds") << QDate() << QDate() << QStringList{"A-003", "A-001", "A-002", "A-005", "A-004"};
        QTest::newRow("one day, last minute") << QDate(2026, 12, 3) << QDate(2026, 12, 3) << QStringList{"A-003"};
        QTest::newRow("date without time") << QDate(2026, 12, 2) << QDate(2026, 12, 2) << QStringList{"A-002"};
        QTest::newRow("from only") << QDate(2026, 12, 3) << QDate() << QStringList{"A-003", "A-004"};
        QTest::newRow("to only") << QDate() << QDate(2026, 12, 1) << QStringList{"A-001"};
        QTest::newRow("no order then") << QDate(2026, 11, 1) << QDate(2026, 11, 30) << QStringList{};
    }
    void orderDateFilter()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, expected);
        OrderListModel model(*m_db);
        OrderQuery query;
        query.orderedFrom = from;
        query.orderedTo = to;
        QVERIFY(reloadWith(model, query));
        QCOMPARE(numbers(model), expected);
    }
    void sorting()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QStringList, expected);
        OrderListModel model(*m_db);
        // As a view sorts when its sorting is switched on, before the column asked for.
        model.sort(OrderListModel::StateColumn, Qt::DescendingOrder);
        QVERIFY(waitForReload(model, [&] {
            model.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        }));
        QCOMPARE(numbers(model), expected);
    }

    void filterAndSearch_data()
    {
        QTest::addColumn<int>("state");  // -1: every state
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("everything") << -1 << "" << QStringList{"A-003", "A-001", "A-002", "A-005", "A-004"};
        QTest::newRow("new") << int(OrderState::New) << "" << QStringList{"A-003", "A-001", "A-004"};
        QTest::newRow("printed") << int(OrderState::Printed) << "" << QStringList{"A-002"};
        QTest::newRow("set aside") << int(OrderState::SetAside) << "" << QStringList{"A-005"};
        QTest::newRow("goods") << -1 << "マグ" << QStringList{"A-003", "A-004"};
        QTest::newRow("goods among printed") << int(OrderState::Printed) << "マグ" << QStringList{};
        QTest::newRow("name") << -1 << "田中" << QStringList{"A-002"};
        QTest::newRow("address, spaces around") << -1 << "  札幌 " << QStringList{"A-001"};
        QTest::newRow("postal code") << -1 << "812-00" << QStringList{"A-004"};
        QTest::newRow("telephone") << -1 << "1111-0003" << QStringList{"A-005"};
        QTest::newRow("order number") << -1 << "A-00" << QStringList{"A-003", "A-001", "A-002", "A-005", "A-004"};
        QTest::newRow("percent sign literally") << -1 << "%" << QStringList{"A-001"};
        QTest::newRow("underscore literally") << -1 << "_" << QStringList{"A-005"};
        QTest::newRow("nothing found") << -1 << "存在しない" << QStringList{};
    }
    void filterAndSearch()
    {
        QFETCH(int, state);
        QFETCH(QString, search);
        QFETCH(QStringList, expected);
        OrderListModel model(*m_db);
        OrderQuery query;
        if (state >= 0)
            query.state = OrderState(state);
        query.search = search;
        QVERIFY(reloadWith(model, query));
        QCOMPARE(numbers(model), expected);
    }

    // Rows are fetched a page at a time when first asked for; a reload drops the pages,
    // and a page asked for before it never fills the new order's rows.
    void fetchesPagesLazily()
    {
        QTemporaryDir dir;
        database::Database db(database::DatabaseConfig::sqlite(dir.filePath(QStringLiteral("big.db"))));
        const int count = OrderListModel::kPageSize * 2 + 50;
        db.call<void>([count](Connection &c) {
            QList<Order> all;
            for (int i = 0; i < count; ++i) {
                Order o = orderFrom(kRows[0], i);
                o.orderNumber = o.orderKey = QStringLiteral("N%1").arg(i, 4, 10, QLatin1Char('0'));
                all << o;
            }
            store::addOrders(c, all);
        });
        OrderListModel model(db);
        QVERIFY(reloadWith(model, {}));
        QCOMPARE(model.rowCount(), count);
        QVERIFY(!model.loadedOrder(0));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const QModelIndex last = model.index(count - 1, OrderListModel::NumberColumn);
        QCOMPARE(model.data(last).toString(), QStringLiteral("…"));
        QVERIFY(QTest::qWaitFor([&] { return !changed.isEmpty(); }, 5000));
        QCOMPARE(changed.first().at(0).toModelIndex().row(), OrderListModel::kPageSize * 2);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), count - 1);
        QCOMPARE(model.data(last).toString(), QStringLiteral("N%1").arg(count - 1, 4, 10, QLatin1Char('0')));
        QVERIFY(!model.loadedOrder(0));
        QVERIFY(!model.loadedOrder(OrderListModel::kPageSize));

        // Page 0 asked for in the old order, then the order reversed before it came.
        model.data(model.index(0, OrderListModel::NumberColumn));
        OrderQuery reversed;
        reversed.sortColumn = OrderQuery::Column::Number;
        reversed.descending = true;
        QVERIFY(reloadWith(model, reversed));
        QVERIFY(!model.loadedOrder(count - 1));
        QCOMPARE(numbers(model).first(), QStringLiteral("N%1").arg(count - 1, 4, 10, QLatin1Char('0')));
    }
};

QTEST_GUILESS_MAIN(OrderListTest)
#include "tst_orderlist.moc"
