// Times the whole transfer on a 16-line paste and prints the median per transfer.
// Run it from a release build: transfer_bench [samples] [transfers per sample]

#include "transfer/pipeline.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 301;
    const int perSample = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;

    // A confirmation mail as users paste it: labels, blank lines, a mail address,
    // the postal code on the address line, full-width digits.
    const QStringList paste = {
        u"ご注文ありがとうございます。"_s,
        QString(),
        u"【お届け先】"_s,
        u"お名前：見本　花子 様"_s,
        u"〒１２３－４５６７ 東京都架空区見本町１－２－３"_s,
        u"サンプルハイツ１０１号"_s,
        u"TEL：０９０－００００－１１１１"_s,
        u"メール：hanako.mihon@example.jp"_s,
        QString(),
        u"【ご注文内容】"_s,
        u"見本の品　2点"_s,
        u"お支払い：代金引換"_s,
        u"https://shop.example.com/"_s,
        u"   "_s,
        u"見本ショップ"_s,
        u"TEL 03-0000-0000"_s,
    };

    // Warm up the half-width table and the allocator.
    transfer::TransferResult sink = transfer::TransferText(paste);

    std::vector<double> perTransferUs;
    perTransferUs.reserve(std::size_t(samples));
    qsizetype guard = 0;
    for (int s = 0; s < samples; ++s) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < perSample; ++i) {
            sink = transfer::TransferText(paste);
            guard += sink.fields.add1.size();
        }
        const auto stop = std::chrono::steady_clock::now();
        perTransferUs.push_back(std::chrono::duration<double, std::micro>(stop - start).count() / perSample);
    }
    std::sort(perTransferUs.begin(), perTransferUs.end());
    const double median = perTransferUs[perTransferUs.size() / 2];
    std::printf("transfer of a 16-line paste: median %.2f us per transfer "
                "(%d samples x %d transfers, min %.2f us, max %.2f us)\n",
                median, samples, perSample, perTransferUs.front(), perTransferUs.back());
    return guard > 0 ? 0 : 1;
}
