// One slip printed to the built-in PDF printer "PDF 出力": the time from the print
// command (one slip through the print service) to the PDF file written, median of N.
//
//   mekira_printbench [prints, default 30]
//
// CUPS_SERVER is pointed at a refused local port, so that the PDF printer is the only
// printer and no scheduler takes part in the figure.

#include "benchsupport.h"

#include "platform-ui/messagebox.h"
#include "printer/ovprinters.h"
#include "jobs/printservice.h"
#include "printer-cups/systemprinterbackend.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <chrono>

namespace {

class YesBoxes : public platform::MessageBoxes
{
public:
    bool question(const QString &) override { return true; }
    void notice(const QString &) override {}
    void error(const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
};

slip::SlipRecord sampleSlip()
{
    slip::SlipRecord d;
    d.destination.postalCode = QStringLiteral("123-4567");
    d.destination.address1 = QStringLiteral("東京都架空区見本町一丁目三番地");
    d.destination.address2 = QStringLiteral("サンプルハイツ101号");
    d.destination.name = QStringLiteral("見本太郎");
    d.destination.telephone = QStringLiteral("03-1234-5678");
    d.sender.postalCode = QStringLiteral("890-0012");
    d.sender.address1 = QStringLiteral("鹿児島県見本市見本町1-2-3");
    d.sender.address2 = QStringLiteral("見本ビル2階");
    d.sender.name = QStringLiteral("見本ショップ");
    d.sender.telephone = QStringLiteral("099-222-3333");
    d.goods[0] = QStringLiteral("書籍");
    d.goods[1] = QStringLiteral("衣類");
    d.goods[2] = QStringLiteral("ワレモノ注意");
    d.shippingDate = QDate(2025, 3, 7);
    d.deliveryMonth = QStringLiteral("11");
    d.deliveryDay = QStringLiteral("28");
    d.timeSlot = slip::TimeSlot::Afternoon16To18;
    return d;
}

} // namespace

int main(int argc, char *argv[])
{
    const int prints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    bench::BenchApplication application(argc, argv);
    if (!application.isReady())
        return 2;

    OvPrinterScope printers(createSystemPrinterBackend());
    const int pdf = OvPrinter().PrinterNames().indexOf(QStringLiteral("PDF 出力"));
    if (pdf < 0) {
        std::fprintf(stderr, "no PDF printer among: %s\n", qPrintable(OvPrinter().PrinterNames().join(u", ")));
        return 1;
    }
    OvPrinter().SetIndex(pdf);

    YesBoxes boxes;
    platform::setMessageBoxes(&boxes);
    jobs::PrintService service(OvPrinter());
    const slip::SlipRecord data = sampleSlip();
    const slip::PrinterBinding binding;
    const QDir output(QDir(application.workPath()).filePath(QStringLiteral("pdf")));

    std::vector<double> ms;
    qint64 lastSize = 0;
    QSet<QString> seen;
    // The first print loads fonts and the PDF engine: timed apart.
    double firstMs = 0;
    for (int i = 0; i <= prints; ++i) {
        const auto start = std::chrono::steady_clock::now();
        jobs::SlipJob job;
        job.slips = {data};
        job.binding = binding;
        const jobs::PrintJob *printed = service.printSlips(job);
        if (printed->outcome() != jobs::PrintJob::Outcome::Sent) {
            std::fprintf(stderr, "print failed: %s\n", qPrintable(printed->errorText()));
            return 1;
        }
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        // Exactly one new file, and not empty.
        const QFileInfoList files = output.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
        QFileInfoList added;
        for (const QFileInfo &file : files)
            if (!seen.contains(file.fileName()))
                added.append(file);
        if (added.size() != 1 || added.first().size() == 0) {
            std::fprintf(stderr, "PDF %d not written\n", i + 1);
            return 1;
        }
        seen.insert(added.first().fileName());
        lastSize = added.first().size();
        if (i == 0)
            firstMs = elapsed;
        else
            ms.push_back(elapsed);
    }
    platform::setMessageBoxes(nullptr);
    std::printf("PDF print: median %.1f ms per slip from print command to PDF written "
                "(%d prints after a first of %.1f ms, %lld bytes each)\n",
                bench::median(ms), prints, firstMs, static_cast<long long>(lastSize));
    return 0;
}
