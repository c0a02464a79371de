// Shop files as shops really download them: several destinations, order status,
// requested dates, name orders, spreadsheet damage, item files, changed re-downloads.
#include "../history/historytestbook.h"

#include "database/database.h"
#include "orders/deliverytime.h"
#include "orders/orderimport.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstatus.h"
#include "orders/repairs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orders;
using database::Connection;
using database::Database;
using database::DatabaseConfig;

Q_DECLARE_METATYPE(orders::Repairs)

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(MEKIRA_ORDER_SAMPLES "/cases/") + name;
}

const Order *findOrder(const QList<Order> &orders, const QString &key)
{
    for (const Order &o : orders)
        if (o.orderKey == key)
            return &o;
    return nullptr;
}

QList<Order> storedOrders(Database &db)
{
    return db.call<QList<Order>>([](Connection &c) { return store::ordersById(c, store::orderIds(c, {})); });
}

ImportReport import(Database &db, const QStringList &paths)
{
    return db.call<ImportReport>([&](Connection &c) { return importFiles(c, paths); });
}

} // namespace

class ShopFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeSlots_data();
    void timeSlots();
    void dates_data();
    void dates();
    void holdReasons_data();
    void holdReasons();
    void names_data();
    void names();
    void phones_data();
    void phones();

    void platformCases_data();
    void platformCases();
    void disagreeingDestinationRefused();
    void mappedColumnsLoseHonorifics();

    void changedDownloadUpdatesOrMarks_data();
    void changedDownloadUpdatesOrMarks();
    void twoDestinationsTwoSlips();
    void destinationIdsKeepEarlierOrders();
    void heldOrdersSetAside();
    void yahooItemsJoin_data();
    void yahooItemsJoin();
};

void ShopFilesTest::timeSlots_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("nearest");
    QTest::addColumn<bool>("unread");
    QTest::newRow("morning") << "午前中" << 1 << false << false;
    QTest::newRow("clock times") << "14:00-16:00" << 3 << false << false;
    QTest::newRow("full-width tilde") << "１４時～１６時" << 3 << false << false;
    QTest::newRow("about") << "12時頃-14時頃" << 2 << false << false;
    QTest::newRow("code") << "1618" << 4 << false << false;
    QTest::newRow("code of the morning") << "0812" << 1 << false << false;
    QTest::newRow("morning number") << "1" << 1 << false << false;
    QTest::newRow("afternoon number") << "2" << 2 << true << false;
    QTest::newRow("other number") << "9" << 0 << false << true;
    QTest::newRow("full-width tilde, minutes") << "12:00～14:00" << 2 << false << false;
    QTest::newRow("inside the last slot") << "20時-21時" << 6 << true << false;
    QTest::newRow("wider than one slot") << "18:00-21:00" << 5 << true << false;
    QTest::newRow("afternoon") << "午後" << 2 << true << false;
    QTest::newRow("late evening outside") << "21時-22時" << 6 << true << false;
    QTest::newRow("none asked") << "指定なし" << 0 << false << false;
    QTest::newRow("empty") << "" << 0 << false << false;
    QTest::newRow("no time") << "おまかせでお願いします" << 0 << false << true;
}

void ShopFilesTest::timeSlots()
{
    QFETCH(QString, text);
    QFETCH(int, slot);
    QFETCH(bool, nearest);
    QFETCH(bool, unread);
    Repairs repairs;
    QCOMPARE(timeSlotFor(text, &repairs), slot);
    QCOMPARE(repairs.testFlag(Repair::TimeSlotNearest), nearest);
    QCOMPARE(repairs.testFlag(Repair::DeliveryDateUnread), unread);
}

void ShopFilesTest::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");  // invalid: no date
    QTest::newRow("slashes") << "2026/12/05" << QDate(2026, 12, 5);
    QTest::newRow("hyphens") << "2026-12-05" << QDate(2026, 12, 5);
    QTest::newRow("compact") << "20261205" << QDate(2026, 12, 5);
    QTest::newRow("kanji with weekday") << "2026年12月5日(土)" << QDate(2026, 12, 5);
    QTest::newRow("full-width") << "２０２６／１２／０５" << QDate(2026, 12, 5);
    QTest::newRow("no year") << "1/4" << QDate(2030, 1, 4);
    QTest::newRow("no such day") << "2026/02/30" << QDate();
    QTest::newRow("no date") << "なるべく早く" << QDate();
}

void ShopFilesTest::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(readDate(text, 2030).value_or(QDate()), date);
}

void ShopFilesTest::holdReasons_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("reason");
    QTest::newRow("paid, not shipped") << QStringList{"paid", "unfulfilled", "Standard"} << "";
    QTest::newRow("refunded") << QStringList{"refunded", "unfulfilled"} << "返金済み";
    QTest::newRow("partly refunded ships") << QStringList{"partially_refunded", ""} << "";
    QTest::newRow("voided") << QStringList{"voided"} << "キャンセル";
    QTest::newRow("fulfilled") << QStringList{"paid", "fulfilled"} << "発送済み";
    QTest::newRow("partly fulfilled ships") << QStringList{"paid", "partial"} << "";
    QTest::newRow("pickup") << QStringList{"paid", "", "Local Pickup"} << "店頭受取";
    QTest::newRow("cancellation waits") << QStringList{"キャンセル確定待ち"} << "キャンセル";
    QTest::newRow("shipped at a mall") << QStringList{"発送済"} << "発送済み";
    QTest::newRow("dealt with") << QStringList{"対応済"} << "発送済み";
    QTest::newRow("waiting to ship") << QStringList{"発送待ち"} << "";
    QTest::newRow("cancel beats shipped") << QStringList{"fulfilled", "cancelled"} << "キャンセル";
    QTest::newRow("no status") << QStringList{} << "";
    QTest::newRow("done") << QStringList{"完了"} << "発送済み";
    QTest::newRow("payment done ships") << QStringList{"決済完了"} << "";
}

void ShopFilesTest::holdReasons()
{
    QFETCH(QStringList, cells);
    QFETCH(QString, reason);
    QCOMPARE(holdReason(cells), reason);
}

void ShopFilesTest::names_data()
{
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("givenFirst");
    QTest::addColumn<QString>("slip");
    QTest::addColumn<Repairs>("repairs");
    QTest::newRow("honorific") << "" << "見本 花子 様" << false << "見本 花子" << Repairs(Repair::HonorificRemoved);
    QTest::newRow("glued honorific") << "" << "見本花子様" << false << "見本花子" << Repairs(Repair::HonorificRemoved);
    QTest::newRow("given first") << "" << "花子 見本" << true << "見本　花子" << Repairs(Repair::NameReordered);
    QTest::newRow("latin stays") << "" << "Anna Smith" << true << "Anna Smith" << Repairs();
    QTest::newRow("three parts stay") << "" << "見本 花子 二世" << true << "見本 花子 二世" << Repairs();
    QTest::newRow("company first") << "株式会社架空 御中" << "花子 見本 様" << true << "株式会社架空　見本　花子"
                                   << Repairs(Repair::HonorificRemoved | Repair::NameReordered);
    QTest::newRow("a family named 様 alone") << "" << "様" << false << "様" << Repairs();
}

void ShopFilesTest::names()
{
    QFETCH(QString, company);
    QFETCH(QString, name);
    QFETCH(bool, givenFirst);
    QFETCH(QString, slip);
    QFETCH(Repairs, repairs);
    Repairs seen;
    QString person = withoutHonorific(name, &seen);
    if (givenFirst)
        person = familyFirst(person, &seen);
    QCOMPARE(nameWithCompany(withoutHonorific(company, &seen), {}, person), slip);
    QCOMPARE(seen.toInt(), repairs.toInt());
}

void ShopFilesTest::phones_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("tel");
    QTest::addColumn<Repairs>("repairs");
    QTest::newRow("three parts, zero lost") << QStringList{"90", "1818", "4974"} << "090-1818-4974"
                                            << Repairs(Repair::TelLeadingZero);
    QTest::newRow("three parts, landline") << QStringList{"3", "1234", "5678"} << "03-1234-5678"
                                           << Repairs(Repair::TelLeadingZero);
    QTest::newRow("three parts intact") << QStringList{"090", "1818", "4974"} << "090-1818-4974" << Repairs();
    QTest::newRow("exponent") << QStringList{"9.09E+09"} << "9.09E+09" << Repairs(Repair::TelExponent);
    QTest::newRow("exponent, lower case") << QStringList{"9.0123e9"} << "9.0123e9" << Repairs(Repair::TelExponent);
    QTest::newRow("apostrophe") << QStringList{"'09012345678"} << "09012345678" << Repairs(Repair::SpreadsheetMark);
    QTest::newRow("formula text") << QStringList{"=\"0312345678\""} << "0312345678" << Repairs(Repair::SpreadsheetMark);
}

void ShopFilesTest::phones()
{
    QFETCH(QStringList, cells);
    QFETCH(QString, tel);
    QFETCH(Repairs, repairs);
    Repairs seen;
    QCOMPARE(repairTel(withoutSpreadsheetMarks(cells, &seen), &seen), tel);
    QCOMPARE(seen.toInt(), repairs.toInt());
}

void ShopFilesTest::platformCases_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("key");
    // name, tel, requested month, day, time slot, hold reason, order date
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<Repairs>("marks");  // these among the order's marks

    QTest::newRow("楽天, first destination") << "rakuten-destinations.csv" << "999999-20261201-0000000010"
        << QStringList{"見本　一郎", "090-1818-4974", "12", "5", "3", "", "2026-12-01 09:15"}
        << Repairs(Repair::TelLeadingZero);
    QTest::newRow("楽天, second destination") << "rakuten-destinations.csv" << "999999-20261201-0000000010/2"
        << QStringList{"試験　二郎", "06-1234-5678", "12", "6", "6", "", "2026-12-01 09:15"}
        << Repairs(Repair::TelLeadingZero | Repair::TimeSlotNearest);
    QTest::newRow("楽天, cancelled") << "rakuten-destinations.csv" << "999999-20261201-0000000011"
        << QStringList{"架空　三子", "011-222-3333", "", "", "0", "キャンセル", "2026-12-01 10:00"} << Repairs();
    QTest::newRow("Shopify, company and given name first") << "shopify-status.csv" << "#2001"
        << QStringList{"株式会社架空　見本　花子", "090-1234-5678", "", "", "0", "", "2026-12-01 10:11"}
        << Repairs(Repair::NameReordered);
    QTest::newRow("Shopify, refunded") << "shopify-status.csv" << "#2002"
        << QStringList{"試験　次郎", "06-1234-5678", "", "", "0", "返金済み", "2026-12-01 11:00"} << Repairs();
    QTest::newRow("Shopify, cancelled") << "shopify-status.csv" << "#2003"
        << QStringList{"架空　三郎", "011-222-3333", "", "", "0", "キャンセル", "2026-12-02 09:00"} << Repairs();
    QTest::newRow("Shopify, fulfilled") << "shopify-status.csv" << "#2004"
        << QStringList{"見本　四郎", "022-123-4567", "", "", "0", "発送済み", "2026-12-02 10:00"} << Repairs();
    QTest::newRow("Shopify, pickup") << "shopify-status.csv" << "#2005"
        << QStringList{"試験　五郎", "", "", "", "0", "店頭受取", "2026-12-03 10:00"} << Repairs();
    QTest::newRow("Shopify, latin name") << "shopify-status.csv" << "#2006"
        << QStringList{"Anna Smith", "045-000-1111", "", "", "0", "", "2026-12-03 11:00"} << Repairs();
    QTest::newRow("BASE, honorific") << "base-status.csv" << "B1000001"
        << QStringList{"見本　花子", "09012345678", "", "", "0", "", "2026-12-01 10:02"}
        << Repairs(Repair::HonorificRemoved);
    QTest::newRow("BASE, cancelled") << "base-status.csv" << "B1000002"
        << QStringList{"試験　一郎", "09012345679", "", "", "0", "キャンセル", "2026-12-01 11:02"} << Repairs();
    QTest::newRow("BASE, shipped, exponent phone") << "base-status.csv" << "B1000003"
        << QStringList{"架空　次郎", "9.09E+09", "", "", "0", "発送済み", "2026-12-01 12:02"}
        << Repairs(Repair::TelExponent);
    QTest::newRow("BASE, lost character") << "base-status.csv" << "B1000004"
        << QStringList{"見?　三子", "09012345670", "", "", "0", "", "2026-12-01 13:02"}
        << Repairs(Repair::LostCharacter | Repair::SpreadsheetMark);
    QTest::newRow("Yahoo!, morning") << "yahoo-orders.csv" << "store-20000001"
        << QStringList{"試験　七子", "0221234567", "12", "10", "1", "", "2026-12-01 10:00"} << Repairs();
    QTest::newRow("Yahoo!, company and section") << "yahoo-orders.csv" << "store-20000002"
        << QStringList{"架空物産株式会社　営業部　見本　八郎", "0221234568", "", "", "0", "", "2026-12-01 11:00"}
        << Repairs();
    QTest::newRow("Yahoo!, compact date, honorific in the one name column") << "yahoo-status.csv" << "store-20000101"
        << QStringList{"試験 九子", "022-123-4560", "12", "9", "2", "", "2026-12-02 09:00"}
        << Repairs(Repair::HonorificRemoved);
    QTest::newRow("Yahoo!, status code cancelled") << "yahoo-status.csv" << "store-20000102"
        << QStringList{"見本 十郎", "022-123-4561", "", "", "0", "キャンセル", "2026-12-02 10:00"} << Repairs();
    QTest::newRow("Yahoo!, status code done") << "yahoo-status.csv" << "store-20000103"
        << QStringList{"架空 一子", "022-123-4562", "", "", "0", "発送済み", "2026-12-02 11:00"} << Repairs();
    QTest::newRow("Amazon, delivery window, UTC purchase") << "amazon-delivery.txt" << "250-7654321-1234567"
        << QStringList{"架空 七美", "045-000-1111", "12", "4", "5", "", "2026-12-01 01:30"}
        << Repairs(Repair::TimeSlotNearest);
}

void ShopFilesTest::platformCases()
{
    QFETCH(QString, file);
    QFETCH(QString, key);
    QFETCH(QStringList, expected);
    QFETCH(Repairs, marks);
    const OrderFile read = readOrderFile(sample(file));
    const Order *o = findOrder(read.orders, key);
    QVERIFY2(o, qPrintable(key));
    QCOMPARE((QStringList{o->custo1, o->tel, o->deDate1, o->deDate2, QString::number(o->timeSlot), o->holdReason,
                          o->orderDate}),
             expected);
    QCOMPARE((o->repairs & marks).toInt(), marks.toInt());
}

void ShopFilesTest::disagreeingDestinationRefused()
{
    try {
        readOrderFile(sample(QStringLiteral("rakuten-disagree.csv")));
        QFAIL("rows of one destination with two addresses were read");
    } catch (const ImportError &error) {
        QVERIFY2(error.message().contains(QStringLiteral("送付先ID 1 が 2 行目と 4 行目で別のお届け先")),
                 qPrintable(error.message()));
    }
}

// A layout of the shop's own, mapped in the dialog: the honorific comes off the name
// column, the company goes first, the requested date and slot are read.
void ShopFilesTest::mappedColumnsLoseHonorifics()
{
    ReadOptions options;
    ColumnMapping mapping;
    mapping.columns[Field::Name] = {0};
    mapping.columns[Field::Company] = {1};
    mapping.columns[Field::Zip] = {2};
    mapping.columns[Field::Address1] = {3};
    mapping.columns[Field::DeliveryDate] = {4};
    mapping.columns[Field::DeliveryTime] = {5};
    options.mapping = mapping;
    const OrderFile read = readOrderFile(QByteArray("宛名,会社,〒,住所,配達日,時間\r\n"
                                                    "見本 花子様,架空商事 御中,1510053,東京都架空区1-2,12月24日,19時～21時\r\n"),
                                         QStringLiteral("own.csv"), options);
    QCOMPARE(read.orders.size(), 1);
    const Order &o = read.orders.first();
    QCOMPARE(o.custo1, QStringLiteral("架空商事　見本 花子"));
    QVERIFY(o.repairs.testFlag(Repair::HonorificRemoved));
    QCOMPARE((QStringList{o.deDate1, o.deDate2, QString::number(o.timeSlot)}), (QStringList{"12", "24", "6"}));
}

void ShopFilesTest::changedDownloadUpdatesOrMarks_data()
{
    HISTORY_ENGINE_ROWS();
}

// A re-download with a corrected address: the unprinted order is updated and counted;
// once printed, it stays printed and keeps the new values beside the printed ones.
void ShopFilesTest::changedDownloadUpdatesOrMarks()
{
    QFETCH(QString, engine);
    HISTORY_REQUIRE_ENGINE(engine);
    QTemporaryDir dir;
    const auto write = [&](const QString &name, const QByteArray &building) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Name,Financial Status,Lineitem quantity,Lineitem name,Shipping Name,Shipping Address1,"
                   "Shipping Address2,Shipping City,Shipping Zip,Shipping Province Name,Shipping Phone\r\n"
                   "#1018,paid,1,マグ,花子 見本,見本町1-2-3," + building + ",架空市,151-0053,東京都,03-1234-5678\r\n"
                   "#1019,paid,1,皿,次郎 試験,試験町4,,架空市,151-0053,東京都,03-1234-5679\r\n");
    };
    write(QStringLiteral("first.csv"), "旧ハイツ101");
    write(QStringLiteral("second.csv"), "新コーポ202");
    write(QStringLiteral("third.csv"), "新コーポ303");
    Database db(historytest::configFor(engine, dir, QStringLiteral("changed")));
    QCOMPARE(import(db, {dir.filePath(QStringLiteral("first.csv"))}).summary.added, 2);

    const ImportReport second = import(db, {dir.filePath(QStringLiteral("second.csv"))});
    QCOMPARE(second.summary.updated, 1);
    QCOMPARE(second.summary.alreadyKnown, 1);
    QVERIFY2(second.text().contains(QStringLiteral("1 件の注文の内容が変わっていたので更新しました")),
             qPrintable(second.text()));
    Order stored = *findOrder(storedOrders(db), QStringLiteral("#1018"));
    QCOMPARE(stored.add2, QStringLiteral("新コーポ202"));
    QVERIFY(stored.repairs.testFlag(Repair::ContentUpdated));
    QCOMPARE(stored.state, OrderState::New);

    db.call<void>([&](Connection &c) { applyTransition(c, {stored.id}, OrderAction::MarkPrinted); });
    const ImportReport third = import(db, {dir.filePath(QStringLiteral("third.csv"))});
    QCOMPARE(third.summary.changedAfterPrint, 1);
    QVERIFY2(third.text().contains(QStringLiteral("印刷後に変更あり")), qPrintable(third.text()));
    stored = *findOrder(storedOrders(db), QStringLiteral("#1018"));
    QCOMPARE(stored.state, OrderState::Printed);
    QCOMPARE(stored.add2, QStringLiteral("新コーポ202"));
    QCOMPARE(OrderChanges::fromText(stored.pendingChanges).describe(stored),
             QStringList{QStringLiteral("おところ2：新コーポ202 → 新コーポ303")});
    // The same download again tells nothing new.
    QCOMPARE(import(db, {dir.filePath(QStringLiteral("third.csv"))}).summary.changedAfterPrint, 0);
}

void ShopFilesTest::twoDestinationsTwoSlips()
{
    QTemporaryDir dir;
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    QCOMPARE(import(db, {sample(QStringLiteral("rakuten-destinations.csv"))}).summary.added, 3);
    QStringList numbers;
    QStringList goods;
    for (const Order &o : storedOrders(db)) {
        numbers << o.orderNumber;
        goods << o.g1 + u'|' + o.g2;
    }
    QCOMPARE(numbers.count(QStringLiteral("999999-20261201-0000000010")), 2);
    QVERIFY2(goods.contains(QStringLiteral("りんごジュース × 2|みかんジュース × 3")), qPrintable(goods.join(u',')));
    QVERIFY2(goods.contains(QStringLiteral("ぶどうジュース|")), qPrintable(goods.join(u',')));
}

// A book filled from downloads without the destination id: the same orders downloaded
// with it are the ones already stored.
void ShopFilesTest::destinationIdsKeepEarlierOrders()
{
    QTemporaryDir dir;
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    QCOMPARE(import(db, {QStringLiteral(MEKIRA_ORDER_SAMPLES "/rakuten.csv")}).summary.added, 2);
    const ImportReport again = import(db, {sample(QStringLiteral("rakuten-destination-ids.csv"))});
    QCOMPARE(again.summary.added, 0);
    QCOMPARE(again.summary.alreadyKnown, 2);
}

void ShopFilesTest::heldOrdersSetAside()
{
    QTemporaryDir dir;
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    const ImportReport report = import(db, {sample(QStringLiteral("shopify-status.csv"))});
    QCOMPARE(report.summary.added, 6);
    QCOMPARE(report.summary.setAside, 4);
    for (const Order &o : storedOrders(db))
        QCOMPARE(o.state == OrderState::SetAside, !o.holdReason.isEmpty());

    // A later download that cancels an order still to print sets it aside too.
    QFile file(dir.filePath(QStringLiteral("later.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QFile original(sample(QStringLiteral("shopify-status.csv")));
    QVERIFY(original.open(QIODevice::ReadOnly));
    file.write(original.readAll().replace("#2001,a@example.invalid,paid", "#2001,a@example.invalid,voided"));
    file.close();
    QCOMPARE(import(db, {file.fileName()}).summary.setAside, 1);
    const QList<Order> afterwards = storedOrders(db);
    const Order *cancelled = findOrder(afterwards, QStringLiteral("#2001"));
    QVERIFY(cancelled);
    QCOMPARE(cancelled->state, OrderState::SetAside);
    QCOMPARE(cancelled->holdReason, QStringLiteral("キャンセル"));
}

void ShopFilesTest::yahooItemsJoin_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QStringList>("imports");  // one import per entry, files parted by "+"
    for (const char *engine : {"sqlite", "postgresql"}) {
        const QString e = QString::fromLatin1(engine);
        QTest::addRow("%s: together", engine) << e << QStringList{"yahoo-orders.csv+yahoo-items.csv"};
        QTest::addRow("%s: items file first, alone", engine) << e << QStringList{"yahoo-items.csv", "yahoo-orders.csv"};
        QTest::addRow("%s: orders first, then items", engine) << e << QStringList{"yahoo-orders.csv", "yahoo-items.csv"};
    }
}

void ShopFilesTest::yahooItemsJoin()
{
    QFETCH(QString, engine);
    QFETCH(QStringList, imports);
    HISTORY_REQUIRE_ENGINE(engine);
    QTemporaryDir dir;
    static int books = 0;
    Database db(historytest::configFor(engine, dir, QStringLiteral("items%1").arg(++books)));
    ImportReport last;
    for (const QString &step : imports) {
        QStringList paths;
        for (const QString &name : step.split(u'+'))
            paths << sample(name);
        last = import(db, paths);
        // An item file alone, before its orders: its items wait, and the message says so.
        if (step == u"yahoo-items.csv" && imports.first() == step) {
            QCOMPARE(last.itemsWaiting, 2);
            QVERIFY2(last.text().contains(QStringLiteral("まだ読み込まれていません")), qPrintable(last.text()));
        }
    }
    // The last import brought the items together with their orders: two joined, none
    // told as a changed download.
    QCOMPARE(last.itemsJoined, 2);
    QCOMPARE(last.summary.updated, 0);
    const QList<Order> stored = storedOrders(db);
    QCOMPARE(stored.size(), 2);
    const Order *first = findOrder(stored, QStringLiteral("store-20000001"));
    QVERIFY(first);
    QCOMPARE(first->items, (QList<OrderItem>{{QStringLiteral("笹かま（仮）"), 3}, {QStringLiteral("牛たん（仮） 塩"), 1}}));
    QCOMPARE(first->g1, QStringLiteral("笹かま（仮） × 3"));
    QCOMPARE(first->state, OrderState::New);
    QCOMPARE(findOrder(stored, QStringLiteral("store-20000002"))->items,
             (QList<OrderItem>{{QStringLiteral("ずんだ餅（仮）"), 2}}));
}

QTEST_GUILESS_MAIN(ShopFilesTest)
#include "tst_shopfiles.moc"
