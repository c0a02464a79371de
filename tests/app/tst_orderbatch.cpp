// The order list's batch printing on a private cupsd, read back from the PDF with
// poppler: one job with one page per selected order, each page's texts at their places;
// a batch cancelled after k pages sends those k pages only, marks only their orders
// printed and gives the rest back; a scheduler that does not answer prints nothing
// and gives every order back.

#include "appfixture.h"
#include "printer-cups/systemprinterbackend.h"

#include "app/orderlistwindow.h"
#include "database/database.h"
#include "history/historyrecorder.h"
#include "orders/orderlistmodel.h"
#include "orders/orderstore.h"
#include "jobs/bookcompletion.h"
#include "jobs/printservice.h"

#include "privatecupsd.h"

#include "../printing/slipplaces.h"

#include <QProgressDialog>
#include <QSignalSpy>
#include <QTableView>

using namespace Qt::StringLiterals;
using orders::Order;
using orders::OrderState;

namespace {

const QString kPrinter = u"Slip"_s;
const QStringList kNames = {u"見本太郎"_s, u"試験次郎"_s, u"架空三郎"_s, u"見本四子"_s, u"試験五郎"_s};

// The orders of a batch: the destination of slipplaces::slip(), a name of their own.
QList<Order> batchOrders(int count)
{
    const slip::SlipRecord slip = slipplaces::slip();
    QList<Order> list;
    for (int i = 0; i < count; ++i) {
        Order o;
        o.sourceFormat = u"base"_s;
        o.orderNumber = o.orderKey = u"B-%1"_s.arg(i + 1);
        o.zip = slip.destination.postalCode;
        o.add1 = slip.destination.address1;
        o.add2 = slip.destination.address2;
        o.custo1 = kNames.at(i);
        o.tel = slip.destination.telephone;
        o.g1 = slip.goods[0];
        o.g2 = slip.goods[1];
        o.g3 = slip.goods[2];
        list << o;
    }
    return list;
}

// The places of one page: those of slipplaces::slip() with the page's name.
QList<slipplaces::Place> placesFor(const QString &name)
{
    QList<slipplaces::Place> places = slipplaces::expectedPlaces();
    for (slipplaces::Place &place : places)
        if (place.text == u"見本太郎"_s)
            place.text = name;
    return places;
}

} // namespace

class OrderBatchTest : public QObject
{
    Q_OBJECT

    testsupport::PrivateCupsd m_cupsd;
    std::unique_ptr<OvPrinterScope> m_printers;

    // A book with `count` new orders and the order list on it, printing with the
    // layout of F11 on the cupsd printer and reporting the slips sent to the history,
    // as the main window does; the progress dialog is cancelled after `cancelAfter`
    // pages (never when 0).
    struct Bench
    {
        Bench(int count, int cancelAfter, const std::function<void(QList<Order> &)> &edit = {})
            : db(database::DatabaseConfig::sqlite(dir.filePath(u"mekira.db"_s)))
        {
            QList<Order> orders = batchOrders(count);
            if (edit)
                edit(orders);
            db.call<void>([&orders](database::Connection &c) { orders::store::addOrders(c, orders); });
            OrderListHooks hooks;
            hooks.slipTemplate = [] { return slipplaces::slip(); };
            hooks.slipJob = [](const QList<slip::SlipRecord> &slips) {
                jobs::SlipJob job;
                job.slips = slips;
                job.printerName = kPrinter;
                return job;
            };
            service.setCompletion(&completion);
            // The progress dialog is cancelled when the job has drawn `cancelAfter` pages.
            QObject::connect(&service, &jobs::PrintService::jobStarted, &service, [this, cancelAfter](jobs::PrintJob *job) {
                QObject::connect(job, &jobs::PrintJob::progress, job, [this, cancelAfter](int drawn) {
                    if (drawn == cancelAfter)
                        window->findChild<QProgressDialog *>()->cancel();
                });
            });
            window = std::make_unique<OrderListWindow>(db, service, std::move(hooks));
            window->show();
        }

        // Selects every order in the list and prints them; true when the orders' states
        // were written afterwards.
        bool printAll()
        {
            // The list settled on the order of import (the window's first sorts are
            // answered one after another).
            orders::OrderListModel &model = window->model();
            if (!QTest::qWaitFor([&] { return model.rowCount() > 1 && model.orderId(0) < model.orderId(1); }, 5000))
                return false;
            window->findChild<QTableView *>()->selectAll();
            QSignalSpy changed(window.get(), &OrderListWindow::ordersChanged);
            window->printSelected();
            return QTest::qWaitFor([&] { return !changed.isEmpty(); }, 30000);
        }

        QList<Order> stored()
        {
            return db.call<QList<Order>>([](database::Connection &c) {
                return orders::store::ordersById(c, orders::store::orderIds(c, {}));
            });
        }

        QTemporaryDir dir;
        database::Database db;
        history::HistoryRecorder recorder{db};
        jobs::PrintService service{OvPrinter()};
        jobs::BookCompletion completion{[this]() -> history::HistoryRecorder & { return recorder; },
                                        [this]() -> database::Database & { return db; }};
        std::unique_ptr<OrderListWindow> window;
    };

    int jobCount() { return int(m_cupsd.jobs().size()); }

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s);
        QFont::insertSubstitution(u"ＭＳ Ｐゴシック"_s, u"IPAPGothic"_s);
        QFont::insertSubstitution(u"Lucida Sans Unicode"_s, u"DejaVu Sans"_s);
        // cupsd first: libcups reads the server once.
        QVERIFY2(m_cupsd.start(), qPrintable(m_cupsd.lastError()));
        testsupport::PrivateCupsd::Printer printer;
        printer.name = kPrinter;
        QVERIFY2(m_cupsd.addPrinter(printer), qPrintable(m_cupsd.lastError()));
        m_printers = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
        const int index = OvPrinter().PrinterNames().indexOf(kPrinter);
        QVERIFY2(index >= 0, qPrintable(OvPrinter().PrinterNames().join(u", ")));
        OvPrinter().SetIndex(index);
    }
    void cleanupTestCase()
    {
        m_printers.reset();
        m_cupsd.stop();
    }

    void batch_data()
    {
        QTest::addColumn<int>("orders");
        QTest::addColumn<int>("cancelAfter");  // 0: never
        QTest::newRow("three slips") << 3 << 0;
        QTest::newRow("cancelled after the first page") << 4 << 1;
        QTest::newRow("cancelled after three of five") << 5 << 3;
    }
    void batch()
    {
        QFETCH(int, orders);
        QFETCH(int, cancelAfter);
        const int sent = cancelAfter ? cancelAfter : orders;
        const int jobsBefore = jobCount();
        ScriptedBoxes boxes;
        Bench bench(orders, cancelAfter);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        // Ticked: the main window's desired date and slot on orders that name none.
        boxes.printAll(true);
        QVERIFY(bench.printAll());
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        QCOMPARE(boxes.choices.size(), 1);
        QCOMPARE(boxes.choices.first().text.section(u'\n', 0, 0),
                 u"選択した %1 件の送り状を Slip に印刷しますか?"_s.arg(orders));
        if (cancelAfter)
            QCOMPARE(boxes.notices, QStringList{u"中止しました。%1 枚を印刷し、残りの %2 件は印刷していません。"_s
                                                    .arg(sent).arg(orders - sent)});

        // One job, one page per slip sent, each page's texts at their places.
        QVERIFY2(m_cupsd.waitForCompletedJobs(jobsBefore + 1), qPrintable(m_cupsd.errorLog()));
        QCOMPARE(jobCount(), jobsBefore + 1);
        QString error;
        const QList<PdfPage> pages = readPdfWords(m_cupsd.readOutput(kPrinter), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pages.size(), sent);
        for (int page = 0; page < sent; ++page) {
            slipplaces::checkPage(pages.at(page), placesFor(kNames.at(page)), 300, 0, 0);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(u"page %1"_s.arg(page + 1)));
        }

        // The sent orders are printed, with printer, time and station; the others are new.
        const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
        const QList<Order> stored = bench.stored();
        QCOMPARE(stored.size(), orders);
        for (int i = 0; i < orders; ++i) {
            const Order &o = stored.at(i);
            if (i < sent) {
                QCOMPARE(o.state, OrderState::Printed);
                QCOMPARE(o.printedPrinter, kPrinter);
                QVERIFY2(o.printedAt >= before && o.printedAt <= after, qPrintable(o.printedAt.toString()));
                QCOMPARE(o.printedStation, database::Connection::stationName());
            } else {
                QCOMPARE(o.state, OrderState::New);
                QVERIFY(o.printedAt.isNull());
                QVERIFY(o.printedStation.isEmpty());
            }
        }
    }

    void deliveryPerOrder_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::newRow("orders' own only") << false;
        QTest::newRow("main window's for the others") << true;
    }
    // Each order prints its own desired date and slot; the main window's are printed on
    // the others only when the confirmation's tick says so.
    void deliveryPerOrder()
    {
        QFETCH(bool, tick);
        const int jobsBefore = jobCount();
        ScriptedBoxes boxes;
        Bench bench(3, 0, [](QList<Order> &orders) {
            orders[0].deDate1 = u"12"_s;
            orders[0].deDate2 = u"24"_s;
            orders[0].timeSlot = 1;
        });
        boxes.printAll(tick);
        QVERIFY(bench.printAll());
        QCOMPARE(boxes.choices.size(), 1);
        QVERIFY(boxes.choices.first().text.contains(u"指定のある注文 1 件"_s));
        QVERIFY(!boxes.choices.first().checkText.isEmpty());
        QVERIFY2(m_cupsd.waitForCompletedJobs(jobsBefore + 1), qPrintable(m_cupsd.errorLog()));
        QString error;
        const QList<PdfPage> pages = readPdfWords(m_cupsd.readOutput(kPrinter), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(pages.size(), 3);
        const auto words = [&](int page) {
            QStringList texts;
            for (const PdfWord &word : pages.at(page).words)
                texts << word.text;
            return texts;
        };
        QVERIFY(words(0).contains(u"12"_s) && words(0).contains(u"24"_s));
        QVERIFY(!words(0).contains(u"28"_s));
        for (int page = 1; page < 3; ++page) {
            QCOMPARE(words(page).contains(u"11"_s), tick);
            QCOMPARE(words(page).contains(u"28"_s), tick);
            QVERIFY(!words(page).contains(u"24"_s));
        }
    }

    // The scheduler stops answering while the batch is drawn: an error, no job, and
    // every order is new again, ready for the next try.
    void schedulerNotAnswering()
    {
        const int jobsBefore = jobCount();
        ScriptedBoxes boxes;
        Bench bench(3, 0);
        QVERIFY(QTest::qWaitFor([&] { return bench.window->model().rowCount() > 0; }, 5000));
        m_cupsd.pause();
        const bool finished = bench.printAll();
        m_cupsd.resume();
        QVERIFY(finished);
        QCOMPARE(boxes.errors.size(), 1);
        for (const Order &o : bench.stored())
            QCOMPARE(o.state, OrderState::New);
        QTest::qWait(1000);
        int completed = 0;
        for (const auto &job : m_cupsd.jobs())
            completed += job.state == u"completed"_s ? 1 : 0;
        QCOMPARE(completed, jobsBefore);
    }
};

QTEST_MAIN(OrderBatchTest)
#include "tst_orderbatch.moc"
