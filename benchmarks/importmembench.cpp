// Peak memory of importing a 64 MB order file (the largest the import takes): about
// 750,000 rows in the program's own format. Prints the peak resident size after the
// CSV layer alone has read the file from disk a chunk at a time, after the file is read
// into orders a batch at a time, and after the whole import into a fresh SQLite book.
// Not a test: run by hand, build/benchmarks/mekira_importmembench.

#include "database/database.h"
#include "orders/csvreader.h"
#include "orders/orderfile.h"
#include "orders/orderimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

namespace {

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orders.csv"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray header = "注文番号,郵便番号,おところ1,おところ2,おなまえ,でんわ,品名1,品名2,品名3\r\n";
        file.write(header);
        qint64 written = header.size();
        for (int row = 1; written < orders::kMaxFileSize - 200; ++row) {
            const QByteArray line = QStringLiteral("%1,151-0053,東京都渋谷区代々木1-%2,,山田 太郎,090-1111-%3,お菓子,,\r\n")
                                        .arg(row)
                                        .arg(row % 50)
                                        .arg(row % 10000, 4, 10, QLatin1Char('0'))
                                        .toUtf8();
            file.write(line);
            written += line.size();
        }
    }
    std::printf("file: %.1f MB, peak before reading: %ld MB\n", QFile(path).size() / 1048576.0, peakMegabytes());

    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    qint64 records = 0;
    orders::CsvReader::read(file, ',', [&](const orders::CsvReader::Record &, int) {
        ++records;
        return true;
    });
    std::printf("CSV layer from disk: %lld records in %lld ms, peak %ld MB\n", static_cast<long long>(records),
                static_cast<long long>(timer.elapsed()), peakMegabytes());

    timer.restart();
    qint64 orderCount = 0;
    orders::readOrderFile(path, {}, [&](QList<orders::Order> &&batch) { orderCount += batch.size(); });
    std::printf("read into orders: %lld orders in %lld ms, peak %ld MB\n", static_cast<long long>(orderCount),
                static_cast<long long>(timer.elapsed()), peakMegabytes());

    timer.restart();
    database::Database book(database::DatabaseConfig::sqlite(dir.filePath(QStringLiteral("book.db"))));
    const orders::ImportReport report = book.call<orders::ImportReport>(
        [&](database::Connection &c) { return orders::importFiles(c, {path}); }, std::chrono::minutes(30));
    std::printf("import into a fresh SQLite book: %d orders added in %lld ms, peak %ld MB (goal 300 MB)\n",
                report.summary.added, static_cast<long long>(timer.elapsed()), peakMegabytes());
    return 0;
}
