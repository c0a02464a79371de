// The history and the shared order book on both engines: search, tracking numbers,
// two stations printing the same orders, and a server that goes away during a batch.
#include "historytestbook.h"

#include "history/historyrecorder.h"
#include "history/historystore.h"
#include "platform/codepage.h"
#include "orders/orderstatemachine.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThread>

#include <algorithm>
#include <thread>

using history::HistoryQuery;
using history::HistoryStore;
using history::PrintedSlip;
using orders::OrderAction;
using Field = history::HistoryQuery::Field;

namespace {

struct Sample
{
    QString name, tel, zip;
    QDateTime at;
    QString tracking;
};

const QList<Sample> kSamples = {
    {"山田 太郎", "090-1111-2222", "151-0053", QDateTime(QDate(2026, 12, 1), QTime(10, 0)), ""},
    {"山田花子", "03-1234-5678", "1000001", QDateTime(QDate(2026, 12, 3), QTime(9, 0)), ""},
    {"ﾔﾏﾀﾞ ｼﾞﾛｳ", "06-1111-2222", "5400001", QDateTime(QDate(2026, 12, 5), QTime(23, 59)), ""},
    {"鈴木 一郎", "０９０-９９９９-８８８８", "〒530-0001", QDateTime(QDate(2026, 12, 7), QTime(8, 0)), "123456789012"},
    {"𠮷田 三郎", "011-222-3333", "060-0001", QDateTime(QDate(2026, 12, 8), QTime(0, 0)), ""},
};

PrintedSlip slipFor(const Sample &sample, std::optional<qint64> orderId = std::nullopt)
{
    PrintedSlip printed;
    printed.slip.destination.name = sample.name;
    printed.slip.destination.telephone = sample.tel;
    printed.slip.destination.postalCode = sample.zip;
    printed.slip.goods[0] = QStringLiteral("お菓子");
    printed.slip.shippingDate = sample.at.date();
    printed.slip.timeSlot = slip::TimeSlot::Afternoon14To16;
    printed.printer = QStringLiteral("Slip");
    printed.feed = QStringLiteral("手差し");
    printed.marginTop = QStringLiteral("12");
    printed.marginLeft = QStringLiteral("-3");
    printed.orderId = orderId;
    return printed;
}

QStringList names(const QList<history::HistoryEntry> &rows)
{
    QStringList result;
    for (const history::HistoryEntry &row : rows)
        result << row.printed.slip.destination.name;
    return result;
}

// Claims and prints every order of `ids` it can, in chunks, as one station would.
int printAll(database::Database &db, QList<qint64> ids, const QString &station, int chunk)
{
    int printed = 0;
    while (!ids.isEmpty()) {
        const QList<qint64> selection = ids.mid(0, chunk);
        ids.remove(0, selection.size());
        const QString token = orders::newClaimToken();
        const QList<qint64> claimed = db.call<QList<qint64>>([&](database::Connection &c) {
            return orders::applyTransition(c, selection, OrderAction::Claim,
                                           orders::TransitionContext::job(token, station));
        });
        QList<PrintedSlip> slips;
        for (const qint64 id : claimed)
            slips << slipFor(kSamples[0], id);
        db.call<void>([&](database::Connection &c) {
            HistoryStore::recordJob(c, slips, QDateTime::currentDateTime(), station);
        });
        printed += int(claimed.size());
    }
    return printed;
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_databases = 0;

    std::unique_ptr<database::Database> open(const QString &engine)
    {
        return std::make_unique<database::Database>(
            historytest::configFor(engine, m_dir, QStringLiteral("book%1").arg(++m_databases)));
    }

private Q_SLOTS:
    void search_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("found");
        const QStringList everyone{"𠮷田 三郎", "鈴木 一郎", "ﾔﾏﾀﾞ ｼﾞﾛｳ", "山田花子", "山田 太郎"};
        for (const QString engine : {"sqlite", "postgresql"}) {
            const auto row = [&](const char *name, Field field, const QString &text, QDate from, QDate to,
                                 const QStringList &found) {
                QTest::addRow("%s: %s", qPrintable(engine), name)
                    << engine << int(field) << text << from << to << found;
            };
            row("everything, newest first", Field::All, "", {}, {}, everyone);
            row("family name", Field::Name, "山田", {}, {}, {"山田花子", "山田 太郎"});
            row("name with a full-width blank", Field::Name, "山田　太", {}, {}, {"山田 太郎"});
            row("half-width katakana found by full-width", Field::Name, "ヤマダ", {}, {}, {"ﾔﾏﾀﾞ ｼﾞﾛｳ"});
            row("kanji outside the basic plane", Field::Name, "𠮷田", {}, {}, {"𠮷田 三郎"});
            row("telephone start", Field::Telephone, "0901111", {}, {}, {"山田 太郎"});
            row("telephone stored full-width", Field::Telephone, "090-9999", {}, {}, {"鈴木 一郎"});
            row("telephone of letters", Field::Telephone, "abc", {}, {}, {});
            row("postal code start", Field::PostalCode, "151", {}, {}, {"山田 太郎"});
            row("postal code with mark and hyphen", Field::PostalCode, "530-0001", {}, {}, {"鈴木 一郎"});
            row("tracking number as printed", Field::TrackingNumber, "1234-5678-9012", {}, {}, {"鈴木 一郎"});
            row("any field: digits", Field::All, "090", {}, {}, {"鈴木 一郎", "山田 太郎"});
            row("date range, both ends inclusive", Field::All, "", QDate(2026, 12, 3), QDate(2026, 12, 5),
                {"ﾔﾏﾀﾞ ｼﾞﾛｳ", "山田花子"});
            row("name within a range", Field::Name, "山田", QDate(2026, 12, 2), {}, {"山田花子"});
        }
    }

    void search()
    {
        QFETCH(QString, engine);
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, found);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        db->call<void>([](database::Connection &c) {
            for (const Sample &sample : kSamples) {
                const qint64 id = HistoryStore::record(c, slipFor(sample), sample.at, QStringLiteral("A"));
                if (!sample.tracking.isEmpty())
                    HistoryStore::setTrackingNumber(c, id, sample.tracking);
            }
        });
        const HistoryQuery query{Field(field), text, from, to};
        const auto rows = db->call<QList<history::HistoryEntry>>(
            [&](database::Connection &c) { return HistoryStore::page(c, query, std::nullopt, 50); });
        QCOMPARE(names(rows), found);
    }

    void recordKeepsEverySlipField_data() { HISTORY_ENGINE_ROWS(); }
    void recordKeepsEverySlipField()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        const qint64 order = historytest::addOrders(*db, 1, QStringLiteral("amazon")).value(0);
        PrintedSlip printed = slipFor(kSamples[3], order);
        slip::SlipRecord &s = printed.slip;
        s.destination.address1 = QStringLiteral("大阪府大阪市北区梅田1-1");
        s.destination.address2 = QStringLiteral("梅田ビル");
        s.destination.address3 = QStringLiteral("101号室");
        s.sender.postalCode = QStringLiteral("100-0001");
        s.sender.address1 = QStringLiteral("東京都千代田区");
        s.sender.address2 = QStringLiteral("千代田1-1");
        s.sender.name = QStringLiteral("めきら商店");
        s.sender.telephone = QStringLiteral("03-0000-0000");
        s.printSender = false;
        s.goods[1] = QStringLiteral("われもの");
        s.goods[2] = QStringLiteral("天地無用");
        s.printShippingDate = false;
        s.deliveryMonth = QStringLiteral("12");
        s.deliveryDay = QStringLiteral("24");
        s.timeSlot = slip::TimeSlot::Evening19To21;
        const QDateTime at(QDate(2026, 12, 9), QTime(11, 22, 33, 444));
        // Recorded after waiting in the journal, as when the order book was away.
        const history::UnrecordedJournal journal(m_dir.filePath(engine + QStringLiteral("-journal.json")));
        QVERIFY(journal.save({{QStringLiteral("job-1"), {printed}, at, QStringLiteral("梱包台2")}}));
        const QList<history::SentJob> kept = journal.load();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().slips.size(), 1);
        const auto entry = db->call<std::optional<history::HistoryEntry>>([&](database::Connection &c) {
            return HistoryStore::entry(
                c, HistoryStore::record(c, kept.first().slips.first(), kept.first().sentAt, kept.first().station));
        });
        QVERIFY(entry);
        QCOMPARE(entry->printedAt, at);
        QCOMPARE(entry->station, QStringLiteral("梱包台2"));
        QCOMPARE(entry->printed.printer, printed.printer);
        QCOMPARE(entry->printed.feed, printed.feed);
        QCOMPARE(entry->printed.marginTop, printed.marginTop);
        QCOMPARE(entry->printed.marginLeft, printed.marginLeft);
        QCOMPARE(entry->printed.orderId, std::optional<qint64>(order));
        QCOMPARE(entry->orderNumber, QStringLiteral("T-1"));
        QCOMPARE(entry->sourceFormat, QStringLiteral("amazon"));
        const slip::SlipRecord &r = entry->printed.slip;
        QCOMPARE(std::tuple(r.destination.postalCode, r.destination.address1, r.destination.address2, r.destination.name, r.destination.telephone),
                 std::tuple(s.destination.postalCode, s.destination.address1, s.destination.address2, s.destination.name, s.destination.telephone));
        QCOMPARE(r.destination.address3, s.destination.address3);
        QCOMPARE(std::tuple(r.sender.postalCode, r.sender.address1, r.sender.address2, r.sender.name, r.sender.telephone, r.printSender),
                 std::tuple(s.sender.postalCode, s.sender.address1, s.sender.address2, s.sender.name, s.sender.telephone, s.printSender));
        QCOMPARE(std::tuple(r.goods[0], r.goods[1], r.goods[2], r.shippingDate, r.printShippingDate),
                 std::tuple(s.goods[0], s.goods[1], s.goods[2], s.shippingDate, s.printShippingDate));
        QCOMPARE(std::tuple(r.deliveryMonth, r.deliveryDay, r.timeSlot),
                 std::tuple(s.deliveryMonth, s.deliveryDay, slip::TimeSlot::Evening19To21));
    }

    // A job read back from the journal after its write went through (the program ended
    // in between) is not recorded a second time.
    void aJobIsRecordedOnce_data() { HISTORY_ENGINE_ROWS(); }
    void aJobIsRecordedOnce()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        const QList<qint64> ids = historytest::addOrders(*db, 2);
        const QList<PrintedSlip> slips{slipFor(kSamples[0], ids[0]), slipFor(kSamples[1], ids[1])};
        const auto complete = [&](const QString &job) {
            return db->call<bool>([&](database::Connection &c) {
                return HistoryStore::recordJob(c, slips, QDateTime::currentDateTime(), QStringLiteral("A"), job);
            });
        };
        QVERIFY(complete(QStringLiteral("job-1")));
        QVERIFY(!complete(QStringLiteral("job-1")));
        QVERIFY(complete(QStringLiteral("job-2")));
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history"), 4);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM orders WHERE state = 1"), 2);
    }

    // A journal left by the version that named the slip's fields after the window's
    // controls is read after the upgrade, its job recorded once with every field.
    void firstFormatJournalRecordedOnce_data() { HISTORY_ENGINE_ROWS(); }
    void firstFormatJournalRecordedOnce()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        const qint64 order = historytest::addOrders(*db, 1).value(0);
        const history::UnrecordedJournal journal(m_dir.filePath(engine + QStringLiteral("-format1.json")));
        QFile file(journal.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"({"format": 1, "jobs": [{"job": "old-job", "sentAtMs": "1765250000000", "station": "梱包台1",
            "slips": [{"printer": "Slip", "feed": "手差し", "marginTop": "5", "marginLeft": "-2", "orderId": "%1",
              "slip": {"Edit_Zip": "151-0053", "Edit_Add1": "東京都渋谷区代々木1-1", "Edit_Add2": "代々木ハイツ203",
                       "Edit_Custo1": "山田 太郎", "Edit_tel": "090-1111-2222", "Edit_MyZip": "100-0001",
                       "Edit_MyADD1": "東京都千代田区", "Edit_MyADD2": "", "Edit_My": "めきら商店", "Edit_MyTEL": "03-0000-0000",
                       "Edit_G1": "お菓子", "Edit_G2": "われもの", "Edit_G3": "", "Edit_de_date1": "12", "Edit_de_date2": "24",
                       "CheckBox_My": false, "CheckBox_Date_1": true, "CheckBox_t1": false, "CheckBox_t2": false,
                       "CheckBox_t3": false, "CheckBox_t4": false, "CheckBox_t5": true, "CheckBox_t6": false,
                       "DateTimePicker_1": "2025-12-09"}}]}]})").arg(order).toUtf8());
        file.close();

        const QList<history::SentJob> jobs = journal.load();
        QCOMPARE(jobs.size(), 1);
        const slip::SlipRecord &r = jobs.first().slips.first().slip;
        QCOMPARE(r.destination, (slip::Party{u"151-0053"_qs, u"東京都渋谷区代々木1-1"_qs, u"代々木ハイツ203"_qs, QString(),
                                             u"山田 太郎"_qs, u"090-1111-2222"_qs}));
        QCOMPARE(r.sender.name, u"めきら商店"_qs);
        QVERIFY(!r.printSender);
        QCOMPARE(r.goods, (std::array<QString, 3>{u"お菓子"_qs, u"われもの"_qs, QString()}));
        QCOMPARE(r.timeSlot, slip::TimeSlot::Evening18To20);
        QCOMPARE(r.shippingDate, QDate(2025, 12, 9));

        for (int start = 0; start < 2; ++start) {
            // The job is in the journal again, as after a power cut between the write
            // into the history and clearing the file.
            if (start == 1)
                QVERIFY(journal.save(jobs));
            history::HistoryRecorder recorder(*db, journal);
            QTRY_VERIFY_WITH_TIMEOUT(!journal.exists(), 10000);
        }
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM history"), 1);
        QCOMPARE(historytest::scalar(*db, "SELECT COUNT(*) FROM orders WHERE state = 1"), 1);
        // Written back in the current format, with the fields' own names.
        QVERIFY(journal.save(jobs));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray current = file.readAll();
        file.close();
        QVERIFY(current.contains("\"destination\""));
        QVERIFY(!current.contains("Edit_Zip"));
        QCOMPARE(journal.load().first().slips.first().slip, r);
        QVERIFY(journal.save({}));
    }

    void damagedJournalIsSetAside()
    {
        const history::UnrecordedJournal journal(m_dir.filePath(QStringLiteral("damaged.json")));
        QFile file(journal.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"format\": 1, \"jobs\": [");
        file.close();
        QVERIFY(journal.load().isEmpty());
        QVERIFY(!journal.exists());
        QVERIFY(QFile::exists(journal.path() + QStringLiteral(".damaged")));
        QVERIFY(journal.save({}));
    }

    void pagesCoverEveryRowOnce_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("slips");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("found");
        for (const QString engine : {"sqlite", "postgresql"}) {
            QTest::addRow("%s: everything", qPrintable(engine)) << engine << 450 << int(Field::All) << "" << 450;
            // Two of the five sample names, from several indexes at once.
            QTest::addRow("%s: a name in any field", qPrintable(engine)) << engine << 450 << int(Field::All) << "山田" << 180;
        }
        // So many matches that the newest are read along the time index.
        QTest::addRow("sqlite: a key most slips share") << "sqlite" << 20100 << int(Field::Telephone) << "0" << 20100;
    }

    void pagesCoverEveryRowOnce()
    {
        QFETCH(QString, engine);
        QFETCH(int, slips);
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, found);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        // Slips over a few seconds, many printed in the same millisecond.
        db->call<void>([slips](database::Connection &c) {
            c.transaction([&] {
                const QDateTime base(QDate(2026, 12, 1), QTime(9, 0));
                for (int i = 0; i < slips; ++i)
                    HistoryStore::record(c, slipFor(kSamples[i % 5]), base.addSecs(i / 7), QStringLiteral("A"));
            });
        }, std::chrono::minutes(2));
        const HistoryQuery query{Field(field), text, {}, {}};
        QList<qint64> seen;
        QDateTime previous;
        std::optional<history::HistoryCursor> after;
        for (int page = 0; page <= found / 200; ++page) {
            const auto rows = db->call<QList<history::HistoryEntry>>(
                [&](database::Connection &c) { return HistoryStore::page(c, query, after, 200); });
            for (const auto &row : rows) {
                QVERIFY(previous.isNull() || row.printedAt <= previous);
                previous = row.printedAt;
                seen << row.id;
            }
            if (rows.size() < 200)
                break;
            after = history::HistoryCursor{rows.last().printedAt.toMSecsSinceEpoch(), rows.last().id};
        }
        QCOMPARE(seen.size(), found);
        QCOMPARE(QSet<qint64>(seen.begin(), seen.end()).size(), found);
    }

    void trackingNumbers_data() { HISTORY_ENGINE_ROWS(); }
    void trackingNumbers()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        const qint64 order = historytest::addOrders(*db, 1, QStringLiteral("amazon")).value(0);
        const auto ids = db->call<QList<qint64>>([&](database::Connection &c) {
            return QList<qint64>{HistoryStore::record(c, slipFor(kSamples[0], order), kSamples[0].at, "A"),
                                 HistoryStore::record(c, slipFor(kSamples[1]), kSamples[1].at, "A"),
                                 HistoryStore::record(c, slipFor(kSamples[2]), kSamples[2].at, "A")};
        });
        const auto set = [&](qint64 id, const QString &digits) {
            db->call<void>([&](database::Connection &c) { HistoryStore::setTrackingNumber(c, id, digits); });
        };
        set(ids[0], QStringLiteral("111122223333"));
        set(ids[1], QStringLiteral("444455556666"));
        set(ids[0], QStringLiteral("111122223333")); // the same number again on its own row
        bool refused = false;
        try {
            set(ids[2], QStringLiteral("111122223333"));
        } catch (const history::DuplicateTrackingNumber &duplicate) {
            refused = true;
            QCOMPARE(duplicate.otherId(), ids[0]);
            QVERIFY2(duplicate.message().contains(QStringLiteral("1111-2222-3333")), qPrintable(duplicate.message()));
        }
        QVERIFY(refused);
        set(ids[1], QString()); // cleared: free for another row
        set(ids[2], QStringLiteral("444455556666"));
        const auto shipments = db->call<QList<history::Shipment>>(
            [&](database::Connection &c) { return HistoryStore::shipments(c, QDate(2026, 12, 1), QDate(2026, 12, 5)); });
        QCOMPARE(shipments.size(), 2);
        QCOMPARE(shipments[0].orderNumber, QStringLiteral("T-1"));
        QCOMPARE(shipments[0].sourceFormat, QStringLiteral("amazon"));
        QCOMPARE(shipments[0].trackingNumber, QStringLiteral("111122223333"));
        QCOMPARE(shipments[0].shipDate, QDate(2026, 12, 1));
        QCOMPARE(shipments[1].trackingNumber, QStringLiteral("444455556666"));
        QCOMPARE(shipments[1].shipDate, QDate(2026, 12, 5));
    }

    // Reporting back to the shops: one file per shop, only what no file reported yet,
    // rows without an order number (a hand-typed slip) left out; the rows written are
    // marked 「報告済み」 and the files are the owner's alone.
    void reportToShops_data() { HISTORY_ENGINE_ROWS(); }
    void reportToShops()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        auto db = open(engine);
        const QList<qint64> amazon = historytest::addOrders(*db, 2, QStringLiteral("amazon"));
        const qint64 base = historytest::addOrders(*db, 1, QStringLiteral("base")).value(0);
        const auto rows = db->call<QList<qint64>>([&](database::Connection &c) {
            QList<qint64> ids{HistoryStore::record(c, slipFor(kSamples[0], amazon[0]), kSamples[0].at, "A"),
                              HistoryStore::record(c, slipFor(kSamples[1], amazon[1]), kSamples[1].at, "A"),
                              HistoryStore::record(c, slipFor(kSamples[2], base), kSamples[2].at, "A"),
                              HistoryStore::record(c, slipFor(kSamples[3]), kSamples[3].at, "A")};
            HistoryStore::setTrackingNumber(c, ids[0], QStringLiteral("111122223332"));
            HistoryStore::setTrackingNumber(c, ids[2], QStringLiteral("444455556661"));
            HistoryStore::setTrackingNumber(c, ids[3], QStringLiteral("555566667773"));
            return ids;
        });
        const QString path = m_dir.filePath(QStringLiteral("report-%1.csv").arg(engine));
        history::ShipmentExportOptions options;
        options.splitByShop = true;
        const auto exportNow = [&] {
            return db->call<history::ShipmentExportResult>(
                [&](database::Connection &c) { return HistoryStore::exportShipments(c, path, options); });
        };
        const history::ShipmentExportResult first = exportNow();
        QCOMPARE(first.shipments, 2);
        QCOMPARE(first.files, (QStringList{history::shopFilePath(path, QStringLiteral("amazon")),
                                           history::shopFilePath(path, QStringLiteral("base"))}));
        for (const QString &file : first.files) {
            const QStringList lines = platform::readCp932Lines(file);
            QCOMPARE(lines.size(), 2);
            QCOMPARE(QFile(file).permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                                   | QFileDevice::WriteUser),
                     QFileDevice::Permissions());
        }
        QVERIFY(platform::readCp932Lines(first.files[0])[1].contains(QStringLiteral("\"111122223332\"")));
        const auto reported = [&](qint64 id) {
            return db->call<bool>([&](database::Connection &c) { return HistoryStore::entry(c, id)->reportedAt.isValid(); });
        };
        QVERIFY(reported(rows[0]));
        QVERIFY(!reported(rows[1]));
        QVERIFY(reported(rows[2]));
        QVERIFY(!reported(rows[3])); // no order number: nothing a shop could match

        // Nothing new to report; then the second Amazon parcel is scanned.
        QCOMPARE(exportNow().shipments, 0);
        db->call<void>([&](database::Connection &c) { HistoryStore::setTrackingNumber(c, rows[1], QStringLiteral("210987654323")); });
        const history::ShipmentExportResult third = exportNow();
        QCOMPARE(third.shipments, 1);
        QCOMPARE(third.files, QStringList{history::shopFilePath(path, QStringLiteral("amazon"))});
        // Everything again, reported or not, when asked.
        options.unreportedOnly = false;
        options.splitByShop = false;
        QCOMPARE(exportNow().shipments, 3);
    }

    void twoStationsPrintEachOrderOnce_data() { HISTORY_ENGINE_ROWS(); }
    void twoStationsPrintEachOrderOnce()
    {
        QFETCH(QString, engine);
        HISTORY_REQUIRE_ENGINE(engine);
        const database::DatabaseConfig config =
            historytest::configFor(engine, m_dir, QStringLiteral("book%1").arg(++m_databases));
        database::Database first(config);
        database::Database second(config);
        const QList<qint64> ids = historytest::addOrders(first, 200);
        QCOMPARE(ids.size(), 200);
        // Both stations select all 200 orders, one in the list's order, one backwards,
        // and print them at the same moment.
        QList<qint64> backwards = ids;
        std::reverse(backwards.begin(), backwards.end());
        int printedFirst = 0;
        int printedSecond = 0;
        std::thread a([&] { printedFirst = printAll(first, ids, QStringLiteral("station-1"), 20); });
        std::thread b([&] { printedSecond = printAll(second, backwards, QStringLiteral("station-2"), 20); });
        a.join();
        b.join();
        QCOMPARE(printedFirst + printedSecond, 200);
        // Which station prints how many depends on the scheduler (one may claim all before the
        // other starts on a slow machine); what must hold is that no order is printed twice.
        QCOMPARE(historytest::scalar(first, "SELECT COUNT(*) FROM orders WHERE state = 1"), 200);
        QCOMPARE(historytest::scalar(first, "SELECT COUNT(DISTINCT order_id) FROM history"), 200);
        QCOMPARE(historytest::scalar(first, "SELECT COUNT(*) FROM history"), 200);
        // The list shows who printed what: every history row's station printed its order.
        QCOMPARE(historytest::scalar(first, "SELECT COUNT(*) FROM history h JOIN orders o ON o.id = h.order_id"
                                            " WHERE o.printed_station = h.station"),
                 200);
        QCOMPARE(historytest::scalar(first, "SELECT COUNT(*) FROM orders WHERE printed_station = 'station-1'"),
                 printedFirst);
    }

    // PostgreSQL only: a station hears what another one claimed and printed.
    void otherStationsAreHeard()
    {
        MEKIRA_START_POSTGRES(historytest::sharedPostgres());
        const database::DatabaseConfig config =
            historytest::configFor(QStringLiteral("postgresql"), m_dir, QStringLiteral("heard"));
        database::Database listening(config);
        database::Database printing(config);
        const QList<qint64> ids = historytest::addOrders(listening, 3); // opens the listening connection
        QSignalSpy changed(&listening, &database::Database::changed);
        QCOMPARE(printAll(printing, ids, QStringLiteral("B"), 3), 3);
        QVERIFY(changed.wait(5000));
    }

    // PostgreSQL only: the server stops after the second of four jobs was claimed and
    // sent. The slips of the sent job are kept and recorded when the server is back;
    // the claims meanwhile fail with a message and change nothing.
    void serverStoppedDuringBatch()
    {
        MEKIRA_START_POSTGRES(historytest::sharedPostgres());
        testsupport::PrivatePostgres &pg = historytest::sharedPostgres();
        database::Database db(historytest::configFor(QStringLiteral("postgresql"), m_dir, QStringLiteral("stopped")));
        const history::UnrecordedJournal journal(history::UnrecordedJournal::defaultPath(m_dir.path()));
        auto recorder = std::make_unique<history::HistoryRecorder>(db, journal);
        recorder->setRetryInterval(200);
        QSignalSpy recorded(recorder.get(), &history::HistoryRecorder::recorded);
        QSignalSpy failed(recorder.get(), &history::HistoryRecorder::failed);
        const QList<qint64> ids = historytest::addOrders(db, 100);
        const auto claimAndSlips = [&](const QList<qint64> &selection) {
            const auto claimed = db.call<QList<qint64>>([&](database::Connection &c) {
                return orders::applyTransition(c, selection, OrderAction::Claim,
                                               orders::TransitionContext::job(orders::newClaimToken(), QStringLiteral("A")));
            });
            QList<PrintedSlip> slips;
            for (const qint64 id : claimed)
                slips << slipFor(kSamples[1], id);
            return slips;
        };
        recorder->jobSent(claimAndSlips(ids.mid(0, 25)));
        QTRY_COMPARE(recorded.size(), 1);
        QVERIFY(!journal.exists());
        const QList<PrintedSlip> second = claimAndSlips(ids.mid(25, 25));
        QCOMPARE(second.size(), 25);
        pg.stop();
        recorder->jobSent(second); // the job went out; the server is gone
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
        QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("発送履歴に記録できませんでした")));
        QCOMPARE(recorder->pendingCount(), 25);
        QVERIFY(journal.exists());
        bool claimRefused = false;
        try {
            claimAndSlips(ids.mid(50));
        } catch (const database::DatabaseError &error) {
            claimRefused = true;
            QVERIFY(!error.message().isEmpty());
        }
        QVERIFY(claimRefused);
        // The program is closed while the server is away, and started again once it is back:
        // the slips sent meanwhile are recorded from the journal, once.
        recorder.reset();
        QVERIFY2(pg.start(), qPrintable(pg.lastError()));
        recorder = std::make_unique<history::HistoryRecorder>(db, journal);
        QSignalSpy recordedAfterStart(recorder.get(), &history::HistoryRecorder::recorded);
        QTRY_COMPARE_WITH_TIMEOUT(recordedAfterStart.size(), 1, 20000);
        QCOMPARE(recordedAfterStart.first().at(0).toInt(), 25);
        QCOMPARE(recorder->pendingCount(), 0);
        QVERIFY(!journal.exists());
        recorder->jobSent(claimAndSlips(ids.mid(50)));
        QTRY_COMPARE_WITH_TIMEOUT(recordedAfterStart.size(), 2, 20000);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM orders WHERE state = 1"), 100);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(*) FROM history"), 100);
        QCOMPARE(historytest::scalar(db, "SELECT COUNT(DISTINCT order_id) FROM history"), 100);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
