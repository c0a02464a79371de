// The smart transfer on a corpus of realistic order texts (tests/transfer/corpus): each
// file holds the pasted text, then a line "#### expected" and the five fields worked
// out by hand as the window fills them (with the postal-code data). Two lines may
// follow: "add1 without postal data:" where the data adds the prefecture and city,
// and "doubtful:" naming the fields the window must colour. The file name's first
// word is its kind of text; the score by kind is printed at the end.
#include "transfer/directorypostalbook.h"
#include "transfer/smarttransfer.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct CorpusText
{
    QString paste;
    transfer::DestinationFields expected; // with the postal-code data
    transfer::DestinationFields withoutData;
    std::optional<QStringList> doubtful; // field keys, in the order of the window
};

const QStringList kFieldKeys = {u"zip"_s, u"add1"_s, u"add2"_s, u"name"_s, u"tel"_s};

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
    text.withoutData = text.expected;
    text.withoutData.add1 = values.value(u"add1 without postal data"_s, text.expected.add1);
    if (values.contains(u"doubtful"_s))
        text.doubtful = values.value(u"doubtful"_s).split(u' ', Qt::SkipEmptyParts);
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
        QCOMPARE(got.zip, text.withoutData.zip);
        QCOMPARE(got.add1, text.withoutData.add1);
        QCOMPARE(got.add2, text.withoutData.add2);
        QCOMPARE(got.custo1, text.withoutData.custo1);
        QCOMPARE(got.tel, text.withoutData.tel);
        // Once more on the same text: the same fields.
        QCOMPARE(transfer::SmartTransfer(text.paste).destination(), result.destination());
    }

    // With the program's postal-code data: the fields as the window fills them, and
    // exactly the fields the text gives reason to doubt are doubtful (without a
    // "doubtful" line: a postal code and an address that agree are not).
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
        if (text.doubtful) {
            QStringList doubtful;
            for (std::size_t f = 0; f < transfer::kSmartFieldCount; ++f)
                if (!result.fields[f].doubt.isEmpty())
                    doubtful << kFieldKeys.at(qsizetype(f));
            QCOMPARE(doubtful, *text.doubtful);
            return;
        }
        QCOMPARE(result[transfer::SmartField::Zip].doubt,
                 text.expected.zip.isEmpty() ? transfer::doubt::noZip() : QString());
        QCOMPARE(result[transfer::SmartField::Add1].doubt, text.expected.add1.isEmpty() ? transfer::doubt::noAddress() : QString());
    }

    // Texts with all five fields right, by kind: with the postal-code data (as in the
    // window) and without it.
    void scoreByKind()
    {
        const transfer::PostalBook *book = transfer::DirectoryPostalBook::programBook();
        QMap<QString, std::array<int, 3>> score; // kind -> right with data, right without, all
        for (const QString &name : corpusFiles()) {
            const CorpusText text = readCorpusFile(QDir(QStringLiteral(MEKIRA_CORPUS_DIR)).filePath(name));
            auto &[withData, withoutData, all] = score[name.section(u'-', 0, 0)];
            ++all;
            withData += book && transfer::SmartTransfer(text.paste, book).destination() == text.expected ? 1 : 0;
            withoutData += transfer::SmartTransfer(text.paste).destination() == text.withoutData ? 1 : 0;
        }
        std::array<int, 3> total = {};
        qInfo("%-10s %s  %s", "kind", "postal data", "no data");
        for (auto it = score.cbegin(); it != score.cend(); ++it) {
            qInfo("%-10s %3d / %3d  %3d / %3d", qPrintable(it.key()), it->at(0), it->at(2), it->at(1), it->at(2));
            for (std::size_t k = 0; k < total.size(); ++k)
                total[k] += it->at(k);
        }
        qInfo("%-10s %3d / %3d  %3d / %3d", "all", total[0], total[2], total[1], total[2]);
        QVERIFY2(total[2] >= 60, "the corpus holds at least 60 texts");
    }
};

QTEST_GUILESS_MAIN(SmartCorpusTest)
#include "smartcorpus_test.moc"
