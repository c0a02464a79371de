#pragma once

#include <QString>
#include <QStringView>

#include <span>

// Judgements on a single line of pasted order text. None of them keeps state; they
// count with CountOccurrences, so case and width always count.
namespace transfer {

// Signs of a mail or web address: "@", ".com", ".jp", ".co", ".org", ".ne", ".net".
std::span<const QStringView> mailSigns();
// The 47 prefecture names, 北海道 to 沖縄県.
std::span<const QStringView> prefectureNames();
// The 57 address markers: the 22 digit characters, then municipality, block,
// post-office, building and school words.
std::span<const QStringView> addressMarkers();
// The 22 digit characters: "0"-"9", "-", "０"-"９", "－".
constexpr qsizetype kDigitCharacterCount = 22;

// Number of mail signs in the (trimmed) line; signs that contain one another each
// count, so ".co.jp" gives 2. The transfer drops a line when this is above 0.
qsizetype HowManyWords(QStringView line);

enum class ZipTel {
    Zip, // "〒": exactly eight digits and hyphens
    Tel, // "TEL": ten or more characters, at most one of them not a digit or hyphen
    Add, // "ADD": ten or more characters, three or more of them other characters
    Undecided, // "〒/電話番工判断"
};

// The verdict's own text: "〒", "TEL", "ADD" or "〒/電話番工判断".
QString ZipTelText(ZipTel verdict);

// Tells a postal code and a telephone number from other text by the share of digits
// and hyphens.
ZipTel ZipTel_Chk(QStringView line);

// True when the line is exactly one of the 47 prefecture names; the caller trims it.
bool Pref46_Chk(QStringView line);

struct NameAddr
{
    qsizetype length = 0; // length of the trimmed line
    qsizetype score = 0; // occurrences of the address markers
    bool isName = true; // score 0, or a line of at most 6 characters
};

// Measures the trimmed line and scores how much it looks like part of an address.
NameAddr Name_Addr(QStringView line);
constexpr qsizetype kNameMaxShortLength = 6;

} // namespace transfer
