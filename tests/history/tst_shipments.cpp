// Tracking numbers as people and scanners type them, and the shipment files read back
// with the CSV parser a platform's importer would use.
#include "history/shipmentexport.h"
#include "history/trackingnumber.h"

#include "platform/codepage.h"
#include "platform/error.h"

#include <csv.h>

#include <QTemporaryDir>
#include <QTest>

using history::ExportEncoding;
using history::ExportLayout;
using history::Shipment;
using history::TrackingNumber;
using Result = history::TrackingNumber::Result;

namespace {

// Parses CSV bytes into rows of fields (libcsv, strict about quotes).
QList<QStringList> parseCsv(const QByteArray &bytes, unsigned char separator, ExportEncoding encoding)
{
    struct State
    {
        QList<QStringList> rows;
        QStringList row;
        ExportEncoding encoding;
    } state{{}, {}, encoding};
    csv_parser parser;
    csv_init(&parser, CSV_STRICT | CSV_APPEND_NULL);
    csv_set_delim(&parser, separator);
    if (separator == '\t')
        csv_set_quote(&parser, 0);
    const auto onField = [](void *data, size_t size, void *user) {
        auto *s = static_cast<State *>(user);
        const QByteArray bytes(static_cast<const char *>(data), qsizetype(size));
        s->row.append(s->encoding == ExportEncoding::Cp932 ? platform::decodeCp932(bytes) : QString::fromUtf8(bytes));
    };
    const auto onRow = [](int, void *user) {
        auto *s = static_cast<State *>(user);
        s->rows.append(s->row);
        s->row.clear();
    };
    csv_parse(&parser, bytes.constData(), size_t(bytes.size()), onField, onRow, &state);
    csv_fini(&parser, onField, onRow, &state);
    csv_free(&parser);
    return state.rows;
}

const QList<Shipment> kShipments = {
    {QStringLiteral("A-1001"), QStringLiteral("base"), QStringLiteral("123456789012"), QDate(2026, 12, 1)},
    {QStringLiteral("250-1234567-7654321"), QStringLiteral("amazon"), QStringLiteral("210987654321"), QDate(2026, 12, 2)},
    {QStringLiteral("\"引用\",付き"), QStringLiteral("stores"), QStringLiteral("111122223333"), QDate(2026, 12, 3)},
    {QStringLiteral("250-0000000-0000000"), QStringLiteral("amazon"), QString(), QDate(2026, 12, 4)}, // not scanned yet
    {QString(), QString(), QStringLiteral("999988887777"), QDate(2026, 12, 5)},                       // typed by hand
    // Imported data a spreadsheet would run: neutralised where no platform matches on it.
    {QStringLiteral("=1+2"), QStringLiteral("amazon"), QStringLiteral("444455556661"), QDate(2026, 12, 6)},
};

} // namespace

class TestShipments : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trackingNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("digits");
        // 12345678901 mod 7 = 3: "123456789013" is a number a slip can carry.
        QTest::newRow("scanner") << "123456789013" << int(Result::Valid) << "123456789013";
        QTest::newRow("full-width") << "１２３４５６７８９０１３" << int(Result::Valid) << "123456789013";
        QTest::newRow("as printed") << "1234-5678-9013" << int(Result::Valid) << "123456789013";
        QTest::newRow("input-method hyphens, blanks") << " １２３４ー５６７８－９０１３　" << int(Result::Valid)
                                                      << "123456789013";
        QTest::newRow("pasted dashes, half-width long vowel") << "1234–5678ｰ9013" << int(Result::Valid)
                                                              << "123456789013";
        QTest::newRow("check digit 0") << "100000000030" << int(Result::Valid) << "100000000030";
        QTest::newRow("check digit 6") << "100000000026" << int(Result::Valid) << "100000000026";
        QTest::newRow("NW-7 start/stop A") << "A123456789013A" << int(Result::Valid) << "123456789013";
        QTest::newRow("NW-7 start/stop, lower case, different") << "b123456789013d" << int(Result::Valid)
                                                                << "123456789013";
        QTest::newRow("NW-7 full-width letters, blanks") << " Ｃ1234-5678-9013ｃ " << int(Result::Valid)
                                                         << "123456789013";
        QTest::newRow("wrong check digit") << "123456789012" << int(Result::WrongCheckDigit) << "";
        QTest::newRow("wrong check digit, one digit mistyped") << "123456789113" << int(Result::WrongCheckDigit) << "";
        QTest::newRow("check digit 7 is never right") << "100000000037" << int(Result::WrongCheckDigit) << "";
        QTest::newRow("letters, wrong check digit") << "A123456789012A" << int(Result::WrongCheckDigit) << "";
        QTest::newRow("start letter without stop") << "A123456789013" << int(Result::NotDigits) << "";
        QTest::newRow("letter E is no start letter") << "E123456789013E" << int(Result::NotDigits) << "";
        QTest::newRow("letters only") << "AA" << int(Result::Empty) << "";
        QTest::newRow("wave dash") << "1234〜5678〜9013" << int(Result::NotDigits) << "";
        QTest::newRow("empty") << "" << int(Result::Empty) << "";
        QTest::newRow("only hyphens") << "--" << int(Result::Empty) << "";
        QTest::newRow("eleven digits") << "12345678901" << int(Result::WrongLength) << "";
        QTest::newRow("thirteen digits") << "1234567890123" << int(Result::WrongLength) << "";
        QTest::newRow("letter") << "12345678901A" << int(Result::NotDigits) << "";
        QTest::newRow("other script's digits") << "١٢٣٤٥٦٧٨٩٠١٢" << int(Result::NotDigits) << "";
    }

    void trackingNumber()
    {
        QFETCH(QString, typed);
        QFETCH(int, result);
        QFETCH(QString, digits);
        const TrackingNumber number = TrackingNumber::parse(typed);
        QCOMPARE(int(number.result), result);
        QCOMPARE(number.digits, digits);
        QCOMPARE(number.message().isEmpty(), number.result == Result::Valid || number.result == Result::Empty);
        if (number.result == Result::WrongCheckDigit) {
            QVERIFY2(number.message().startsWith(QStringLiteral("お問い合わせ番号の確認数字が合いません（")),
                     qPrintable(number.message()));
            // The number read is named, as printed on the slip.
            QVERIFY(number.message().contains(TrackingNumber::formatted(number.read)));
        }
    }

    // A number stored before the check was made is still found by a search.
    void formOnly()
    {
        const TrackingNumber number = TrackingNumber::parse(u"1234-5678-9012", TrackingNumber::Check::FormOnly);
        QCOMPARE(int(number.result), int(Result::Valid));
        QCOMPARE(number.digits, QStringLiteral("123456789012"));
    }

    void formatted()
    {
        QCOMPARE(TrackingNumber::formatted(u"123456789012"), QStringLiteral("1234-5678-9012"));
        QCOMPARE(TrackingNumber::formatted(u"12345"), QStringLiteral("12345"));
    }

    void exportFile_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QList<QStringList>>("rows");
        const QStringList generic{"注文番号", "お問い合わせ番号", "配送業者", "配送方法", "発送日"};
        const QList<QStringList> genericRows{
            generic,
            {"A-1001", "123456789012", "日本郵便", "ゆうパック", "2026/12/01"},
            {"250-1234567-7654321", "210987654321", "日本郵便", "ゆうパック", "2026/12/02"},
            {"\"引用\",付き", "111122223333", "日本郵便", "ゆうパック", "2026/12/03"},
            {"'=1+2", "444455556661", "日本郵便", "ゆうパック", "2026/12/06"},
        };
        QTest::newRow("generic, UTF-8") << int(ExportLayout::Generic) << int(ExportEncoding::Utf8WithBom) << genericRows;
        QTest::newRow("generic, CP932") << int(ExportLayout::Generic) << int(ExportEncoding::Cp932) << genericRows;
        const QList<QStringList> amazonRows{
            {"order-id", "order-item-id", "quantity", "ship-date", "carrier-code", "carrier-name", "tracking-number",
             "ship-method"},
            {"250-1234567-7654321", "", "", "2026-12-02", "Other", "日本郵便", "210987654321", "ゆうパック"},
            {"=1+2", "", "", "2026-12-06", "Other", "日本郵便", "444455556661", "ゆうパック"},
        };
        QTest::newRow("amazon, UTF-8") << int(ExportLayout::AmazonShippingConfirmation)
                                       << int(ExportEncoding::Utf8WithBom) << amazonRows;
        QTest::newRow("amazon, CP932") << int(ExportLayout::AmazonShippingConfirmation) << int(ExportEncoding::Cp932)
                                       << amazonRows;
    }

    void exportFile()
    {
        QFETCH(int, layout);
        QFETCH(int, encoding);
        QFETCH(QList<QStringList>, rows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        const int written = history::writeShipmentFile(path, ExportLayout(layout), ExportEncoding(encoding), kShipments);
        QCOMPARE(written, rows.size() - 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        const bool bom = bytes.startsWith("\xEF\xBB\xBF");
        QCOMPARE(bom, ExportEncoding(encoding) == ExportEncoding::Utf8WithBom);
        if (bom)
            bytes.remove(0, 3);
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), rows.size());
        const unsigned char separator = ExportLayout(layout) == ExportLayout::Generic ? ',' : '\t';
        QCOMPARE(parseCsv(bytes, separator, ExportEncoding(encoding)), rows);
    }

    void unwritableFolder()
    {
        bool refused = false;
        try {
            history::writeShipmentFile(QStringLiteral("/proc/no/such/folder/out.csv"), ExportLayout::Generic,
                                       ExportEncoding::Cp932, kShipments);
        } catch (const platform::EFileError &) {
            refused = true;
        }
        QVERIFY(refused);
    }
};

QTEST_GUILESS_MAIN(TestShipments)
#include "tst_shipments.moc"
