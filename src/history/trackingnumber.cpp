#include "history/trackingnumber.h"

#include "platform/textnormalize.h"

namespace history {

namespace {

// NW-7 start and stop characters, either case, half- or full-width.
bool isStartStop(QChar c)
{
    const QString folded = QString(c).normalized(QString::NormalizationForm_KC).toUpper();
    return folded.size() == 1 && folded.at(0) >= u'A' && folded.at(0) <= u'D';
}

// The text without blanks around it and without a start/stop letter pair.
QStringView withoutStartStop(QStringView text)
{
    text = text.trimmed();
    if (text.size() >= 2 && isStartStop(text.front()) && isStartStop(text.back()))
        text = text.mid(1, text.size() - 2);
    return text;
}

} // namespace

int TrackingNumber::checkDigit(QStringView first11)
{
    if (first11.size() != kDigits - 1)
        return -1;
    qint64 value = 0;
    for (const QChar c : first11) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return int(value % 7);
}

TrackingNumber TrackingNumber::parse(QStringView text, Check check)
{
    TrackingNumber number;
    const std::optional<QString> read = platform::groupedDigits(withoutStartStop(text));
    if (!read) {
        number.result = Result::NotDigits;
        return number;
    }
    number.read = *read;
    const QString &digits = *read;
    if (digits.isEmpty())
        number.result = Result::Empty;
    else if (digits.size() != kDigits)
        number.result = Result::WrongLength;
    else if (check == Check::CheckDigit && checkDigit(QStringView(digits).left(kDigits - 1)) != digits.back().digitValue())
        number.result = Result::WrongCheckDigit;
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
    TrackingNumber number;
    number.result = result;
    return number.message();
}

QString TrackingNumber::message() const
{
    switch (result) {
    case Result::NotDigits:
        return QStringLiteral("お問い合わせ番号は数字だけで入力してください。");
    case Result::WrongLength:
        return QStringLiteral("お問い合わせ番号は12桁です。");
    case Result::WrongCheckDigit:
        return QStringLiteral("お問い合わせ番号の確認数字が合いません（%1）").arg(formatted(read));
    case Result::Empty:
    case Result::Valid:
        break;
    }
    return {};
}

} // namespace history
