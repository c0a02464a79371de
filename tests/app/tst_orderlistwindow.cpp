// The order list from the main window, on the fake printers: shop exports named on
// the command line are imported, the selected orders are printed as one job and
// become printed, orders already printed or set aside are left out, an order opened
// into the slip fields is marked printed by F11, and 「保留にする」 / 「未印刷に戻す」
// change only the orders their state allows.

#include "appfixture.h"

#include "app/orderlistwindow.h"
#include "app/orderscanbar.h"
#include "app/settingsfile.h"
#include "database/database.h"
#include "history/unrecordedjournal.h"
#include "orders/orderfile.h"
#include "orders/orderlistmodel.h"
#include "jobs/printservice.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QToolButton>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableView>

using namespace Qt::StringLiterals;
using orders::Order;
using orders::OrderState;

Q_DECLARE_METATYPE(orders::OrderState)

namespace {

QString sample(const char *name)
{
    return QStringLiteral(MEKIRA_ORDER_SAMPLES "/") + QLatin1String(name);
}

} // namespace

class OrderListWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;
    OrderListWindow *m_list = nullptr;

    TForm_Main &w() { return m_fixture->w(); }
    QTableView &table() { return *m_list->findChild<QTableView *>(); }

    // The stored orders by order number.
    QHash<QString, Order> stored()
    {
        const QList<Order> all = w().orderBook().call<QList<Order>>([](database::Connection &c) {
            return orders::store::ordersById(c, orders::store::orderIds(c, {}));
        });
        QHash<QString, Order> byNumber;
        for (const Order &o : all)
            byNumber.insert(o.orderNumber.isEmpty() ? o.custo1 : o.orderNumber, o);
        return byNumber;
    }

    // The order numbers (or names, for orders without one) the list shows.
    QStringList shown()
    {
        QStringList keys;
        orders::OrderListModel &model = m_list->model();
        for (int row = 0; row < model.rowCount(); ++row) {
            model.data(model.index(row, 0));
            if (!QTest::qWaitFor([&] { return model.loadedOrder(row) != nullptr; }, 5000))
                return {u"row not loaded"_s};
            const Order *o = model.loadedOrder(row);
            keys << (o->orderNumber.isEmpty() ? o->custo1 : o->orderNumber);
        }
        return keys;
    }

    void select(const QStringList &keys)
    {
        const QStringList rows = shown();
        table().clearSelection();
        for (const QString &key : keys)
            table().selectionModel()->select(m_list->model().index(int(rows.indexOf(key)), 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Runs the action and waits until the list has written what it changed.
    bool waitForChange(const std::function<void()> &action)
    {
        QSignalSpy changed(m_list, &OrderListWindow::ordersChanged);
        action();
        return QTest::qWaitFor([&] { return !changed.isEmpty(); }, 15000);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeFileBytes(m_dir->filePath(u"my0.txt"_s), "890-0012\r\n鹿児島県見本市\r\n\r\n見本ショップ\r\n099-222-3333\r\n");
        m_boxes = std::make_unique<ScriptedBoxes>();
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
        m_fixture->start();
        m_boxes->clear();

        // Files named on the command line: imported, the order list shown.
        w().openOrderFiles({sample("base.csv"), sample("clickpost.csv")});
        m_list = w().findChild<OrderListWindow *>();
        QVERIFY(m_list && m_list->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->notices.isEmpty() || !m_boxes->errors.isEmpty(), 10000);
        QTRY_COMPARE(m_list->model().rowCount(), 4);
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        QCOMPARE(m_boxes->notices.size(), 1);
        QVERIFY2(m_boxes->notices.first().startsWith(u"4 件の注文を追加しました。"_s), qPrintable(m_boxes->notices.first()));
        QCOMPARE(shown().size(), 4);
        m_boxes->clear();
    }
    void cleanup()
    {
        m_list = nullptr;
        m_fixture.reset();
        m_boxes.reset();
        m_dir.reset();
    }

    // Selected orders go out as one job, one page each; orders not new are left out.
    void printSelection_data()
    {
        QTest::addColumn<QStringList>("setAside");  // before the print
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<int>("leftOut");
        QTest::newRow("two of four") << QStringList{} << QStringList{"B7D2A9C1E0", "見本 八郎"}
                                     << QStringList{"B7D2A9C1E0", "見本 八郎"} << 0;
        QTest::newRow("all four") << QStringList{} << QStringList{"B7D2A9C1E0", "C0F1E2D3B4", "見本 八郎", "見本 九郎"}
                                  << QStringList{"B7D2A9C1E0", "C0F1E2D3B4", "見本 八郎", "見本 九郎"} << 0;
        QTest::newRow("one set aside meanwhile") << QStringList{"C0F1E2D3B4"}
                                                 << QStringList{"B7D2A9C1E0", "C0F1E2D3B4"}
                                                 << QStringList{"B7D2A9C1E0"} << 1;
    }
    void printSelection()
    {
        QFETCH(QStringList, setAside);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, printed);
        QFETCH(int, leftOut);

        select(selected);
        if (!setAside.isEmpty()) {
            // Another station (a second list on the same book) sets it aside meanwhile.
            const QHash<QString, Order> before = stored();
            QList<qint64> ids;
            for (const QString &key : setAside)
                ids << before.value(key).id;
            w().orderBook().call<void>([ids](database::Connection &c) {
                orders::applyTransition(c, ids, orders::OrderAction::SetAside);
            });
        }
        m_boxes->printAll();
        QVERIFY(waitForChange([&] { m_list->printSelected(); }));
        QCOMPARE(m_boxes->choices.size(), 1);
        QCOMPARE(m_boxes->choices.first().text.section(u'\n', 0, 0),
                 u"選択した %1 件の送り状を Printer A に印刷しますか?"_s.arg(selected.size()));
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        QCOMPARE(m_boxes->notices.size(), leftOut ? 1 : 0);
        QCOMPARE(m_fixture->printers->jobLog().count(u"EndDoc"_s), 1);
        QCOMPARE(m_fixture->printers->printedPages().size(), printed.size());

        // The sent slips' orders become printed when the history records the slips.
        const auto printedNow = [&] {
            const QList<Order> all = stored().values();
            return std::count_if(all.begin(), all.end(), [](const Order &o) { return o.state == OrderState::Printed; });
        };
        QTRY_COMPARE(printedNow(), printed.size());
        const QHash<QString, Order> after = stored();
        for (auto it = after.begin(); it != after.end(); ++it) {
            const OrderState want = printed.contains(it.key()) ? OrderState::Printed
                                    : setAside.contains(it.key()) ? OrderState::SetAside
                                                                   : OrderState::New;
            QCOMPARE(it->state, want);
            QCOMPARE(it->printedPrinter, want == OrderState::Printed ? u"Printer A"_s : QString());
        }
        // The list shows new orders only: the printed ones left it.
        QTRY_COMPARE(shown().size(), 4 - printed.size() - setAside.size());
    }

    // 「保留にする」 and 「未印刷に戻す」 on the selection: what the order's state does not
    // allow stays as it is (counted for 保留), and an order given back keeps nothing of
    // its claim or print.
    void stateButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<OrderState>("before");  // of the first selected order; the second is new
        QTest::addColumn<OrderState>("first");
        QTest::addColumn<OrderState>("second");
        QTest::addColumn<int>("notices");
        QTest::newRow("保留にする, two new orders") << u"保留にする"_s << OrderState::New << OrderState::SetAside
                                                     << OrderState::SetAside << 0;
        QTest::newRow("保留にする, a printed one stays") << u"保留にする"_s << OrderState::Printed
                                                         << OrderState::Printed << OrderState::SetAside << 1;
        QTest::newRow("未印刷に戻す, a claim left behind") << u"未印刷に戻す"_s << OrderState::Printing
                                                            << OrderState::New << OrderState::New << 0;
        QTest::newRow("未印刷に戻す, set aside") << u"未印刷に戻す"_s << OrderState::SetAside << OrderState::New
                                                 << OrderState::New << 0;
        QTest::newRow("未印刷に戻す, printed") << u"未印刷に戻す"_s << OrderState::Printed << OrderState::New
                                               << OrderState::New << 0;
    }
    void stateButtons()
    {
        QFETCH(QString, button);
        QFETCH(OrderState, before);
        QFETCH(OrderState, first);
        QFETCH(OrderState, second);
        QFETCH(int, notices);
        const qint64 id = stored().value(u"B7D2A9C1E0"_s).id;
        // Printed, or left claimed, by a station that has stopped since.
        const auto action = before == OrderState::Printed    ? orders::OrderAction::MarkPrinted
                            : before == OrderState::Printing ? orders::OrderAction::Claim
                                                             : orders::OrderAction::SetAside;
        if (before != OrderState::New) {
            w().orderBook().call<void>([&](database::Connection &c) {
                orders::applyTransition(c, {id}, action, {u"station-gone"_s, u"job-gone"_s, {}, u"Printer B"_s});
            });
        }
        m_list->findChild<QComboBox *>()->setCurrentIndex(0);  // every state
        QTRY_COMPARE(shown().size(), 4);
        select({u"B7D2A9C1E0"_s, u"見本 八郎"_s});
        QPushButton *clicked = nullptr;
        for (QPushButton *candidate : m_list->findChildren<QPushButton *>())
            clicked = candidate->text() == button ? candidate : clicked;
        QVERIFY(clicked);
        QVERIFY(waitForChange([&] { clicked->click(); }));
        QCOMPARE(m_boxes->notices.size(), notices);
        if (notices)
            QVERIFY2(m_boxes->notices.first().contains(u"1 件はそのまま"_s), qPrintable(m_boxes->notices.first()));
        const QHash<QString, Order> after = stored();
        QCOMPARE(after.value(u"B7D2A9C1E0"_s).state, first);
        QCOMPARE(after.value(u"見本 八郎"_s).state, second);
        if (first != OrderState::Printed)
            QCOMPARE(after.value(u"B7D2A9C1E0"_s).printedStation, QString());
        const qint64 claims = w().orderBook().call<qint64>([](database::Connection &c) {
            QSqlQuery q = c.exec(u"SELECT COUNT(*) FROM orders WHERE claim_token IS NOT NULL OR claimed_at IS NOT NULL"_s);
            return q.next() ? q.value(0).toLongLong() : -1;
        });
        QCOMPARE(claims, 0);
    }

    // Orders the pre-print check finds fault with are listed in the confirmation and,
    // by default, left out; the others are printed.
    void problemOrdersLeftOut()
    {
        w().orderBook().call<void>([](database::Connection &c) {
            c.exec(u"UPDATE orders SET custo1 = '' WHERE order_key = 'B7D2A9C1E0'"_s);
            // The samples' towns are made up; this one is made to match its code.
            c.exec(u"UPDATE orders SET add1 = '北海道札幌市中央区北一条西1丁目' WHERE order_key = 'C0F1E2D3B4'"_s);
        });
        select({u"B7D2A9C1E0"_s, u"C0F1E2D3B4"_s, u"見本 八郎"_s, u"見本 九郎"_s});
        m_list->printSelected();
        QTRY_COMPARE(m_boxes->choices.size(), 1);
        const platform::Choice &choice = m_boxes->choices.first();
        const QStringList listed = choice.details.split(u'\n');
        QVERIFY(listed.size() >= 1);
        QVERIFY2(listed.first().startsWith(u"B7D2A9C1E0"_s), qPrintable(choice.details));
        QVERIFY(listed.first().contains(u"おなまえがありません"_s));
        QVERIFY(choice.text.contains(u"問題のある注文が %1 件あります"_s.arg(listed.size())));
        QCOMPARE(choice.buttons.first(), u"問題のある %1 件を除いて印刷"_s.arg(listed.size()));
        QVERIFY(!choice.details.contains(u"C0F1E2D3B4"_s));
        QTRY_COMPARE(stored().value(u"C0F1E2D3B4"_s).state, OrderState::Printed);
        QCOMPARE(m_fixture->printers->printedPages().size(), 4 - listed.size());
        QCOMPARE(stored().value(u"B7D2A9C1E0"_s).state, OrderState::New);
    }

    // Orders this station left 「印刷中」 when it stopped: at the next start the person
    // says whether their slips came out; those a journal still holds are recorded
    // without a question.
    void leftClaimsAtNextStart_data()
    {
        QTest::addColumn<bool>("inJournal");
        QTest::addColumn<bool>("cameOut");       // the answer, when asked
        QTest::addColumn<OrderState>("after");
        QTest::addColumn<int>("historyRows");
        QTest::newRow("printed: marked printed and recorded") << false << true << OrderState::Printed << 2;
        QTest::newRow("not printed: given back to new") << false << false << OrderState::New << 0;
        QTest::newRow("written ahead in the journal: recorded, not asked") << true << false << OrderState::Printed << 2;
    }
    void leftClaimsAtNextStart()
    {
        QFETCH(bool, inJournal);
        QFETCH(bool, cameOut);
        QFETCH(OrderState, after);
        QFETCH(int, historyRows);
        const QHash<QString, Order> before = stored();
        const QList<qint64> ids{before.value(u"B7D2A9C1E0"_s).id, before.value(u"見本 八郎"_s).id};
        w().orderBook().call<void>([&](database::Connection &c) {
            orders::applyTransition(c, ids, orders::OrderAction::Claim,
                                    orders::TransitionContext::job(u"job-of-a-crashed-run"_s));
        });
        if (inJournal) {
            history::SentJob job{u"job-of-a-crashed-run"_s, {}, QDateTime::currentDateTime(),
                                 database::Connection::stationName()};
            for (const qint64 id : ids) {
                history::PrintedSlip printed;
                printed.slip = w().slipRecord();
                printed.orderId = id;
                job.slips << printed;
            }
            QVERIFY(history::UnrecordedJournal(history::UnrecordedJournal::defaultPath(m_dir->path())).append(job));
        }
        m_list = nullptr;
        m_fixture->close();
        m_boxes->clear();
        m_boxes->answers.enqueue(cameOut);
        m_fixture->start();

        const auto states = [&] {
            QList<OrderState> result;
            for (const Order &o : w().orderBook().call<QList<Order>>(
                     [&](database::Connection &c) { return orders::store::ordersById(c, ids); }))
                result << o.state;
            return result;
        };
        QTRY_COMPARE_WITH_TIMEOUT(states(), (QList<OrderState>{after, after}), 10000);
        const auto recorded = [&] {
            return w().orderBook().call<qint64>([](database::Connection &c) {
                QSqlQuery q = c.exec(u"SELECT COUNT(*) FROM history WHERE order_id IS NOT NULL"_s);
                return q.next() ? q.value(0).toLongLong() : -1;
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(recorded(), qint64(historyRows), 10000);
        QCOMPARE(m_boxes->questions.size(), inJournal ? 0 : 1);
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        // Nothing left claimed, so nothing is asked at the next start.
        const qint64 claims = w().orderBook().call<qint64>([](database::Connection &c) {
            QSqlQuery q = c.exec(u"SELECT COUNT(*) FROM orders WHERE claim_token IS NOT NULL"_s);
            return q.next() ? q.value(0).toLongLong() : -1;
        });
        QCOMPARE(claims, 0);
    }

    // An order opened into the slip fields, printed there with F11, is printed.
    void openedOrderPrintedWithF11()
    {
        select({u"C0F1E2D3B4"_s});
        m_list->openSelected();
        QTRY_COMPARE(w().Edit_Custo1->text(), u"試験　一郎"_s);
        QCOMPARE(w().Edit_Zip->text(), u"060-0001"_s);
        QTest::mouseClick(w().SpeedButton_F[10], Qt::LeftButton);
        QTRY_COMPARE(m_boxes->questions.size(), 1);
        QTRY_COMPARE(stored().value(u"C0F1E2D3B4"_s).state, OrderState::Printed);
        QCOMPARE(stored().value(u"C0F1E2D3B4"_s).printedPrinter, u"Printer A"_s);
        QCOMPARE(m_fixture->printers->printedPages().size(), 1);
        QTRY_COMPARE(shown().size(), 3);
    }

    // A 楽天 order to two destinations prints two slips, one to each; its cancelled
    // order is set aside and never in the batch.
    void twoDestinationsPrintTwoSlips()
    {
        m_list->importFiles({sample("cases/rakuten-destinations.csv")});
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->notices.isEmpty() || !m_boxes->errors.isEmpty(), 10000);
        QVERIFY2(m_boxes->notices.first().contains(u"1 件はキャンセル"_s), qPrintable(m_boxes->notices.first()));
        QTRY_COMPARE(shown().size(), 6);
        m_boxes->clear();
        table().clearSelection();
        const QStringList rows = shown();
        for (int row = 0; row < rows.size(); ++row)
            if (rows.at(row) == u"999999-20261201-0000000010"_s)
                table().selectionModel()->select(m_list->model().index(row, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_boxes->printAll();
        QVERIFY(waitForChange([&] { m_list->printSelected(); }));
        QCOMPARE(m_boxes->choices.size(), 1);
        QCOMPARE(m_boxes->choices.first().text.section(u'\n', 0, 0),
                 u"選択した 2 件の送り状を Printer A に印刷しますか?"_s);
        QCOMPARE(m_fixture->printers->printedPages().size(), 2);
        QTRY_COMPARE(shown().size(), 4);
        const Order cancelled = stored().value(u"999999-20261201-0000000011"_s);
        QCOMPARE(cancelled.state, OrderState::SetAside);
        QCOMPARE(cancelled.holdReason, u"キャンセル"_s);
    }

    // Files handed over one after the other give one summary; a re-download updates the
    // unprinted order and marks the printed one, whose new values are one click away.
    void changedDownloadHandedOverFileByFile()
    {
        const orders::Order printed = stored().value(u"B7D2A9C1E0"_s);
        w().orderBook().call<void>([&](database::Connection &c) {
            orders::applyTransition(c, {printed.id}, orders::OrderAction::MarkPrinted);
        });
        QFile original(sample("base.csv"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QString changed = m_dir->filePath(u"base-again.csv"_s);
        QVERIFY(writeFileBytes(changed, original.readAll()
                                            .replace("サンプルハイツ101", "サンプルハイツ202")
                                            .replace("北一条西1丁目", "北一条西2丁目")));
        m_list->importFiles({changed});
        m_list->importFiles({sample("clickpost.csv")});
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->notices.isEmpty() || !m_boxes->errors.isEmpty(), 10000);
        QTest::qWait(400);  // a second summary would come within the import delay
        QCOMPARE(m_boxes->notices.size(), 1);
        QVERIFY2(m_boxes->notices.first().contains(u"1 件の注文の内容が変わっていたので更新しました"_s),
                 qPrintable(m_boxes->notices.first()));
        QVERIFY2(m_boxes->notices.first().contains(u"印刷後に変更あり"_s), qPrintable(m_boxes->notices.first()));
        QCOMPARE(stored().value(u"C0F1E2D3B4"_s).add1, u"北海道札幌市架空区北一条西2丁目"_s);
        QCOMPARE(stored().value(u"B7D2A9C1E0"_s).state, OrderState::Printed);

        m_list->findChild<QComboBox *>()->setCurrentIndex(0);  // every state
        QTRY_COMPARE(shown().size(), 4);
        select({u"B7D2A9C1E0"_s});
        QCOMPARE(m_list->model().data(table().selectionModel()->selectedRows().first()).toString(),
                 u"印刷済み（印刷後に変更あり）"_s);
        m_boxes->clear();
        QPushButton *changes = nullptr;
        for (QPushButton *button : m_list->findChildren<QPushButton *>())
            if (button->text() == u"変更の内容"_s)
                changes = button;
        QVERIFY(changes);
        QTest::mouseClick(changes, Qt::LeftButton);
        QTRY_COMPARE(m_boxes->questions.size(), 1);
        QVERIFY2(m_boxes->questions.first().contains(u"おところ2：サンプルハイツ101 → サンプルハイツ202"_s),
                 qPrintable(m_boxes->questions.first()));
        QTRY_COMPARE(w().Edit_Add2->text(), u"サンプルハイツ202"_s);
    }

    // F11 on an opened order claims it first: what happened to the order after it was
    // opened (printed in a batch, claimed or set aside elsewhere) decides.
    void openedOrderF11_data()
    {
        QTest::addColumn<int>("meanwhile"); // an OrderAction of another station; -1: none
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("question"); // empty: none asked
        QTest::addColumn<QString>("refusal");  // part of the error shown; empty: none
        QTest::addColumn<int>("pages");
        QTest::addColumn<OrderState>("after");
        const QString reprint = u"C0F1E2D3B4 は 2026/12/09 14:05 に（station-gone）で印刷済みです。もう一度印刷しますか?"_s;
        QTest::newRow("new: printed once") << -1 << true << u"印刷しますか?"_s << QString() << 1 << OrderState::Printed;
        QTest::newRow("new, No: the claim is given back") << -1 << false << u"印刷しますか?"_s << QString() << 0
                                                          << OrderState::New;
        QTest::newRow("printed in a batch meanwhile, No") << int(orders::OrderAction::MarkPrinted) << false << reprint
                                                          << QString() << 0 << OrderState::Printed;
        QTest::newRow("printed in a batch meanwhile, Yes") << int(orders::OrderAction::MarkPrinted) << true << reprint
                                                           << QString() << 1 << OrderState::Printed;
        QTest::newRow("claimed by another station") << int(orders::OrderAction::Claim) << true << QString()
                                                    << u"（station-gone）で印刷中"_s << 0 << OrderState::Printing;
        QTest::newRow("set aside") << int(orders::OrderAction::SetAside) << true << QString() << u"保留"_s << 0
                                   << OrderState::SetAside;
    }
    void openedOrderF11()
    {
        QFETCH(int, meanwhile);
        QFETCH(bool, answer);
        QFETCH(QString, question);
        QFETCH(QString, refusal);
        QFETCH(int, pages);
        QFETCH(OrderState, after);
        select({u"C0F1E2D3B4"_s});
        m_list->openSelected();
        QTRY_COMPARE(w().Edit_Custo1->text(), u"試験　一郎"_s);
        const qint64 id = stored().value(u"C0F1E2D3B4"_s).id;
        if (meanwhile >= 0) {
            const QDateTime at(QDate(2026, 12, 9), QTime(14, 5));
            w().orderBook().call<void>([&](database::Connection &c) {
                orders::applyTransition(c, {id}, orders::OrderAction(meanwhile),
                                        {u"station-gone"_s, u"job-gone"_s, at, u"Printer B"_s});
            });
        }
        m_boxes->answers.enqueue(answer);
        QTest::mouseClick(w().SpeedButton_F[10], Qt::LeftButton);
        QTRY_VERIFY(!m_boxes->questions.isEmpty() || !m_boxes->errors.isEmpty());
        if (question.isEmpty()) {
            QVERIFY(m_boxes->questions.isEmpty());
            QCOMPARE(m_boxes->errors.size(), 1);
            QVERIFY2(m_boxes->errors.first().contains(refusal), qPrintable(m_boxes->errors.first()));
        } else {
            QCOMPARE(m_boxes->questions.size(), 1);
            QVERIFY2(m_boxes->questions.first().endsWith(question), qPrintable(m_boxes->questions.first()));
            QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        }
        QTRY_COMPARE(stored().value(u"C0F1E2D3B4"_s).state, after);
        QCOMPARE(m_fixture->printers->printedPages().size(), pages);
        if (after == OrderState::New) // no claim left behind
            QTRY_COMPARE(stored().value(u"C0F1E2D3B4"_s).printedStation, QString());
    }

    // 「クリックポスト用に書き出す」 on the selection: the file is written and the orders
    // leave the unprinted ones.
    void clickPostFromList()
    {
        select({u"B7D2A9C1E0"_s, u"見本 八郎"_s});
        const QString path = m_dir->filePath(u"cp.csv"_s);
        QVERIFY(waitForChange([&] { m_list->exportClickPost(path); }));
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        QCOMPARE(m_boxes->notices.size(), 1);
        QVERIFY2(m_boxes->notices.first().startsWith(u"2 件の注文をクリックポスト用に書き出し"_s),
                 qPrintable(m_boxes->notices.first()));
        QCOMPARE(orders::readOrderFile(path).orders.size(), 2);
        const QHash<QString, Order> after = stored();
        QCOMPARE(after.value(u"B7D2A9C1E0"_s).state, OrderState::ClickPost);
        QCOMPARE(after.value(u"見本 八郎"_s).state, OrderState::ClickPost);
        QCOMPARE(after.value(u"C0F1E2D3B4"_s).state, OrderState::New);
        QTRY_COMPARE(shown().size(), 2);
    }

    // The packing bench: an order number scanned into the box above the list prints that
    // order's slip alone, as one job; what else happened is said in the help line; the
    // box is cleared and keeps the focus for the next scan.
    void scanToPrint_data()
    {
        QTest::addColumn<QStringList>("scans");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<bool>("withoutAsking");
        QTest::addColumn<int>("before"); // an OrderAction of another station on B7D2A9C1E0; -1: none
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("help");
        QTest::addColumn<OrderState>("after");
        const QString number = u"B7D2A9C1E0"_s;
        const QList<bool> yes{true};
        QTest::newRow("exact number") << QStringList{number} << yes << false << -1 << 1 << 1 << u"印刷しました"_s
                                      << OrderState::Printed;
        QTest::newRow("platform prefix, blanks") << QStringList{u" #"_s + number + u" "_s} << yes << false << -1 << 1
                                                 << 1 << u"印刷しました"_s << OrderState::Printed;
        QTest::newRow("without asking") << QStringList{number} << QList<bool>{} << true << -1 << 0 << 1
                                        << u"印刷しました"_s << OrderState::Printed;
        QTest::newRow("No: nothing printed, the claim given back") << QStringList{number} << QList<bool>{false} << false
                                                                  << -1 << 1 << 0 << u"印刷しませんでした"_s
                                                                  << OrderState::New;
        QTest::newRow("scanned again, No") << QStringList{number, number} << QList<bool>{true, false} << false << -1
                                           << 2 << 1 << u"印刷しませんでした"_s << OrderState::Printed;
        QTest::newRow("scanned again without asking still asks") << QStringList{number, number} << QList<bool>{false}
                                                                 << true << -1 << 1 << 1 << u"印刷しませんでした"_s
                                                                 << OrderState::Printed;
        QTest::newRow("scanned again, Yes") << QStringList{number, number} << QList<bool>{true, true} << false << -1
                                            << 2 << 2 << u"印刷しました"_s << OrderState::Printed;
        QTest::newRow("not found") << QStringList{u"Z-999"_s} << yes << false << -1 << 0 << 0 << u"ありません"_s
                                   << OrderState::New;
        QTest::newRow("set aside") << QStringList{number} << yes << false << int(orders::OrderAction::SetAside) << 0 << 0
                                   << u"保留"_s << OrderState::SetAside;
        QTest::newRow("claimed by another station") << QStringList{number} << yes << false
                                                    << int(orders::OrderAction::Claim) << 0 << 0
                                                    << u"（station-gone）で印刷中"_s << OrderState::Printing;
        QTest::newRow("sent as Click Post") << QStringList{number} << yes << false
                                            << int(orders::OrderAction::ToClickPost) << 0 << 0 << u"クリックポスト"_s
                                            << OrderState::ClickPost;
    }
    void scanToPrint()
    {
        QFETCH(QStringList, scans);
        QFETCH(QList<bool>, answers);
        QFETCH(bool, withoutAsking);
        QFETCH(int, before);
        QFETCH(int, questions);
        QFETCH(int, pages);
        QFETCH(QString, help);
        QFETCH(OrderState, after);
        const qint64 id = stored().value(u"B7D2A9C1E0"_s).id;
        if (before >= 0) {
            w().orderBook().call<void>([&](database::Connection &c) {
                orders::applyTransition(c, {id}, orders::OrderAction(before),
                                        {u"station-gone"_s, u"job-gone"_s, {}, u"Printer B"_s});
            });
        }
        OrderScanBar &bar = m_list->scanBar();
        QLineEdit *box = bar.scanBox();
        QCOMPARE(box->placeholderText(), u"注文番号をスキャン"_s);
        // The list opened with the keyboard in the scan box.
        QCOMPARE(m_list->focusWidget(), box);
        auto *option = bar.findChild<QCheckBox *>();
        QVERIFY(option);
        option->setChecked(withoutAsking);
        // Kept in the settings file for the next start.
        QCOMPARE(app::SettingsFile(QDir::current().filePath(app::SettingsFile::fileName())).readScanWithoutAsking(),
                 withoutAsking);
        for (const bool answer : answers)
            m_boxes->answers.enqueue(answer);
        for (const QString &scan : scans) {
            QSignalSpy handled(&bar, &OrderScanBar::scanHandled);
            commitText(box, scan);
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(box->text(), QString());
            QVERIFY2(QTest::qWaitFor([&] { return !handled.isEmpty(); }, 10000), qPrintable(bar.helpText()));
            QCOMPARE(m_list->focusWidget(), box);
            // The job's completion (the history's record, the printed mark) ends before
            // the next scan, as it does for a person packing the parcel meanwhile.
            QTRY_VERIFY(!w().printService().isBusy());
            if (before != int(orders::OrderAction::Claim))
                QTRY_VERIFY(stored().value(u"B7D2A9C1E0"_s).state != OrderState::Printing);
        }
        QCOMPARE(m_boxes->questions.size(), questions);
        if (questions == 2)
            QVERIFY2(m_boxes->questions.last().endsWith(u"で印刷済みです。もう一度印刷しますか?"_s),
                     qPrintable(m_boxes->questions.last()));
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        QVERIFY2(bar.helpText().contains(help), qPrintable(bar.helpText()));
        QCOMPARE(m_fixture->printers->printedPages().size(), pages);
        QCOMPARE(m_fixture->printers->jobLog().count(u"EndDoc"_s), pages);
        QTRY_COMPARE(stored().value(u"B7D2A9C1E0"_s).state, after);
        // The other orders were not touched.
        const QHash<QString, Order> all = stored();
        for (auto it = all.begin(); it != all.end(); ++it) {
            if (it.key() != u"B7D2A9C1E0"_s)
                QCOMPARE(it->state, OrderState::New);
        }
    }
};

QTEST_MAIN(OrderListWindowTest)
#include "tst_orderlistwindow.moc"
