#include "platform/convert.h"

#include "platform/error.h"

#include <cstdint>

namespace platform {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

bool tryStrToInt(const QString &text, int &value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i < n && (text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;

    if (hex) {
        constexpr qsizetype kMaxHexDigits = 8; // a 32-bit pattern, leading zeros included
        if (n - i > kMaxHexDigits)
            return false;
        std::uint32_t pattern = 0;
        for (; i < n; ++i) {
            const int d = hexDigit(text.at(i));
            if (d < 0)
                return false;
            pattern = (pattern << 4) | std::uint32_t(d);
        }
        std::uint32_t result = negative ? (0u - pattern) : pattern;
        value = static_cast<std::int32_t>(result);
        return true;
    }

    std::int64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            return false;
        magnitude = magnitude * 10 + (u - u'0');
        if (magnitude > std::int64_t(INT32_MAX) + 1)
            return false;
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX || signedValue < INT32_MIN)
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

int StrToInt(const QString &text)
{
    int value = 0;
    if (!tryStrToInt(text, value))
        throw EConvertError(QStringLiteral("'%1' は有効な整数値ではありません").arg(text));
    return value;
}

} // namespace platform
