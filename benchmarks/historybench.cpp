// Figures of the history and the shared order book:
//   1. search in a history of 1,000,000 slips (first page of each kind of search, and
//      the page after it),
//   2. the history window opened on it until its first rows are shown,
//   3. 100 orders claimed on a local PostgreSQL server (fsync on, as installed).
// Prints one line per figure: "<what>: median <ms> ms, worst <ms> ms".
#include "privatepostgres.h"

#include "app/historywindow.h"
#include "database/connection.h"
#include "database/database.h"
#include "history/historymodel.h"
#include "history/historystore.h"
#include "orders/orderstatemachine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void report(const char *what, const std::vector<double> &ms)
{
    std::printf("%s: median %.1f ms, worst %.1f ms\n", what, median(ms), *std::max_element(ms.begin(), ms.end()));
    std::fflush(stdout);
}

const char *const kFamily[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
                               "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水"};
const char *const kGiven[] = {"太郎", "花子", "一郎", "美咲", "健太", "陽子", "翔", "さくら", "大輔", "由美"};

// 1,000,000 slips over three years, 60 % with a tracking number, in one transaction.
void fillHistory(database::Database &db, int rows)
{
    db.call<void>([rows](database::Connection &c) {
        c.transaction([&] {
            QSqlQuery insert = c.prepare(QStringLiteral(
                "INSERT INTO history (printed_at, station, printer, feed, margin_top, margin_left, order_number,"
                " source_format, zip, add1, add2, custo1, tel, my_zip, my_add1, my_add2, my_name, my_tel, my_on,"
                " g1, g2, g3, slip_date, date_on, de_date1, de_date2, time_slots, tracking, name_key, tel_key,"
                " zip_key) VALUES (?, 'A', 'Slip', '手差し', '0', '0', ?, 'base', ?, '東京都千代田区千代田1-1',"
                " '', ?, ?, '', '', '', '', '', 1, 'お菓子', '', '', '', 1, '', '', 0, ?, ?, ?, ?)"));
            QRandomGenerator random(42);
            const qint64 start = QDateTime(QDate(2024, 1, 1), QTime(9, 0)).toMSecsSinceEpoch();
            const qint64 span = qint64(3) * 365 * 24 * 3600 * 1000;
            for (int i = 0; i < rows; ++i) {
                const QString name = QString::fromUtf8(kFamily[random.bounded(20)]) + QLatin1Char(' ')
                                     + QString::fromUtf8(kGiven[random.bounded(10)]);
                const QString tel = QStringLiteral("0%1-%2-%3").arg(random.bounded(10, 99)).arg(random.bounded(1000, 9999))
                                        .arg(random.bounded(1000, 9999));
                const QString zip = QStringLiteral("%1-%2").arg(random.bounded(100, 999)).arg(random.bounded(1000, 9999));
                insert.addBindValue(start + span / rows * i);
                insert.addBindValue(QStringLiteral("B-%1").arg(i));
                insert.addBindValue(zip);
                insert.addBindValue(name);
                insert.addBindValue(tel);
                insert.addBindValue(i % 5 < 3 ? QVariant(QStringLiteral("%1").arg(100000000000LL + i)) : QVariant());
                insert.addBindValue(history::HistoryStore::nameKey(name));
                insert.addBindValue(history::HistoryStore::digitsKey(tel));
                insert.addBindValue(history::HistoryStore::digitsKey(zip));
                c.execPrepared(insert);
            }
        });
    }, std::chrono::minutes(20));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    database::Database db(database::DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    QElapsedTimer timer;
    timer.start();
    fillHistory(db, rows);
    std::printf("history of %d slips written in %.1f s\n", rows, timer.elapsed() / 1000.0);

    using Field = history::HistoryQuery::Field;
    const QList<history::HistoryQuery> searches = {
        {Field::All, QString(), {}, {}},
        {Field::Name, QStringLiteral("山田"), {}, {}},
        {Field::Name, QStringLiteral("佐々木 美咲"), {}, {}},
        {Field::Telephone, QStringLiteral("045"), {}, {}},
        {Field::PostalCode, QStringLiteral("151-00"), {}, {}},
        {Field::OrderNumber, QStringLiteral("B-123456"), {}, {}},
        {Field::TrackingNumber, QStringLiteral("1000-0050-0000"), {}, {}},
        {Field::All, QStringLiteral("090"), {}, {}},
        {Field::All, QStringLiteral("田中"), QDate(2025, 6, 1), QDate(2025, 6, 7)},
        {Field::All, QString(), QDate(2026, 12, 1), QDate(2026, 12, 31)},
        // Keys that match most of the history: the first digit typed, a number's start.
        {Field::All, QStringLiteral("0"), {}, {}},
        {Field::Telephone, QStringLiteral("0"), {}, {}},
        {Field::TrackingNumber, QStringLiteral("1000"), {}, {}},
    };
    std::vector<double> searchMs;
    for (int round = 0; round < 3; ++round) {
        for (const history::HistoryQuery &query : searches) {
            timer.restart();
            const auto page = db.call<QList<history::HistoryEntry>>(
                [&](database::Connection &c) { return history::HistoryStore::page(c, query, std::nullopt, 200); });
            searchMs.push_back(timer.nsecsElapsed() / 1e6);
            if (page.size() == 200) {
                const history::HistoryCursor after{page.last().printedAt.toMSecsSinceEpoch(), page.last().id};
                timer.restart();
                db.call<QList<history::HistoryEntry>>(
                    [&](database::Connection &c) { return history::HistoryStore::page(c, query, after, 200); });
                searchMs.push_back(timer.nsecsElapsed() / 1e6);
            }
            if (page.isEmpty() && query.field != Field::TrackingNumber)
                std::printf("note: a search found nothing\n");
        }
    }
    report("1. history search, 1,000,000 slips, first and second page of 13 kinds of search", searchMs);

    std::vector<double> openMs;
    for (int round = 0; round < 5; ++round) {
        timer.restart();
        app::HistoryWindow window(db, {});
        window.show();
        // The first page may already be there when the window is made.
        if (!QTest::qWaitFor([&] { return !window.model().isLoading(); }, 5000))
            return 1;
        QCoreApplication::processEvents();
        openMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    report("2. history window opened with its first rows, 1,000,000 slips", openMs);

    if (!testsupport::PrivatePostgres::isInstalled()) {
        std::printf("3. claim: PostgreSQL is not installed, not measured\n");
        return 0;
    }
    testsupport::PrivatePostgres pg;
    pg.setDurable(true);
    if (!pg.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(pg.lastError()));
        return 1;
    }
    database::Database shared(database::DatabaseConfig::fromValue(pg.createDatabase(QStringLiteral("bench")), dir.path()));
    QList<qint64> ids = shared.call<QList<qint64>>([](database::Connection &c) {
        return c.transaction([&] {
            QList<qint64> added;
            for (int i = 0; i < 10000; ++i) {
                QSqlQuery q = c.exec(QStringLiteral("INSERT INTO orders (source_format, order_key, order_number,"
                                                    " imported_at) VALUES ('base', ?, ?, 0) RETURNING id"),
                                     {QString::number(i), QString::number(i)});
                q.next();
                added << q.value(0).toLongLong();
            }
            return added;
        });
    });
    std::vector<double> claimMs;
    for (int round = 0; round < 20; ++round) {
        const QList<qint64> selection = ids.mid(round * 100, 100);
        timer.restart();
        const auto claimed = shared.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, selection, orders::OrderAction::Claim,
                                           orders::TransitionContext::job(orders::newClaimToken(), QStringLiteral("A")));
        });
        claimMs.push_back(timer.nsecsElapsed() / 1e6);
        if (claimed.size() != 100)
            return 1;
    }
    report("3. 100 orders claimed on local PostgreSQL", claimMs);
    return 0;
}
