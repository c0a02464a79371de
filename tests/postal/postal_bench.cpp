// Times the postal-code lookups against their goals and prints one line:
//   first lookup (maps the table), later lookups (median), codesFor (median and 99th
//   percentile: single calls on a busy machine are preempted),
//   and the extra resident memory after lookups all over the table.
// Also times what the mapped table saves: unpacking a zlib-compressed copy of it, the
// cost of embedding the data compressed.
// Usage: postal_bench [table file]   (default: the program's own)

#include "postal/postaldirectory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// The value below which `share` of the values lie (0.5: the median).
double percentile(std::vector<double> v, double share)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::size_t(double(v.size() - 1) * share)];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : postal::PostalDirectory::defaultDataPath();
    const double rssBefore = residentMb();

    QElapsedTimer timer;
    timer.start();
    const postal::PostalDirectory directory(path);
    const auto first = directory.lookup(u"1510053");
    const double firstMs = double(timer.nsecsElapsed()) / 1e6;
    if (first.isEmpty()) {
        std::fprintf(stderr, "postal_bench: no data in %s\n", qPrintable(path));
        return 1;
    }

    // Codes all over the table, known and unknown alike.
    QRandomGenerator random(13);
    std::vector<QString> codes;
    for (int i = 0; i < 20000; ++i)
        codes.push_back(QStringLiteral("%1").arg(random.bounded(10000000), 7, 10, QLatin1Char('0')));
    std::vector<double> lookupUs;
    std::size_t found = 0;
    for (const QString &code : codes) {
        timer.restart();
        found += std::size_t(directory.lookup(code).size());
        lookupUs.push_back(double(timer.nsecsElapsed()) / 1e3);
    }

    // Addresses made from the entries found, with a street number behind them.
    std::vector<QString> addresses;
    for (const QString &code : codes) {
        const auto entries = directory.lookup(code);
        if (!entries.isEmpty() && !entries.first().isFallback())
            addresses.push_back(entries.first().address() + QStringLiteral("1丁目2-3"));
        if (addresses.size() == 2000)
            break;
    }
    std::vector<double> reverseUs;
    for (const QString &address : addresses) {
        timer.restart();
        found += std::size_t(directory.codesFor(address).size());
        reverseUs.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    const double rssAfter = residentMb();

    // The alternative: the table embedded zlib-compressed, unpacked on first use.
    QFile file(path);
    double unpackMs = 0;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray packed = qCompress(file.readAll(), 6);
        timer.restart();
        const QByteArray unpacked = qUncompress(packed);
        unpackMs = double(timer.nsecsElapsed()) / 1e6;
        found += std::size_t(unpacked.size() > 0);
    }

    std::printf("postal: first lookup %.2f ms; lookup median %.2f us; codesFor median %.1f us, "
                "99th percentile %.1f us; extra memory %.1f MB; (compressed table would unpack in %.0f ms) [%zu]\n",
                firstMs, percentile(lookupUs, 0.5), percentile(reverseUs, 0.5),
                percentile(reverseUs, 0.99), rssAfter - rssBefore, unpackMs, found);
    return 0;
}
