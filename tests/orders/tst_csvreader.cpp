// The CSV reading layer from a device, a chunk at a time: records whose quoted fields
// (with delimiters, quotes and line breaks) straddle a chunk's end read the same as
// from memory, and an open quote is told with the line its record began on.

#include "orders/csvreader.h"

#include <QBuffer>
#include <QTest>

using orders::CsvReader;

namespace {

struct Read
{
    QList<CsvReader::Record> records;
    QList<int> lines;
};

Read fromDevice(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Read read;
    CsvReader::read(buffer, ',', [&](const CsvReader::Record &record, int line) {
        read.records << record;
        read.lines << line;
        return true;
    });
    return read;
}

Read fromMemory(const QByteArray &bytes)
{
    Read read;
    CsvReader::read(bytes, ',', [&](const CsvReader::Record &record, int line) {
        read.records << record;
        read.lines << line;
        return true;
    });
    return read;
}

} // namespace

class CsvReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deviceReadsAsMemory_data()
    {
        QTest::addColumn<int>("padding");  // bytes before the tricky record: moves it over a chunk's end
        QTest::addColumn<QByteArray>("tricky");
        const QByteArray quoted = "\"山田, 太郎\",\"代々木\r\n1-1\",\"He said \"\"hi\"\"\"\r\n";
        for (const int padding : {0, 65536 - 5, 65536 - 12, 65536 + 3, 3 * 65536 - 1})
            QTest::addRow("quoted record at %d", padding) << padding << quoted;
        QTest::newRow("CR LF split at a chunk's end") << 65536 - 1 << QByteArray("a,b\r\n");
    }
    void deviceReadsAsMemory()
    {
        QFETCH(int, padding);
        QFETCH(QByteArray, tricky);
        QByteArray bytes = "番号,名前,住所\r\n";
        // Filler records of known size up to the padding.
        while (bytes.size() + 8 <= padding)
            bytes += "1,2,345\n";
        bytes += QByteArray(std::max<qsizetype>(0, padding - bytes.size()), 'x') + "\n";
        bytes += tricky + "end,of,file\r\n";
        const Read device = fromDevice(bytes);
        const Read memory = fromMemory(bytes);
        QCOMPARE(device.records, memory.records);
        QCOMPARE(device.lines, memory.lines);
        QCOMPARE(device.records.last(), (CsvReader::Record{"end", "of", "file"}));
    }

    void openQuoteToldWithItsLine()
    {
        QByteArray bytes = "a,b\n";
        for (int i = 0; i < 20000; ++i)
            bytes += "1,2\n";
        bytes += "3,\"open\n4,5\n";
        try {
            fromDevice(bytes);
            QFAIL("accepted");
        } catch (const orders::ImportError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("20002 行目")), qPrintable(error.message()));
        }
    }
};

QTEST_GUILESS_MAIN(CsvReaderTest)
#include "tst_csvreader.moc"
