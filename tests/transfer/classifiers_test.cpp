#include "transfer/classifiers.h"
#include "transfer/texthelpers.h"

#include <QSet>
#include <QTest>

using namespace transfer;
using namespace Qt::StringLiterals;

class ClassifiersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void howManyWords_data();
    void howManyWords();
    void zipTel_data();
    void zipTel();
    void zipTelTexts();
    void pref46_data();
    void pref46();
    void prefectureList();
    void nameAddr_data();
    void nameAddr();
    void markerList();
};

void ClassifiersTest::howManyWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<qsizetype>("expected");

    QTest::newRow("at sign") << u"taro@example"_s << qsizetype(1);
    QTest::newRow("final .com counts twice") << u"www.example.com"_s << qsizetype(2);
    QTest::newRow(".org once") << u"example.org"_s << qsizetype(1);
    QTest::newRow(".co.jp") << u"shop.co.jp"_s << qsizetype(2);
    QTest::newRow(".net counts twice") << u"example.net"_s << qsizetype(2);
    QTest::newRow("mail with .ne.jp") << u"a@b.ne.jp"_s << qsizetype(3);
    QTest::newRow("full-width at sign only") << u"ａ＠ｂ"_s << qsizetype(0);
    QTest::newRow("capitals only") << u"WWW.EXAMPLE.COM"_s << qsizetype(0);
    QTest::newRow("a name") << u"見本　花子"_s << qsizetype(0);
    QTest::newRow("empty") << QString() << qsizetype(0);
}

void ClassifiersTest::howManyWords()
{
    QFETCH(QString, line);
    QFETCH(qsizetype, expected);
    QCOMPARE(HowManyWords(line), expected);
}

void ClassifiersTest::zipTel_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<ZipTel>("expected");

    QTest::newRow("postal code") << u"123-4567"_s << ZipTel::Zip;
    QTest::newRow("full-width postal code") << u"１２３－４５６７"_s << ZipTel::Zip;
    QTest::newRow("eight digits") << u"12345678"_s << ZipTel::Zip;
    QTest::newRow("eight digits, trailing blank") << u"12345678 "_s << ZipTel::Zip;
    QTest::newRow("eight hyphens") << u"--------"_s << ZipTel::Zip;
    QTest::newRow("seven digits") << u"1234567"_s << ZipTel::Undecided;
    QTest::newRow("with postal mark") << u"〒123-4567"_s << ZipTel::Undecided;
    QTest::newRow("space inside") << u"123 4567"_s << ZipTel::Undecided;
    QTest::newRow("nine digits") << u"123456789"_s << ZipTel::Undecided;
    QTest::newRow("landline") << u"03-1234-5678"_s << ZipTel::Tel;
    QTest::newRow("ten digits") << u"0312345678"_s << ZipTel::Tel;
    QTest::newRow("free dial") << u"0120-123-456"_s << ZipTel::Tel;
    QTest::newRow("mobile and a space") << u"090-1234-5678 "_s << ZipTel::Tel;
    QTest::newRow("full-width mobile") << u"０９０－１２３４－５６７８"_s << ZipTel::Tel;
    QTest::newRow("one other character") << u"03-1234-567X"_s << ZipTel::Tel;
    QTest::newRow("nine digit phone") << u"031234567"_s << ZipTel::Undecided;
    QTest::newRow("brackets") << u"(03)1234-5678"_s << ZipTel::Undecided;
    QTest::newRow("home note") << u"03-1234-5678(自宅)"_s << ZipTel::Add;
    QTest::newRow("address") << u"東京都架空区見本町1-2-3"_s << ZipTel::Add;
    QTest::newRow("short name") << u"見本　花子"_s << ZipTel::Undecided;
    QTest::newRow("empty") << QString() << ZipTel::Undecided;
    QTest::newRow("other dash is no hyphen") << u"123\u20104567"_s << ZipTel::Undecided;
}

void ClassifiersTest::zipTel()
{
    QFETCH(QString, line);
    QFETCH(ZipTel, expected);
    QCOMPARE(ZipTel_Chk(line), expected);
}

void ClassifiersTest::zipTelTexts()
{
    QCOMPARE(ZipTelText(ZipTel::Zip), u"〒"_s);
    QCOMPARE(ZipTelText(ZipTel::Tel), u"TEL"_s);
    QCOMPARE(ZipTelText(ZipTel::Add), u"ADD"_s);
    QCOMPARE(ZipTelText(ZipTel::Undecided), u"〒/電話番工判断"_s);
}

void ClassifiersTest::pref46_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("expected");

    QTest::newRow("Tokyo") << u"東京都"_s << true;
    QTest::newRow("Hokkaido") << u"北海道"_s << true;
    QTest::newRow("Okinawa") << u"沖縄県"_s << true;
    QTest::newRow("Kyoto") << u"京都府"_s << true;
    QTest::newRow("Kanagawa") << u"神奈川県"_s << true;
    QTest::newRow("Kagoshima") << u"鹿児島県"_s << true;
    QTest::newRow("without suffix") << u"東京"_s << false;
    QTest::newRow("with ward") << u"東京都架空区"_s << false;
    QTest::newRow("full-width space after") << u"東京都　"_s << false;
    QTest::newRow("blank before, no trimming") << u" 東京都"_s << false;
    QTest::newRow("Kyoto without suffix") << u"京都"_s << false;
    QTest::newRow("half-width katakana") << u"ﾄｳｷｮｳﾄ"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void ClassifiersTest::pref46()
{
    QFETCH(QString, line);
    QFETCH(bool, expected);
    QCOMPARE(Pref46_Chk(line), expected);
}

void ClassifiersTest::prefectureList()
{
    const auto names = prefectureNames();
    QCOMPARE(names.size(), std::size_t(47));
    QSet<QString> unique;
    for (const QStringView name : names) {
        unique.insert(name.toString());
        QVERIFY(Pref46_Chk(name));
        QCOMPARE(TrimBlanks(name), name.toString());
    }
    QCOMPARE(unique.size(), 47);
    QCOMPARE(names.front(), u"北海道");
    QCOMPARE(names[12], u"東京都");
    QCOMPARE(names.back(), u"沖縄県");
}

void ClassifiersTest::nameAddr_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("score");
    QTest::addColumn<bool>("isName");

    QTest::newRow("plain name") << u"見本　花子"_s << qsizetype(5) << qsizetype(0) << true;
    QTest::newRow("short with marker") << u"町田　見本"_s << qsizetype(5) << qsizetype(1) << true;
    QTest::newRow("seven with marker") << u"市川　見本太郎"_s << qsizetype(7) << qsizetype(1) << false;
    QTest::newRow("address") << u"架空区見本町1-2-3"_s << qsizetype(11) << qsizetype(7) << false;
    QTest::newRow("building, six long") << u"見本ビル5F"_s << qsizetype(6) << qsizetype(3) << true;
    QTest::newRow("company") << u"株式会社見本商事"_s << qsizetype(8) << qsizetype(0) << true;
    QTest::newRow("apartment") << u"見本マンション205"_s << qsizetype(10) << qsizetype(4) << false;
    QTest::newRow("room") << u"５０１号室"_s << qsizetype(5) << qsizetype(4) << true;
    QTest::newRow("junior high counts twice") << u"見本市立見本中学校"_s << qsizetype(9) << qsizetype(3) << false;
    QTest::newRow("post office hold counts twice") << u"見本郵便局留め置き"_s << qsizetype(9) << qsizetype(2) << false;
    QTest::newRow("half-width building") << u"ｻﾝﾌﾟﾙﾋﾞﾙ1階"_s << qsizetype(10) << qsizetype(3) << false;
    QTest::newRow("trimmed first") << u"  見本　花子\t"_s << qsizetype(5) << qsizetype(0) << true;
    QTest::newRow("seven digits") << u"1234567"_s << qsizetype(7) << qsizetype(7) << false;
    QTest::newRow("village and aza") << u"見本郡架空村字見本"_s << qsizetype(9) << qsizetype(2) << false;
    QTest::newRow("full-width F") << u"見本センター３Ｆ"_s << qsizetype(8) << qsizetype(2) << false;
    QTest::newRow("long greeting") << u"ご注文ありがとうございます"_s << qsizetype(13) << qsizetype(0) << true;
    QTest::newRow("empty") << QString() << qsizetype(0) << qsizetype(0) << true;
}

void ClassifiersTest::nameAddr()
{
    QFETCH(QString, line);
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, score);
    QFETCH(bool, isName);
    const NameAddr result = Name_Addr(line);
    QCOMPARE(result.length, length);
    QCOMPARE(result.score, score);
    QCOMPARE(result.isName, isName);
}

void ClassifiersTest::markerList()
{
    // The score counts the first 22 markers in one pass: they must be the single
    // digit characters, and no later marker may be one of them.
    const auto markers = addressMarkers();
    QCOMPARE(markers.size(), std::size_t(57));
    const QString digits = u"0123456789-０１２３４５６７８９－"_s;
    QCOMPARE(digits.size(), kDigitCharacterCount);
    for (qsizetype i = 0; i < kDigitCharacterCount; ++i)
        QCOMPARE(markers[i], QStringView(digits).mid(i, 1));
    for (std::size_t i = kDigitCharacterCount; i < markers.size(); ++i)
        QVERIFY(!(markers[i].size() == 1 && digits.contains(markers[i].front())));
    // Summing every marker's occurrences gives the same score.
    const QString line = u"架空市見本区１－２－３サンプルハイツ中学校前4F"_s;
    qsizetype sum = 0;
    for (const QStringView marker : markers)
        sum += CountOccurrences(line, marker);
    QCOMPARE(Name_Addr(line).score, sum);
    QCOMPARE(sum, qsizetype(5 + 1 + 1 + 1 + 2 + 1 + 1));
}

QTEST_APPLESS_MAIN(ClassifiersTest)
#include "classifiers_test.moc"
