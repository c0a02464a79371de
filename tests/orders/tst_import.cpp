#include "database/database.h"
#include "orders/formats.h"
#include "platform/codepage.h"
#include "orders/orderimport.h"
#include "orders/repairs.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orders;
using database::Connection;
using database::Database;
using database::DatabaseConfig;

Q_DECLARE_METATYPE(orders::Repairs)

namespace {

QString sample(const char *name)
{
    return QStringLiteral(MEKIRA_ORDER_SAMPLES "/") + QLatin1String(name);
}

QString fail(const QByteArray &bytes)
{
    try {
        readOrderFile(bytes, QStringLiteral("bad.csv"));
    } catch (const ImportError &error) {
        return error.message();
    }
    return QStringLiteral("(read without complaint)");
}

// A file of the program's own format: `rows` orders numbered 1.., each row as `row`
// gives it (the default one when it gives nothing), in UTF-8 unless a row is encoded.
QByteArray ownFormatFile(int rows, const std::function<QByteArray(int row)> &row)
{
    QByteArray bytes = "注文番号,郵便番号,おところ1,おところ2,おなまえ,でんわ,品名1,品名2,品名3\r\n";
    for (int i = 1; i <= rows; ++i) {
        const QByteArray special = row(i);
        bytes += special.isEmpty() ? QStringLiteral("%1,151-0053,東京都渋谷区代々木1-%2,,見本 花子,03-1111-2222,本,,\r\n")
                                         .arg(i).arg(i % 50).toUtf8()
                                   : special;
    }
    return bytes;
}

int storedCount(Database &db)
{
    return db.call<int>([](Connection &c) { return int(store::orderIds(c, {}).size()); });
}

} // namespace

class ImportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void platformExports_data();
    void platformExports();
    void recognition_data();
    void recognition();
    void zipRepairs_data();
    void zipRepairs();
    void telRepairs_data();
    void telRepairs();
    void addressAndGoodsLines();
    void badInput_data();
    void badInput();

    void encodingInChunks_data();
    void encodingInChunks();
    void longFiles_data();
    void longFiles();

    void reimportAddsNothing();
    void oneBadFileStoresNothing();
    void unknownHeaderUsesRememberedMapping();
};

void ImportTest::platformExports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("orders");
    QTest::addColumn<QStringList>("first");  // zip, add1, add2, name, tel, g1, g2
    QTest::addColumn<Repairs>("repairs");

    QTest::newRow("BASE") << sample("base.csv") << "base" << int(TextEncoding::Utf8) << 2
        << QStringList{"151-0053", "東京都架空区見本町1-2-3", "サンプルハイツ101", "見本　花子", "09012345678",
                       "手織りコースター 藍 × 2", "麻のふきん"}
        << Repairs(Repair::ZipFormat | Repair::NameJoined | Repair::AddressJoined | Repair::GoodsJoined);
    QTest::newRow("Shopify") << sample("shopify.csv") << "shopify" << int(TextEncoding::Utf8) << 2
        << QStringList{"064-0941", "北海道架空市見本町4-5-6", "コーポ架空202", "見本　次郎", "090-1111-2222",
                       "陶器のマグ - 白", "箸置き × 3"}
        << Repairs(Repair::ZipFormat | Repair::TelLeadingZero | Repair::AddressJoined | Repair::GoodsJoined
                   | Repair::NameReordered | Repair::SpreadsheetMark);
    QTest::newRow("Rakuten") << sample("rakuten.csv") << "rakuten" << int(TextEncoding::Cp932) << 2
        << QStringList{"060-0001", "北海道札幌市架空区北一条西9丁目 見本ビル3F", "", "架空　四郎", "011-222-3333",
                       "国産はちみつ 500g × 2", ""}
        << Repairs(Repair::ZipLeadingZero | Repair::ZipJoined | Repair::NameJoined | Repair::AddressJoined);
    QTest::newRow("Yahoo") << sample("yahoo.csv") << "yahoo" << int(TextEncoding::Cp932) << 1
        << QStringList{"980-0001", "宮城県仙台市架空区見本町２－３", "", "試験 六子", "022-123-4567", "牛たん（仮）", ""}
        << Repairs(Repair::AddressJoined);
    QTest::newRow("Yahoo, name in two columns") << sample("yahoo-names.csv") << "yahoo" << int(TextEncoding::Cp932) << 1
        << QStringList{"980-0001", "宮城県仙台市架空区見本町３－４", "見本マンション５０５", "試験　七子", "0221234567",
                       "笹かま（仮） × 2", ""}
        << Repairs(Repair::ZipFormat | Repair::NameJoined | Repair::AddressJoined);
    QTest::newRow("Amazon TSV") << sample("amazon.txt") << "amazon" << int(TextEncoding::Utf8) << 1
        << QStringList{"220-0001", "神奈川県架空市見本町8-9-10", "", "架空 七美", "045-000-1111", "木製パズル", ""}
        << Repairs(Repair::AddressJoined);
    QTest::newRow("click-to-print") << sample("clickpost.csv") << "clickpost" << int(TextEncoding::Cp932) << 2
        << QStringList{"812-0011", "福岡県福岡市架空区見本1-2-3", "", "見本 八郎", "", "ハンカチ", ""}
        << Repairs(Repair::ZipFormat | Repair::AddressJoined);
    QTest::newRow("STORES") << sample("stores.csv") << "stores" << int(TextEncoding::Utf8Bom) << 1
        << QStringList{"100-0001", "東京都架空区見本1-1-1", "", "試験　十子", "0312345678", "帆布ポーチ 生成り", ""}
        << Repairs(Repair::NameJoined | Repair::AddressJoined);
    QTest::newRow("own layout") << sample("mekira.csv") << "mekira" << int(TextEncoding::Cp932) << 1
        << QStringList{"151-0053", "東京都架空区見本町1-2-3", "", "見本 花子", "090-1234-5678", "書籍", ""}
        << Repairs();
}

void ImportTest::platformExports()
{
    QFETCH(QString, file);
    QFETCH(QString, format);
    QFETCH(int, encoding);
    QFETCH(int, orders);
    QFETCH(QStringList, first);
    QFETCH(Repairs, repairs);
    const OrderFile read = readOrderFile(file);
    QCOMPARE(read.formatId, format);
    QCOMPARE(int(read.encoding), encoding);
    QCOMPARE(read.orders.size(), orders);
    const Order &o = read.orders.first();
    QCOMPARE((QStringList{o.zip, o.add1, o.add2, o.custo1, o.tel, o.g1, o.g2}), first);
    QCOMPARE(o.repairs.toInt(), repairs.toInt());
    QVERIFY(!o.orderKey.isEmpty());
}

void ImportTest::recognition_data()
{
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QString>("format"); // empty: not recognised
    const QStringList shopify{"Name", "Shipping Name", "Shipping Zip", "Shipping Province Name", "Shipping City",
                              "Shipping Address1", "Shipping Address2", "Shipping Phone", "Lineitem name",
                              "Lineitem quantity"};
    const auto without = [](QStringList header, const QString &column) {
        header.removeAll(column);
        return header;
    };
    QTest::newRow("every column") << shopify << "shopify";
    QTest::newRow("an older export without the province name") << without(shopify, "Shipping Province Name") << "shopify";
    QTest::newRow("a download without goods")
        << without(without(shopify, "Lineitem name"), "Lineitem quantity") << "shopify";
    QTest::newRow("no address line") << without(shopify, "Shipping Address1") << "";
    QTest::newRow("no order number") << without(shopify, "Name") << "";
    QTest::newRow("blanks around the cells") << QStringList{" order-id", "recipient-name ", "ship-postal-code",
                                                            "ship-city", "ship-address-1"} << "amazon";
}

void ImportTest::recognition()
{
    QFETCH(QStringList, header);
    QFETCH(QString, format);
    const OrderFormat *found = recogniseFormat(header);
    QCOMPARE(found ? found->id : QString(), format);
}

void ImportTest::zipRepairs_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("zip");
    QTest::addColumn<Repairs>("repairs");
    QTest::newRow("as it should be") << QStringList{"151-0053"} << "151-0053" << Repairs();
    QTest::newRow("no hyphen") << QStringList{"1510053"} << "151-0053" << Repairs(Repair::ZipFormat);
    QTest::newRow("full-width with mark") << QStringList{"〒１５１－００５３"} << "151-0053" << Repairs(Repair::ZipFormat);
    QTest::newRow("lost zero") << QStringList{"600001"} << "060-0001" << Repairs(Repair::ZipLeadingZero);
    QTest::newRow("lost two zeros") << QStringList{"10001"} << "001-0001" << Repairs(Repair::ZipLeadingZero);
    QTest::newRow("two columns") << QStringList{"151", "0053"} << "151-0053" << Repairs(Repair::ZipJoined);
    QTest::newRow("two columns, numbers") << QStringList{"1", "53"} << "001-0053"
                                          << Repairs(Repair::ZipJoined | Repair::ZipLeadingZero);
    QTest::newRow("long vowel") << QStringList{"151ー0053"} << "151-0053" << Repairs(Repair::ZipFormat);
    QTest::newRow("mark and blank") << QStringList{"〒151 0053"} << "151-0053" << Repairs(Repair::ZipFormat);
    QTest::newRow("other script's digits are no code") << QStringList{"١٥١-٠٠٥٣"} << "١٥١-٠٠٥٣" << Repairs();
    QTest::newRow("not a code") << QStringList{"不明"} << "不明" << Repairs();
}

void ImportTest::zipRepairs()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, zip);
    QFETCH(Repairs, repairs);
    Repairs seen;
    QCOMPARE(repairZip(parts, &seen), zip);
    QCOMPARE(seen.toInt(), repairs.toInt());
}

void ImportTest::telRepairs_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("tel");
    QTest::addColumn<bool>("repaired");
    QTest::newRow("as it should be") << QStringList{"03-1234-5678"} << "03-1234-5678" << false;
    QTest::newRow("mobile lost zero") << QStringList{"9012345678"} << "09012345678" << true;
    QTest::newRow("landline lost zero") << QStringList{"312345678"} << "0312345678" << true;
    QTest::newRow("international") << QStringList{"+81 3-1234-5678"} << "03-1234-5678" << true;
    QTest::newRow("full-width") << QStringList{"０９０－１１１１－２２２２"} << "090-1111-2222" << false;
    QTest::newRow("three columns") << QStringList{"03", "1234", "5678"} << "03-1234-5678" << false;
    QTest::newRow("long vowels") << QStringList{"090ー1234ー5678"} << "090-1234-5678" << false;
    QTest::newRow("half-width long vowels") << QStringList{"090ｰ1234ｰ5678"} << "090-1234-5678" << false;
    QTest::newRow("en dashes") << QStringList{"090–1234–5678"} << "090-1234-5678" << false;
    QTest::newRow("box-drawing lines") << QStringList{"090─1234─5678"} << "090-1234-5678" << false;
    QTest::newRow("blanks") << QStringList{"090 1234 5678"} << "090-1234-5678" << false;
    QTest::newRow("ideographic spaces") << QStringList{"０９０　１２３４　５６７８"} << "090-1234-5678" << false;
    QTest::newRow("blank before a note stays") << QStringList{"03-1234-5678 (自宅)"} << "03-1234-5678 (自宅)" << false;
    QTest::newRow("international, blanks") << QStringList{"+81 90 1234 5678"} << "090-1234-5678" << true;
}

void ImportTest::telRepairs()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, tel);
    QFETCH(bool, repaired);
    Repairs seen;
    QCOMPARE(repairTel(parts, &seen), tel);
    QCOMPARE(seen.testFlag(Repair::TelLeadingZero), repaired);
}

void ImportTest::addressAndGoodsLines()
{
    Repairs repairs;
    const QString street = QStringLiteral("架空県架空郡見本町大字試験字サンプル１２３４番地の５６");  // 29
    const AddressLines lines = splitAddress({street, QStringLiteral("見本マンション　Ａ棟　１２３４号室　見本方")}, {}, &repairs);
    // Cut at the last blank before the line is full.
    QCOMPARE(lines.add1 + QStringLiteral("　") + lines.add2, street + QStringLiteral("見本マンション　Ａ棟　１２３４号室　見本方"));
    QCOMPARE(lines.add2, QStringLiteral("１２３４号室　見本方"));
    QVERIFY(repairs.testFlag(Repair::AddressSplit));

    const GoodsLines goods = goodsLines({"a", "b", "c", "d", "e"}, &repairs);
    QCOMPARE((QStringList{goods.g1, goods.g2, goods.g3}), (QStringList{"a", "b", "ほか 3 点"}));
    QVERIFY(repairs.testFlag(Repair::GoodsShortened));

    // A title too long for its line loses letters of the name, never its quantity.
    const QString title = QStringLiteral("とても長い商品名の手作り陶器のマグカップ大きめサイズ深めの青色釉薬");
    const GoodsLines cut = goodsLines(QList<GoodsItem>{{title, QStringLiteral("12")}}, &repairs);
    QCOMPARE(cut.g1.size(), kGoodsLineLength);
    QVERIFY2(cut.g1.endsWith(QStringLiteral(" × 12")), qPrintable(cut.g1));
    QVERIFY(title.startsWith(cut.g1.chopped(5)));
}

void ImportTest::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");  // a part of it
    const QByteArray header = "注文ID,郵便番号(配送先),都道府県(配送先),住所(配送先),住所2(配送先),氏(配送先),名(配送先),"
                              "電話番号(配送先),商品名,バリエーション,数量\r\n";
    QTest::newRow("empty") << QByteArray() << "空です";
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << "空です";
    QTest::newRow("header only") << header << "注文の行がありません";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << "テキストファイルではありません";
    QTest::newRow("unbalanced quotes") << header + "1,151-0053,東京都,\"架空区,,A,B,0,x,,1\r\n2,1,2,3,4,5,6,7,8,9,10\r\n"
                                       << "引用符";
    QTest::newRow("fewer fields") << header + "1,151-0053,東京都,架空区,,A,B,0,x,,1\r\n2,1510053,東京都\r\n"
                                  << "3 行目の項目数 (3)";
    QTest::newRow("more fields") << header + "1,151-0053,東京都,架空区,1,2,,A,B,0,x,,1\r\n" << "2 行目の項目数 (13)";
    QTest::newRow("one number, two addresses")
        << header + "7,151-0053,東京都,架空区,,A,B,0,x,,1\r\n7,600-0001,北海道,架空市,,C,D,0,y,,1\r\n"
        << "注文番号 7 が 2 行目と 3 行目で別のお届け先";
    QTest::newRow("neither UTF-8 nor CP932") << header + QByteArray("1,151-0053,\x80\xff,a,,A,B,0,x,,1\r\n")
                                             << "読めない文字";
}

void ImportTest::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString seen = fail(bytes);
    QVERIFY2(seen.contains(message), qPrintable(seen));
}

// The encoding of a file given in chunks cut anywhere, a character's bytes included.
void ImportTest::encodingInChunks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    const QByteArray utf8 = QStringLiteral("注文番号,おなまえ\r\n1,見本 花子\r\n").toUtf8();
    QTest::newRow("UTF-8") << utf8 << int(TextEncoding::Utf8);
    QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF") + utf8 << int(TextEncoding::Utf8Bom);
    QTest::newRow("CP932") << platform::encodeCp932(QStringLiteral("注文番号,おなまえ\r\n1,見本 花子\r\n"))
                           << int(TextEncoding::Cp932);
    QTest::newRow("ASCII") << QByteArray("Name,Zip\r\n1,1510053\r\n") << int(TextEncoding::Utf8);
    QTest::newRow("UTF-8 cut short at the end") << utf8 + QByteArray("\xE8") << int(TextEncoding::Cp932);
}

void ImportTest::encodingInChunks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    for (qsizetype size = 1; size <= bytes.size(); ++size) {
        EncodingDetector detector;
        for (qsizetype at = 0; at < bytes.size(); at += size)
            detector.add(QByteArrayView(bytes).sliced(at, std::min(size, bytes.size() - at)));
        QCOMPARE(int(detector.encoding()), encoding);
        QCOMPARE(detector.bomSize(), encoding == int(TextEncoding::Utf8Bom) ? 3 : 0);
    }
}

// Files far longer than what the import holds at once: what belongs together is still
// found together, and a fault far down refuses the file before anything is stored.
void ImportTest::longFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("orders");
    QTest::addColumn<QString>("checkedKey");   // an order to look at
    QTest::addColumn<int>("checkedItems");     // its items
    QTest::addColumn<QString>("checkedName");  // its name
    QTest::addColumn<QString>("error");        // part of the refusal; empty when read

    const QByteArray first = "A1,151-0053,東京都渋谷区代々木1-1,,見本 一郎,03-1111-2222,花,,\r\n";
    QTest::newRow("the rows of one order far apart")
        << ownFormatFile(5000, [&](int row) {
               return row == 1 ? first : row == 5000 ? QByteArray("A1,,,,,,茶,,\r\n") : QByteArray();
           })
        << 4999 << "A1" << 2 << "見本 一郎" << QString();
    QTest::newRow("the same destination repeated far down")
        << ownFormatFile(5000, [&](int row) { return row == 1 || row == 5000 ? first : QByteArray(); })
        << 4999 << "A1" << 2 << "見本 一郎" << QString();
    // A header in ASCII and thousands of rows before the first Japanese character.
    QByteArray late = "Name,Financial Status,Lineitem quantity,Lineitem name,Shipping Name,Shipping Address1,"
                      "Shipping City,Shipping Zip,Shipping Province Name,Shipping Phone\r\n";
    for (int row = 1; row <= 5000; ++row)
        late += row == 4000 ? platform::encodeCp932(QStringLiteral("#Z9,paid,1,本,髙子 高橋,代々木1-1,渋谷区,151-0053,東京都,03-1111-2222\r\n"))
                            : QByteArray("#") + QByteArray::number(row) + ",paid,1,book,Hanako Mihon,Yoyogi 1-1,Shibuya,151-0053,Tokyo,03-1111-2222\r\n";
    QTest::newRow("Shift-JIS first seen far down") << late << 5000 << "#Z9" << 1 << "高橋　髙子" << QString();
    QTest::newRow("another destination far down")
        << ownFormatFile(5000, [&](int row) {
               return row == 1 ? first : row == 5000 ? QByteArray("A1,151-0053,大阪府大阪市北区1-1,,見本 一郎,03-1111-2222,茶,,\r\n")
                                                    : QByteArray();
           })
        << 0 << QString() << 0 << QString() << "2 行目と 5001 行目";
    QTest::newRow("a broken row far down")
        << ownFormatFile(5000, [](int row) { return row == 4999 ? QByteArray("4999,151-0053\r\n") : QByteArray(); })
        << 0 << QString() << 0 << QString() << "5000 行目";
}

void ImportTest::longFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, orders);
    QFETCH(QString, checkedKey);
    QFETCH(int, checkedItems);
    QFETCH(QString, checkedName);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    const auto import = [&] { return db.call<ImportReport>([&](Connection &c) { return importFiles(c, {path}); }); };
    if (!error.isEmpty()) {
        try {
            import();
            QFAIL("the file was imported");
        } catch (const ImportError &refused) {
            QVERIFY2(refused.message().contains(error), qPrintable(refused.message()));
        }
        QCOMPARE(storedCount(db), 0);
        return;
    }
    const ImportReport report = import();
    QCOMPARE(report.summary.added, orders);
    QCOMPARE(report.files.value(0).orders, orders);
    QCOMPARE(storedCount(db), orders);
    const QList<Order> stored = db.call<QList<Order>>([](Connection &c) { return store::ordersById(c, store::orderIds(c, {})); });
    const auto checked = std::find_if(stored.cbegin(), stored.cend(), [&](const Order &o) { return o.orderKey == checkedKey; });
    QVERIFY(checked != stored.cend());
    QCOMPARE(checked->items.size(), checkedItems);
    QCOMPARE(checked->custo1, checkedName);
    // Stored in the order of the file's first rows.
    QVERIFY(std::is_sorted(stored.cbegin(), stored.cend(), [](const Order &a, const Order &b) { return a.id < b.id; }));
    QCOMPARE(stored.first().orderKey, checkedKey == u"A1" ? checkedKey : QStringLiteral("#1"));
}

void ImportTest::reimportAddsNothing()
{
    QTemporaryDir dir;
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    const auto import = [&](const QStringList &paths) {
        try {
            return db.call<ImportReport>([&](Connection &c) { return importFiles(c, paths); });
        } catch (const platform::Error &error) {
            qWarning() << error.message();
            throw;
        }
    };
    QCOMPARE(import({sample("base.csv"), sample("clickpost.csv")}).summary.added, 4);
    const ImportReport again = import({sample("clickpost.csv"), sample("base.csv"), sample("rakuten.csv")});
    QCOMPARE(again.summary.added, 2);
    QCOMPARE(again.summary.alreadyKnown, 4);
    QCOMPARE(storedCount(db), 6);
}

void ImportTest::oneBadFileStoresNothing()
{
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("broken.csv"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Name,Shipping Name\r\n\"#1,x\r\n");
    file.close();
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    QVERIFY_THROWS_EXCEPTION(ImportError, db.call<ImportReport>([&](Connection &c) {
        return importFiles(c, {sample("base.csv"), bad});
    }));
    QCOMPARE(storedCount(db), 0);
}

void ImportTest::unknownHeaderUsesRememberedMapping()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("own.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("宛先,〒,所在地,品物\r\n見本 花子,1510053,東京都架空区見本町1-2-3,本\r\n");
    file.close();
    QStringList header;
    try {
        readOrderFile(path);
        QFAIL("an unknown header was read");
    } catch (const UnknownLayoutError &error) {
        header = error.header;
        QCOMPARE(error.sample.size(), 1);
    }
    ColumnMapping mapping;
    mapping.columns[Field::Name] = {0};
    mapping.columns[Field::Zip] = {1};
    mapping.columns[Field::Address1] = {2};
    mapping.columns[Field::Item] = {3};
    Database db(DatabaseConfig::sqlite(dir.filePath(QStringLiteral("mekira.db"))));
    const ImportReport report = db.call<ImportReport>([&](Connection &c) {
        store::rememberMapping(c, header, mapping);
        return importFiles(c, {path});
    });
    QCOMPARE(report.summary.added, 1);
    const Order stored = db.call<Order>([](Connection &c) { return store::ordersById(c, store::orderIds(c, {})).first(); });
    QCOMPARE(stored.zip, QStringLiteral("151-0053"));
    QVERIFY(stored.orderKey.startsWith(u'#'));
}

QTEST_GUILESS_MAIN(ImportTest)
#include "tst_import.moc"
