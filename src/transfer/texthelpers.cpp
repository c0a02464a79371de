#include "transfer/texthelpers.h"

#include "platform/convert.h"
#include "platform/textnormalize.h"

#include <array>
#include <memory>
#include <vector>

namespace transfer {

namespace {

// The blank-free range [begin, end) of text.
struct Span
{
    qsizetype begin;
    qsizetype end;
};

Span blankFreeSpan(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return {begin, end};
}

constexpr char16_t kIdeographicSpace = 0x3000;
constexpr char16_t kVoicedMark = 0x3099;
constexpr char16_t kSemiVoicedMark = 0x309A;

// Half-width counterparts, looked up through 256 pages of 256 code units so that a
// character costs one or two array reads. The table is derived from the Unicode
// width decompositions that Qt carries, so no code point is typed in by hand.
class HalfWidthTable
{
public:
    struct Entry
    {
        char16_t first = 0; // 0: no half-width form
        char16_t second = 0; // the sound mark of a voiced kana, else 0
    };

    HalfWidthTable()
    {
        for (const char16_t u : sourceCodes()) {
            const QChar::Decomposition tag = QChar::decompositionTag(u);
            if (tag != QChar::Wide && tag != QChar::Narrow)
                continue;
            const QString target = QChar::decomposition(u);
            if (target.size() != 1)
                continue;
            const char16_t t = target.at(0).unicode();
            // Only the full-width forms of ASCII (and the ideographic space, whose
            // wide counterpart is the space) and the half-width katakana block:
            // other width pairs (Hangul, arrows, currency signs) stay as they are.
            if (tag == QChar::Wide && t >= 0x20 && t <= 0x7E)
                set(char16_t(u), {t, 0});
            else if (tag == QChar::Narrow && u >= 0xFF61 && u <= 0xFF9F)
                set(t, {char16_t(u), 0});
        }
        // A voiced or semi-voiced katakana is its base kana plus a combining sound
        // mark; both halves have half-width forms when the kana has one.
        for (const char16_t u : sourceCodes()) {
            if (QChar::decompositionTag(u) != QChar::Canonical)
                continue;
            const QString parts = QChar::decomposition(u);
            if (parts.size() != 2)
                continue;
            const char16_t mark = parts.at(1).unicode();
            if (mark != kVoicedMark && mark != kSemiVoicedMark)
                continue;
            const Entry base = lookup(parts.at(0).unicode());
            const Entry halfMark = lookup(mark);
            if (base.first != 0 && base.second == 0 && halfMark.first != 0)
                set(char16_t(u), {base.first, halfMark.first});
        }
    }

    Entry lookup(char16_t c) const
    {
        const auto &page = m_pages[c >> 8];
        return page ? (*page)[c & 0xFF] : Entry{};
    }

private:
    using Page = std::array<Entry, 256>;

    // The blocks that hold every character with a width pair kept here: the CJK marks
    // and the kana (U+3000 to U+30FF) and the half- and full-width forms (U+FF00 to
    // U+FFEF). Scanning these alone, not the whole plane, keeps the table's first use
    // (the first postal code shown at start) cheap.
    static std::vector<char16_t> sourceCodes()
    {
        std::vector<char16_t> codes;
        codes.reserve(0x100 + 0xF0);
        for (char16_t u = 0x3000; u <= 0x30FF; ++u)
            codes.push_back(u);
        for (char16_t u = 0xFF00; u <= 0xFFEF; ++u)
            codes.push_back(u);
        return codes;
    }

    void set(char16_t c, Entry e)
    {
        auto &page = m_pages[c >> 8];
        if (!page)
            page = std::make_unique<Page>();
        (*page)[c & 0xFF] = e;
    }

    std::array<std::unique_ptr<Page>, 256> m_pages;
};

const HalfWidthTable &halfWidthTable()
{
    static const HalfWidthTable table;
    return table;
}

} // namespace

QString TrimBlanks(QStringView text)
{
    const Span s = blankFreeSpan(text);
    return text.sliced(s.begin, s.end - s.begin).toString();
}

QString TrimLeftBlanks(QStringView text)
{
    qsizetype begin = 0;
    while (begin < text.size() && isBlank(text[begin]))
        ++begin;
    return text.sliced(begin).toString();
}

qsizetype CountOccurrences(QStringView text, QStringView pattern)
{
    // An empty pattern would match everywhere without moving on.
    if (pattern.isEmpty())
        return 0;
    qsizetype count = 0;
    qsizetype from = 0;
    if (pattern.size() == 1) {
        const QChar c = pattern.front();
        for (const QChar t : text)
            count += (t == c);
        return count;
    }
    while ((from = text.indexOf(pattern, from, Qt::CaseSensitive)) >= 0) {
        ++count;
        from += pattern.size();
    }
    return count;
}

int StrToIntZero(const QString &text)
{
    int value = 0;
    return platform::tryStrToInt(text, value) ? value : 0;
}

QString TrimAllSpaces(QStringView text)
{
    const Span s = blankFreeSpan(text);
    qsizetype begin = s.begin;
    qsizetype end = s.end;
    const auto isSpace = [](QChar c) {
        return c.unicode() == kIdeographicSpace || c.unicode() == u' ';
    };
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

QString ToHalfWidth(QStringView text)
{
    const HalfWidthTable &table = halfWidthTable();
    QString out;
    out.reserve(std::min<qsizetype>(text.size() + 8, kHalfWidthMaxLength + 1));
    // One unit past the limit tells whether the cut falls inside a surrogate pair.
    for (qsizetype i = 0; i < text.size() && out.size() <= kHalfWidthMaxLength; ++i) {
        const QChar c = text[i];
        const HalfWidthTable::Entry e = table.lookup(c.unicode());
        if (e.first == 0) {
            out.append(c);
            continue;
        }
        out.append(QChar(e.first));
        if (e.second != 0)
            out.append(QChar(e.second));
    }
    if (out.size() > kHalfWidthMaxLength) {
        const bool splitsPair = out.at(kHalfWidthMaxLength - 1).isHighSurrogate()
                                && out.at(kHalfWidthMaxLength).isLowSurrogate();
        out.truncate(splitsPair ? kHalfWidthMaxLength - 1 : kHalfWidthMaxLength);
    }
    return out;
}

QString LeadingNumber(QStringView text)
{
    bool negative = false;
    bool hasPoint = false;
    QString integerDigits;
    QString decimals;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Full-width digits and signs read as their ordinary forms.
        const char16_t u = platform::toHalfWidth(text[i]).unicode();

        if (u >= u'0' && u <= u'9') {
            (hasPoint ? decimals : integerDigits).append(QChar(u));
        } else if (u == u',') {
            continue;
        } else if (u == u'.') {
            if (hasPoint)
                break;
            hasPoint = true;
        } else if (u == u'-' && i == 0) {
            negative = true;
        } else {
            break;
        }
    }

    constexpr qsizetype kIntegerDigits = 9;
    constexpr qsizetype kDecimalDigits = 3;
    if (hasPoint) {
        if (integerDigits.size() > kIntegerDigits)
            return {};
        decimals.truncate(kDecimalDigits);
    } else {
        integerDigits.truncate(kIntegerDigits);
    }

    qsizetype zeros = 0;
    while (zeros < integerDigits.size() && integerDigits.at(zeros) == u'0')
        ++zeros;
    const bool hadDigits = !integerDigits.isEmpty();
    integerDigits.remove(0, zeros);
    if (integerDigits.isEmpty() && (hadDigits || hasPoint))
        integerDigits = QStringLiteral("0");

    QString result;
    if (negative)
        result += u'-';
    result += integerDigits;
    if (hasPoint) {
        result += u'.';
        result += decimals;
    }
    return result;
}

} // namespace transfer
