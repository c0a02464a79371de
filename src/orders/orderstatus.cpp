#include "orders/orderstatus.h"

#include <array>

namespace orders {

namespace {

struct HoldWord
{
    const char16_t *word;    // in the status cell, lower case
    const char16_t *unless;  // not when this is in the same cell
    const char16_t *reason;
    bool whole = false;  // only the whole cell: 「完了」 alone, not 「決済完了」
};

// The platforms' words: Shopify ("refunded", "voided", "fulfilled", "Local pickup"),
// 楽天 (キャンセル確定, 発送済, 支払手続き中/済 come after shipping), BASE (キャンセル,
// 対応済), Yahoo! (its status numbers are written as words in the download: キャンセル,
// 完了). A cancellation outweighs the rest, then a refund, then a shipment.
constexpr std::array kHoldWords{
    HoldWord{u"キャンセル", nullptr, u"キャンセル"},
    HoldWord{u"cancel", nullptr, u"キャンセル"},
    HoldWord{u"voided", nullptr, u"キャンセル"},
    HoldWord{u"refunded", u"partially", u"返金済み"},
    HoldWord{u"返金済", nullptr, u"返金済み"},
    HoldWord{u"対応済", nullptr, u"発送済み"},
    HoldWord{u"発送済", nullptr, u"発送済み"},
    HoldWord{u"出荷済", nullptr, u"発送済み"},
    HoldWord{u"支払手続き", nullptr, u"発送済み"},
    HoldWord{u"完了", nullptr, u"発送済み", true},
    HoldWord{u"fulfilled", u"unfulfilled", u"発送済み"},
    HoldWord{u"shipped", u"unshipped", u"発送済み"},
    HoldWord{u"pickup", nullptr, u"店頭受取"},
    HoldWord{u"pick up", nullptr, u"店頭受取"},
    HoldWord{u"店頭受", nullptr, u"店頭受取"},
    HoldWord{u"店舗受", nullptr, u"店頭受取"},
    HoldWord{u"受け取り", u"受け取り済", u"店頭受取"},
};

} // namespace

QString holdReason(const QStringList &statusCells)
{
    for (const HoldWord &hold : kHoldWords) {
        for (const QString &raw : statusCells) {
            const QString cell = raw.normalized(QString::NormalizationForm_KC).toLower().trimmed();
            if (hold.whole ? cell != QStringView(hold.word) : !cell.contains(QStringView(hold.word)))
                continue;
            if (hold.unless && cell.contains(QStringView(hold.unless)))
                continue;
            return QString::fromUtf16(hold.reason);
        }
    }
    return {};
}

} // namespace orders
