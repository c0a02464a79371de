#include "postalcode.h"

namespace postal {

namespace {

bool isHyphenLike(char16_t c)
{
    switch (c) {
    case u'-':
    case u'ー': // long-vowel mark, typed for a hyphen with the Japanese input method
    case u'－':
    case u'−':
    case u'‐':
    case u'‑':
    case u'–':
    case u'—':
    case u'―':
    case u'ｰ':
        return true;
    default:
        return false;
    }
}

} // namespace

QString codeDigits(QStringView text)
{
    // A code is short: anything much longer is no code, and is not scanned to the end.
    constexpr qsizetype kMaxCodeText = 32;
    if (text.size() > kMaxCodeText)
        return {};
    QString digits;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            digits += c;
        else if (u >= u'０' && u <= u'９')
            digits += QChar(u'0' + (u - u'０'));
        else if (isHyphenLike(u) || c.isSpace() || u == u'〒')
            continue;
        else
            return {};
    }
    return digits;
}

QString normalizedCode(QStringView text)
{
    QString digits = codeDigits(text);
    return digits.size() == 7 ? digits : QString();
}

QString formattedCode(QStringView text)
{
    const QString digits = normalizedCode(text);
    if (digits.isEmpty())
        return text.toString();
    return digits.left(3) + u'-' + digits.mid(3);
}

} // namespace postal
