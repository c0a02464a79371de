// Realistic order texts (fictional people and places) as users paste them: shop
// confirmation mails, market-place order forms and orders noted down on the phone.
// Each row gives the paste, the paste box afterwards and the five fields.

#include "transfer/pipeline.h"
#include "transfercheck.h"

#include <QTest>

using namespace transfer;
using namespace Qt::StringLiterals;

class OrdersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orders_data();
    void orders();
};

void OrdersTest::orders_data()
{
    transfercheck::addColumns();

    // A shop mail with a section header: the header, emptied to its brackets, is the
    // first name-like line and wins over the real name.
    QTest::newRow("shop mail with header")
        << QStringList{u"【お届け先】"_s, u"お名前：山野　桜子 様"_s, u"〒５４０－０００１"_s, u"大阪府"_s,
                       u"架空市見本町２丁目３番４号"_s, u"サンプルコーポ３０２"_s,
                       u"電話番号：０６－１２３４－５６７８"_s, u"メール：sakurako@example.ne.jp"_s}
        << QStringList{u"【】"_s, u"山野　桜子"_s, u"540-0001"_s, u"大阪府"_s, u"架空市見本町２丁目３番４号"_s,
                       u"サンプルコーポ３０２"_s, u"０６－１２３４－５６７８"_s}
        << u"540-0001"_s << u"大阪府架空市見本町２丁目３番４号"_s << u"サンプルコーポ３０２"_s << u"【】"_s
        << u"06-1234-5678"_s;

    QTest::newRow("market-place form, half-width")
        << QStringList{u"氏名: 川端 一郎"_s, u"郵便番号: 060-0042"_s, u"住所: 北海道架空市見本区大通西1-2-3"_s,
                       u"電話番号: 011-234-5678"_s, u"メールアドレス: ichiro.k@example.com"_s}
        << QStringList{u"川端 一郎"_s, u"060-0042"_s, u"北海道架空市見本区大通西1-2-3"_s, u"011-234-5678"_s,
                       QString(), QString(), QString()}
        << u"060-0042"_s << u"北海道架空市見本区大通西1-2-3"_s << QString() << u"川端 一郎"_s << u"011-234-5678"_s;

    QTest::newRow("phone order, full-width, no labels")
        << QStringList{u"　９８０－０８１１"_s, u"宮城県"_s, u"架空市青葉区見本町　３－１５－７"_s,
                       u"ハイツ見本　１０５号室"_s, u"佐藤　健太"_s, u"０２２－２１１－００９９"_s}
        << QStringList{u"980-0811"_s, u"宮城県"_s, u"架空市青葉区見本町　３－１５－７"_s, u"ハイツ見本　１０５号室"_s,
                       u"佐藤　健太"_s, u"０２２－２１１－００９９"_s, QString()}
        << u"980-0811"_s << u"宮城県架空市青葉区見本町　３－１５－７"_s << u"ハイツ見本　１０５号室"_s
        << u"佐藤　健太"_s << u"022-211-0099"_s;

    // Postal code and address on one line; the rest moves below the telephone, and the
    // greeting above the name is taken as the name.
    QTest::newRow("web form, postal code and address on one line")
        << QStringList{u"ご注文ありがとうございます。"_s, u"〒150-0000 東京都架空区見本1-2-3 サンプルビル4F"_s,
                       u"見本 次郎 様"_s, u"TEL:090-1111-2222"_s}
        << QStringList{u"ご注文ありがとうございます。"_s, u"150-0000"_s, u"見本 次郎"_s, u"090-1111-2222"_s,
                       u" 東京都架空区見本1-2-3 ｻﾝﾌﾟﾙﾋﾞﾙ4F"_s, QString(), QString()}
        << u"150-0000"_s << u"東京都架空区見本1-2-3 ｻﾝﾌﾟﾙﾋﾞﾙ4F"_s << QString() << u"ご注文ありがとうございます。"_s
        << u"090-1111-2222"_s;

    // Labels on lines of their own: nine lines, so the telephone (lines 8 and 9) is
    // never read.
    QTest::newRow("market-place form, labels on own lines")
        << QStringList{u"お届け先"_s, u"〒"_s, u"812-0000"_s, u"福岡県架空市見本区中央３丁目５－８"_s,
                       u"メゾン見本５０１"_s, u"お名前"_s, u"博多　美咲"_s, u"電話"_s, u"092-000-1234"_s}
        << QStringList{QString(), QString(), u"812-0000"_s, u"福岡県架空市見本区中央３丁目５－８"_s,
                       u"メゾン見本５０１"_s, QString(), u"博多　美咲"_s}
        << u"812-0000"_s << u"福岡県架空市見本区中央３丁目５－８"_s << u"メゾン見本５０１"_s << u"博多　美咲"_s
        << QString();

    // A telephone number in brackets is a third address line and is dropped.
    QTest::newRow("phone order, bracketed number")
        << QStringList{u"〒６００－８０００"_s, u"京都府架空市見本区西町１２３"_s, u"ｺｰﾎﾟ見本 2階"_s,
                       u"鴨川 和夫 様"_s, u"(075)123-4567"_s}
        << QStringList{u"600-8000"_s, u"京都府架空市見本区西町１２３"_s, u"ｺｰﾎﾟ見本 2階"_s, u"鴨川 和夫"_s,
                       u"(075)123-4567"_s, QString(), QString()}
        << u"600-8000"_s << u"京都府架空市見本区西町１２３"_s << u"ｺｰﾎﾟ見本 2階"_s << u"鴨川 和夫"_s << QString();

    // A postal code of seven digits without hyphen becomes the second address line.
    QTest::newRow("shop mail, seven-digit postal code")
        << QStringList{u"ご住所：神奈川県架空市見本町４－５－６"_s, u"郵便番号：2310000"_s, u"お名前：港　陽子"_s,
                       u"℡ 045-000-7777"_s}
        << QStringList{u"神奈川県架空市見本町４－５－６"_s, u"2310000"_s, u"港　陽子"_s, u"045-000-7777"_s,
                       QString(), QString(), QString()}
        << QString() << u"神奈川県架空市見本町４－５－６"_s << u"2310000"_s << u"港　陽子"_s << u"045-000-7777"_s;

    // Blank lines and a web address are dropped; the rule line is the first name-like
    // line, and the eighth usable line (the telephone) is not read.
    QTest::newRow("mail with rules and blank lines")
        << QStringList{u"────────────"_s, u"【配送先】"_s, QString(), u"〒 330-0000"_s, u"  "_s, u"埼玉県"_s,
                       u"架空市見本区本町１－１"_s, u"見本ハイツ２０２号"_s, QString(), u"大宮 花子 様"_s, QString(),
                       u"TEL 048-000-0000"_s, u"https://shop.example.jp/order"_s}
        << QStringList{u"────────────"_s, u"【配送先】"_s, u"330-0000"_s, u"埼玉県"_s, u"架空市見本区本町１－１"_s,
                       u"見本ハイツ２０２号"_s, u"大宮 花子"_s}
        << u"330-0000"_s << u"埼玉県架空市見本区本町１－１"_s << u"見本ハイツ２０２号"_s << u"────────────"_s
        << QString();

    // Held at a post office: the short post-office line counts as a name and is
    // dropped; a phone number with spaces is undecided and becomes the address.
    QTest::newRow("post office pickup")
        << QStringList{u"受取人：見本 太一"_s, u"〒 100-8799"_s, u"見本郵便局留"_s, u"090 1234 5678"_s}
        << QStringList{u"受取人見本 太一"_s, u"100-8799"_s, u"見本郵便局留"_s, u"090 1234 5678"_s, QString(),
                       QString(), QString()}
        << u"100-8799"_s << u"090 1234 5678"_s << QString() << u"受取人見本 太一"_s << QString();

    // "tel" vanishes from "Hotel"; the seven-digit line is the first address.
    QTest::newRow("hand-typed hotel delivery")
        << QStringList{u"1000001"_s, u"東京都"_s, u"架空区見本町1-1 ホテルサンプル"_s, u"Hotel Sample 305"_s,
                       u"見本 二郎"_s, u"03-0000-0000"_s}
        << QStringList{u"1000001"_s, u"東京都"_s, u"架空区見本町1-1 ホテルサンプル"_s, u"Ho Sample 305"_s,
                       u"見本 二郎"_s, u"03-0000-0000"_s, QString()}
        << QString() << u"東京都1000001"_s << u"架空区見本町1-1 ホテルサンプル"_s << u"見本 二郎"_s
        << u"03-0000-0000"_s;

    // Combined labels lose each of their parts; a full-width mail address has no
    // mail sign and stays in the box.
    QTest::newRow("market-place form, combined labels")
        << QStringList{u"お届け先住所：沖縄県架空市見本２－３－４"_s, u"お届け先氏名：琉球　真央"_s,
                       u"お届け先電話番号：０９８－０００－１２３４"_s, u"連絡先：ｍａｏ＠ｅｘａｍｐｌｅ．ｊｐ"_s}
        << QStringList{u"沖縄県架空市見本２－３－４"_s, u"琉球　真央"_s, u"０９８－０００－１２３４"_s,
                       u"連絡先ｍａｏ＠ｅｘａｍｐｌｅ．ｊｐ"_s, QString(), QString(), QString()}
        << QString() << u"沖縄県架空市見本２－３－４"_s << QString() << u"琉球　真央"_s << u"098-000-1234"_s;

    // A company address: the second telephone (fax) is dropped, the company line is
    // the name, and the address split off the postal code becomes the first address.
    QTest::newRow("company order")
        << QStringList{u"〒530-0001 大阪府架空市北区見本町1-2"_s, u"見本商事株式会社 総務部"_s, u"担当：梅田 様"_s,
                       u"TEL 06-0000-1111"_s, u"06-0000-2222"_s}
        << QStringList{u"530-0001"_s, u"見本商事株式会社 総務部"_s, u"担当梅田"_s, u"06-0000-1111"_s,
                       u"06-0000-2222"_s, u" 大阪府架空市北区見本町1-2"_s, QString()}
        << u"530-0001"_s << u"大阪府架空市北区見本町1-2"_s << QString() << u"見本商事株式会社 総務部"_s
        << u"06-0000-1111"_s;
}

void OrdersTest::orders()
{
    transfercheck::checkRow();
}

QTEST_APPLESS_MAIN(OrdersTest)
#include "orders_test.moc"
