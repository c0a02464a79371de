#include "transfer/pipeline.h"
#include "transfer/warning.h"
#include "transfercheck.h"

#include <QTest>

using namespace transfer;
using namespace Qt::StringLiterals;

namespace {

QStringList sevenLines(QStringList lines)
{
    while (lines.size() < kWorkingLineCount)
        lines.append(QString());
    return lines;
}

const QStringList &workedExample()
{
    static const QStringList lines = {
        u"お届け先：見本　花子 様"_s,
        u"〒１２３－４５６７"_s,
        u"東京都"_s,
        u"架空区見本町１－２－３　サンプルハイツ１０１号"_s,
        u"TEL：０９０－００００－１１１１"_s,
        u"hanako.mihon@example.jp"_s,
    };
    return lines;
}

} // namespace

class PipelineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExampleSteps();
    void workedExampleAgain();
    void noText_data();
    void noText();
    void edgeCases_data();
    void edgeCases();
    void compactPaste_data();
    void compactPaste();
    void cutLabels_data();
    void cutLabels();
    void splitZipLine_data();
    void splitZipLine();
    void classifyPrecedence();
    void fillFields();
    void splitPasteLines_data();
    void splitPasteLines();
    void pasteBoxIsEmpty();
    void longAddressWarning_data();
    void longAddressWarning();
    void labelList();
};

void PipelineTest::workedExampleSteps()
{
    const QStringList compacted = CompactPaste(workedExample());
    QCOMPARE(compacted.size(), 5);

    const QStringList cleaned = CutLabels(compacted);
    const QStringList expectedBox = sevenLines({
        u"見本　花子"_s,
        u"123-4567"_s,
        u"東京都"_s,
        u"架空区見本町１－２－３　サンプルハイツ１０１号"_s,
        u"０９０－００００－１１１１"_s,
    });
    QCOMPARE(cleaned, expectedBox);
    QCOMPARE(SplitZipLine(cleaned), expectedBox);

    const CollectedValues found = ClassifyLines(expectedBox);
    QCOMPARE(found.zip, u"123-4567"_s);
    QCOMPARE(found.tel, u"０９０－００００－１１１１"_s);
    QCOMPARE(found.prefecture, u"東京都"_s);
    QCOMPARE(found.address1, u"架空区見本町１－２－３　サンプルハイツ１０１号"_s);
    QCOMPARE(found.address2, QString());
    QCOMPARE(found.name, u"見本　花子"_s);

    const TransferResult result = TransferText(workedExample());
    QVERIFY(result.foundText);
    QCOMPARE(result.pasteBox, expectedBox);
    QCOMPARE(result.fields.zip, u"123-4567"_s);
    QCOMPARE(result.fields.add1, u"東京都架空区見本町１－２－３　サンプルハイツ１０１号"_s);
    QCOMPARE(result.fields.add2, QString());
    QCOMPARE(result.fields.custo1, u"見本　花子"_s);
    QCOMPARE(result.fields.tel, u"090-0000-1111"_s);
}

void PipelineTest::workedExampleAgain()
{
    const TransferResult first = TransferText(workedExample());
    const TransferResult second = TransferText(first.pasteBox);
    QVERIFY(second.foundText);
    QCOMPARE(second.fields, first.fields);
    QCOMPARE(second.pasteBox, first.pasteBox);
    // The window holds the box as one text: the round trip through it changes nothing.
    const TransferResult third = TransferText(SplitPasteLines(first.pasteBox.join(u'\n')));
    QCOMPARE(third.fields, first.fields);
}

void PipelineTest::noText_data()
{
    QTest::addColumn<QStringList>("paste");

    QTest::newRow("empty box") << QStringList();
    QTest::newRow("one empty line") << QStringList{QString()};
    QTest::newRow("blanks and a mail address")
        << QStringList{u"   "_s, u"\t"_s, u"hanako@example.jp"_s, QString(), u"\r"_s};
    QTest::newRow("only mail signs") << QStringList{u"www.example.com"_s, u"info.org"_s};
    // Only the first 16 lines are read.
    QStringList late(16, u" "_s);
    late.append(u"見本　花子"_s);
    QTest::newRow("text on line 17") << late;
}

void PipelineTest::noText()
{
    QFETCH(QStringList, paste);
    const TransferResult result = TransferText(paste);
    QVERIFY(!result.foundText);
    QVERIFY(result.pasteBox.isEmpty());
    QCOMPARE(result.fields, DestinationFields{});
    QCOMPARE(noTextNotice(), u"転送テキストがありません"_s);
}

void PipelineTest::edgeCases_data()
{
    transfercheck::addColumns();

    QTest::newRow("more than seven lines: only seven read")
        << QStringList{u"見本　花子"_s, u"123-4567"_s, u"東京都"_s, u"架空区見本町1-2-3"_s,
                       u"見本ハイツ101"_s, u"見本の補足一"_s, u"見本の補足二"_s, u"03-1234-5678"_s,
                       u"見本の補足三"_s}
        << QStringList{u"見本　花子"_s, u"123-4567"_s, u"東京都"_s, u"架空区見本町1-2-3"_s,
                       u"見本ハイツ101"_s, u"見本の補足一"_s, u"見本の補足二"_s}
        << u"123-4567"_s << u"東京都架空区見本町1-2-3"_s << u"見本ハイツ101"_s << u"見本　花子"_s << QString();

    QTest::newRow("greeting taken as the name")
        << QStringList{u"ご注文ありがとうございます"_s, u"見本　花子"_s, u"123-4567"_s}
        << sevenLines({u"ご注文ありがとうございます"_s, u"見本　花子"_s, u"123-4567"_s})
        << u"123-4567"_s << QString() << QString() << u"ご注文ありがとうございます"_s << QString();

    QTest::newRow("seven-digit postal code is an address")
        << QStringList{u"1234567"_s, u"架空区見本町1-2-3"_s}
        << sevenLines({u"1234567"_s, u"架空区見本町1-2-3"_s})
        << QString() << u"1234567"_s << u"架空区見本町1-2-3"_s << QString() << QString();

    QTest::newRow("eight digits are a postal code")
        << QStringList{u"12345678"_s} << sevenLines({u"12345678"_s})
        << u"12345678"_s << QString() << QString() << QString() << QString();

    QTest::newRow("rest of postal-code line to first empty line below")
        << QStringList{u"〒123-4567 東京都架空区見本町1-2-3"_s, u"見本マンション２０５"_s, u"TEL 03-1234-5678"_s}
        << sevenLines({u"123-4567"_s, u"見本マンション２０５"_s, u"03-1234-5678"_s, u" 東京都架空区見本町1-2-3"_s})
        << u"123-4567"_s << u"見本マンション２０５"_s << u"東京都架空区見本町1-2-3"_s << QString()
        << u"03-1234-5678"_s;

    QTest::newRow("short rest is not split off")
        << QStringList{u"123-4567 見本"_s}
        << sevenLines({u"123-4567 見本"_s})
        << QString() << u"123-4567 見本"_s << QString() << QString() << QString();

    QTest::newRow("rest of exactly seven is split off")
        << QStringList{u"123-4567見本町1-23"_s}
        << sevenLines({u"123-4567"_s, u"見本町1-23"_s})
        << u"123-4567"_s << u"見本町1-23"_s << QString() << QString() << QString();

    QTest::newRow("rest of six stays")
        << QStringList{u"123-4567見本町1-2"_s}
        << sevenLines({u"123-4567見本町1-2"_s})
        << QString() << u"123-4567見本町1-2"_s << QString() << QString() << QString();

    QTest::newRow("rest dropped when no line below is empty")
        << QStringList{u"123-4567 東京都架空区見本町1-2-3"_s, u"見本　花子"_s, u"行二"_s, u"行三"_s,
                       u"行四"_s, u"行五"_s, u"行六"_s}
        << QStringList{u"123-4567"_s, u"見本　花子"_s, u"行二"_s, u"行三"_s, u"行四"_s, u"行五"_s, u"行六"_s}
        << u"123-4567"_s << QString() << QString() << u"見本　花子"_s << QString();

    QTest::newRow("rest split again further down")
        << QStringList{u"1234567812345678東京都架空区見本町"_s}
        << sevenLines({u"12345678"_s, u"12345678"_s, u"東京都架空区見本町"_s})
        << u"12345678"_s << u"東京都架空区見本町"_s << QString() << QString() << QString();

    QTest::newRow("brackets and FAX become addresses")
        << QStringList{u"(03)1234-5678"_s, u"FAX 03-1234-5679"_s, u"見本　花子"_s}
        << sevenLines({u"(03)1234-5678"_s, u"FAX 03-1234-5679"_s, u"見本　花子"_s})
        << QString() << u"(03)1234-5678"_s << u"FAX 03-1234-5679"_s << u"見本　花子"_s << QString();

    QTest::newRow("third address dropped")
        << QStringList{u"架空区見本町1-2-3"_s, u"見本マンション205"_s, u"架空区見本町4-5-6"_s}
        << sevenLines({u"架空区見本町1-2-3"_s, u"見本マンション205"_s, u"架空区見本町4-5-6"_s})
        << QString() << u"架空区見本町1-2-3"_s << u"見本マンション205"_s << QString() << QString();

    QTest::newRow("prefecture joined without blank")
        << QStringList{u"東京都"_s, u"架空区見本町1-2-3"_s}
        << sevenLines({u"東京都"_s, u"架空区見本町1-2-3"_s})
        << QString() << u"東京都架空区見本町1-2-3"_s << QString() << QString() << QString();

    QTest::newRow("prefecture below the address still goes in front")
        << QStringList{u"架空区見本町1-2-3"_s, u"東京都"_s, u"大阪府"_s}
        << sevenLines({u"架空区見本町1-2-3"_s, u"東京都"_s, u"大阪府"_s})
        << QString() << u"東京都架空区見本町1-2-3"_s << QString() << QString() << QString();

    QTest::newRow("prefecture inside an address line stays there")
        << QStringList{u"東京都架空区見本町1-2-3"_s}
        << sevenLines({u"東京都架空区見本町1-2-3"_s})
        << QString() << u"東京都架空区見本町1-2-3"_s << QString() << QString() << QString();

    QTest::newRow("short room line is the name")
        << QStringList{u"５０１号室"_s, u"見本　花子"_s}
        << sevenLines({u"501号室"_s, u"見本　花子"_s})
        << QString() << QString() << QString() << u"501号室"_s << QString();

    QTest::newRow("label words removed inside words")
        << QStringList{u"Hotel Sample"_s, u"見本町ところ坂1-2"_s}
        << sevenLines({u"Ho Sample"_s, u"見本町坂1-2"_s})
        << QString() << u"見本町坂1-2"_s << QString() << u"Ho Sample"_s << QString();

    QTest::newRow("three-character leading number turns the line half-width")
        << QStringList{u"100 ハイツ"_s, u"１２３ハイツ見本"_s, u"０９０－ハイツ見本"_s}
        << sevenLines({u"100 ﾊｲﾂ"_s, u"123ﾊｲﾂ見本"_s, u"０９０－ハイツ見本"_s})
        << QString() << u"100 ﾊｲﾂ"_s << u"123ﾊｲﾂ見本"_s << QString() << QString();

    QTest::newRow("second postal code and telephone dropped")
        << QStringList{u"111-2222"_s, u"333-4444"_s, u"03-0000-1111"_s, u"03-0000-2222"_s}
        << sevenLines({u"111-2222"_s, u"333-4444"_s, u"03-0000-1111"_s, u"03-0000-2222"_s})
        << u"111-2222"_s << QString() << QString() << QString() << u"03-0000-1111"_s;

    QTest::newRow("full-width spaces only")
        << QStringList{u"　　"_s} << sevenLines({})
        << QString() << QString() << QString() << QString() << QString();

    QTest::newRow("label repeated after a removal")
        << QStringList{u"TETELL"_s, u"TETETELLL"_s}
        << sevenLines({QString(), u"TEL"_s})
        << QString() << QString() << QString() << u"TEL"_s << QString();

    QTest::newRow("line breaks inside a line count as lines")
        << QStringList{u"見本　花子\r\n123-4567\n東京都"_s}
        << sevenLines({u"見本　花子"_s, u"123-4567"_s, u"東京都"_s})
        << u"123-4567"_s << u"東京都"_s << QString() << u"見本　花子"_s << QString();
}

void PipelineTest::edgeCases()
{
    transfercheck::checkRow();
}

void PipelineTest::compactPaste_data()
{
    QTest::addColumn<QStringList>("paste");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("trimmed, empty and mail lines skipped")
        << QStringList{u"  見本 \t"_s, QString(), u"a@b"_s, u" \r"_s, u"　見本　"_s}
        << QStringList{u"見本"_s, u"　見本　"_s};
    QStringList many;
    for (int i = 1; i <= 20; ++i)
        many.append(QString::number(i));
    QTest::newRow("sixteen lines read") << many << many.mid(0, 16);
    QTest::newRow("line breaks split before counting")
        << QStringList{u"a\nb"_s, u"c\rd"_s, u"e\u2028f"_s, u"g\r\n\r\nh"_s}
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s};
}

void PipelineTest::compactPaste()
{
    QFETCH(QStringList, paste);
    QFETCH(QStringList, expected);
    QCOMPARE(CompactPaste(paste), expected);
}

void PipelineTest::cutLabels_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name label and honorific") << u"お名前：見本　花子 様"_s << u"見本　花子"_s;
    QTest::newRow("postal mark") << u"〒１２３－４５６７"_s << u"123-4567"_s;
    QTest::newRow("phone label, mobile stays full-width") << u"電話番号：０９０－１２３４－５６７８"_s
                                                          << u"０９０－１２３４－５６７８"_s;
    QTest::newRow("お電話番号 whole") << u"お電話番号 03-0000-0000"_s << u"03-0000-0000"_s;
    QTest::newRow("tel sign") << u"℡ 03-0000-0000"_s << u"03-0000-0000"_s;
    QTest::newRow("full-width Tel") << u"Ｔｅｌ．03"_s << u".03"_s;
    QTest::newRow("address label with number") << u"おところ１：架空市見本町"_s << u"架空市見本町"_s;
    QTest::newRow("address label with circled number") << u"おところ①架空市見本町"_s << u"①架空市見本町"_s;
    QTest::newRow("destination label") << u"お届け先住所：架空市"_s << u"架空市"_s;
    QTest::newRow("label only") << u"ご住所："_s << QString();
    QTest::newRow("spaces between labels") << u"〒 　郵便番号 123-4567"_s << u"123-4567"_s;
    QTest::newRow("hiragana label") << u"おなまえ　見本"_s << u"見本"_s;
    QTest::newRow("tab kept behind full-width space") << u"様　\t見本"_s << u"\t見本"_s;
    QTest::newRow("long numbered line cut at 255") << QString(300, u'１') << QString(255, u'1');
}

void PipelineTest::cutLabels()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    const QStringList lines = CutLabels({line});
    QCOMPARE(lines.size(), kWorkingLineCount);
    QCOMPARE(lines.first(), expected);
}

void PipelineTest::splitZipLine_data()
{
    QTest::addColumn<QStringList>("box");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("rest at most 80 characters")
        << QStringList{u"123-4567"_s + QString(100, u'a')}
        << sevenLines({u"123-4567"_s, QString(80, u'a')});
    QTest::newRow("full-width space line is not empty")
        << QStringList{u"123-4567 見本町一丁目"_s, u"見本"_s, u"　"_s}
        << sevenLines({u"123-4567"_s, u"見本"_s, u"　"_s, u" 見本町一丁目"_s});
    QTest::newRow("full-width postal code")
        << QStringList{u"１２３－４５６７見本町一丁目二番"_s}
        << sevenLines({u"１２３－４５６７"_s, u"見本町一丁目二番"_s});
    QTest::newRow("lines read trimmed")
        << QStringList{u"  見本\t"_s} << sevenLines({u"見本"_s});
}

void PipelineTest::splitZipLine()
{
    QFETCH(QStringList, box);
    QFETCH(QStringList, expected);
    QCOMPARE(SplitZipLine(box), expected);
}

void PipelineTest::classifyPrecedence()
{
    // A postal code before a prefecture before a name; upper lines win.
    const CollectedValues found = ClassifyLines(sevenLines({
        u"見本　一郎"_s,
        u"東京都"_s,
        u"見本　二郎"_s,
        u"北海道"_s,
        u"123-4567"_s,
        u"架空区見本町1-2-3"_s,
        u"  090-0000-0000  "_s,
    }));
    QCOMPARE(found.name, u"見本　一郎"_s);
    QCOMPARE(found.prefecture, u"東京都"_s);
    QCOMPARE(found.zip, u"123-4567"_s);
    QCOMPARE(found.address1, u"架空区見本町1-2-3"_s);
    QCOMPARE(found.address2, QString());
    QCOMPARE(found.tel, u"090-0000-0000"_s);
}

void PipelineTest::fillFields()
{
    CollectedValues values;
    values.zip = u"１２３－４５６７"_s;
    values.tel = u"０３－００００－１１１１"_s;
    values.prefecture = u" 東京都 "_s;
    values.address1 = u"\t架空区見本町 "_s;
    values.address2 = u"見本ビル"_s;
    values.name = u"見本　花子"_s;
    const DestinationFields fields = FillFields(values);
    QCOMPARE(fields.zip, u"123-4567"_s);
    QCOMPARE(fields.tel, u"03-0000-1111"_s);
    QCOMPARE(fields.add1, u"東京都架空区見本町"_s);
    QCOMPARE(fields.add2, u"見本ビル"_s);
    QCOMPARE(fields.custo1, u"見本　花子"_s);

    QCOMPARE(FillFields({}), DestinationFields{});
}

void PipelineTest::splitPasteLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QString() << QStringList{QString()};
    QTest::newRow("CR LF") << u"a\r\nb"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("CR and LF") << u"a\rb\nc"_s << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("trailing break") << u"a\n"_s << QStringList{u"a"_s, QString()};
    QTest::newRow("LF CR is two breaks") << u"a\n\rb"_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("paragraph separator") << u"a\u2029b"_s << QStringList{u"a"_s, u"b"_s};
}

void PipelineTest::splitPasteLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(SplitPasteLines(text), expected);
}

void PipelineTest::pasteBoxIsEmpty()
{
    QVERIFY(PasteBoxIsEmpty(QString()));
    QVERIFY(!PasteBoxIsEmpty(u"\n"));
    QVERIFY(!PasteBoxIsEmpty(u" "));
}

void PipelineTest::longAddressWarning_data()
{
    QTest::addColumn<QStringList>("paste");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("warns");

    const QString address = u"架空区見本町一丁目二番三号サンプルマンション見本ウエストタワー１２０５号室"_s;
    QTest::newRow("forty characters") << QStringList{u"東京都"_s, address} << qsizetype(40) << false;
    QTest::newRow("forty-one characters") << QStringList{u"東京都"_s, address + u"Ａ"_s} << qsizetype(41) << true;
}

void PipelineTest::longAddressWarning()
{
    QFETCH(QStringList, paste);
    QFETCH(qsizetype, length);
    QFETCH(bool, warns);
    const TransferResult result = TransferText(paste);
    QCOMPARE(result.fields.add1.size(), length);
    QCOMPARE(Address1TooLong(result.fields.add1), warns);
    QCOMPARE(Edit_WarningText(result.fields.add1),
             warns ? u"警告:おところ①の文字数が多すぎます。　おところ②へ分割してください"_s : QString());
    QCOMPARE(Edit_WarningText(QString(40, u'x')), QString());
    QCOMPARE(Edit_WarningText(QString(41, u'x')), longAddressWarningText());
}

void PipelineTest::labelList()
{
    const auto words = labelWords();
    QCOMPARE(words.size(), std::size_t(45));
    QCOMPARE(words.front(), u"：");
    QCOMPARE(words[7], u"TEL");
    QCOMPARE(words[12], u"TEL");
    QCOMPARE(words.back(), u"届け先");
}

QTEST_APPLESS_MAIN(PipelineTest)
#include "pipeline_test.moc"
