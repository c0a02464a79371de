#include "transfer/smarttext.h"

#include "transfer/classifiers.h"
#include "transfer/smartnumbers.h"

#include <algorithm>

namespace transfer::smart {

bool isTrimmable(QChar c)
{
    return c.unicode() <= 0x20 || c == u'\u3000' || c == u'\u00A0' || c == u'\u200E' || c == u'\u200F'
           || c == u'\uFEFF' || c == u'\u200B';
}

QStringView trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isTrimmable(s.at(b)))
        ++b;
    while (e > b && isTrimmable(s.at(e - 1)))
        --e;
    return s.sliced(b, e - b);
}

// Takes off what numbers and labels leave behind: brackets, commas, slashes, colons.
QStringView trimmedPiece(QStringView s)
{
    static const QStringView leading = u")）]］】」』、,，/／:：・;；";
    static const QStringView trailing = u"(（[［【「『、,，/／:：・;；";
    for (;;) {
        const QStringView t = trimmed(s);
        qsizetype b = 0;
        qsizetype e = t.size();
        while (b < e && leading.contains(t.at(b)))
            ++b;
        while (e > b && trailing.contains(t.at(e - 1)))
            --e;
        if (b == 0 && e == t.size())
            return t;
        s = t.sliced(b, e - b);
    }
}

bool containsAny(QStringView s, std::initializer_list<QStringView> words)
{
    return std::any_of(words.begin(), words.end(), [&](QStringView w) { return s.contains(w); });
}

bool endsWithAny(QStringView s, std::initializer_list<QStringView> words)
{
    return std::any_of(words.begin(), words.end(), [&](QStringView w) { return s.endsWith(w); });
}

bool hasDigit(QStringView s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return isDigit(c); });
}

bool isKatakana(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x30A1 && u <= 0x30FA) || u == 0x30FC || (u >= 0xFF66 && u <= 0xFF9F);
}

bool startsWithPrefecture(QStringView s)
{
    // The first characters of the names: most lines are passed at one look.
    static const QString firsts = [] {
        QString f;
        for (QStringView p : prefectureNames())
            if (!f.contains(p.front()))
                f.append(p.front());
        return f;
    }();
    if (s.isEmpty() || !firsts.contains(s.front()))
        return false;
    const auto names = prefectureNames();
    return std::any_of(names.begin(), names.end(), [&](QStringView p) { return s.startsWith(p); });
}

bool isPrefectureOnly(QStringView s)
{
    const auto names = prefectureNames();
    return std::any_of(names.begin(), names.end(), [&](QStringView p) { return s == p; });
}

bool looksLikeMailOrUrl(QStringView s)
{
    return containsAny(s, {u"@", u"＠", u"http", u"www.", u".com", u".jp", u".net", u".co"});
}

bool looksLikeSentence(QStringView s)
{
    return containsAny(s, {u"。", u"！", u"!", u"？", u"?", u"ありがと", u"お願い", u"よろしく", u"宜しく",
                           u"いたします", u"致します", u"ください", u"下さい", u"です", u"ます", u"ました",
                           u"こんにちは", u"こんばんは", u"おはよう", u"お世話", u"拝啓", u"敬具", u"失礼",
                           u"恐れ入", u"いつも", u"この度", u"このたび", u"以下", u"下記", u"上記", u"より",
                           u"から", u"について", u"確認", u"注文", u"購入", u"利用", u"発送", u"配送",
                           u"到着", u"送って", u"同上", u"同じ", u"変更", u"予定", u"希望", u"お届け",
                           u"連絡", u"返信", u"在庫", u"ございま"});
}

bool looksLikeDateTimeOrPrice(QStringView s)
{
    for (qsizetype i = 1; i + 1 < s.size(); ++i) {
        const QChar c = s.at(i);
        if (isDigit(s.at(i - 1)) && (c == u'/' || c == u':' || c == u'：' || c == u'／') && isDigit(s.at(i + 1)))
            return true;
    }
    for (qsizetype i = 1; i < s.size(); ++i)
        if (isDigit(s.at(i - 1)) && QStringView(u"年月日時分円個点").contains(s.at(i)))
            return true;
    return containsAny(s, {u"¥", u"￥", u"税込", u"税抜", u"×"});
}

// Words of buildings and rooms: what goes to the second address line.
bool hasBuildingWord(QStringView s)
{
    return containsAny(s, {u"ビル", u"マンション", u"ハイツ", u"コーポ", u"レジデンス", u"アパート", u"荘",
                           u"ハウス", u"タワー", u"メゾン", u"パレス", u"コート", u"ヒルズ", u"ガーデン",
                           u"プラザ", u"ハイム", u"ヴィラ", u"シャトー", u"カーサ", u"テラス", u"号室",
                           u"号棟", u"階", u"棟", u"団地", u"寮", u"住宅", u"様方", u"気付", u"ﾋﾞﾙ",
                           u"ﾏﾝｼｮﾝ", u"ﾊｲﾂ", u"ｺｰﾎﾟ", u"ﾚｼﾞﾃﾞﾝｽ", u"ﾊｲﾑ", u"ｱﾊﾟｰﾄ", u"ﾒｿﾞﾝ", u"ﾀﾜｰ",
                           u"ﾊｳｽ", u"ｶｰｻ", u"フラット", u"パーク", u"グラン", u"ドミール", u"サンハイム"});
}

bool isCountry(QStringView s)
{
    return s == u"日本" || s == u"日本国" || s.compare(u"japan", Qt::CaseInsensitive) == 0;
}

// A floor or room after digits: "10F", "３階", "1101号".
bool hasFloorOrRoom(QStringView s)
{
    for (qsizetype i = 0; i + 1 < s.size(); ++i)
        if (isDigit(s.at(i)) && QStringView(u"FＦ階号").contains(s.at(i + 1)))
            return true;
    return false;
}

// Where the first building word starts, or -1.
qsizetype firstBuildingWord(QStringView s)
{
    for (qsizetype i = 0; i < s.size(); ++i)
        if (hasBuildingWord(s.sliced(i, std::min<qsizetype>(6, s.size() - i))))
            return i;
    return -1;
}

bool isNumberConnector(QChar c)
{
    return isDash(c) || QStringView(u"の丁目番地号").contains(c);
}

// A house number: digits parted by dashes, or digits before 丁目, 番地, 番, 号, 条.
bool hasStreetNumber(QStringView s)
{
    if (containsAny(s, {u"丁目", u"番地", u"地割"}))
        return true;
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        if (!isDigit(s.at(i)))
            continue;
        const QChar next = s.at(i + 1);
        if (QStringView(u"番号条丁").contains(next))
            return true;
        if (isDash(next) && i + 2 < s.size() && isDigit(s.at(i + 2)))
            return true;
    }
    return false;
}

bool hasMunicipality(QStringView s)
{
    return containsAny(s, {u"市", u"区", u"町", u"村", u"郡"});
}

// Only a prefecture, city or ward: "岩手県盛岡市", "東京都", "盛岡市", "港区".
bool isRegionOnly(QStringView s)
{
    if (s.size() > 14 || hasDigit(s))
        return false;
    // "東京都 世田谷区": a blank may part the prefecture from its city.
    const auto names = prefectureNames();
    const auto prefecture = std::find_if(names.begin(), names.end(), [&](QStringView p) { return s.startsWith(p); });
    const QStringView city = trimmed(prefecture != names.end() ? s.sliced(prefecture->size()) : s);
    if (containsAny(city, {u" ", u"\u3000"}))
        return false;
    if (prefecture != names.end())
        return city.isEmpty() || endsWithAny(city, {u"市", u"区", u"町", u"村", u"郡"});
    return s.size() >= 2 && endsWithAny(s, {u"市", u"区", u"郡"});
}

bool hasLegalForm(QStringView s)
{
    return containsAny(s, {u"株式会社", u"有限会社", u"合同会社", u"合資会社", u"合名会社", u"(株)", u"（株）",
                           u"㈱", u"(有)", u"（有）", u"㈲", u"法人"});
}

bool isCompany(QStringView s)
{
    return hasLegalForm(s)
           || containsAny(s, {u"組合", u"協会", u"商店", u"商事",
                           u"商会", u"工業", u"産業", u"製作所", u"工務店", u"事務所", u"病院", u"医院",
                           u"クリニック", u"歯科", u"大学", u"学校", u"幼稚園", u"保育園", u"会社", u"研究所",
                           u"ホテル", u"旅館", u"役場", u"役所", u"財団", u"機構", u"Co.", u"Ltd", u"Inc",
                           u"店", u"ショップ", u"ストア", u"食堂", u"農園", u"牧場", u"書房", u"企画"});
}

bool isDepartment(QStringView s)
{
    return s.size() >= 3
           && endsWithAny(s, {u"部", u"課", u"係", u"室", u"科", u"部署", u"本部", u"支店", u"支社", u"営業所",
                              u"事業部", u"グループ", u"チーム", u"センター", u"工場", u"研究室", u"医局",
                              u"事務局", u"担当"});
}

bool isNameLike(QStringView s)
{
    if (s.size() < 2 || s.size() > kLongestName)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) {
        return c.isLetter() || c.isMark() || c == u' ' || c == u'\u3000' || c == u'・' || c == u'.'
               || c == u'々' || c == u'ー' || c == u'＝' || c == u'=' || c == u'(' || c == u')'
               || c == u'（' || c == u'）' || c == u'ヶ' || c == u'〆';
    });
}

bool isAllKana(QStringView s)
{
    bool any = false;
    for (QChar c : s) {
        if (isKatakana(c) || c == u'ー')
            any = true;
        else if (c != u' ' && c != u'\u3000' && c != u'・')
            return false;
    }
    return any;
}

// A name's reading: kana and blanks only.
bool isReading(QStringView s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return isKatakana(c) || (u >= 0x3041 && u <= 0x3096) || u == u'ー' || u == u' ' || u == 0x3000;
    });
}

// Takes off honorifics and a trailing reading in brackets: "山田 太郎（ヤマダ）様" -> "山田 太郎".
QStringView withoutHonorific(QStringView s, bool *hadHonorific)
{
    for (int round = 0; round < 3; ++round) {
        s = trimmedPiece(s);
        bool changed = false;
        // "宛" addresses the parcel as an honorific does: "大野 悠 宛", "様宛".
        for (QStringView h : {u"様", u"殿", u"さま", u"御中", u"さん", u"宛て", u"宛"}) {
            if (s.endsWith(h) && !s.endsWith(u"様方") && s.size() > h.size()) {
                s.chop(h.size());
                changed = true;
                if (hadHonorific)
                    *hadHonorific = true;
                break;
            }
        }
        if (!changed && (s.endsWith(u')') || s.endsWith(u'）'))) {
            const qsizetype open = std::max(s.lastIndexOf(u'('), s.lastIndexOf(u'（'));
            if (open > 0 && isReading(s.sliced(open + 1, s.size() - open - 2))) {
                s.truncate(open);
                changed = true;
            }
        }
        if (!changed)
            break;
    }
    return trimmedPiece(s);
}

} // namespace transfer::smart
