// The smart transfer's parts: numbers as people write them, labels only as labels,
// the places each field was read from, doubts, the postal data, and bad input.
#include "transfer/smartnumbers.h"
#include "transfer/smarttransfer.h"

#include "tablepostalbook.h"

#include <QTest>

using namespace Qt::StringLiterals;
using transfer::SmartField;

namespace {


QString spanText(const QString &text, const transfer::SmartFieldResult &field)
{
    QStringList parts;
    for (const transfer::TextSpan &s : field.sources)
        parts << text.mid(s.start, s.length);
    return parts.join(u'|');
}

} // namespace

class SmartTransferTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void telephoneForms_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("value");
        QTest::newRow("hyphens") << u"TEL 03-1234-5678"_s << u"03-1234-5678"_s;
        QTest::newRow("long vowel marks") << u"０９０ー１２３４ー５６７８"_s << u"090-1234-5678"_s;
        QTest::newRow("minus sign") << u"電話：019−654−3210"_s << u"019-654-3210"_s;
        QTest::newRow("hyphen U+2010") << u"携帯 090‐8765‐4321"_s << u"090-8765-4321"_s;
        QTest::newRow("area in brackets") << u"(0263)12-3456"_s << u"0263-12-3456"_s;
        QTest::newRow("exchange in brackets") << u"０４８（８２２）９９８８"_s << u"048-822-9988"_s;
        QTest::newRow("+81 mobile") << u"+81 90-5555-6666"_s << u"090-5555-6666"_s;
        QTest::newRow("+81 (0)") << u"+81 (0)3-1234-5678"_s << u"03-1234-5678"_s;
        QTest::newRow("blanks") << u"Tel. 03 1234 5678"_s << u"03-1234-5678"_s;
        QTest::newRow("(TEL) label") << u"（TEL）099-812-7000"_s << u"099-812-7000"_s;
        QTest::newRow("mobile run") << u"09011112222"_s << u"090-1111-2222"_s;
        QTest::newRow("Tokyo run") << u"0312345678"_s << u"03-1234-5678"_s;
        QTest::newRow("Matsumoto run") << u"0263123456"_s << u"0263-12-3456"_s;
        QTest::newRow("Sendai run") << u"0222223333"_s << u"022-222-3333"_s;
        QTest::newRow("Kashiwa run") << u"0471641111"_s << u"04-7164-1111"_s;
        QTest::newRow("free dial run") << u"0120123456"_s << u"0120-123-456"_s;
        QTest::newRow("note after") << u"022-222-3333（日中）"_s << u"022-222-3333"_s;
        QTest::newRow("daytime label") << u"電話番号（日中連絡がつく番号）：043-223-5566"_s << u"043-223-5566"_s;
    }
    void telephoneForms()
    {
        QFETCH(QString, written);
        QFETCH(QString, value);
        const transfer::SmartTransferResult r = transfer::SmartTransfer(written);
        QCOMPARE(r[SmartField::Tel].value, value);
        QVERIFY(r[SmartField::Tel].doubt.isEmpty());
    }

    void notTelephones_data()
    {
        QTest::addColumn<QString>("written");
        QTest::newRow("order number") << u"注文番号：0123-4567-8901"_s;
        QTest::newRow("fax only") << u"FAX 03-1234-5679"_s;
        QTest::newRow("date and time") << u"2024/05/12 21:14"_s;
        QTest::newRow("nine digits") << u"031234567"_s;
    }
    void notTelephones()
    {
        QFETCH(QString, written);
        QCOMPARE(transfer::SmartTransfer(written)[SmartField::Tel].value, QString());
    }

    void postalCodeForms_data()
    {
        QTest::addColumn<QString>("written");
        QTest::newRow("mark") << u"〒100-0001"_s;
        QTest::newRow("seven digits labelled") << u"郵便番号：1000001"_s;
        QTest::newRow("seven digits alone") << u"1000001"_s;
        QTest::newRow("mark, blank, full width") << u"〒 １００－０００１"_s;
        QTest::newRow("minus sign") << u"〒100−0001"_s;
        QTest::newRow("long vowel mark") << u"〒100ー0001"_s;
        QTest::newRow("mark, blank between the groups") << u"〒100 0001"_s;
        QTest::newRow("labelled, ideographic space between the groups") << u"郵便番号：１００　０００１"_s;
        QTest::newRow("box-drawing line") << u"〒100─0001"_s;
        QTest::newRow("with the address") << u"100-0001 東京都千代田区千代田1-1"_s;
        QTest::newRow("tab row") << u"山田 太郎\t1000001\t東京都千代田区千代田1-1"_s;
    }
    void postalCodeForms()
    {
        QFETCH(QString, written);
        QCOMPARE(transfer::SmartTransfer(written)[SmartField::Zip].value, u"100-0001"_s);
    }

    void groupingByNationalNumbering_data()
    {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("grouped");
        QTest::newRow("mobile 080") << u"08012345678"_s << u"080-1234-5678"_s;
        QTest::newRow("IP 050") << u"05012345678"_s << u"050-1234-5678"_s;
        QTest::newRow("0800") << u"08001234567"_s << u"0800-123-4567"_s;
        QTest::newRow("Osaka") << u"0666441234"_s << u"06-6644-1234"_s;
        QTest::newRow("Nagano 026") << u"0262323111"_s << u"026-232-3111"_s;
        QTest::newRow("Toyohashi") << u"0532512111"_s << u"0532-51-2111"_s;
        QTest::newRow("Tokorozawa") << u"0429221111"_s << u"04-2922-1111"_s;
        QTest::newRow("unlisted four-digit area") << u"0153121234"_s << u"0153-12-1234"_s;
    }
    void groupingByNationalNumbering()
    {
        QFETCH(QString, digits);
        QFETCH(QString, grouped);
        QCOMPARE(transfer::smart::groupTelephoneDigits(digits), grouped);
    }

    // Labels are cut only where they stand as labels; kept values keep their characters.
    void valuesKeepTheirCharacters()
    {
        const QString text = u"〒390-0811 長野県松本市中央3-2-1 サンレジデンス松本 21:14館\n大西 様方\n"
                             "Telma Santos 様\nTEL 0263-12-3456"_s;
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        QCOMPARE(r[SmartField::Add1].value, u"長野県松本市中央3-2-1"_s);
        QCOMPARE(r[SmartField::Add2].value, u"サンレジデンス松本 21:14館　大西 様方"_s.replace(u'\u3000', u' '));
        QCOMPARE(r[SmartField::Custo1].value, u"Telma Santos"_s);
    }

    void sourcesMarkWhatWasRead()
    {
        const QString text = u"ご注文ありがとうございます\r\n【お届け先】\r\n山田 花子 様\r\n〒020-0022\r\n"
                             "岩手県\r\n盛岡市大通3-1-23 クリスタルビル4F\r\nTEL：019-623-4567\r\n"_s;
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        QCOMPARE(r[SmartField::Zip].value, u"020-0022"_s);
        QCOMPARE(spanText(text, r[SmartField::Zip]), u"020-0022"_s);
        QCOMPARE(r[SmartField::Add1].value, u"岩手県盛岡市大通3-1-23"_s);
        QCOMPARE(spanText(text, r[SmartField::Add1]), u"岩手県|盛岡市大通3-1-23"_s);
        QCOMPARE(spanText(text, r[SmartField::Add2]), u"クリスタルビル4F"_s);
        QCOMPARE(spanText(text, r[SmartField::Custo1]), u"山田 花子"_s);
        QCOMPARE(r[SmartField::Custo1].sources.first().line, 2);
        QCOMPARE(spanText(text, r[SmartField::Tel]), u"019-623-4567"_s);
    }

    void doubts()
    {
        const transfer::SmartTransferResult noName = transfer::SmartTransfer(u"〒020-0022\n岩手県盛岡市大通3-1-23\n"_s);
        QCOMPARE(noName[SmartField::Custo1].doubt, transfer::doubt::noName());
        QVERIFY(noName[SmartField::Add1].doubt.isEmpty());

        const transfer::SmartTransferResult shortTel = transfer::SmartTransfer(u"山田 太郎 様\nTEL：03-123-456"_s);
        QCOMPARE(shortTel[SmartField::Tel].value, u"03-123-456"_s);
        QCOMPARE(shortTel[SmartField::Tel].doubt, transfer::doubt::unusualTelephone());
    }

    void postalDataChecksAndChooses()
    {
        const TablePostalBook book({{u"0200022"_s, {{u"岩手県"_s, u"盛岡市"_s, u"大通"_s}}},
                                    {u"3900811"_s, {{u"長野県"_s, u"松本市"_s, u"中央"_s}}}});
        // The code is Morioka's: the Morioka line is the address, the city-only line is
        // kept, and the code's prefecture goes in front of it.
        const QString text = u"〒020-0022\n東京都千代田区千代田1-1\n盛岡市\n大通3-1-23\n山田 花子 様"_s;
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text, &book);
        QCOMPARE(r[SmartField::Add1].value, u"岩手県盛岡市大通3-1-23"_s);
        QCOMPARE(r[SmartField::Add1].doubt, transfer::doubt::regionFromZip());
        QVERIFY(r[SmartField::Zip].doubt.isEmpty());

        const transfer::SmartTransferResult wrong =
            transfer::SmartTransfer(u"〒390-0811\n岩手県盛岡市大通3-1-23\n山田 花子 様"_s, &book);
        QCOMPARE(wrong[SmartField::Zip].doubt, transfer::doubt::zipAddressMismatch());
        QCOMPARE(wrong[SmartField::Add1].doubt, transfer::doubt::zipAddressMismatch());

        const transfer::SmartTransferResult unknown =
            transfer::SmartTransfer(u"〒999-9999\n岩手県盛岡市大通3-1-23\n山田 花子 様"_s, &book);
        QCOMPARE(unknown[SmartField::Zip].doubt, transfer::doubt::unknownZip());
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u" \n\t\n\u3000"_s;
        QTest::newRow("noise") << u"!!!###@@@ ~~~ ※※※"_s;
        QTest::newRow("NUL") << QString(u"\0\0\0"_s);
        QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + QChar(0xDC00) + QChar(0xDBFF);
        QTest::newRow("1 MB") << QString(1 << 20, u'あ');
        QTest::newRow("100000 lines") << u"x\n"_s.repeated(100000);
        QTest::newRow("one long line") << QString(100000, u'1');
        QTest::newRow("rtl marks") << u"\u200F\u202Eお届け先\u202C\n\u200F〒100-0001\u200E"_s;
        QTest::newRow("emoji") << u"🙏🙏🙏\n😀 山田 太郎 様 😀"_s;
    }
    void badInput()
    {
        QFETCH(QString, text);
        const transfer::SmartTransferResult r = transfer::SmartTransfer(text);
        for (const transfer::SmartFieldResult &f : r.fields) {
            QVERIFY(!transfer::holdsLineBreak(f.value));
            for (const transfer::TextSpan &s : f.sources)
                QVERIFY(s.start >= 0 && s.start + s.length <= text.size());
        }
        QCOMPARE(r.foundText, std::any_of(r.fields.begin(), r.fields.end(),
                                          [](const auto &f) { return !f.value.isEmpty(); }));
    }
};

QTEST_GUILESS_MAIN(SmartTransferTest)
#include "smarttransfer_test.moc"
