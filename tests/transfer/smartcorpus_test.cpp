// The smart transfer on a corpus of realistic order texts (tests/transfer/corpus): each
// file holds the pasted text, then a line "#### expected" and the five fields worked
// out by hand. The file name's first word is its kind of text; the score by kind is
// printed at the end.
#include "transfer/directorypostalbook.h"
#include "transfer/smarttransfer.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct CorpusText
{
    QString paste;
    transfer::DestinationFields expected;
};

CorpusText readCorpusFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const QString all = QString::fromUtf8(file.readAll());
    const qsizetype mark = all.indexOf(u"\n#### expected\n"_s);
    if (mark < 0)
        qFatal("%s has no expected block", qPrintable(path));
    CorpusText text;
    text.paste = all.first(mark);
    QMap<QString, QString> values;
    for (const QString &line : all.sliced(mark + 15).split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0)
            values.insert(line.first(colon), line.sliced(colon + 1).trimmed());
    }
    text.expected = {values.value(u"zip"_s), values.value(u"add1"_s), values.value(u"add2"_s),
                     values.value(u"name"_s), values.value(u"tel"_s)};
    return text;
}

QStringList corpusFiles()
{
    return QDir(QStringLiteral(MEKIRA_CORPUS_DIR)).entryList({u"*.txt"_s}, QDir::Files, QDir::Name);
}

} // namespace

class SmartCorpusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyTextGivesItsFields_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &name : corpusFiles())
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyTextGivesItsFields()
    {
        QFETCH(QString, file);
        const CorpusText text = readCorpusFile(QDir(QStringLiteral(MEKIRA_CORPUS_DIR)).filePath(file));
        const transfer::SmartTransferResult result = transfer::SmartTransfer(text.paste);
        const transfer::DestinationFields got = result.destination();
        QCOMPARE(got.zip, text.expected.zip);
        QCOMPARE(got.add1, text.expected.add1);
        QCOMPARE(got.add2, text.expected.add2);
        QCOMPARE(got.custo1, text.expected.custo1);
        QCOMPARE(got.tel, text.expected.tel);
        // Once more on the same text: the same fields.
        QCOMPARE(transfer::SmartTransfer(text.paste).destination(), result.destination());
    }

    // With the program's postal-code data: the same fields, and every postal code of the
    // corpus agrees with its address.
    void postalDataAgreesWithTheCorpus_data() { everyTextGivesItsFields_data(); }
    void postalDataAgreesWithTheCorpus()
    {
        const transfer::PostalBook *book = transfer::DirectoryPostalBook::programBook();
        if (!book)
            QSKIP("the postal-code data is not built");
        QFETCH(QString, file);
        const CorpusText text = readCorpusFile(QDir(QStringLiteral(MEKIRA_CORPUS_DIR)).filePath(file));
        const transfer::SmartTransferResult result = transfer::SmartTransfer(text.paste, book);
        QCOMPARE(result.destination(), text.expected);
        QCOMPARE(result[transfer::SmartField::Zip].doubt,
                 text.expected.zip.isEmpty() ? transfer::doubt::noZip() : QString());
        QCOMPARE(result[transfer::SmartField::Add1].doubt, text.expected.add1.isEmpty() ? transfer::doubt::noAddress() : QString());
    }

    void scoreByKind()
    {
        QMap<QString, std::pair<int, int>> score; // kind -> right, all
        for (const QString &name : corpusFiles()) {
            const CorpusText text = readCorpusFile(QDir(QStringLiteral(MEKIRA_CORPUS_DIR)).filePath(name));
            auto &[right, all] = score[name.section(u'-', 0, 0)];
            ++all;
            right += transfer::SmartTransfer(text.paste).destination() == text.expected ? 1 : 0;
        }
        int right = 0;
        int all = 0;
        for (auto it = score.cbegin(); it != score.cend(); ++it) {
            qInfo("%-10s %2d / %2d", qPrintable(it.key()), it->first, it->second);
            right += it->first;
            all += it->second;
        }
        qInfo("%-10s %2d / %2d", "all", right, all);
        QVERIFY2(all >= 60, "the corpus holds at least 60 texts");
    }
};

QTEST_GUILESS_MAIN(SmartCorpusTest)
#include "smartcorpus_test.moc"
