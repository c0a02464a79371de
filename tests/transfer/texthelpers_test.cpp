#include "transfer/texthelpers.h"

#include <QTest>

#include <climits>

using namespace transfer;
using namespace Qt::StringLiterals;

class TextHelpersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countOccurrences_data();
    void countOccurrences();
    void strToIntZero_data();
    void strToIntZero();
    void trimBlanks();
    void trimAllSpaces_data();
    void trimAllSpaces();
    void toHalfWidth_data();
    void toHalfWidth();
    void toHalfWidthAsciiForms();
    void toHalfWidthKatakanaRow();
    void toHalfWidthOnlyKnownTargets();
    void toHalfWidthLimit_data();
    void toHalfWidthLimit();
    void leadingNumber_data();
    void leadingNumber();
};

void TextHelpersTest::countOccurrences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<qsizetype>("expected");

    QTest::newRow("no at sign") << u"見本　花子"_s << u"@"_s << qsizetype(0);
    QTest::newRow("hyphens in phone") << u"03-1234-5678"_s << u"-"_s << qsizetype(2);
    QTest::newRow("aa in aaaa") << u"aaaa"_s << u"aa"_s << qsizetype(2);
    QTest::newRow("aa in aaa, no overlap") << u"aaa"_s << u"aa"_s << qsizetype(1);
    QTest::newRow("aba in ababa, no overlap") << u"ababa"_s << u"aba"_s << qsizetype(1);
    QTest::newRow("past full-width space: 丁目") << u"東京都　架空区一丁目"_s << u"丁目"_s << qsizetype(1);
    QTest::newRow("past full-width space: 区") << u"東京都　架空区一丁目"_s << u"区"_s << qsizetype(1);
    QTest::newRow("width counts") << u"Ｆ"_s << u"F"_s << qsizetype(0);
    QTest::newRow("case counts") << u"TEL"_s << u"tel"_s << qsizetype(0);
    QTest::newRow("full-width at sign") << u"taro＠example"_s << u"@"_s << qsizetype(0);
    QTest::newRow("kana type counts") << u"みほんびる"_s << u"ビル"_s << qsizetype(0);
    QTest::newRow("match at the very end") << u"xxab"_s << u"ab"_s << qsizetype(1);
    QTest::newRow("pattern longer than text") << u"ab"_s << u"abc"_s << qsizetype(0);
    QTest::newRow("partial match at end") << u"xxa"_s << u"ab"_s << qsizetype(0);
    QTest::newRow("single character, every one") << u"aaaa"_s << u"a"_s << qsizetype(4);
    QTest::newRow("empty text") << QString() << u"-"_s << qsizetype(0);
    QTest::newRow("empty pattern finds nothing") << u"abc"_s << QString() << qsizetype(0);
    QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + u"x"_s + QChar(0xD800)
                                     << QString(QChar(0xD800)) << qsizetype(2);
    QTest::newRow("NUL characters") << QString(3, QChar(0)) << QString(QChar(0)) << qsizetype(3);
}

void TextHelpersTest::countOccurrences()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(qsizetype, expected);
    QCOMPARE(CountOccurrences(text, pattern), expected);
}

void TextHelpersTest::strToIntZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    // Not integers: 0.
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("letters") << u"abc"_s << 0;
    QTest::newRow("trailing space") << u" 12 "_s << 0;
    QTest::newRow("too large") << u"99999999999"_s << 0;
    QTest::newRow("one past max") << u"2147483648"_s << 0;
    QTest::newRow("one past min") << u"-2147483649"_s << 0;
    QTest::newRow("only spaces") << u"   "_s << 0;
    QTest::newRow("sign only") << u"-"_s << 0;
    QTest::newRow("plus only") << u"+"_s << 0;
    QTest::newRow("two signs") << u"--1"_s << 0;
    QTest::newRow("space after sign") << u"- 1"_s << 0;
    QTest::newRow("leading tab") << u"\t12"_s << 0;
    QTest::newRow("full-width digits") << u"１２"_s << 0;
    QTest::newRow("digits then letter") << u"12a"_s << 0;
    QTest::newRow("inner space") << u"1 2"_s << 0;
    QTest::newRow("decimal point") << u"3.0"_s << 0;
    QTest::newRow("exponent") << u"1e3"_s << 0;
    QTest::newRow("dollar alone") << u"$"_s << 0;
    QTest::newRow("0x alone") << u"0x"_s << 0;
    QTest::newRow("bad hex digit") << u"$G"_s << 0;
    QTest::newRow("sign after dollar") << u"$-1"_s << 0;
    QTest::newRow("nine significant hex digits") << u"$100000000"_s << 0;
    // At most eight hexadecimal digits, leading zeros included.
    QTest::newRow("nine hex digits with leading zero") << u"$000000001"_s << 0;
    QTest::newRow("zero text") << u"0"_s << 0;

    // Integers.
    QTest::newRow("leading spaces") << u"  12"_s << 12;
    QTest::newRow("negative") << u"-7"_s << -7;
    QTest::newRow("plus sign") << u"+5"_s << 5;
    QTest::newRow("leading zeros") << u"0012"_s << 12;
    QTest::newRow("max") << u"2147483647"_s << INT_MAX;
    QTest::newRow("min") << u"-2147483648"_s << INT_MIN;
    QTest::newRow("dollar hex") << u"$1F"_s << 31;
    QTest::newRow("lower-case hex") << u"$1f"_s << 31;
    QTest::newRow("0x hex") << u"0x10"_s << 16;
    QTest::newRow("0X hex") << u"0X1a"_s << 26;
    QTest::newRow("x hex") << u"x10"_s << 16;
    QTest::newRow("X hex") << u"X10"_s << 16;
    QTest::newRow("eight hex digits, all ones") << u"$FFFFFFFF"_s << -1;
    QTest::newRow("hex bit pattern of min") << u"$80000000"_s << INT_MIN;
    QTest::newRow("hex max") << u"$7fffffff"_s << INT_MAX;
    QTest::newRow("negative hex") << u"-$1"_s << -1;
    QTest::newRow("spaces before hex") << u"  $A"_s << 10;
}

void TextHelpersTest::strToIntZero()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(StrToIntZero(text), expected);
}

void TextHelpersTest::trimBlanks()
{
    QCOMPARE(TrimBlanks(u"\t\r\n 見本 \x01"), u"見本"_s);
    QCOMPARE(TrimBlanks(u"　見本　"), u"　見本　"_s); // U+3000 is no blank
    QCOMPARE(TrimBlanks(QString(QChar(0)) + u"a"_s + QChar(0)), u"a"_s);
    QCOMPARE(TrimBlanks(u" \t "), QString());
    QCOMPARE(TrimLeftBlanks(u" \t a b "), u"a b "_s);
    QCOMPARE(TrimLeftBlanks(u"　a"), u"　a"_s);
}

void TextHelpersTest::trimAllSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("full-width and ordinary around") << u"　 見本 　"_s << u"見本"_s;
    QTest::newRow("full-width only") << u"　　"_s << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("blanks only") << u" \t\r\n"_s << QString();
    QTest::newRow("inner spaces kept") << u" 見　本 "_s << u"見　本"_s;
    QTest::newRow("tab after full-width space stays") << u"　\t見本"_s << u"\t見本"_s;
    QTest::newRow("tab before trailing full-width space stays") << u"見本\t　"_s << u"見本\t"_s;
    QTest::newRow("blanks then full-width space") << u"\t　 　x"_s << u"x"_s;
    QTest::newRow("line ends around") << u"\r\n見本\r\n"_s << u"見本"_s;
}

void TextHelpersTest::trimAllSpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(TrimAllSpaces(text), expected);
}

void TextHelpersTest::toHalfWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("postal code") << u"１２３－４５６７"_s << u"123-4567"_s;
    QTest::newRow("full-width space") << u"０９０　１２３４"_s << u"090 1234"_s;
    QTest::newRow("voiced kana grow") << u"ガイド"_s << u"ｶﾞｲﾄﾞ"_s;
    QTest::newRow("kanji unchanged") << u"東京都"_s << u"東京都"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("marks") << u"。「」、・"_s << u"｡｢｣､･"_s;
    QTest::newRow("long vowel and n") << u"アンー"_s << u"ｱﾝｰ"_s;
    QTest::newRow("semi-voiced") << u"パピプペポ"_s << u"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"_s;
    QTest::newRow("vu") << u"ヴ"_s << u"ｳﾞ"_s;
    QTest::newRow("small kana") << u"ァィゥェォャュョッ"_s << u"ｧｨｩｪｫｬｭｮｯ"_s;
    QTest::newRow("decomposed voiced kana") << u"カ\u3099"_s << u"ｶﾞ"_s;
    QTest::newRow("hiragana unchanged") << u"あいうがぱ"_s << u"あいうがぱ"_s;
    QTest::newRow("half-width unchanged") << u"ｱｲｳ abc 123"_s << u"ｱｲｳ abc 123"_s;
    QTest::newRow("kana without half-width form") << u"ヵヶヮヰヱ"_s << u"ヵヶヮヰヱ"_s;
    QTest::newRow("address with building") << u"サンプルハイツ１０１号"_s << u"ｻﾝﾌﾟﾙﾊｲﾂ101号"_s;
    QTest::newRow("mail-like") << u"ｍａｏ＠ｅｘａｍｐｌｅ．ｊｐ"_s << u"mao@example.jp"_s;
    QTest::newRow("full-width yen sign kept") << u"￥１００"_s << u"￥100"_s;
    QTest::newRow("hangul kept") << u"\u3131"_s << u"\u3131"_s;
    QTest::newRow("lone surrogate kept") << QString(QChar(0xDC00)) << QString(QChar(0xDC00));
}

void TextHelpersTest::toHalfWidth()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ToHalfWidth(text), expected);
}

void TextHelpersTest::toHalfWidthAsciiForms()
{
    // U+FF01 to U+FF5E are the full-width forms of U+0021 to U+007E, one to one.
    for (char16_t u = 0xFF01; u <= 0xFF5E; ++u) {
        const QString expected(QChar(char16_t(u - 0xFF01 + 0x21)));
        QCOMPARE(ToHalfWidth(QString(QChar(u))), expected);
    }
    QCOMPARE(ToHalfWidth(u"\u3000"), u" "_s);
}

void TextHelpersTest::toHalfWidthKatakanaRow()
{
    // The half-width katakana U+FF66 to U+FF9D in code order, and their full-width forms.
    const QString full = u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
                         u"ハヒフヘホマミムメモヤユヨラリルレロワン"_s;
    QCOMPARE(full.size(), 0xFF9D - 0xFF66 + 1);
    for (qsizetype i = 0; i < full.size(); ++i)
        QCOMPARE(ToHalfWidth(full.mid(i, 1)), QString(QChar(char16_t(0xFF66 + i))));

    const QString voiced = u"ガギグゲゴザジズゼゾダヂヅデドバビブベボ"_s;
    const QString bases = u"ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾊﾋﾌﾍﾎ"_s;
    for (qsizetype i = 0; i < voiced.size(); ++i)
        QCOMPARE(ToHalfWidth(voiced.mid(i, 1)), bases.mid(i, 1) + QChar(0xFF9E));
}

void TextHelpersTest::toHalfWidthOnlyKnownTargets()
{
    // Every character maps to itself, to ASCII (from a full-width form or the
    // full-width space), or to one or two half-width katakana.
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        const QString in{QChar(char16_t(u))};
        const QString out = ToHalfWidth(in);
        if (out == in)
            continue;
        const bool fromFullWidth = (u >= 0xFF01 && u <= 0xFF5E) || u == 0x3000;
        const bool toAscii = out.size() == 1 && out.at(0).unicode() >= 0x20 && out.at(0).unicode() <= 0x7E;
        const bool toKana = (out.size() == 1 || out.size() == 2)
                            && std::all_of(out.cbegin(), out.cend(), [](QChar c) {
                                   return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F;
                               });
        const bool katakanaSource = (u >= 0x3000 && u <= 0x30FF);
        QVERIFY2((fromFullWidth && toAscii) || (katakanaSource && toKana),
                 qPrintable(u"U+%1"_s.arg(quint32(u), 4, 16, QChar(u'0'))));
        // Half-width results stay as they are.
        QCOMPARE(ToHalfWidth(out), out);
    }
}

void TextHelpersTest::toHalfWidthLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("255 kept") << QString(255, u'1') << QString(255, u'1');
    QTest::newRow("300 cut") << QString(300, u'1') << QString(255, u'1');
    QTest::newRow("full-width cut") << QString(300, QChar(0xFF11)) << QString(255, u'1');
    // 200 voiced kana are 400 half-width units; the cut falls after a base kana.
    QString kana;
    for (int i = 0; i < 127; ++i)
        kana += u"ｶﾞ"_s;
    QTest::newRow("voiced kana cut") << QString(200, QChar(0x30AC)) << kana + u"ｶ"_s;
    // A surrogate pair across the limit is dropped whole.
    const QString pair = u"\U0001F600"_s;
    QTest::newRow("pair across the limit") << QString(254, u'a') + pair + u"b"_s << QString(254, u'a');
    QTest::newRow("pair inside the limit") << QString(253, u'a') + pair + u"b"_s << QString(253, u'a') + pair;
}

void TextHelpersTest::toHalfWidthLimit()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ToHalfWidth(text), expected);
}

void TextHelpersTest::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("postal code") << u"123-4567"_s << u"123"_s;
    QTest::newRow("mobile") << u"090-1234-5678"_s << u"90"_s;
    QTest::newRow("landline") << u"03-1234-5678"_s << u"3"_s;
    QTest::newRow("free dial") << u"0120-123-456"_s << u"120"_s;
    QTest::newRow("thousands") << u"1,234円の品"_s << u"1234"_s;
    QTest::newRow("three decimals") << u"12.3456"_s << u"12.345"_s;
    QTest::newRow("second point ends") << u"1.2.3"_s << u"1.2"_s;
    QTest::newRow("point first") << u".5"_s << u"0.5"_s;
    QTest::newRow("zeros") << u"000"_s << u"0"_s;
    QTest::newRow("negative with zeros") << u"-0012"_s << u"-12"_s;
    QTest::newRow("more than nine digits") << u"1234567890123"_s << u"123456789"_s;
    QTest::newRow("ten digits before point") << u"1234567890.5"_s << QString();
    QTest::newRow("full-width postal code") << u"１２３－４５６７"_s << u"123"_s;
    QTest::newRow("letter first") << u"abc123"_s << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("two minus") << u"--5"_s << u"-"_s;
    QTest::newRow("minus five") << u"-5"_s << u"-5"_s;
    QTest::newRow("negative, more than nine digits") << u"-1234567890"_s << u"-123456789"_s;
    QTest::newRow("full-width mobile") << u"０９０－１２３４"_s << u"90"_s;
    QTest::newRow("full-width comma and point") << u"１，２３４．５"_s << u"1234.5"_s;
    QTest::newRow("minus alone") << u"-"_s << u"-"_s;
    QTest::newRow("minus point") << u"-.5"_s << u"-0.5"_s;
    QTest::newRow("trailing point") << u"1."_s << u"1."_s;
    QTest::newRow("zero point five") << u"00.5"_s << u"0.5"_s;
    QTest::newRow("comma only") << u","_s << QString();
    QTest::newRow("leading blank ends") << u" 12"_s << QString();
    QTest::newRow("building number") << u"100 ハイツ"_s << u"100"_s;
    QTest::newRow("nine digits kept before zeros dropped") << u"0001234567890"_s << u"123456"_s;
    QTest::newRow("nine digits and decimals") << u"123456789.1234"_s << u"123456789.123"_s;
    QTest::newRow("minus later ends") << u"1-2"_s << u"1"_s;
}

void TextHelpersTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(LeadingNumber(text), expected);
}

QTEST_APPLESS_MAIN(TextHelpersTest)
#include "texthelpers_test.moc"
