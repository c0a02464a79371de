#include "postal/postalcode.h"
#include "postal/postaldirectory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using postal::CheckResult;
using postal::PostalDirectory;

// Lookups, reverse lookups and the check against the real data table of the build.
class TestPostalDirectory : public QObject
{
    Q_OBJECT

private:
    const PostalDirectory &directory() const { return PostalDirectory::instance(); }
    static QStringList codes(const QList<postal::PostalEntry> &entries)
    {
        QStringList out;
        for (const auto &e : entries)
            out << e.code;
        return out;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(directory().isAvailable(), qPrintable(PostalDirectory::defaultDataPath())); }

    void codeForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("plain") << "1510053" << "1510053" << "151-0053";
        QTest::newRow("hyphen") << "151-0053" << "1510053" << "151-0053";
        QTest::newRow("full width, long vowel") << "１５１ー００５３" << "1510053" << "151-0053";
        QTest::newRow("minus sign") << "151−0053" << "1510053" << "151-0053";
        QTest::newRow("hyphen u+2010, mark, space") << "〒 151‐0053 " << "1510053" << "151-0053";
        QTest::newRow("figure dash") << "151‒0053" << "1510053" << "151-0053";
        QTest::newRow("box-drawing line") << "151─0053" << "1510053" << "151-0053";
        QTest::newRow("half-width long vowel, ideographic space") << "151ｰ0053　" << "1510053" << "151-0053";
        QTest::newRow("wave dash") << "151〜0053" << "" << "151〜0053";
        QTest::newRow("partial") << "151-005" << "" << "151-005";
        QTest::newRow("eight digits") << "15100531" << "" << "15100531";
        QTest::newRow("letters") << "151-00A3" << "" << "151-00A3";
        QTest::newRow("empty") << "" << "" << "";
    }
    void codeForms()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalized);
        QFETCH(QString, formatted);
        QCOMPARE(postal::normalizedCode(text), normalized);
        QCOMPARE(postal::formattedCode(text), formatted);
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("firstAddress");
        QTest::addColumn<QString>("firstOffice");
        QTest::newRow("one town") << "151-0053" << 1 << "東京都渋谷区代々木" << "";
        QTest::newRow("full width") << "１５１ー００５２" << 1 << "東京都渋谷区代々木神園町" << "";
        QTest::newRow("two prefectures") << "4980000" << 2 << "愛知県弥富市" << "";
        QTest::newRow("twenty towns") << "0288401" << 20 << "岩手県下閉伊郡田野畑村一の渡" << "";
        QTest::newRow("large office") << "100-8926" << 1 << "東京都千代田区霞が関" << "総務省";
        QTest::newRow("unknown code: prefix row") << "1519999" << 1 << "東京都渋谷区" << "";
        QTest::newRow("three digits") << "726" << 1 << "広島県府中市" << "";
        QTest::newRow("unused prefix") << "0009999" << 0 << "" << "";
        QTest::newRow("partial") << "15100" << 0 << "" << "";
        QTest::newRow("eight digits") << "151005312" << 0 << "" << "";
        QTest::newRow("text") << "渋谷" << 0 << "" << "";
    }
    void lookup()
    {
        QFETCH(QString, code);
        QFETCH(int, count);
        const auto entries = directory().lookup(code);
        QCOMPARE(entries.size(), count);
        QFETCH(QString, firstAddress);
        QFETCH(QString, firstOffice);
        if (count) {
            QCOMPARE(entries.first().address(), firstAddress);
            QCOMPARE(entries.first().office, firstOffice);
        }
    }

    void codesFor_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("expected"); // all codes, best first
        QTest::newRow("town alone, one of its codes") << "北海道札幌市中央区北一条西" << QStringList{"0600001"};
        QTest::newRow("with street number") << "東京都渋谷区代々木１－２－３" << QStringList{"1510053"};
        QTest::newRow("longest town wins") << "東京都渋谷区代々木神園町2-1" << QStringList{"1510052"};
        QTest::newRow("no prefecture") << "渋谷区代々木3丁目" << QStringList{"1510053"};
        QTest::newRow("kanji numeral 丁目") << "にかほ市象潟町五丁目塩越12" << QStringList{"0180106"};
        QTest::newRow("spaces, half-width") << "東京都 渋谷区 代々木 1-2" << QStringList{"1510053"};
        QTest::newRow("long vowel and en dash as hyphens") << "東京都渋谷区代々木1ー2–3" << QStringList{"1510053"};
        QTest::newRow("ヶ for が") << "東京都千代田区霞ヶ関1-1" << QStringList{"1000013"};
        QTest::newRow("office by street number")
            << "北海道札幌市北区北二十九条西2-1-1" << QStringList{"0018501", "0010029"};
        QTest::newRow("office by name, not its neighbours")
            << "東京都千代田区霞が関2丁目1-2 総務省" << QStringList{"1008926", "1000013"};
        QTest::newRow("office town without its number")
            << "北海道札幌市北区北二十九条西5丁目" << QStringList{"0010029"};
        QTest::newRow("city only") << "京都府京都市中京区" << QStringList{"6040000"};
        QTest::newRow("town with two codes: the first")
            << "京都市中京区下丸屋町" << QStringList{"6040084"};
        QTest::newRow("city in two prefectures") << "府中市" << QStringList{"1830000", "7260000"};
        QTest::newRow("one character") << "東" << QStringList{};
        QTest::newRow("no address") << "1-2-3 Tokyo" << QStringList{};
    }
    void codesFor()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, expected);
        QCOMPARE(codes(directory().codesFor(address)), expected);
    }

    void check_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("address");
        QTest::addColumn<CheckResult>("result");
        QTest::newRow("consistent") << "151-0053" << "東京都渋谷区代々木1-2-3" << CheckResult::Consistent;
        QTest::newRow("no prefecture") << "1510053" << "渋谷区代々木1-2-3" << CheckResult::Consistent;
        QTest::newRow("other town") << "1510053" << "東京都渋谷区代々木神園町1" << CheckResult::Mismatch;
        QTest::newRow("other prefecture") << "1510053" << "大阪府大阪市北区梅田1-1" << CheckResult::Mismatch;
        QTest::newRow("second prefecture of the code") << "4980000" << "三重県桑名郡木曽岬町源緑輪中" << CheckResult::Consistent;
        QTest::newRow("office code, its town") << "1008926" << "東京都千代田区霞が関2-1-2" << CheckResult::Consistent;
        QTest::newRow("city-wide code") << "0600000" << "北海道札幌市中央区北一条西5" << CheckResult::Consistent;
        QTest::newRow("town named after the streets")
            << "6048006" << "京都府京都市中京区河原町通三条上る下丸屋町" << CheckResult::Consistent;
        QTest::newRow("streets without the town")
            << "6048091" << "京都府京都市中京区寺町通御池下る522" << CheckResult::Consistent;
        QTest::newRow("streets without the town or prefecture")
            << "6048134" << "京都市中京区六角通東洞院西入248" << CheckResult::Consistent;
        QTest::newRow("streets and another town")
            << "6048091" << "京都府京都市中京区寺町通御池上る上本能寺前町488" << CheckResult::Mismatch;
        QTest::newRow("streets in another ward")
            << "6048091" << "京都府京都市下京区烏丸通七条下る721" << CheckResult::Mismatch;
        QTest::newRow("address without its city") << "1510053" << "代々木1-2-3" << CheckResult::Consistent;
        QTest::newRow("unknown code") << "1519999" << "東京都渋谷区代々木" << CheckResult::UnknownCode;
        QTest::newRow("partial code") << "151" << "東京都渋谷区代々木" << CheckResult::UnknownCode;
        QTest::newRow("empty code") << "" << "東京都渋谷区代々木" << CheckResult::NotJudged;
        QTest::newRow("empty address") << "1510053" << "  " << CheckResult::NotJudged;
    }
    void check()
    {
        QFETCH(QString, code);
        QFETCH(QString, address);
        QFETCH(CheckResult, result);
        const auto outcome = directory().check(code, address);
        QCOMPARE(outcome.result, result);
        if (outcome.result == CheckResult::Mismatch)
            QCOMPARE(outcome.entries.first().address(), directory().lookup(code).first().address());
    }

    void longText()
    {
        const QString text = QStringLiteral("東京都渋谷区代々木") + QString(100000, u'あ');
        QCOMPARE(codes(directory().codesFor(text)), QStringList{"1510053"});
        QCOMPARE(directory().check(u"1510053", text).result, CheckResult::Consistent);
        QVERIFY(directory().lookup(text).isEmpty());
    }

    void damagedData_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<bool>("truncate");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("garbage") << QByteArray(4096, '\x5a') << false;
        QTest::newRow("truncated table") << QByteArray() << true;
    }
    void damagedData()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("postal.bin"));
        QFETCH(bool, truncate);
        if (truncate) {
            QFile real(PostalDirectory::defaultDataPath());
            QVERIFY(real.open(QIODevice::ReadOnly));
            content = real.read(real.size() / 2);
        }
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const PostalDirectory damaged(path);
        QVERIFY(!damaged.isAvailable());
        QVERIFY(damaged.lookup(u"1510053").isEmpty());
        QVERIFY(damaged.codesFor(u"東京都渋谷区代々木").isEmpty());
        QCOMPARE(damaged.check(u"1510053", u"大阪府").result, CheckResult::NotJudged);
    }
};

QTEST_GUILESS_MAIN(TestPostalDirectory)
#include "tst_postaldirectory.moc"
