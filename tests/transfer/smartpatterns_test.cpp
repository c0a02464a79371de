// The ways of writing a destination that the smart transfer reads beyond labelled
// blocks: buildings without a building word, Western order, sentences, changes of
// destination, spreadsheet numbers without their 0, words around names; the postal
// data completing an address; and that no line is left out without a mark.
#include "transfer/smartaddress.h"
#include "transfer/smartnames.h"
#include "transfer/smartsentences.h"
#include "transfer/smarttransfer.h"

#include "tablepostalbook.h"

#include <QTest>

using namespace Qt::StringLiterals;
using transfer::SmartField;

namespace {


QStringList doubtfulFields(const transfer::SmartTransferResult &r)
{
    static const QStringList keys = {u"zip"_s, u"add1"_s, u"add2"_s, u"name"_s, u"tel"_s};
    QStringList out;
    for (std::size_t f = 0; f < transfer::kSmartFieldCount; ++f)
        if (!r.fields[f].doubt.isEmpty())
            out << keys.at(qsizetype(f));
    return out;
}

QStringList unusedLines(const QString &text, const transfer::SmartTransferResult &r)
{
    QStringList out;
    for (const transfer::TextSpan &s : r.unused)
        out << text.mid(s.start, s.length);
    return out;
}

} // namespace

class SmartPatternsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- Address lines --------------------------------------------------------------------

    void addressLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("add1");
        QTest::addColumn<QString>("add2");
        QTest::newRow("building without a word, own line")
            << u"〒630-8122\n奈良県奈良市三条本町6-11\nサンライズ三条203\n吉岡 まどか"_s
            << u"奈良県奈良市三条本町6-11"_s << u"サンライズ三条203"_s;
        QTest::newRow("building with a town's name and a blank")
            << u"宮城県仙台市青葉区一番町3-7-21\nエスポワール一番町 502\n佐々木 陽菜"_s
            << u"宮城県仙台市青葉区一番町3-7-21"_s << u"エスポワール一番町 502"_s;
        QTest::newRow("room with a letter under the building")
            << u"渡部 拓海\n群馬県前橋市千代田町2-9-4\nアルテミス千代田\nB-302"_s << u"群馬県前橋市千代田町2-9-4"_s
            << u"アルテミス千代田 B-302"_s;
        QTest::newRow("building straight after the house number")
            << u"東京都世田谷区三軒茶屋2-14-3グランハイツ三茶305号室\n松下 真由美 様"_s
            << u"東京都世田谷区三軒茶屋2-14-3"_s << u"グランハイツ三茶305号室"_s;
        QTest::newRow("building after 丁目 and number")
            << u"北海道札幌市中央区大通西7丁目2-1ロイヤルステージ大通202\n菅原 亜美 様"_s
            << u"北海道札幌市中央区大通西7丁目2-1"_s << u"ロイヤルステージ大通202"_s;
        QTest::newRow("town with 条 keeps its numbers")
            << u"北海道札幌市中央区北1条西2丁目1-1\n近藤 みゆき 様"_s << u"北海道札幌市中央区北1条西2丁目1-1"_s
            << QString();
        QTest::newRow("building after a bare number and a blank")
            << u"三重県津市羽所町700 アスト津 5F\n中川 様"_s << u"三重県津市羽所町700"_s << u"アスト津 5F"_s;
        QTest::newRow("Western order")
            << u"吉田 真理\n本町4-38-12\nルミエール船橋506\n船橋市, 千葉県 273-0005\n日本"_s
            << u"千葉県船橋市本町4-38-12"_s << u"ルミエール船橋506"_s;
        QTest::newRow("Western order, one line of cells")
            << u"住所: 紺屋町11-1, 静岡市葵区, 静岡県, 420-0852, 日本\n氏名: 岩崎 涼子"_s
            << u"静岡県静岡市葵区紺屋町11-1"_s << QString();
        QTest::newRow("prefecture and city with a blank")
            << u"〒154-0024\n東京都 世田谷区\n三軒茶屋2-14-3\n山口 美咲 様"_s << u"東京都 世田谷区三軒茶屋2-14-3"_s
            << QString();
        QTest::newRow("second street is another address")
            << u"〒020-0022\n岩手県盛岡市大通3-1-23\n盛岡市中ノ橋通1-1-1\n山田 花子 様"_s
            << u"岩手県盛岡市大通3-1-23"_s << QString();
    }
    void addressLines()
    {
        QFETCH(QString, text);
        QFETCH(QString, add1);
        QFETCH(QString, add2);
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        QCOMPARE(r[SmartField::Add1].value, add1);
        QCOMPARE(r[SmartField::Add2].value, add2);
    }

    void buildingSplit_data()
    {
        QTest::addColumn<QString>("street");
        QTest::addColumn<QString>("before");
        QTest::newRow("glued") << u"本町2-1-10コーポ本町B号"_s << u"本町2-1-10"_s;
        QTest::newRow("blank") << u"大通3-1-23 クリスタルビル4F"_s << u"大通3-1-23"_s;
        QTest::newRow("番地") << u"豊科5954番地1リバーサイド101"_s << u"豊科5954番地1"_s;
        QTest::newRow("の joins the name") << u"緑町1-2-3の森ハイツ"_s << u"緑町1-2-3"_s;
        QTest::newRow("house number ends the line") << u"北1条西2丁目1-1"_s << QString();
        QTest::newRow("streets and a bare number") << u"寺町通御池下る522"_s << QString();
    }
    void buildingSplit()
    {
        QFETCH(QString, street);
        QFETCH(QString, before);
        const auto [cut, rest] = transfer::smart::buildingSplit(street);
        QCOMPARE(cut < 0 ? QString() : street.first(cut), before);
    }

    void roomLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("room");
        QTest::newRow("name and room") << u"サンライズ三条203"_s << true;
        QTest::newRow("号室") << u"メゾン一番町 701号室"_s << true;
        QTest::newRow("letter room") << u"B-302"_s << true;
        QTest::newRow("house number") << u"大通3-1-23"_s << false;
        QTest::newRow("city") << u"盛岡市中央通5"_s << false;
        QTest::newRow("number only") << u"302"_s << false;
        QTest::newRow("name only") << u"パークサイド"_s << false;
    }
    void roomLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, room);
        QCOMPARE(transfer::smart::isRoomLine(line), room);
    }

    // --- Sentences --------------------------------------------------------------------------

    void sentences_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<transfer::DestinationFields>("fields");
        QTest::newRow("chat message")
            << u"こんにちは。\n〒892-0842 鹿児島市東千石町14-6 までお願いします。\n宛名は母の 平田 節子 でお願いします。\n電話は 099-224-5721 です。"_s
            << transfer::DestinationFields{u"892-0842"_s, u"鹿児島市東千石町14-6"_s, {}, u"平田 節子"_s, u"099-224-5721"_s};
        QTest::newRow("送り先は in a mail")
            << u"お世話になります。送り先は〒380-0836 長野県長野市南県町1002 です。\n名前は 松井 亮 です。"_s
            << transfer::DestinationFields{u"380-0836"_s, u"長野県長野市南県町1002"_s, {}, u"松井 亮"_s, {}};
        QTest::newRow("addressee with 宛")
            << u"住所は 茨城県水戸市宮町2-3-8 アーバンライフ宮町403 です\n郵便番号は310-0015です\n小松 里奈 宛でお願いします"_s
            << transfer::DestinationFields{u"310-0015"_s, u"茨城県水戸市宮町2-3-8"_s, u"アーバンライフ宮町403"_s,
                                           u"小松 里奈"_s, {}};
        QTest::newRow("postal code after the sentence")
            << u"発送先は秋田市中通2-3-8 です（〒010-0001）。\n受取は工藤 直樹でお願いします。"_s
            << transfer::DestinationFields{u"010-0001"_s, u"秋田市中通2-3-8"_s, {}, u"工藤 直樹"_s, {}};
        QTest::newRow("the writer's own name is none")
            << u"上野です。\n〒020-0022 岩手県盛岡市大通1-2-3\n上野 トメ"_s
            << transfer::DestinationFields{u"020-0022"_s, u"岩手県盛岡市大通1-2-3"_s, {}, u"上野 トメ"_s, {}};
    }
    void sentences()
    {
        QFETCH(QString, text);
        QFETCH(transfer::DestinationFields, fields);
        QCOMPARE(transfer::SmartTransfer(text).destination(), fields);
    }

    void politeTails_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("kept");
        QTest::newRow("まで") << u"鹿児島市東千石町14-6 までお願いします"_s << u"鹿児島市東千石町14-6"_s;
        QTest::newRow("宛で") << u"小松 里奈 宛でお願いします"_s << u"小松 里奈"_s;
        QTest::newRow("になります") << u"父の 遠藤 正 になります"_s << u"父の 遠藤 正"_s;
        QTest::newRow("kana town") << u"横浜市西区みなとみらい2-2-1です"_s << u"横浜市西区みなとみらい2-2-1"_s;
    }
    void politeTails()
    {
        QFETCH(QString, value);
        QFETCH(QString, kept);
        QCOMPARE(transfer::smart::withoutPoliteTail(value).toString(), kept);
    }

    // --- Changes of destination --------------------------------------------------------------

    void changes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("add1");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("doubt");
        QTest::newRow("remark after the delivery block")
            << u"【お届け先】\n〒530-0001 大阪府大阪市北区梅田2-4-9\n森 亜希子 様\n\n備考：お届け先を下記に変更してください。〒166-0004 東京都杉並区阿佐谷南1-36-2"_s
            << u"東京都杉並区阿佐谷南1-36-2"_s << u"森 亜希子"_s << transfer::doubt::changedDestination();
        QTest::newRow("change above the quoted order")
            << u"お届け先の変更をお願いします。\n新しいお届け先：\n〒680-0833\n鳥取県鳥取市末広温泉町160\n河野 美和\n\n> 【お届け先】\n> 〒690-0003\n> 島根県松江市朝日町478\n> 河野 美和 様"_s
            << u"鳥取県鳥取市末広温泉町160"_s << u"河野 美和"_s << transfer::doubt::changedDestination();
        QTest::newRow("two delivery blocks")
            << u"【お届け先1】\n〒514-0009 三重県津市羽所町700\n桜井 義男 様\n\n【お届け先2】\n〒520-0044 滋賀県大津市京町4-1-1\n桜井 久美 様"_s
            << u"三重県津市羽所町700"_s << u"桜井 義男"_s << transfer::doubt::twoDestinations();
        QTest::newRow("a shop's notice changes nothing")
            << u"【お届け先】\n〒530-0001 大阪府大阪市北区梅田2-4-9\n森 亜希子 様\n\nお届け先の変更はできませんのでご了承ください。"_s
            << u"大阪府大阪市北区梅田2-4-9"_s << u"森 亜希子"_s << QString();
        QTest::newRow("a shop's footer with its address changes nothing")
            << u"【お届け先】\n〒530-0001 大阪府大阪市北区梅田2-4-9\n森 亜希子 様\n\n■住所変更をされた方へ\n〒390-0811 長野県松本市中央1-1-1 信州りんご工房"_s
            << u"大阪府大阪市北区梅田2-4-9"_s << u"森 亜希子"_s << QString();
    }
    void changes()
    {
        QFETCH(QString, text);
        QFETCH(QString, add1);
        QFETCH(QString, name);
        QFETCH(QString, doubt);
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        QCOMPARE(r[SmartField::Add1].value, add1);
        QCOMPARE(r[SmartField::Custo1].value, name);
        for (const transfer::SmartFieldResult &f : r.fields)
            QCOMPARE(f.doubt, doubt);
    }

    // --- Spreadsheet rows without the leading 0 ------------------------------------------------

    void lostLeadingZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("zip");
        QTest::addColumn<QString>("tel");
        QTest::addColumn<QStringList>("doubtful");
        QTest::newRow("telephone under its header")
            << u"氏名\t郵便番号\t住所\t電話番号\n岡田 健\t7000901\t岡山県岡山市北区本町5-12\t864210537"_s << u"700-0901"_s
            << u"086-421-0537"_s << QStringList{u"tel"_s};
        QTest::newRow("mobile without a header")
            << u"高橋 美穂\t9800811\t宮城県仙台市青葉区一番町3-7-21\t9012345678"_s << u"980-0811"_s
            << u"090-1234-5678"_s << QStringList{u"tel"_s};
        QTest::newRow("postal code under its header")
            << u"お届け先名\tお届け先郵便番号\tお届け先住所\n工藤 直樹\t100001\t秋田県秋田市中通2-3-8"_s << u"010-0001"_s
            << QString() << QStringList{u"zip"_s};
        QTest::newRow("order number is no telephone")
            << u"注文番号\t氏名\t郵便番号\t住所\n20241183\t工藤 直樹\t0100001\t秋田県秋田市中通2-3-8"_s << u"010-0001"_s
            << QString() << QStringList{};
    }
    void lostLeadingZero()
    {
        QFETCH(QString, text);
        QFETCH(QString, zip);
        QFETCH(QString, tel);
        QFETCH(QStringList, doubtful);
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        QCOMPARE(r[SmartField::Zip].value, zip);
        QCOMPARE(r[SmartField::Tel].value, tel);
        QCOMPARE(doubtfulFields(r), doubtful);
        QVERIFY(r[SmartField::Add2].value.isEmpty());
    }

    // --- Names --------------------------------------------------------------------------------

    void nameWords_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("person");
        QTest::newRow("ご担当") << u"株式会社ミモザ企画 ご担当 中川"_s << u"株式会社ミモザ企画"_s << u"中川"_s;
        QTest::newRow("placeholder only") << u"ご担当者"_s << QString() << QString();
        QTest::newRow("relation in brackets") << u"平田 節子（母）"_s << QString() << u"平田 節子"_s;
        QTest::newRow("Latin name in brackets") << u"ケリー 舞 (Mai Kelly)"_s << QString() << u"ケリー 舞"_s;
        QTest::newRow("company in brackets") << u"山本 健一（有限会社つばめ工房）"_s << u"有限会社つばめ工房"_s
                                           << u"山本 健一"_s;
        QTest::newRow("legal form kept") << u"サンプル商事(株)"_s << QString() << u"サンプル商事(株)"_s;
        QTest::newRow("relation in front") << u"母の 平田 節子"_s << QString() << u"平田 節子"_s;
    }
    void nameWords()
    {
        QFETCH(QString, written);
        QFETCH(QString, company);
        QFETCH(QString, person);
        const transfer::smart::NameParts parts = transfer::smart::splitName(written);
        QCOMPARE(parts.company.toString(), company);
        QCOMPARE(parts.person.toString(), person);
    }

    void nameField_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("company, ご担当, person") << u"株式会社ミモザ企画 ご担当 中川様"_s << u"株式会社ミモザ企画 中川"_s;
        QTest::newRow("宛") << u"大野 悠 宛"_s << u"大野 悠"_s;
        QTest::newRow("reading, 様 and 宛") << u"吉川 沙織（よしかわ さおり）様 宛"_s << u"吉川 沙織"_s;
        QTest::newRow("person before company") << u"山本 健一（有限会社つばめ工房）"_s << u"有限会社つばめ工房 山本 健一"_s;
    }
    void nameField()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        const QString text = u"〒520-0043\n滋賀県大津市中央3-2-1\n"_s + line;
        QCOMPARE(transfer::SmartTransfer(text)[SmartField::Custo1].value, name);
    }

    // --- Postal data ----------------------------------------------------------------------------

    void regionFromPostalCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("add1");
        QTest::addColumn<QString>("doubt");
        QTest::newRow("without prefecture")
            << u"〒892-0842\n鹿児島市東千石町14-6\n平田 節子 様"_s << u"鹿児島県鹿児島市東千石町14-6"_s
            << transfer::doubt::regionFromZip();
        QTest::newRow("without prefecture and city")
            << u"〒273-0005\n本町4-38-12\n吉田 真理 様"_s << u"千葉県船橋市本町4-38-12"_s << transfer::doubt::regionFromZip();
        QTest::newRow("complete") << u"〒273-0005\n千葉県船橋市本町4-38-12\n吉田 真理 様"_s << u"千葉県船橋市本町4-38-12"_s
                                  << QString();
        QTest::newRow("another city is not completed")
            << u"〒273-0005\n松戸市本町4-38-12\n吉田 真理 様"_s << u"松戸市本町4-38-12"_s
            << transfer::doubt::zipAddressMismatch();
    }
    void regionFromPostalCode()
    {
        QFETCH(QString, text);
        QFETCH(QString, add1);
        QFETCH(QString, doubt);
        const TablePostalBook book({{u"8920842"_s, {{u"鹿児島県"_s, u"鹿児島市"_s, u"東千石町"_s}}},
                                    {u"2730005"_s, {{u"千葉県"_s, u"船橋市"_s, u"本町"_s}}}});
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text, &book);
        QCOMPARE(r[SmartField::Add1].value, add1);
        QCOMPARE(r[SmartField::Add1].doubt, doubt);
        // The postal code is marked as where the prefecture came from.
        if (doubt == transfer::doubt::regionFromZip())
            QCOMPARE(r[SmartField::Add1].sources.first(), r[SmartField::Zip].sources.first());
    }

    // --- Nothing silent --------------------------------------------------------------------------

    void nothingSilent_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("unused");
        QTest::addColumn<QStringList>("doubtful");
        QTest::newRow("building above the street")
            << u"ルミエール船橋506\n千葉県船橋市本町4-38-12\n〒273-0005\n吉田 真理 様"_s
            << QStringList{u"ルミエール船橋506"_s} << QStringList{u"add2"_s};
        QTest::newRow("note in the delivery block")
            << u"【お届け先】\n〒273-0005\n千葉県船橋市本町4-38-12\n吉田 真理 様\nフリガナ：ヨシダ マリ"_s
            << QStringList{u"フリガナ：ヨシダ マリ"_s} << QStringList{};
        QTest::newRow("the buyer's address elsewhere")
            << u"【ご注文者】\n〒390-0811 長野県松本市中央2-4-10\n山田 太郎 様\n\n【お届け先】\n〒273-0005\n千葉県船橋市本町4-38-12\n吉田 真理 様"_s
            << QStringList{u"〒390-0811 長野県松本市中央2-4-10"_s} << QStringList{};
        QTest::newRow("second honoured name")
            << u"〒273-0005\n千葉県船橋市本町4-38-12\n吉田 真理 様\n吉田 健 様"_s << QStringList{u"吉田 健 様"_s}
            << QStringList{u"name"_s};
        QTest::newRow("no postal code")
            << u"千葉県船橋市本町4-38-12\n吉田 真理 様"_s << QStringList{} << QStringList{u"zip"_s};
    }
    void nothingSilent()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, unused);
        QFETCH(QStringList, doubtful);
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        QCOMPARE(unusedLines(text, r), unused);
        QCOMPARE(doubtfulFields(r), doubtful);
    }
};

QTEST_GUILESS_MAIN(SmartPatternsTest)
#include "smartpatterns_test.moc"
