#include "numedit/numeditmodel.h"
#include "numedit/numvalue.h"

#include <QTest>

using numedit::NumEditModel;
using numedit::NumFormat;

Q_DECLARE_METATYPE(numedit::NumFormat)

namespace {

NumFormat defaults()
{
    return {};
}

NumFormat quantity()
{
    NumFormat f;
    f.integerLength = 3;
    f.decimalLength = 0;
    return f;
}

NumFormat fixed(int decimals)
{
    NumFormat f;
    f.decimalFixed = true;
    f.decimalLength = decimals;
    return f;
}

NumFormat marked()
{
    NumFormat f;
    f.leftMark = QStringLiteral("¥");
    f.rightMark = QStringLiteral("円");
    return f;
}

} // namespace

class NumValueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filterText_data();
    void filterText();
    void trimZeros_data();
    void trimZeros();
    void formatText_data();
    void formatText();
    void writeText_data();
    void writeText();
    void writeSameTextKeepsValue();
    void limitsOnLiveValue_data();
    void limitsOnLiveValue();
    void negativeLimitsIgnored();
    void displaySettingsKeepValue();
    void caretParts_data();
    void caretParts();
};

void NumValueTest::filterText_data()
{
    QTest::addColumn<NumFormat>("format");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << defaults() << "1234567.891" << "1234567.891";
    QTest::newRow("separators skipped") << defaults() << "1,234" << "1234";
    QTest::newRow("full-width digits and comma") << defaults() << "１２，３４５" << "12345";
    QTest::newRow("full-width minus and point") << defaults() << "－１．５" << "-1.5";
    QTest::newRow("letter stops") << defaults() << "12a34" << "12";
    QTest::newRow("blank stops") << defaults() << "12 34" << "12";
    QTest::newRow("decimals cut") << defaults() << "1.2345" << "1.234";
    QTest::newRow("second point stops") << defaults() << "1.2.3" << "1.2";
    QTest::newRow("integers cut") << defaults() << "1234567890" << "123456789";
    QTest::newRow("integers cut keep sign") << defaults() << "-1234567890" << "-123456789";
    QTest::newRow("too many before point") << defaults() << "1234567890.5" << "";
    QTest::newRow("minus only first") << defaults() << "5-3" << "5";
    QTest::newRow("double minus") << defaults() << "--5" << "-";
    QTest::newRow("postal mark") << defaults() << "〒123" << "";
    QTest::newRow("leading point kept") << defaults() << ".5" << ".5";
    QTest::newRow("no decimals: point stops") << quantity() << "3.7" << "3";
    QTest::newRow("quantity 1000") << quantity() << "1000" << "100";
    QTest::newRow("quantity 0012: zeros are no digits") << quantity() << "0012" << "0012";
    QTest::newRow("quantity 00001234") << quantity() << "00001234" << "0000123";
    QTest::newRow("quantity -0007.5") << quantity() << "-0007.5" << "-0007";
    QTest::newRow("zeros before point") << quantity() << "0001.5" << "0001";
    QTest::newRow("quantity 2.5") << quantity() << "2.5" << "2";
    QTest::newRow("quantity -4") << quantity() << "-4" << "-4";
    NumFormat noMinus;
    noMinus.minus = false;
    QTest::newRow("minus off") << noMinus << "-3" << "";
    QTest::newRow("yen price") << defaults() << "１,２３４円" << "1234";
    QTest::newRow("empty") << defaults() << "" << "";
}

void NumValueTest::filterText()
{
    QFETCH(NumFormat, format);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(numedit::filterText(input, format), expected);
}

void NumValueTest::trimZeros_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("leading zeros") << "000123" << "123";
    QTest::newRow("only zeros") << "000" << "0";
    QTest::newRow("zero point") << "0.50" << "0.50";
    QTest::newRow("negative") << "-007.5" << "-7.5";
    QTest::newRow("point") << "." << "0.";
    QTest::newRow("minus") << "-" << "-";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("minus zero") << "-0" << "-0";
    QTest::newRow("minus zeros then digit") << "-05" << "-5";
    QTest::newRow("decimal zeros stay") << "00.00" << "0.00";
    QTest::newRow("minus point") << "-." << "-0.";
}

void NumValueTest::trimZeros()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(numedit::trimZeros(input), expected);
}

void NumValueTest::formatText_data()
{
    QTest::addColumn<NumFormat>("format");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("grouped") << defaults() << "1234567.891" << "1,234,567.891";
    QTest::newRow("negative grouped") << defaults() << "-1234" << "-1,234";
    QTest::newRow("trailing point") << defaults() << "12." << "12.";
    QTest::newRow("empty") << defaults() << "" << "";
    QTest::newRow("three digits") << defaults() << "123" << "123";
    QTest::newRow("six digits") << defaults() << "-123456" << "-123,456";
    NumFormat noComma;
    noComma.comma = false;
    QTest::newRow("no separators") << noComma << "1234567" << "1234567";
    QTest::newRow("fixed pads") << fixed(2) << "5" << "5.00";
    QTest::newRow("fixed pads decimals") << fixed(2) << "5.1" << "5.10";
    QTest::newRow("fixed empty") << fixed(2) << "" << "0.00";
    QTest::newRow("fixed minus") << fixed(2) << "-" << "-0.00";
    QTest::newRow("fixed cuts") << fixed(2) << "5.123" << "5.12";
    QTest::newRow("fixed no decimals") << fixed(0) << "12" << "12.";
    QTest::newRow("marks") << marked() << "1000" << "¥1,000円";
    QTest::newRow("marks empty") << marked() << "" << "";
    QTest::newRow("marks minus") << marked() << "-" << "¥-円";
    NumFormat fixedMarked = marked();
    fixedMarked.decimalFixed = true;
    fixedMarked.decimalLength = 2;
    QTest::newRow("marks around fixed zero") << fixedMarked << "" << "¥0.00円";
}

void NumValueTest::formatText()
{
    QFETCH(NumFormat, format);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(numedit::formatText(input, format), expected);
}

void NumValueTest::writeText_data()
{
    QTest::addColumn<NumFormat>("format");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("valText");

    QTest::newRow("1234567.891") << defaults() << "1234567.891" << "1234567.891" << "1,234,567.891";
    QTest::newRow("1,234") << defaults() << "1,234" << "1234" << "1,234";
    QTest::newRow("full-width") << defaults() << "１２，３４５" << "12345" << "12,345";
    QTest::newRow("-007.50") << defaults() << "-007.50" << "-7.50" << "-7.50";
    QTest::newRow("12a34") << defaults() << "12a34" << "12" << "12";
    QTest::newRow("1.2345") << defaults() << "1.2345" << "1.234" << "1.234";
    QTest::newRow("1.2.3") << defaults() << "1.2.3" << "1.2" << "1.2";
    QTest::newRow(".5") << defaults() << ".5" << "0.5" << "0.5";
    QTest::newRow("1234567890") << defaults() << "1234567890" << "123456789" << "123,456,789";
    QTest::newRow("-1234567890") << defaults() << "-1234567890" << "-123456789" << "-123,456,789";
    QTest::newRow("1234567890.5") << defaults() << "1234567890.5" << "" << "";
    QTest::newRow("5-3") << defaults() << "5-3" << "5" << "5";
    QTest::newRow("--5") << defaults() << "--5" << "-" << "-";
    QTest::newRow("postal mark") << defaults() << "〒123" << "" << "";
    QTest::newRow("0") << defaults() << "0" << "0" << "0";
    QTest::newRow("00012") << defaults() << "00012" << "12" << "12";
    QTest::newRow("-0") << defaults() << "-0" << "-0" << "-0";
    QTest::newRow("12 34") << defaults() << "12 34" << "12" << "12";
    QTest::newRow("quantity 1000") << quantity() << "1000" << "100" << "100";
    QTest::newRow("quantity 0012") << quantity() << "0012" << "12" << "12";
    QTest::newRow("quantity 2.5") << quantity() << "2.5" << "2" << "2";
    QTest::newRow("quantity -4") << quantity() << "-4" << "-4" << "-4";
    QTest::newRow("no decimals 3.7") << quantity() << "3.7" << "3" << "3";
    QTest::newRow("marks") << marked() << "1000" << "1000" << "¥1,000円";
    QTest::newRow("fixed") << fixed(2) << "5.1" << "5.1" << "5.10";
}

void NumValueTest::writeText()
{
    QFETCH(NumFormat, format);
    QFETCH(QString, written);
    QFETCH(QString, text);
    QFETCH(QString, valText);

    NumEditModel model;
    model.setIntegerLength(format.integerLength);
    model.setDecimalLength(format.decimalLength);
    model.setMinus(format.minus);
    model.setDecimalFixed(format.decimalFixed);
    model.setLeftMark(format.leftMark);
    model.setRightMark(format.rightMark);
    QVERIFY(model.setText(written));
    QCOMPARE(model.text(), text);
    QCOMPARE(model.valText(), valText);
    QCOMPARE(numedit::valueOf(written, format), text);
    // Writing from outside is no edit: undo, modified and selection stay.
    QVERIFY(!model.canUndo());
    QVERIFY(!model.modified());
    QCOMPARE(model.selLength(), 0);
}

void NumValueTest::writeSameTextKeepsValue()
{
    NumEditModel model;
    QVERIFY(model.setText(QStringLiteral("12")));
    QVERIFY(!model.setText(QStringLiteral("12")));
    QVERIFY(model.setText(QStringLiteral("012")));
    QCOMPARE(model.text(), QStringLiteral("12"));
}

void NumValueTest::limitsOnLiveValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("lowered");
    QTest::addColumn<int>("raised");
    QTest::addColumn<QString>("afterLowering");
    QTest::addColumn<QString>("valTextAfterLowering");

    QTest::newRow("integers 9 to 3") << "12345" << "integerLength" << 3 << 9 << "123" << "123";
    QTest::newRow("decimals 3 to 1") << "1.234" << "decimalLength" << 1 << 3 << "1.2" << "1.2";
    QTest::newRow("decimals 3 to 0") << "12.5" << "decimalLength" << 0 << 3 << "12" << "12";
    QTest::newRow("integers below point") << "12345.5" << "integerLength" << 3 << 9 << "" << "";
    QTest::newRow("minus off") << "-5" << "minus" << 0 << 1 << "" << "";
    QTest::newRow("minus off on positive") << "1234" << "minus" << 0 << 1 << "1234" << "1,234";
}

void NumValueTest::limitsOnLiveValue()
{
    QFETCH(QString, value);
    QFETCH(QString, setting);
    QFETCH(int, lowered);
    QFETCH(int, raised);
    QFETCH(QString, afterLowering);
    QFETCH(QString, valTextAfterLowering);

    NumEditModel model;
    model.setText(value);
    QCOMPARE(model.text(), value);
    const auto set = [&](int v) {
        if (setting == QLatin1String("integerLength"))
            return model.setIntegerLength(v);
        if (setting == QLatin1String("decimalLength"))
            return model.setDecimalLength(v);
        return model.setMinus(v != 0);
    };
    QVERIFY(set(lowered));
    QCOMPARE(model.text(), afterLowering);
    QCOMPARE(model.valText(), valTextAfterLowering);
    // Raising the limit again does not bring the cut digits back.
    QVERIFY(set(raised));
    QCOMPARE(model.text(), afterLowering);
    QVERIFY(!model.canUndo());
}

void NumValueTest::negativeLimitsIgnored()
{
    NumEditModel model;
    model.setText(QStringLiteral("12.5"));
    QVERIFY(!model.setIntegerLength(-1));
    QVERIFY(!model.setDecimalLength(-2));
    QCOMPARE(model.format().integerLength, 9);
    QCOMPARE(model.format().decimalLength, 3);
    QCOMPARE(model.text(), QStringLiteral("12.5"));
}

void NumValueTest::displaySettingsKeepValue()
{
    NumEditModel model;
    QVERIFY(model.setDecimalLength(2));
    QVERIFY(model.setDecimalFixed(true));
    QCOMPARE(model.valText(), QStringLiteral("0.00"));
    QCOMPARE(model.text(), QString());

    QVERIFY(model.setDecimalFixed(false));
    QVERIFY(model.setLeftMark(QStringLiteral("¥")));
    QVERIFY(model.setRightMark(QStringLiteral("円")));
    QCOMPARE(model.valText(), QString()); // no marks around nothing
    model.setText(QStringLiteral("1234"));
    QCOMPARE(model.valText(), QStringLiteral("¥1,234円"));
    QVERIFY(model.setComma(false));
    QCOMPARE(model.valText(), QStringLiteral("¥1234円"));
    QCOMPARE(model.text(), QStringLiteral("1234"));
}

void NumValueTest::caretParts_data()
{
    QTest::addColumn<NumFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("tail");

    QTest::newRow("plain") << defaults() << "1234.5" << "1,234.5" << "";
    QTest::newRow("right mark left out") << marked() << "1000" << "¥1,000" << "";
    QTest::newRow("fixed typed decimal") << fixed(2) << "1234.5" << "1,234" << ".5";
    QTest::newRow("fixed no point") << fixed(2) << "12" << "12" << "";
    QTest::newRow("fixed empty") << fixed(2) << "" << "0" << "";
    QTest::newRow("fixed minus") << fixed(2) << "-" << "-0" << "";
    NumFormat fixedMarked = marked();
    fixedMarked.decimalFixed = true;
    fixedMarked.decimalLength = 2;
    QTest::newRow("fixed marked empty") << fixedMarked << "" << "¥0" << "";
    QTest::newRow("fixed marked point") << fixedMarked << "-7." << "¥-7" << ".";
}

void NumValueTest::caretParts()
{
    QFETCH(NumFormat, format);
    QFETCH(QString, text);
    QFETCH(QString, head);
    QFETCH(QString, tail);
    const auto parts = numedit::caretParts(text, format);
    QCOMPARE(parts.head, head);
    QCOMPARE(parts.tail, tail);
}

QTEST_APPLESS_MAIN(NumValueTest)
#include "numvalue_test.moc"
