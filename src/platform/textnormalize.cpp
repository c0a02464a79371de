#include "platform/textnormalize.h"

namespace platform {

namespace {

// The full-width forms U+FF01-U+FF5E are "!" to "~" moved by a fixed distance (their
// <wide> decompositions in Unicode). Computed rather than looked up: the transfer asks
// for every character of a pasted text several times.
constexpr char16_t kFirstWideAscii = 0xFF01;
constexpr char16_t kLastWideAscii = 0xFF5E;
constexpr char16_t kWideAsciiOffset = kFirstWideAscii - u'!';
constexpr char16_t kIdeographicSpace = 0x3000;

} // namespace

bool isHyphenLike(QChar c)
{
    switch (c.unicode()) {
    // The keyboard's hyphen-minus, its full-width form (what the input method types
    // for "-") and its small form.
    case u'-':
    case u'\uFF0D':
    case u'\uFE63':
    // Hyphens and dashes: word processors and web pages put them in place of "-",
    // and a number pasted from them keeps them. U+2011 is the no-break hyphen.
    case u'\u2010':
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2014':
    case u'\u2015':
    // The minus sign: conversions that follow the JIS table turn the Shift_JIS
    // full-width minus into it, so files from such tools carry it in every number.
    case u'\u2212':
    // The long-vowel mark, full and half width: typed for "-" in kana mode, and
    // converted from it by half-width tidying. It is a letter in katakana words too.
    case u'\u30FC':
    case u'\uFF70':
    // Box-drawing lines: the input method lists them among the conversions of "ー"
    // and most Japanese fonts draw them like a long hyphen.
    case u'\u2500':
    case u'\u2501':
        return true;
    default:
        // Not taken: the wave dashes "〜" and "～" (a range, "1〜3"), the soft hyphen
        // (invisible) and the underscore.
        return false;
    }
}

int digitValue(QChar c)
{
    const QChar half = toHalfWidth(c);
    return half.unicode() < 0x80 && half.isDigit() ? half.digitValue() : -1;
}

QChar toHalfWidth(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= kFirstWideAscii && u <= kLastWideAscii)
        return QChar(char16_t(u - kWideAsciiOffset));
    if (u == kIdeographicSpace)
        return QLatin1Char(' ');
    return c;
}

QString hyphensAfterDigits(QStringView text)
{
    QString out = text.toString();
    for (qsizetype i = 1; i < out.size(); ++i) {
        if (isHyphenLike(out.at(i)) && isDigit(out.at(i - 1)))
            out[i] = QLatin1Char('-');
    }
    return out;
}

QString digitsOnly(QStringView text)
{
    QString digits;
    for (const QChar c : text) {
        const int value = digitValue(c);
        if (value >= 0)
            digits += QChar(u'0' + value);
    }
    return digits;
}

std::optional<QString> groupedDigits(QStringView text)
{
    QString digits;
    for (const QChar c : text) {
        const int value = digitValue(c);
        if (value >= 0)
            digits += QChar(u'0' + value);
        else if (!isHyphenLike(c) && !c.isSpace())
            return std::nullopt;
    }
    return digits;
}

} // namespace platform
