// Figures of the order book, one line each:
//   1. a shop export of 10,000 orders (Shopify layout, UTF-8) imported into a fresh
//      SQLite book: reading, repairs and storing, the book's opening included;
//   2. the order list on a book of 100,000 orders: from asking for the window until
//      its first rows are painted, and scrolling down a page at a time (the frame of
//      each step, and until every visible row is filled in);
//   3. 100 slips printed as one job to the built-in PDF printer "PDF 出力" through the
//      batch path of the order list, until the PDF is written.
//
//   mekira_ordersbench [rounds, default 5]
//
// CUPS_SERVER is pointed at a refused local port, so that the PDF printer is the only
// printer and no scheduler takes part in the figure.

#include "benchsupport.h"

#include "app/orderlistwindow.h"
#include "database/database.h"
#include "orders/orderimport.h"
#include "orders/orderlistmodel.h"
#include "orders/orderstore.h"
#include "printer/ovprinters.h"
#include "jobs/printservice.h"
#include "orders/orderslip.h"
#include "printer-cups/systemprinterbackend.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

const char *const kFamily[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"};
const char *const kGiven[] = {"太郎", "花子", "一郎", "美咲", "健太", "陽子", "翔", "さくら"};
const char *const kPlace[] = {"東京都", "大阪府", "北海道", "福岡県", "宮城県", "愛知県"};
const char *const kGoods[] = {"陶器のマグ - 白", "手織りコースター", "帆布ポーチ", "木のスプーン", "麻のふきん"};

QString pick(const char *const *list, std::size_t size, int i)
{
    return QString::fromUtf8(list[std::size_t(i) % size]);
}
#define PICK(list, i) pick(list, std::size(list), i)

// A Shopify order export of `count` orders; every third has a second item row, and
// postal codes and telephone numbers come as spreadsheets leave them (no leading zero).
QByteArray shopifyExport(int count)
{
    QByteArray csv = "Name,Email,Financial Status,Lineitem quantity,Lineitem name,Shipping Name,Shipping Street,"
                     "Shipping Address1,Shipping Address2,Shipping Company,Shipping City,Shipping Zip,"
                     "Shipping Province,Shipping Country,Shipping Phone,Shipping Province Name\r\n";
    for (int i = 0; i < count; ++i) {
        const QString row = QStringLiteral("#%1,c%1@example.invalid,paid,%2,%3,%4 %5,,見本町%6-%7,サンプルハイツ%8,,"
                                           "架空市,%9,JP-13,JP,%10,%11\r\n")
                                .arg(10000 + i).arg(1 + i % 3).arg(PICK(kGoods, i), PICK(kFamily, i), PICK(kGiven, i / 10))
                                .arg(1 + i % 9).arg(1 + i % 20).arg(100 + i % 400)
                                .arg(QStringLiteral("%1%2").arg(1000 + i % 9000).arg(1000 + i % 8999))
                                .arg(QStringLiteral("90%1").arg(10000000 + i))
                                .arg(PICK(kPlace, i));
        csv += row.toUtf8();
        if (i % 3 == 0)
            csv += QStringLiteral("#%1,,,1,%2,,,,,,,,,,,\r\n").arg(10000 + i).arg(PICK(kGoods, i + 1)).toUtf8();
    }
    return csv;
}

orders::Order order(int i)
{
    orders::Order o;
    o.sourceFormat = QStringLiteral("base");
    o.orderNumber = QStringLiteral("B%1").arg(i, 8, 10, QLatin1Char('0'));
    o.orderKey = o.orderNumber;
    o.zip = QStringLiteral("%1-%2").arg(100 + i % 900).arg(1000 + i % 9000);
    o.add1 = PICK(kPlace, i) + QStringLiteral("架空市見本町%1-%2").arg(1 + i % 9).arg(1 + i % 30);
    o.add2 = QStringLiteral("サンプルハイツ%1").arg(100 + i % 400);
    o.custo1 = PICK(kFamily, i) + u' ' + PICK(kGiven, i / 10);
    o.tel = QStringLiteral("090-%1-%2").arg(1000 + i % 9000).arg(1000 + (i / 7) % 9000);
    o.g1 = PICK(kGoods, i);
    o.g2 = i % 3 ? QString() : PICK(kGoods, i + 1);
    return o;
}

void report(const char *what, const std::vector<double> &ms, const char *unit = "ms")
{
    std::printf("%s: median %.1f %s, worst %.1f %s\n", what, bench::median(ms), unit,
                *std::max_element(ms.begin(), ms.end()), unit);
    std::fflush(stdout);
}

// Runs the event loop until `done` holds (false after `timeoutMs`).
template <typename Condition>
bool waitUntil(Condition done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    QTimer wake;  // wakes the loop now and then, so that the deadline is seen
    wake.start(5);
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // The database's answers reach the window through deferred deletes, which the
        // main loop runs and a bare processEvents() does not.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Every row the table shows has its order loaded.
bool visibleRowsLoaded(QTableView &table, orders::OrderListModel &model)
{
    const int first = table.rowAt(0);
    int last = table.rowAt(table.viewport()->height() - 1);
    if (last < 0)
        last = model.rowCount() - 1;
    if (first < 0)
        return false;
    return model.loadedOrder(first) && model.loadedOrder(last);
}

bool importFigure(const QString &folder, int rounds)
{
    const QString path = folder + QStringLiteral("/orders_export.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(shopifyExport(10000)) < 0)
        return false;
    file.close();
    std::vector<double> ms;
    for (int round = 0; round < rounds; ++round) {
        const QString book = folder + QStringLiteral("/import%1.db").arg(round);
        QElapsedTimer timer;
        timer.start();
        database::Database db(database::DatabaseConfig::sqlite(book));
        const orders::ImportReport report = db.call<orders::ImportReport>(
            [&](database::Connection &c) { return orders::importFiles(c, {path}); });
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (report.summary.added != 10000) {
            std::fprintf(stderr, "imported %d orders, not 10000\n", report.summary.added);
            return false;
        }
    }
    report("import of a 10,000-order Shopify export into a fresh SQLite book", ms);
    return true;
}

bool listFigure(const QString &folder, int rounds)
{
    database::Database db(database::DatabaseConfig::sqlite(folder + QStringLiteral("/list.db")));
    db.call<void>([](database::Connection &c) {
        QList<orders::Order> all;
        for (int i = 0; i < 100000; ++i)
            all << order(i);
        orders::store::addOrders(c, all);
    }, std::chrono::minutes(5));

    // The list as the program opens it: beside a print service, not printing.
    OvPrinterScope printers(createSystemPrinterBackend());
    jobs::PrintService service(OvPrinter());
    std::vector<double> openMs;
    std::vector<double> frameMs;
    std::vector<double> filledMs;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        OrderListWindow window(db, service, {});
        window.show();
        auto *table = window.findChild<QTableView *>();
        orders::OrderListModel &model = window.model();
        if (!waitUntil([&] { return model.rowCount() > 0 && visibleRowsLoaded(*table, model); }))
            return false;
        QCoreApplication::processEvents();  // the rows painted
        openMs.push_back(timer.nsecsElapsed() / 1e6);
        if (model.rowCount() != 100000) {
            std::fprintf(stderr, "the list shows %d orders\n", model.rowCount());
            return false;
        }

        // Page down 60 times: each step's frame, and until its rows are filled in.
        QScrollBar *bar = table->verticalScrollBar();
        for (int step = 0; step < 60; ++step) {
            timer.restart();
            bar->setValue(bar->value() + bar->pageStep());
            table->viewport()->repaint();
            frameMs.push_back(timer.nsecsElapsed() / 1e6);
            if (!waitUntil([&] { return visibleRowsLoaded(*table, model); }))
                return false;
            table->viewport()->repaint();
            filledMs.push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    report("order list of 100,000 orders opened with its first rows", openMs);
    report("order list scrolled a page, frame drawn", frameMs);
    report("order list scrolled a page, rows filled in", filledMs);
    return true;
}

bool printFigure(const QString &folder, int rounds)
{
    OvPrinterScope printers(createSystemPrinterBackend());
    const int pdf = OvPrinter().PrinterNames().indexOf(QStringLiteral("PDF 出力"));
    if (pdf < 0) {
        std::fprintf(stderr, "no PDF printer among: %s\n", qPrintable(OvPrinter().PrinterNames().join(u", ")));
        return false;
    }
    OvPrinter().SetIndex(pdf);
    slip::SlipRecord slipTemplate;
    slipTemplate.sender.postalCode = QStringLiteral("890-0012");
    slipTemplate.sender.address1 = QStringLiteral("鹿児島県見本市見本町1-2-3");
    slipTemplate.sender.name = QStringLiteral("見本ショップ");
    slipTemplate.sender.telephone = QStringLiteral("099-222-3333");
    slipTemplate.shippingDate = QDate(2026, 12, 9);
    QList<slip::SlipRecord> slips;
    for (int i = 0; i < 100; ++i)
        slips << orders::slipFor(order(i), slipTemplate);

    jobs::PrintService service(OvPrinter());
    const QDir output(folder + QStringLiteral("/pdf"));
    std::vector<double> ms;
    qint64 size = 0;
    for (int round = 0; round <= rounds; ++round) {
        const qsizetype before = output.entryList({QStringLiteral("*.pdf")}, QDir::Files).size();
        QElapsedTimer timer;
        timer.start();
        // As the order list does: one page per turn of the event loop, until the job ends.
        jobs::SlipJob job;
        job.slips = slips;
        const QPointer<jobs::PrintJob> printing = service.printSlips(job);
        int sent = 0;
        QObject::connect(printing, &jobs::PrintJob::finished, printing, [&sent, printing] { sent = printing->pagesSent(); });
        while (printing && !printing->isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double elapsed = timer.nsecsElapsed() / 1e6;
        const QFileInfoList files = output.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        if (sent != 100 || files.size() != before + 1) {
            std::fprintf(stderr, "batch %d: %d pages sent, %lld PDF files\n", round, sent,
                         static_cast<long long>(files.size()));
            return false;
        }
        size = files.first().size();
        if (round > 0)  // the first loads fonts and the PDF engine
            ms.push_back(elapsed);
    }
    std::printf("100 slips as one job to the PDF printer: median %.1f ms, worst %.1f ms (%lld bytes)\n",
                bench::median(ms), *std::max_element(ms.begin(), ms.end()), static_cast<long long>(size));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bench::BenchApplication application(argc, argv);
    if (!application.isReady())
        return 2;
    const QString work = application.workPath();
    if (!importFigure(work, rounds) || !listFigure(work, rounds) || !printFigure(work, rounds))
        return 1;
    return 0;
}
