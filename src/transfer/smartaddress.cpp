#include "transfer/smartaddress.h"

#include "transfer/smartnumbers.h"
#include "transfer/smarttext.h"

namespace transfer::smart {

namespace {

// A run of a house number: digits and what joins them ("2丁目1-1", "5954番地の3").
bool isHouseNumberRun(QStringView run)
{
    return hasHouseNumber(run) || run.contains(u'番');
}

bool hasCityBeforeNumber(QStringView s)
{
    for (QChar c : s) {
        if (isDigit(c))
            return false;
        if (QStringView(u"市区郡").contains(c))
            return true;
    }
    return false;
}

QStringView withoutRoomUnit(QStringView s)
{
    for (QStringView unit : {u"号室", u"号", u"室", u"階", u"F", u"Ｆ", u"f"}) {
        if (s.endsWith(unit))
            return s.chopped(unit.size());
    }
    return s;
}

} // namespace

bool hasHouseNumber(QStringView s)
{
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        const char16_t a = s.at(i).unicode();
        const char16_t b = s.at(i + 1).unicode();
        if ((a == u'丁' && b == u'目') || (a == u'番' && b == u'地') || (a == u'地' && b == u'割'))
            return true;
        if (i + 2 < s.size() && isDigit(s.at(i)) && isDash(s.at(i + 1)) && isDigit(s.at(i + 2)))
            return true;
    }
    return false;
}

bool isRoomLine(QStringView s)
{
    constexpr qsizetype kLongestRoomLine = 40;
    constexpr qsizetype kLongestRoomNumber = 5;
    if (s.size() > kLongestRoomLine || startsWithPrefecture(s) || hasHouseNumber(s) || hasCityBeforeNumber(s))
        return false;
    const QStringView t = trimmed(withoutRoomUnit(s));
    qsizetype b = t.size();
    while (b > 0 && isDigit(t.at(b - 1)))
        --b;
    if (b == t.size() || t.size() - b > kLongestRoomNumber)
        return false;
    // "B-302", "#302": the room's letter and mark belong to the number.
    qsizetype n = b;
    while (n > 0 && (isSpace(t.at(n - 1)) || isDash(t.at(n - 1)) || t.at(n - 1) == u'#' || t.at(n - 1) == u'＃'))
        --n;
    const QStringView name = t.first(n);
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetter(); });
}

bool beginsAnotherAddress(QStringView s)
{
    return startsWithPrefecture(s) || hasCityBeforeNumber(s) || hasHouseNumber(s);
}

std::pair<qsizetype, qsizetype> buildingSplit(QStringView s)
{
    for (qsizetype b = 1; b < s.size(); ++b) {
        if (!isSpace(s.at(b)) || isSpace(s.at(b - 1)))
            continue;
        qsizetype e = b;
        while (e < s.size() && isSpace(s.at(e)))
            ++e;
        if (e >= s.size())
            break;
        const QStringView before = s.first(b);
        const QStringView after = s.sliced(e);
        const bool numberEnds = isDigit(before.back()) || endsWithAny(before, {u"丁目", u"番地", u"番", u"号"})
                                || (before.size() >= 2 && isDigit(before.at(before.size() - 2))
                                    && QStringView(u"FＦ").contains(before.back()));
        const bool building = hasBuildingWord(after) || hasFloorOrRoom(after) || isRoomLine(after);
        if (numberEnds && (hasStreetNumber(before) || building) && (!isDigit(after.front()) || hasBuildingWord(after)))
            return {b, e};
    }
    // No blank: the building's name starts where the house number ends, when no
    // house number follows ("北1条西2丁目1-1" has none to split off).
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (!isDigit(s.at(i)))
            continue;
        qsizetype j = i;
        while (j < s.size() && (isDigit(s.at(j)) || isNumberConnector(s.at(j))))
            ++j;
        // "1-2-3の森ハイツ": the joining の is the building's.
        while (j > i && s.at(j - 1) == u'の')
            --j;
        const QStringView run = s.sliced(i, j - i);
        i = j;
        if (j >= s.size() || !isHouseNumberRun(run))
            continue;
        const QStringView rest = s.sliced(j);
        if (rest.front().isLetter() && !hasHouseNumber(rest) && !startsWithPrefecture(rest))
            return {j, j};
    }
    return {-1, -1};
}

std::optional<WesternRegion> westernRegion(QStringView s)
{
    qsizetype cut = -1;
    for (qsizetype i = s.size() - 1; i > 0 && cut < 0; --i)
        if (QStringView(u",、，").contains(s.at(i)))
            cut = i;
    if (cut < 0) {
        for (qsizetype i = s.size() - 1; i > 0 && cut < 0; --i)
            if (isSpace(s.at(i)))
                cut = i;
    }
    if (cut <= 0)
        return std::nullopt;
    const QStringView city = trimmed(s.first(cut));
    const QStringView prefecture = trimmed(s.sliced(cut + 1));
    if (!isPrefectureOnly(prefecture) || city.isEmpty() || hasDigit(city) || startsWithPrefecture(city)
        || !endsWithAny(city, {u"市", u"区", u"町", u"村", u"郡"}) || city.contains(u' ') || city.contains(u'\u3000'))
        return std::nullopt;
    return WesternRegion{prefecture, city};
}

} // namespace transfer::smart
