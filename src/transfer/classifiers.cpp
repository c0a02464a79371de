#include "transfer/classifiers.h"

#include "transfer/texthelpers.h"

#include <array>

namespace transfer {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array<QStringView, 7> kMailSigns = {
    u"@", u".com", u".jp", u".co", u".org", u".ne", u".net",
};

constexpr std::array<QStringView, 47> kPrefectures = {
    u"北海道", u"青森県", u"岩手県", u"宮城県", u"秋田県", u"山形県", u"福島県",
    u"茨城県", u"栃木県", u"群馬県", u"埼玉県", u"千葉県", u"東京都", u"神奈川県",
    u"新潟県", u"富山県", u"石川県", u"福井県", u"山梨県", u"長野県", u"岐阜県",
    u"静岡県", u"愛知県", u"三重県", u"滋賀県", u"京都府", u"大阪府", u"兵庫県",
    u"奈良県", u"和歌山県", u"鳥取県", u"島根県", u"岡山県", u"広島県", u"山口県",
    u"徳島県", u"香川県", u"愛媛県", u"高知県", u"福岡県", u"佐賀県", u"長崎県",
    u"熊本県", u"大分県", u"宮崎県", u"鹿児島県", u"沖縄県",
};

constexpr std::array<QStringView, 57> kAddressMarkers = {
    // digits and hyphens, half-width then full-width
    u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"-",
    u"０", u"１", u"２", u"３", u"４", u"５", u"６", u"７", u"８", u"９", u"－",
    // prefecture and municipality
    u"北海道", u"都", u"県", u"府", u"市", u"区", u"町", u"村", u"字",
    // block, floor and room
    u"番地", u"丁目", u"階", u"号", u"F", u"Ｆ",
    // post office
    u"郵便局", u"局留", u"局止",
    // buildings, full-width and half-width katakana
    u"ビル", u"ﾋﾞﾙ", u"メゾン", u"ﾒｿﾞﾝ", u"マンション", u"ﾏﾝｼｮﾝ", u"ハイツ", u"ﾊｲﾂ",
    u"コーポ", u"ｺｰﾎﾟ", u"カーサ", u"ｶｰｻ",
    // schools
    u"小学校", u"中学", u"中学校", u"高校", u"高等学校",
};

// Digit characters are single code units: one pass over the line counts them all,
// which is the sum of their single-character occurrence counts.
bool isDigitCharacter(char16_t u)
{
    return (u >= u'0' && u <= u'9') || u == u'-' || (u >= 0xFF10 && u <= 0xFF19) || u == 0xFF0D;
}

qsizetype countDigitCharacters(QStringView line)
{
    qsizetype count = 0;
    for (const QChar c : line)
        count += isDigitCharacter(c.unicode());
    return count;
}

QStringView trimmedView(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    return line.sliced(begin, end - begin);
}

} // namespace

std::span<const QStringView> mailSigns()
{
    return kMailSigns;
}

std::span<const QStringView> prefectureNames()
{
    return kPrefectures;
}

std::span<const QStringView> addressMarkers()
{
    return kAddressMarkers;
}

qsizetype HowManyWords(QStringView line)
{
    qsizetype sum = 0;
    for (const QStringView sign : kMailSigns)
        sum += CountOccurrences(line, sign);
    return sum;
}

QString ZipTelText(ZipTel verdict)
{
    switch (verdict) {
    case ZipTel::Zip:
        return u"〒"_s;
    case ZipTel::Tel:
        return u"TEL"_s;
    case ZipTel::Add:
        return u"ADD"_s;
    case ZipTel::Undecided:
        break;
    }
    return u"〒/電話番工判断"_s;
}

ZipTel ZipTel_Chk(QStringView line)
{
    const qsizetype length = trimmedView(line).size();
    const qsizetype digits = countDigitCharacters(line);
    const qsizetype others = length - digits;
    if (length == 8 && others == 0)
        return ZipTel::Zip;
    if (length >= 10 && others <= 1)
        return ZipTel::Tel;
    if (length >= 10 && others >= 3)
        return ZipTel::Add;
    return ZipTel::Undecided;
}

bool Pref46_Chk(QStringView line)
{
    for (const QStringView name : kPrefectures) {
        if (line == name)
            return true;
    }
    return false;
}

NameAddr Name_Addr(QStringView line)
{
    const QStringView trimmed = trimmedView(line);
    NameAddr result;
    result.length = trimmed.size();
    result.score = countDigitCharacters(trimmed);
    for (const QStringView marker : std::span(kAddressMarkers).subspan(kDigitCharacterCount))
        result.score += CountOccurrences(trimmed, marker);
    result.isName = result.score == 0 || result.length <= kNameMaxShortLength;
    return result;
}

} // namespace transfer
