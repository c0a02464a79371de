#include "history/trackingnumber.h"

#include "platform/textnormalize.h"

namespace history {

TrackingNumber TrackingNumber::parse(QStringView text)
{
    TrackingNumber number;
    const std::optional<QString> read = platform::groupedDigits(text);
    if (!read) {
        number.result = Result::NotDigits;
        return number;
    }
    const QString &digits = *read;
    if (digits.isEmpty())
        number.result = Result::Empty;
    else if (digits.size() != kDigits)
        number.result = Result::WrongLength;
    else {
        number.result = Result::Valid;
        number.digits = digits;
    }
    return number;
}

QString TrackingNumber::formatted(QStringView digits)
{
    if (digits.size() != kDigits)
        return digits.toString();
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return digits.toString();
    }
    return QStringLiteral("%1-%2-%3").arg(digits.left(4), digits.mid(4, 4), digits.mid(8));
}

QString TrackingNumber::message(Result result)
{
    switch (result) {
    case Result::NotDigits:
        return QStringLiteral("お問い合わせ番号は数字だけで入力してください。");
    case Result::WrongLength:
        return QStringLiteral("お問い合わせ番号は12桁です。");
    case Result::Empty:
    case Result::Valid:
        break;
    }
    return {};
}

} // namespace history
