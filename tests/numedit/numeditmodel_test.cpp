#include "numedit/numeditmodel.h"

#include <QTest>

using numedit::NumEditModel;
using Outcome = numedit::NumEditModel::Outcome;

namespace {

// A box that is "maxChars" characters wide: a value fits while its display does.
NumEditModel::FitsTest widthInChars(const NumEditModel &model, int maxChars)
{
    return [&model, maxChars](const QString &t) {
        return maxChars < 0 || numedit::formatText(t, model.format()).size() <= maxChars;
    };
}

struct Tally
{
    int committed = 0;
    int refused = 0;
};

// Types the keys in turn; "<" stands for Backspace.
Tally type(NumEditModel &model, const QString &keys, int maxChars = -1)
{
    Tally tally;
    const auto fits = widthInChars(model, maxChars);
    for (const QChar c : keys) {
        const Outcome o = c == QLatin1Char('<') ? model.deleteLast() : model.typeCharacter(c, fits);
        tally.committed += o == Outcome::Committed;
        tally.refused += o == Outcome::Refused;
    }
    return tally;
}

} // namespace

class NumEditModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typing_data();
    void typing();
    void typingSteps_data();
    void typingSteps();
    void typingOverSelectionAndTwoUndos();
    void deleteOnSelectionClearsWithoutNotice();
    void refusedDigitOverSelectionStillClears();
    void copyAndCut_data();
    void copyAndCut();
    void paste_data();
    void paste();
    void leavingWithLoneMinus();
    void clearUndo();
};

void NumEditModelTest::typing_data()
{
    QTest::addColumn<int>("integerLength");
    QTest::addColumn<int>("decimalLength");
    QTest::addColumn<bool>("minus");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("maxChars");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("committed");
    QTest::addColumn<int>("refused");

    QTest::newRow("quantity refuses fourth digit") << 3 << 0 << true << "" << "1234" << -1 << "123" << 3 << 1;
    QTest::newRow("quantity refuses point") << 3 << 0 << true << "" << "5." << -1 << "5" << 1 << 1;
    QTest::newRow("point into empty") << 9 << 3 << true << "" << "." << -1 << "0." << 1 << 0;
    QTest::newRow("point then digit then back") << 9 << 3 << true << "" << ".5<" << -1 << "0" << 3 << 0;
    QTest::newRow("second point refused") << 9 << 3 << true << "" << "1.2." << -1 << "1.2" << 3 << 1;
    QTest::newRow("decimals limited") << 9 << 2 << true << "" << "1.234" << -1 << "1.23" << 4 << 1;
    QTest::newRow("sign toggles on and off") << 9 << 3 << true << "12" << "--" << -1 << "12" << 2 << 0;
    QTest::newRow("sign goes first") << 9 << 3 << true << "12" << "-" << -1 << "-12" << 1 << 0;
    QTest::newRow("sign refused without minus") << 9 << 3 << false << "12" << "-" << -1 << "12" << 0 << 1;
    QTest::newRow("sign does not count as digit") << 3 << 0 << true << "" << "-123" << -1 << "-123" << 4 << 0;
    QTest::newRow("letter refused") << 9 << 3 << true << "" << "1a" << -1 << "1" << 1 << 1;
    QTest::newRow("backspace minus") << 9 << 3 << true << "-5" << "<<<" << -1 << "" << 2 << 0;
    QTest::newRow("backspace takes point along") << 9 << 3 << true << "12.5" << "<" << -1 << "12" << 1 << 0;
    QTest::newRow("too wide refused") << 9 << 3 << true << "" << "12345" << 5 << "1234" << 4 << 1;
    QTest::newRow("too wide sign refused") << 9 << 3 << true << "1234" << "-" << 5 << "1234" << 0 << 1;
    QTest::newRow("dropping sign never refused") << 9 << 3 << true << "-1234" << "-" << 5 << "1234" << 1 << 0;
    QTest::newRow("separator counts for width") << 9 << 3 << true << "" << "1234" << 4 << "123" << 3 << 1;
    QTest::newRow("minus then point") << 9 << 3 << true << "" << "-." << -1 << "-0." << 2 << 0;
}

void NumEditModelTest::typing()
{
    QFETCH(int, integerLength);
    QFETCH(int, decimalLength);
    QFETCH(bool, minus);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(int, maxChars);
    QFETCH(QString, text);
    QFETCH(int, committed);
    QFETCH(int, refused);

    NumEditModel model;
    model.setIntegerLength(integerLength);
    model.setDecimalLength(decimalLength);
    model.setMinus(minus);
    model.setText(start);
    const Tally tally = type(model, keys, maxChars);
    QCOMPARE(model.text(), text);
    QCOMPARE(tally.committed, committed);
    QCOMPARE(tally.refused, refused);
    QCOMPARE(model.valText(), numedit::formatText(text, model.format()));
    QCOMPARE(model.modified(), committed > 0);
}

void NumEditModelTest::typingSteps_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("leading zeros never stay") << "005" << QStringList{"0", "0", "5"};
    QTest::newRow("point and decimal") << ".5<" << QStringList{"0.", "0.5", "0"};
    QTest::newRow("minus zero") << "-05" << QStringList{"-", "-0", "-5"};
}

void NumEditModelTest::typingSteps()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, steps);
    NumEditModel model;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        type(model, keys.mid(i, 1));
        QCOMPARE(model.text(), steps.at(i));
    }
}

void NumEditModelTest::typingOverSelectionAndTwoUndos()
{
    NumEditModel model;
    model.setText(QStringLiteral("1234"));
    model.selectAll();
    QCOMPARE(model.selLength(), 5); // "1,234"
    QCOMPARE(type(model, QStringLiteral("7")).committed, 1);
    QCOMPARE(model.text(), QStringLiteral("7"));
    QVERIFY(!model.allSelected());
    QVERIFY(model.modified());

    // The clear before the digit saved the old value, the commit the empty one.
    QCOMPARE(model.undo(), Outcome::Committed);
    QCOMPARE(model.text(), QString());
    QCOMPARE(model.undo(), Outcome::Committed);
    QCOMPARE(model.text(), QStringLiteral("7"));
    QVERIFY(model.allSelected());
    QVERIFY(model.canUndo());
    QVERIFY(model.modified()); // undo leaves the flag alone
}

void NumEditModelTest::deleteOnSelectionClearsWithoutNotice()
{
    NumEditModel model;
    model.setText(QStringLiteral("56"));
    model.setModified(true);
    model.selectAll();
    QCOMPARE(model.deleteLast(), Outcome::Ignored);
    QCOMPARE(model.text(), QString());
    QVERIFY(!model.modified());
    QVERIFY(model.canUndo());
    QCOMPARE(model.undoBuffer(), QStringLiteral("56"));
    // An empty value has nothing to delete.
    QCOMPARE(model.deleteLast(), Outcome::Ignored);
}

void NumEditModelTest::refusedDigitOverSelectionStillClears()
{
    NumEditModel model;
    model.setText(QStringLiteral("99"));
    model.selectAll();
    const Tally tally = type(model, QStringLiteral("1"), 0);
    QCOMPARE(tally.refused, 1);
    QCOMPARE(model.text(), QString());
}

void NumEditModelTest::copyAndCut_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("imageCopy");
    QTest::addColumn<QString>("copied");
    QTest::newRow("nothing selected") << false << false << QString();
    QTest::newRow("value text") << true << false << "1234";
    QTest::newRow("display text") << true << true << "1,234";
}

void NumEditModelTest::copyAndCut()
{
    QFETCH(bool, selected);
    QFETCH(bool, imageCopy);
    QFETCH(QString, copied);

    NumEditModel model;
    model.setText(QStringLiteral("1234"));
    model.setModified(true);
    if (selected)
        model.selectAll();
    QCOMPARE(model.copyText(imageCopy).value_or(QString()), copied);
    QCOMPARE(model.text(), QStringLiteral("1234"));

    const auto cut = model.cut(imageCopy);
    QCOMPARE(cut.has_value(), selected);
    QCOMPARE(cut.value_or(QString()), copied);
    QCOMPARE(model.text(), selected ? QString() : QStringLiteral("1234"));
    QCOMPARE(model.modified(), !selected);
}

void NumEditModelTest::paste_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text");
    QTest::newRow("full-width with yen") << "" << false << "１,２３４円" << "1234";
    QTest::newRow("appended") << "12" << false << "34" << "1234";
    QTest::newRow("replaces selection") << "12" << true << "34" << "34";
    QTest::newRow("leading zeros trimmed") << "" << false << "007" << "7";
    QTest::newRow("cut to limit") << "12345678" << false << "90" << "123456789";
    QTest::newRow("sign after digits stops") << "12" << false << "-3" << "12";
    QTest::newRow("onto lone minus") << "-" << false << "5" << "-5";
}

void NumEditModelTest::paste()
{
    QFETCH(QString, start);
    QFETCH(bool, selected);
    QFETCH(QString, pasted);
    QFETCH(QString, text);
    NumEditModel model;
    model.setText(start);
    if (selected)
        model.selectAll();
    model.paste(pasted);
    QCOMPARE(model.text(), text);
    QVERIFY(!model.allSelected());
    QVERIFY(!model.modified());
    QCOMPARE(model.undoBuffer(), start);
    QCOMPARE(model.undo(), Outcome::Committed);
    QCOMPARE(model.text(), start);
}

void NumEditModelTest::leavingWithLoneMinus()
{
    NumEditModel model;
    type(model, QStringLiteral("-"));
    QVERIFY(model.leave());
    QCOMPARE(model.text(), QString());
    QCOMPARE(model.valText(), QString());
    QCOMPARE(model.undoBuffer(), QString()); // the typed "-" saved the empty value
    model.setText(QStringLiteral("-5"));
    QVERIFY(!model.leave());
    QCOMPARE(model.text(), QStringLiteral("-5"));
}

void NumEditModelTest::clearUndo()
{
    NumEditModel model;
    type(model, QStringLiteral("12"));
    QVERIFY(model.canUndo());
    model.clearUndo();
    QVERIFY(!model.canUndo());
    QCOMPARE(model.undo(), Outcome::Ignored);
    QCOMPARE(model.text(), QStringLiteral("12"));
}

QTEST_APPLESS_MAIN(NumEditModelTest)
#include "numeditmodel_test.moc"
