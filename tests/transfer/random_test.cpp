// Arbitrary UTF-16 through the transfer and the half-width mapping, with a fixed seed:
// lone surrogates, NUL and other controls, line breaks inside lines, very long lines
// and very many lines. Nothing may crash or hang, and the invariants must hold.

#include "transfer/classifiers.h"
#include "transfer/pipeline.h"
#include "transfer/texthelpers.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace transfer;
using namespace Qt::StringLiterals;

namespace {

class Generator
{
public:
    explicit Generator(quint32 seed) : m_random(seed) {}

    int below(int n) { return int(m_random.bounded(n)); }

    // One code unit, biased towards the characters the transfer looks at.
    QChar unit()
    {
        switch (below(12)) {
        case 0:
            return QChar(char16_t(below(0x21))); // blanks and controls, NUL included
        case 1:
            return QChar(char16_t(0xD800 + below(0x800))); // surrogates, mostly lone
        case 2:
            return QChar(char16_t(0xFF01 + below(0x5E))); // full-width forms
        case 3:
            return QChar(char16_t(0x30A1 + below(0x5E))); // katakana
        case 4:
            return QChar(char16_t(0xFF61 + below(0x3F))); // half-width katakana
        case 5:
            return QChar(char16_t(u"0123456789-"[below(11)]));
        case 6:
            return QChar(char16_t(u"\r\n\u2028\u3000\u3099"[below(5)]));
        default:
            return QChar(char16_t(below(0x10000)));
        }
    }

    // A word the transfer knows, or a run of random units.
    QString fragment()
    {
        switch (below(6)) {
        case 0:
            return pick(labelWords());
        case 1:
            return pick(mailSigns());
        case 2:
            return pick(prefectureNames());
        case 3:
            return pick(addressMarkers());
        default: {
            QString s;
            for (int n = below(8); n > 0; --n)
                s += unit();
            return s;
        }
        }
    }

    QString line(int maxFragments)
    {
        QString s;
        for (int n = below(maxFragments + 1); n > 0; --n)
            s += fragment();
        return s;
    }

    QStringList paste(int maxLines, int maxFragments)
    {
        QStringList lines;
        for (int n = below(maxLines + 1); n > 0; --n)
            lines.append(line(maxFragments));
        return lines;
    }

    QString randomText(qsizetype length)
    {
        QString s;
        s.reserve(length);
        while (s.size() < length)
            s += unit();
        return s;
    }

private:
    QString pick(std::span<const QStringView> words)
    {
        return words[std::size_t(below(int(words.size())))].toString();
    }

    QRandomGenerator m_random;
};

bool holdsFullWidthAscii(const QString &text)
{
    for (const QChar c : text) {
        if ((c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E) || c.unicode() == 0x3000)
            return true;
    }
    return false;
}

} // namespace

class RandomTest : public QObject
{
    Q_OBJECT

private:
    void checkTransfer(const QStringList &paste);
    void checkHalfWidth(const QString &text);

private Q_SLOTS:
    void randomPastes();
    void hugeLine();
    void manyLines();
    void randomHalfWidthAndNumbers();
};

void RandomTest::checkTransfer(const QStringList &paste)
{
    const TransferResult result = TransferText(paste);
    const QString where = u"paste of %1 lines"_s.arg(paste.size());
    if (!result.foundText) {
        QVERIFY2(result.pasteBox.isEmpty(), qPrintable(where));
        QCOMPARE(result.fields, DestinationFields{});
        return;
    }
    QCOMPARE(result.pasteBox.size(), kWorkingLineCount);
    for (const QString &line : result.pasteBox)
        QVERIFY2(!holdsLineBreak(line), qPrintable(where));
    const DestinationFields &f = result.fields;
    for (const QString *field : {&f.zip, &f.add1, &f.add2, &f.custo1, &f.tel})
        QVERIFY2(!holdsLineBreak(*field), qPrintable(where));
    QVERIFY(f.zip.isEmpty() || f.zip.size() == kZipHeadLength);
    QVERIFY(!holdsFullWidthAscii(f.zip));
    QVERIFY(!holdsFullWidthAscii(f.tel));
    QVERIFY(f.tel.size() <= kHalfWidthMaxLength);
    // The same paste gives the same result, and the box it leaves can be transferred.
    QCOMPARE(TransferText(paste).fields, f);
    const TransferResult again = TransferText(result.pasteBox);
    QVERIFY(!again.foundText || again.pasteBox.size() == kWorkingLineCount);
}

void RandomTest::checkHalfWidth(const QString &text)
{
    const QString half = ToHalfWidth(text);
    QVERIFY(half.size() <= kHalfWidthMaxLength);
    // Every unit maps to one or two; only the cut (and a pair it would split) shortens.
    QVERIFY(half.size() >= std::min(text.size(), kHalfWidthMaxLength) - 1);
    QVERIFY(!holdsFullWidthAscii(half));
    QCOMPARE(ToHalfWidth(half), half);
}

void RandomTest::randomPastes()
{
    Generator gen(20240611);
    for (int i = 0; i < 20'000; ++i) {
        checkTransfer(gen.paste(20, 12));
        if (QTest::currentTestFailed())
            return;
    }
}

void RandomTest::hugeLine()
{
    Generator gen(7);
    const QString huge = gen.randomText(100'000);
    checkTransfer({huge});
    checkTransfer({u"〒123-4567"_s + huge, QString(), huge});
    checkTransfer({QString(100'000, u'１')});
    checkTransfer({QString(100'000, QChar(0)) + u"見本"_s});
    checkTransfer({QString(100'000, u'\n')});
    checkHalfWidth(huge);
    QCOMPARE(LeadingNumber(QString(100'000, u'9')), QString(9, u'9'));
}

void RandomTest::manyLines()
{
    Generator gen(11);
    QStringList lines;
    for (int i = 0; i < 10'000; ++i)
        lines.append(gen.line(4));
    checkTransfer(lines);
    QVERIFY(CompactPaste(lines).size() <= kPasteLinesRead);

    // One element holding 10,000 line breaks is as many lines.
    checkTransfer({lines.join(u'\n')});
    QStringList late(10'000, QString());
    late.append(u"見本"_s);
    QVERIFY(!TransferText(late).foundText);
}

void RandomTest::randomHalfWidthAndNumbers()
{
    Generator gen(99);
    static const QRegularExpression number(u"^-?(([1-9]\\d{0,8}|0)(\\.\\d{0,3})?|\\.\\d{0,3})?$"_s);
    for (int i = 0; i < 20'000; ++i) {
        const QString text = gen.randomText(gen.below(300));
        checkHalfWidth(text);
        const QString lead = LeadingNumber(text);
        QVERIFY2(number.match(lead).hasMatch(), qPrintable(lead));
        const QString trimmed = TrimAllSpaces(text);
        QVERIFY(text.contains(trimmed));
        const auto isSpace = [](QChar c) { return c == u' ' || c == u'\u3000'; };
        QVERIFY(trimmed.isEmpty() || (!isSpace(trimmed.front()) && !isSpace(trimmed.back())));
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_APPLESS_MAIN(RandomTest)
#include "random_test.moc"
