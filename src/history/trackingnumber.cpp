#include "trackingnumber.h"

namespace history {

namespace {

// Separators a person types between the groups of the printed number; a scanner sends
// none. Half-width and full-width hyphen, the long-vowel mark an input method gives
// for "-", the minus sign, and blanks.
bool isSeparator(QChar c)
{
    switch (c.unicode()) {
    case u'-':
    case u'\uFF0D':
    case u'\u30FC':
    case u'\u2212':
    case u'\u2010':
    case u' ':
    case u'\u3000':
    case u'\t':
        return true;
    default:
        return false;
    }
}

// ASCII and full-width digits only: other scripts' digits are not on a slip.
int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'\uFF10' && u <= u'\uFF19')
        return u - u'\uFF10';
    return -1;
}

} // namespace

TrackingNumber TrackingNumber::parse(QStringView text)
{
    TrackingNumber number;
    QString digits;
    digits.reserve(kDigits);
    for (const QChar c : text) {
        const int value = digitValue(c);
        if (value >= 0)
            digits.append(QChar(u'0' + value));
        else if (!isSeparator(c)) {
            number.result = Result::NotDigits;
            return number;
        }
    }
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
