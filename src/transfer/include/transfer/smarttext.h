#pragma once

#include <QStringView>

#include <initializer_list>

// Judgements on pieces of order text that the smart transfer's parts share: what a
// piece looks like (an address, a building, a company, a name, a sentence). None of
// them keeps state.
namespace transfer::smart {

constexpr qsizetype kLongestName = 30;

// Blanks, no-break and zero-width spaces, direction marks and the byte-order mark.
bool isTrimmable(QChar c);
QStringView trimmed(QStringView s);
// Takes off what numbers and labels leave behind: brackets, commas, slashes, colons.
QStringView trimmedPiece(QStringView s);

bool containsAny(QStringView s, std::initializer_list<QStringView> words);
bool endsWithAny(QStringView s, std::initializer_list<QStringView> words);
bool hasDigit(QStringView s);
bool isKatakana(QChar c);

bool startsWithPrefecture(QStringView s);
bool isPrefectureOnly(QStringView s);
bool looksLikeMailOrUrl(QStringView s);
bool looksLikeSentence(QStringView s);
bool looksLikeDateTimeOrPrice(QStringView s);
bool isCountry(QStringView s);

// Words of buildings and rooms: what goes to the second address line.
bool hasBuildingWord(QStringView s);
// A floor or room after digits: "10F", "３階", "1101号".
bool hasFloorOrRoom(QStringView s);
// Where the first building word starts, or -1.
qsizetype firstBuildingWord(QStringView s);
bool isNumberConnector(QChar c);
// A house number: digits parted by dashes, or digits before 丁目, 番地, 番, 号, 条.
bool hasStreetNumber(QStringView s);
bool hasMunicipality(QStringView s);
// Only a prefecture, city or ward: "岩手県盛岡市", "東京都", "盛岡市", "港区".
bool isRegionOnly(QStringView s);

bool hasLegalForm(QStringView s);
bool isCompany(QStringView s);
bool isDepartment(QStringView s);
bool isNameLike(QStringView s);
bool isAllKana(QStringView s);
// A name's reading: kana and blanks only.
bool isReading(QStringView s);
// Takes off honorifics and a trailing reading in brackets: "山田 太郎（ヤマダ）様" -> "山田 太郎".
QStringView withoutHonorific(QStringView s, bool *hadHonorific = nullptr);

} // namespace transfer::smart
