// Reading numbers written in Japanese text: the character classes, the width folding,
// the digits of grouped numbers, and the same code or number read alike by every
// reader of the program (postal lookup, order import, smart transfer).
#include "orders/repairs.h"
#include "platform/textnormalize.h"
#include "postal/addresskey.h"
#include "postal/postalcode.h"
#include "transfer/smartnumbers.h"
#include "transfer/smarttransfer.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString importedZip(const QString &cell)
{
    orders::Repairs repairs;
    return orders::repairZip({cell}, &repairs);
}

QString importedTel(const QString &cell)
{
    orders::Repairs repairs;
    return orders::repairTel({cell}, &repairs);
}

QString codeAsHex(QChar c)
{
    return u"U+%1"_s.arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

class TextNormalizeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- Characters --------------------------------------------------------------------

    void hyphenLike_data()
    {
        QTest::addColumn<QChar>("c");
        QTest::addColumn<bool>("hyphen");
        QTest::newRow("hyphen-minus") << QChar(u'-') << true;
        QTest::newRow("full-width hyphen-minus") << QChar(u'－') << true;
        QTest::newRow("small hyphen-minus") << QChar(u'\uFE63') << true;
        QTest::newRow("hyphen") << QChar(u'\u2010') << true;
        QTest::newRow("no-break hyphen") << QChar(u'\u2011') << true;
        QTest::newRow("figure dash") << QChar(u'\u2012') << true;
        QTest::newRow("en dash") << QChar(u'–') << true;
        QTest::newRow("em dash") << QChar(u'—') << true;
        QTest::newRow("horizontal bar") << QChar(u'―') << true;
        QTest::newRow("minus sign") << QChar(u'−') << true;
        QTest::newRow("long-vowel mark") << QChar(u'ー') << true;
        QTest::newRow("half-width long-vowel mark") << QChar(u'ｰ') << true;
        QTest::newRow("box drawing light") << QChar(u'─') << true;
        QTest::newRow("box drawing heavy") << QChar(u'━') << true;
        QTest::newRow("wave dash") << QChar(u'〜') << false;
        QTest::newRow("full-width tilde") << QChar(u'～') << false;
        QTest::newRow("soft hyphen") << QChar(u'\u00AD') << false;
        QTest::newRow("underscore") << QChar(u'_') << false;
        QTest::newRow("katakana middle dot") << QChar(u'・') << false;
        QTest::newRow("kanji one") << QChar(u'一') << false;
        QTest::newRow("postal mark") << QChar(u'〒') << false;
        QTest::newRow("space") << QChar(u' ') << false;
        QTest::newRow("digit") << QChar(u'1') << false;
    }
    void hyphenLike()
    {
        QFETCH(QChar, c);
        QFETCH(bool, hyphen);
        QCOMPARE(platform::isHyphenLike(c), hyphen);
    }

    void digits_data()
    {
        QTest::addColumn<QChar>("c");
        QTest::addColumn<int>("value");
        QTest::newRow("0") << QChar(u'0') << 0;
        QTest::newRow("9") << QChar(u'9') << 9;
        QTest::newRow("full-width 0") << QChar(u'０') << 0;
        QTest::newRow("full-width 5") << QChar(u'５') << 5;
        QTest::newRow("full-width 9") << QChar(u'９') << 9;
        QTest::newRow("before 0") << QChar(u'/') << -1;
        QTest::newRow("after 9") << QChar(u':') << -1;
        QTest::newRow("before full-width 0") << QChar(u'／') << -1;
        QTest::newRow("after full-width 9") << QChar(u'：') << -1;
        QTest::newRow("Arabic-Indic three") << QChar(u'٣') << -1;
        QTest::newRow("circled one") << QChar(u'①') << -1;
        QTest::newRow("superscript two") << QChar(u'²') << -1;
        QTest::newRow("kanji zero") << QChar(u'〇') << -1;
        QTest::newRow("letter") << QChar(u'Ａ') << -1;
    }
    void digits()
    {
        QFETCH(QChar, c);
        QFETCH(int, value);
        QCOMPARE(platform::digitValue(c), value);
        QCOMPARE(platform::isDigit(c), value >= 0);
    }

    // The computed range agrees with Qt's Unicode tables: every <wide> form of an ASCII
    // character (or of the space) becomes that character, and nothing else changes.
    void halfWidthFollowsUnicode()
    {
        int wideForms = 0;
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const QChar c{char16_t(u)};
            const QString target = QChar::decomposition(u);
            const bool wideAscii = QChar::decompositionTag(u) == QChar::Wide && target.size() == 1
                                   && target.at(0).unicode() >= 0x20 && target.at(0).unicode() < 0x7F;
            wideForms += wideAscii;
            const QChar expected = wideAscii ? target.at(0) : c;
            if (platform::toHalfWidth(c) != expected)
                QFAIL(qPrintable(codeAsHex(c)));
        }
        QCOMPARE(wideForms, 95); // "！" to "～" and the ideographic space
    }

    // --- Texts -------------------------------------------------------------------------

    void hyphensAfterDigits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("long-vowel mark in a code") << u"151ー0053"_s << u"151-0053"_s;
        QTest::newRow("half-width marks in a number") << u"090ｰ1234ｰ5678"_s << u"090-1234-5678"_s;
        QTest::newRow("after full-width digits") << u"１−２―３"_s << u"１-２-３"_s;
        QTest::newRow("katakana word keeps its mark") << u"コーポ1ー2"_s << u"コーポ1-2"_s;
        QTest::newRow("only the first of two") << u"1ーー2"_s << u"1-ー2"_s;
        QTest::newRow("after a blank") << u"1 ー2"_s << u"1 ー2"_s;
        QTest::newRow("after a kanji numeral") << u"五ー1"_s << u"五ー1"_s;
        QTest::newRow("at the start") << u"ー1"_s << u"ー1"_s;
        QTest::newRow("wave dash is no hyphen") << u"1〜3"_s << u"1〜3"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void hyphensAfterDigits()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(platform::hyphensAfterDigits(text), expected);
    }

    void digitsOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digits");
        QTest::newRow("postal code with mark") << u"〒１５１－００５３"_s << u"1510053"_s;
        QTest::newRow("telephone with note") << u"090-1234-5678(携帯)"_s << u"09012345678"_s;
        QTest::newRow("other scripts' digits dropped") << u"1٢3"_s << u"13"_s;
        QTest::newRow("no digits") << u"不明"_s << QString();
    }
    void digitsOnly()
    {
        QFETCH(QString, text);
        QFETCH(QString, digits);
        QCOMPARE(platform::digitsOnly(text), digits);
    }

    void groupedDigits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<QString>("digits");
        QTest::newRow("hyphen") << u"151-0053"_s << true << u"1510053"_s;
        QTest::newRow("full width") << u"１５１－００５３"_s << true << u"1510053"_s;
        QTest::newRow("long-vowel mark") << u"151ー0053"_s << true << u"1510053"_s;
        QTest::newRow("blank") << u"151 0053"_s << true << u"1510053"_s;
        QTest::newRow("ideographic space and tab") << u"\u3000151\t0053\u3000"_s << true << u"1510053"_s;
        QTest::newRow("no-break space") << u"151\u00A00053"_s << true << u"1510053"_s;
        QTest::newRow("separators only") << u"--　"_s << true << QString();
        QTest::newRow("empty") << QString() << true << QString();
        QTest::newRow("postal mark") << u"〒151-0053"_s << false << QString();
        QTest::newRow("letter") << u"151-005A"_s << false << QString();
        QTest::newRow("bracket") << u"(03)1234-5678"_s << false << QString();
        QTest::newRow("wave dash") << u"151〜0053"_s << false << QString();
        QTest::newRow("other script's digit") << u"15١"_s << false << QString();
    }
    void groupedDigits()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(QString, digits);
        const std::optional<QString> read = platform::groupedDigits(text);
        QCOMPARE(read.has_value(), number);
        QCOMPARE(read.value_or(QString()), digits);
    }

    // --- The same code and number in every reader ---------------------------------------

    void postalCodeReadAlike_data()
    {
        QTest::addColumn<QString>("written");
        QTest::newRow("as printed") << u"151-0053"_s;
        QTest::newRow("long-vowel mark") << u"151ー0053"_s;
        QTest::newRow("full width") << u"１５１－００５３"_s;
        QTest::newRow("hyphen u+2010") << u"151‐0053"_s;
        QTest::newRow("mark and blank") << u"〒151 0053"_s;
        QTest::newRow("mark, full width, ideographic space") << u"〒１５１　００５３"_s;
        QTest::newRow("mark, blank, hyphen") << u"〒 151-0053"_s;
        QTest::newRow("minus sign") << u"151−0053"_s;
        QTest::newRow("half-width long-vowel mark") << u"151ｰ0053"_s;
        QTest::newRow("mixed widths, en dash") << u"１51–００53"_s;
    }
    void postalCodeReadAlike()
    {
        QFETCH(QString, written);
        const QString code = u"151-0053"_s;
        QCOMPARE(postal::formattedCode(written), code);
        QCOMPARE(importedZip(written), code);
        QCOMPARE(transfer::smart::findPostalCode(written, 0, false).value, code);
        QCOMPARE(transfer::SmartTransfer(written)[transfer::SmartField::Zip].value, code);
    }

    void telephoneReadAlike_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("number");
        QTest::newRow("mobile as printed") << u"090-1234-5678"_s << u"090-1234-5678"_s;
        QTest::newRow("mobile, long-vowel marks") << u"090ー1234ー5678"_s << u"090-1234-5678"_s;
        QTest::newRow("mobile, full width") << u"０９０－１２３４－５６７８"_s << u"090-1234-5678"_s;
        QTest::newRow("mobile, hyphens u+2010") << u"090‐1234‐5678"_s << u"090-1234-5678"_s;
        QTest::newRow("mobile, blanks") << u"090 1234 5678"_s << u"090-1234-5678"_s;
        QTest::newRow("mobile, ideographic spaces") << u"０９０　１２３４　５６７８"_s << u"090-1234-5678"_s;
        QTest::newRow("landline, long-vowel marks") << u"03ー1234ー5678"_s << u"03-1234-5678"_s;
        QTest::newRow("landline, minus signs") << u"03−1234−5678"_s << u"03-1234-5678"_s;
        QTest::newRow("landline, half-width marks") << u"03ｰ1234ｰ5678"_s << u"03-1234-5678"_s;
        QTest::newRow("free dial, em dashes") << u"0120—123—456"_s << u"0120-123-456"_s;
    }
    void telephoneReadAlike()
    {
        QFETCH(QString, written);
        QFETCH(QString, number);
        QCOMPARE(importedTel(written), number);
        QCOMPARE(transfer::smart::findTelephone(written, 0, false).value, number);
        QCOMPARE(transfer::SmartTransfer(u"TEL "_s + written)[transfer::SmartField::Tel].value, number);
    }

    // Every character taken for a hyphen parts a postal code and a telephone number
    // for all the readers, and is "-" in an address key after a digit.
    void everyHyphenReadAlike_data()
    {
        QTest::addColumn<QChar>("hyphen");
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const QChar c{char16_t(u)};
            if (platform::isHyphenLike(c))
                QTest::newRow(qPrintable(codeAsHex(c))) << c;
        }
    }
    void everyHyphenReadAlike()
    {
        QFETCH(QChar, hyphen);
        const QString code = u"151"_s + hyphen + u"0053"_s;
        QCOMPARE(postal::formattedCode(code), u"151-0053"_s);
        QCOMPARE(importedZip(code), u"151-0053"_s);
        QCOMPARE(transfer::smart::findPostalCode(code, 0, false).value, u"151-0053"_s);
        const QString tel = u"090"_s + hyphen + u"1234"_s + hyphen + u"5678"_s;
        QCOMPARE(importedTel(tel), u"090-1234-5678"_s);
        QCOMPARE(transfer::smart::findTelephone(tel, 0, false).value, u"090-1234-5678"_s);
        QCOMPARE(postal::addressKey(u"代々木1"_s + hyphen + u"2"_s), u"代々木1-2"_s);
    }

    // Look-alikes that are not hyphens make no code for any reader.
    void notHyphensReadAlike_data()
    {
        QTest::addColumn<QString>("written");
        QTest::newRow("wave dash") << u"151〜0053"_s;
        QTest::newRow("full-width tilde") << u"151～0053"_s;
        QTest::newRow("katakana middle dot") << u"151・0053"_s;
        QTest::newRow("underscore") << u"151_0053"_s;
    }
    void notHyphensReadAlike()
    {
        QFETCH(QString, written);
        QCOMPARE(postal::normalizedCode(written), QString());
        QVERIFY(!transfer::smart::findPostalCode(written, 0, false).found());
    }

    void addressKeyReadsAlike_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("key");
        QTest::newRow("as written in the data") << u"代々木１－２－３"_s << u"代々木1-2-3"_s;
        QTest::newRow("long-vowel marks") << u"代々木1ー2ー3"_s << u"代々木1-2-3"_s;
        QTest::newRow("half-width marks, blanks") << u"代々木 1ｰ2ｰ3"_s << u"代々木1-2-3"_s;
        QTest::newRow("hyphens u+2010") << u"代々木1‐2‐3"_s << u"代々木1-2-3"_s;
        QTest::newRow("katakana word keeps its mark") << u"コーポ代々木1ー2"_s << u"コーポ代々木1-2"_s;
        QTest::newRow("half-width katakana word") << u"ｺｰﾎﾟ1ｰ2"_s << u"コーポ1-2"_s;
    }
    void addressKeyReadsAlike()
    {
        QFETCH(QString, written);
        QFETCH(QString, key);
        QCOMPARE(postal::addressKey(written), key);
    }
};

QTEST_GUILESS_MAIN(TextNormalizeTest)
#include "tst_textnormalize.moc"
