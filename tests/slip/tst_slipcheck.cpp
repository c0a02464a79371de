// The pre-print check: one row per problem a slip can have, and the line it gives.

#include "slip/slipcheck.h"
#include "slip/sliplayout.h"

#include <QFont>
#include <QtTest>

using namespace Qt::StringLiterals;
using slip::SlipProblem;
using slip::SlipRecord;
using Kind = SlipProblem::Kind;

Q_DECLARE_METATYPE(SlipProblem::Kind)

namespace {

SlipRecord goodSlip()
{
    SlipRecord slip;
    slip.destination = {u"151-0053"_s, u"東京都渋谷区代々木1-2-3"_s, u"見本ハイツ"_s, u"203号室"_s,
                        u"見本 太郎"_s, u"03-1234-5678"_s};
    slip.goods = {u"りんご"_s, QString(), QString()};
    slip.shippingDate = QDate(2026, 12, 10);
    return slip;
}

slip::SlipCheckOptions options(bool postalMatches = true)
{
    slip::SlipCheckOptions options;
    options.page.dpiX = options.page.dpiY = 300;
    options.postalMatches = [postalMatches](const QString &, const QString &) { return postalMatches; };
    return options;
}

} // namespace

class SlipCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(slip::kMinchoFont, u"IPAPMincho"_s);
        QFont::insertSubstitution(slip::kLatinFont, u"DejaVu Sans"_s);
    }

    void problems_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("postalMatches");
        QTest::addColumn<QList<Kind>>("kinds");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("good") << QString() << QString() << true << QList<Kind>{} << QString();
        QTest::newRow("pasted postal code") << u"zip"_s << u"〒１５１－００５３"_s << true << QList<Kind>{} << QString();
        QTest::newRow("six digits") << u"zip"_s << u"151-005"_s << true << QList<Kind>{Kind::PostalCode}
                                    << u"郵便番号「151-005」が 7 桁の数字ではありません"_s;
        QTest::newRow("no postal code") << u"zip"_s << QString() << true << QList<Kind>{Kind::PostalCode}
                                        << u"郵便番号がありません"_s;
        QTest::newRow("postal code of elsewhere") << QString() << QString() << false
                                                  << QList<Kind>{Kind::PostalMismatch}
                                                  << u"郵便番号 151-0053 と住所が合っていません"_s;
        QTest::newRow("no name") << u"name"_s << u"　"_s << true << QList<Kind>{Kind::NoName} << u"おなまえがありません"_s;
        QTest::newRow("no address") << u"address"_s << QString() << true << QList<Kind>{Kind::NoAddress}
                                    << u"おところがありません"_s;
        QTest::newRow("E-notation") << u"tel"_s << u"9.09E+09"_s << true << QList<Kind>{Kind::Telephone}
                                    << u"でんわ「9.09E+09」は表計算ソフトで数値に変わっています"_s;
        QTest::newRow("lost leading zero") << u"tel"_s << u"90-1818-4974"_s << true << QList<Kind>{Kind::Telephone}
                                           << u"でんわ「90-1818-4974」は日本の電話番号の桁数ではありません"_s;
        QTest::newRow("mobile") << u"tel"_s << u"090-1818-4974"_s << true << QList<Kind>{} << QString();
        QTest::newRow("lost character") << u"name"_s << u"?田 花子"_s << true << QList<Kind>{Kind::LostCharacter}
                                        << u"おなまえに「?」があります（文字が失われています）"_s;
        QTest::newRow("overflow comes first") << u"add1"_s << u"東"_s.repeated(50) << false
                                              << QList<Kind>{Kind::Overflow, Kind::PostalMismatch}
                                              << u"おところ① が枠に入りません（50 文字）"_s;
        QTest::newRow("line 2 with line 3") << u"add2"_s << u"見本マンション"_s.repeated(4) << true
                                            << QList<Kind>{Kind::Overflow}
                                            << u"おところ②・③ が枠に入りません（34 文字）"_s;
    }
    void problems()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(bool, postalMatches);
        QFETCH(QList<Kind>, kinds);
        QFETCH(QString, firstLine);
        SlipRecord slip = goodSlip();
        if (field == u"zip")
            slip.destination.postalCode = value;
        else if (field == u"name")
            slip.destination.name = value;
        else if (field == u"address")
            slip.destination.address1 = slip.destination.address2 = slip.destination.address3 = value;
        else if (field == u"tel")
            slip.destination.telephone = value;
        else if (field == u"add1")
            slip.destination.address1 = value;
        else if (field == u"add2")
            slip.destination.address2 = value;
        const QList<SlipProblem> problems = slip::checkSlip(slip, options(postalMatches));
        QList<Kind> found;
        for (const SlipProblem &problem : problems)
            found.append(problem.kind);
        QCOMPARE(found, kinds);
        QCOMPARE(slip::problemTexts(problems).value(0), firstLine);
    }
};

QTEST_MAIN(SlipCheckTest)
#include "tst_slipcheck.moc"
