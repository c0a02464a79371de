#include "transfer/smartnumbers.h"

#include "platform/textnormalize.h"

#include <QList>

#include <algorithm>
#include <array>

namespace transfer::smart {

namespace {

// Area codes (with their leading "0") whose length differs from the usual four digits.
// The lists cover the cities and towns with most numbers; an area code not found
// here is taken as four digits, the commonest length.
constexpr std::array<std::u16string_view, 2> kTwoDigitAreas = {u"03", u"06"};
// Tokorozawa and Kashiwa dial "04" followed by a four-digit exchange.
constexpr std::array<std::u16string_view, 2> kTwoDigitAreaPrefixes = {u"0429", u"0471"};
constexpr std::array<std::u16string_view, 48> kThreeDigitAreas = {
    u"011", u"017", u"018", u"019", u"022", u"023", u"024", u"025", u"026", u"027", u"028", u"029",
    u"042", u"043", u"044", u"045", u"046", u"047", u"048", u"049", u"052", u"053", u"054", u"055",
    u"058", u"059", u"072", u"073", u"075", u"076", u"077", u"078", u"079", u"082", u"083", u"084",
    u"086", u"087", u"088", u"089", u"092", u"093", u"095", u"096", u"097", u"098", u"099", u"050"};
// Four-digit areas inside the three-digit ranges above (longest prefix wins).
constexpr std::array<std::u16string_view, 130> kFourDigitAreas = {
    u"0172", u"0173", u"0174", u"0175", u"0176", u"0178", u"0179", u"0182", u"0183", u"0184",
    u"0185", u"0186", u"0187", u"0191", u"0192", u"0193", u"0194", u"0195", u"0197", u"0198",
    u"0220", u"0223", u"0224", u"0225", u"0226", u"0228", u"0229", u"0233", u"0234", u"0235",
    u"0237", u"0238", u"0240", u"0241", u"0242", u"0243", u"0244", u"0246", u"0247", u"0248",
    u"0250", u"0254", u"0255", u"0256", u"0257", u"0258", u"0259", u"0260", u"0261", u"0263",
    u"0264", u"0265", u"0266", u"0267", u"0268", u"0269", u"0270", u"0274", u"0276", u"0277",
    u"0278", u"0279", u"0280", u"0282", u"0283", u"0284", u"0285", u"0287", u"0288", u"0289",
    u"0291", u"0293", u"0294", u"0295", u"0296", u"0297", u"0299", u"0422", u"0428", u"0436",
    u"0438", u"0439", u"0460", u"0463", u"0465", u"0466", u"0467", u"0470", u"0475", u"0476",
    u"0478", u"0479", u"0480", u"0493", u"0494", u"0495", u"0531", u"0532", u"0533", u"0536",
    u"0537", u"0538", u"0539", u"0544", u"0545", u"0547", u"0548", u"0550", u"0551", u"0553",
    u"0554", u"0555", u"0556", u"0557", u"0558", u"0581", u"0584", u"0585", u"0586", u"0587",
    u"0594", u"0595", u"0596", u"0597", u"0598", u"0599", u"0721", u"0725", u"0735", u"0736"};
constexpr std::array<std::u16string_view, 76> kMoreFourDigitAreas = {
    u"0737", u"0738", u"0739", u"0761", u"0763", u"0765", u"0766", u"0767", u"0768", u"0770",
    u"0771", u"0772", u"0773", u"0774", u"0776", u"0778", u"0779", u"0790", u"0791", u"0794",
    u"0795", u"0796", u"0797", u"0798", u"0799", u"0820", u"0823", u"0824", u"0826", u"0827",
    u"0829", u"0833", u"0834", u"0835", u"0836", u"0837", u"0838", u"0845", u"0846", u"0847",
    u"0848", u"0863", u"0865", u"0866", u"0867", u"0868", u"0869", u"0875", u"0877", u"0879",
    u"0880", u"0883", u"0884", u"0885", u"0887", u"0889", u"0892", u"0893", u"0894", u"0895",
    u"0896", u"0897", u"0898", u"0920", u"0930", u"0940", u"0942", u"0943", u"0944", u"0946",
    u"0947", u"0948", u"0949", u"0950", u"0952", u"0954"};
constexpr std::array<std::u16string_view, 22> kLastFourDigitAreas = {
    u"0955", u"0956", u"0957", u"0959", u"0964", u"0965", u"0966", u"0967", u"0968", u"0969",
    u"0972", u"0973", u"0974", u"0977", u"0978", u"0979", u"0980", u"0993", u"0994", u"0995",
    u"0996", u"0997"};

template<std::size_t N>
bool startsWithAny(std::u16string_view digits, const std::array<std::u16string_view, N> &list)
{
    return std::any_of(list.begin(), list.end(), [&](std::u16string_view p) { return digits.starts_with(p); });
}

// Length of the area code of a ten-digit fixed-line number.
int areaCodeLength(std::u16string_view d)
{
    if (startsWithAny(d, kTwoDigitAreaPrefixes) || startsWithAny(d, kTwoDigitAreas))
        return 2;
    if (startsWithAny(d, kFourDigitAreas) || startsWithAny(d, kMoreFourDigitAreas)
        || startsWithAny(d, kLastFourDigitAreas))
        return 4;
    if (startsWithAny(d, kThreeDigitAreas))
        return 3;
    return 4;
}

QString grouped(QStringView digits, std::initializer_list<int> sizes)
{
    QString out;
    qsizetype at = 0;
    for (int size : sizes) {
        if (!out.isEmpty())
            out.append(QLatin1Char('-'));
        out.append(digits.sliced(at, size));
        at += size;
    }
    return out;
}

bool isOpenBracket(QChar c) { return c == u'(' || c == u'（'; }
bool isCloseBracket(QChar c) { return c == u')' || c == u'）'; }

// Whether the number starting at `at` follows the postal mark, blanks between allowed.
bool afterPostalMark(QStringView text, qsizetype at)
{
    qsizetype before = at - 1;
    while (before >= 0 && isSpace(text.at(before)))
        --before;
    return before >= 0 && text.at(before) == u'〒';
}

} // namespace

int digitValue(QChar c)
{
    return platform::digitValue(c);
}

bool isDash(QChar c)
{
    return platform::isHyphenLike(c);
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

QString groupTelephoneDigits(QStringView digits)
{
    const std::u16string_view d(reinterpret_cast<const char16_t *>(digits.utf16()), std::size_t(digits.size()));
    if (d.size() == 11) {
        if (d.starts_with(u"0800"))
            return grouped(digits, {4, 3, 4});
        if (d[0] == u'0' && d[2] == u'0') // 090, 080, 070, 050, 020, 060
            return grouped(digits, {3, 4, 4});
    }
    if (d.size() == 10) {
        if (d.starts_with(u"0120") || d.starts_with(u"0570") || d.starts_with(u"0990")
            || d.starts_with(u"0180"))
            return grouped(digits, {4, 3, 3});
        const int area = areaCodeLength(d);
        return grouped(digits, {area, 6 - area, 4});
    }
    return digits.toString();
}

NumberMatch findTelephone(QStringView text, qsizetype from, bool acceptUnusual)
{
    const qsizetype n = text.size();
    for (qsizetype i = from; i < n; ++i) {
        const QChar c = text.at(i);
        // Where a number may start: not inside another number or word of digits.
        const bool afterDigit = i > 0 && (isDigit(text.at(i - 1)) || (isDash(text.at(i - 1)) && i > 1 && isDigit(text.at(i - 2))));
        if (afterDigit)
            continue;
        qsizetype p = i;
        bool international = false;
        if ((c == u'+' || c == u'＋') && p + 2 < n && digitValue(text.at(p + 1)) == 8 && digitValue(text.at(p + 2)) == 1) {
            international = true;
            p += 3;
            // "+81 90-…", "+81-3-…", "+81 (0)3-…": the trunk zero in brackets is dropped.
            while (p < n && (isSpace(text.at(p)) || isDash(text.at(p))))
                ++p;
            if (p + 2 < n && isOpenBracket(text.at(p)) && digitValue(text.at(p + 1)) == 0
                && isCloseBracket(text.at(p + 2)))
                p += 3;
        } else if (isOpenBracket(c) && p + 1 < n && digitValue(text.at(p + 1)) == 0) {
            p += 1;
        } else if (digitValue(c) != 0) {
            continue;
        }
        // Read groups of digits parted by one separator (a dash, a bracket or a blank).
        QList<QString> groups;
        QString current;
        qsizetype digitCount = 0;
        qsizetype end = p;
        qsizetype q = p;
        while (q < n) {
            const QChar d = text.at(q);
            const int v = digitValue(d);
            if (v >= 0) {
                if (digitCount >= 13)
                    break;
                current.append(QChar(u'0' + v));
                ++digitCount;
                ++q;
                end = q;
                continue;
            }
            if (isDash(d) || isOpenBracket(d) || isCloseBracket(d) || isSpace(d)) {
                // A blank parts groups only between digits, and a finished number
                // followed by a blank ends there.
                qsizetype r = q + 1;
                if (isCloseBracket(d) && r < n && (isDash(text.at(r)) || isSpace(text.at(r))))
                    ++r;
                if (r < n && isDigit(text.at(r)) && !(isSpace(d) && digitCount >= 10)) {
                    if (!current.isEmpty())
                        groups.append(std::exchange(current, QString()));
                    q = r;
                    continue;
                }
                if (isCloseBracket(d) && !groups.isEmpty() && current.isEmpty())
                    end = q + 1;
            }
            break;
        }
        if (!current.isEmpty())
            groups.append(current);
        if (groups.isEmpty())
            continue;
        if (international) {
            if (groups.size() > 1 && groups.first() == u"0")
                groups.removeFirst();
            if (!groups.first().startsWith(u'0'))
                groups.first().prepend(u'0');
        }
        const QString digits = groups.join(QString());
        if (!digits.startsWith(u'0') || digits.startsWith(u"00"))
            continue;
        const bool usual = digits.size() == 10 || digits.size() == 11;
        if (!usual && !(acceptUnusual && digits.size() >= 6 && digits.size() <= 13))
            continue;
        // A number that runs on into letters or digits is a code of another kind.
        if (end < n && (text.at(end).isLetter() && text.at(end).unicode() < 0x80))
            continue;
        NumberMatch m;
        m.start = i;
        m.end = end;
        m.unusual = !usual;
        m.value = groups.size() > 1 ? groups.join(QLatin1Char('-')) : groupTelephoneDigits(digits);
        return m;
    }
    return {};
}

NumberMatch findPostalCode(QStringView text, qsizetype from, bool labelled)
{
    const qsizetype n = text.size();
    for (qsizetype i = from; i + 7 <= n; ++i) {
        if (!isDigit(text.at(i)))
            continue;
        if (i > 0 && (isDigit(text.at(i - 1)) || isDash(text.at(i - 1))
                      || (text.at(i - 1).isLetter() && text.at(i - 1).unicode() < 0x80)))
            continue;
        qsizetype p = i;
        QString value;
        for (int k = 0; k < 3 && p < n && isDigit(text.at(p)); ++k, ++p)
            value.append(QChar(u'0' + digitValue(text.at(p))));
        if (value.size() != 3)
            continue;
        const bool dashed = p < n && isDash(text.at(p));
        // "〒151 0053": one blank parts the groups where the text says a code follows.
        const bool blankParted = !dashed && p + 1 < n && isSpace(text.at(p)) && isDigit(text.at(p + 1))
                                 && (labelled || afterPostalMark(text, i));
        if (dashed || blankParted)
            ++p;
        value.append(u'-');
        qsizetype k = 0;
        for (; k < 4 && p < n && isDigit(text.at(p)); ++k, ++p)
            value.append(QChar(u'0' + digitValue(text.at(p))));
        if (k != 4)
            continue;
        if (p < n && (isDigit(text.at(p)) || (isDash(text.at(p)) && p + 1 < n && isDigit(text.at(p + 1)))))
            continue;
        if (!dashed) {
            const bool afterMark = afterPostalMark(text, i);
            const bool standsAlone = (i == 0 || isSpace(text.at(i - 1))) && (p == n || isSpace(text.at(p)));
            if (!labelled && !afterMark && !standsAlone)
                continue;
        }
        NumberMatch m;
        m.start = i;
        m.end = p;
        m.value = value;
        return m;
    }
    return {};
}

} // namespace transfer::smart
