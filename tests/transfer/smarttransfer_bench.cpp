// Times the smart transfer: the median per transfer of a 60-line order mail, and the
// processor time of one transfer of each kind of bad input (processor time, so that a
// busy machine does not count).
// Run it from a release build: smarttransfer_bench [samples] [transfers per sample]

#include "transfer/smarttransfer.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A shop's confirmation mail as users paste it: greeting, order number, buyer block,
// delivery block, items, totals, payment and the shop's signature; 60 lines.
QString orderMail()
{
    QString mail = u"山田 太郎 様\n\nこの度は「信州りんご工房」をご利用いただき、誠にありがとうございます。\n"
                   "以下の内容でご注文を承りました。\n\n━━━━━━━━━━━━━━━━━━━━\n"
                   "■ご注文番号：20240512-0031\n■ご注文日時：2024年05月12日 21:14\n"
                   "━━━━━━━━━━━━━━━━━━━━\n\n【ご注文者情報】\nお名前：山田 太郎 様\n"
                   "〒390-0811\n長野県松本市中央2-4-10\n電話番号：0263-32-1234\n"
                   "メールアドレス：taro.yamada@example.jp\n\n【お届け先】\nお名前：山田 花子 様\n"
                   "〒020-0022\n岩手県盛岡市大通3-1-23 クリスタルビル4F\n電話番号：019-623-4567\n\n"
                   "【ご注文内容】\n"_s;
    for (int i = 1; i <= 20; ++i)
        mail += u"サンふじ 5kg 化粧箱入り 商品番号 A-%1 1箱 3,980円\n"_s.arg(i);
    mail += u"小計 55,720円\n送料 1,100円\n合計 56,820円\n\n【お支払方法】\n銀行振込\n"
            "お振込期限：2024年05月19日\n\n【備考】\nのし不要\n\n"
            "━━━━━━━━━━━━━━━━━━━━\n信州りんご工房\n〒390-0811 長野県松本市中央1-1-1\n"
            "TEL 0263-00-0000\nhttps://shinshu-ringo.example.jp/\n"_s;
    return mail;
}

double microseconds(const QString &text, int repeat)
{
    const auto start = std::chrono::steady_clock::now();
    qsizetype guard = 0;
    for (int i = 0; i < repeat; ++i)
        guard += transfer::SmartTransfer(text)[transfer::SmartField::Add1].value.size();
    const auto stop = std::chrono::steady_clock::now();
    return guard < 0 ? 0 : std::chrono::duration<double, std::micro>(stop - start).count() / repeat;
}

} // namespace

int main(int argc, char **argv)
{
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 301;
    const int perSample = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;

    const QString mail = orderMail();
    std::vector<double> perTransferUs;
    microseconds(mail, 10);
    for (int s = 0; s < samples; ++s)
        perTransferUs.push_back(microseconds(mail, perSample));
    std::sort(perTransferUs.begin(), perTransferUs.end());
    std::printf("smart transfer of a %lld-line order mail: median %.1f us per transfer "
                "(%d samples x %d transfers, min %.1f us, max %.1f us)\n",
                qlonglong(mail.count(u'\n')), perTransferUs[perTransferUs.size() / 2], samples, perSample,
                perTransferUs.front(), perTransferUs.back());

    const std::pair<const char *, QString> bad[] = {
        {"1 MB of text", mail.repeated((1 << 20) / int(mail.size()) + 1).left(1 << 20)},
        {"100,000 lines", u"x\n"_s.repeated(100000)},
        {"100,000 address-like lines", u"東京都千代田区千代田1-1\n"_s.repeated(100000)},
        {"one 100,000-character line", QString(100000, u'1')},
        {"NUL and lone surrogates", (u"\0"_s + QChar(0xD800) + u"あ"_s + QChar(0xDC00)).repeated(20000)},
        {"right-to-left marks and emoji", u"\u200F\u202E🙏 山田 様 😀\n"_s.repeated(20000)},
    };
    for (const auto &[what, text] : bad) {
        const std::clock_t start = std::clock();
        for (int i = 0; i < 3; ++i)
            transfer::SmartTransfer(text);
        std::printf("bad input, %s: %.1f ms processor time\n", what,
                    double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC / 3);
    }
    return 0;
}
