#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

// How numbers written in Japanese text are read: postal codes, telephone and tracking
// numbers typed with an input method, pasted from web pages or exported by shops.
// The import, the transfer, the postal lookup and the input boxes all read them here,
// so that "151ー0053", "１５１－００５３" and "〒151 0053" mean the same everywhere.
// QtCore only: the build tool that compiles the postal table uses it as well.
namespace platform {

// A character people write between the groups of a number: the hyphen-minus in its
// full-width and small forms, the Unicode hyphens and dashes, the minus sign, the
// katakana long-vowel mark (full and half width) and the horizontal box-drawing lines.
// The long-vowel mark is also a letter; callers reading more than a number take it
// as a hyphen only after a digit (see hyphensAfterDigits()).
bool isHyphenLike(QChar c);

// 0 to 9 for the digits "0"-"9" and "０"-"９"; -1 for anything else. Other scripts'
// digits are not written on a slip and count as letters.
int digitValue(QChar c);
inline bool isDigit(QChar c) { return digitValue(c) >= 0; }

// The ASCII counterpart of a full-width ASCII form ("１" -> "1", "Ａ" -> "A", "－" -> "-")
// and a space for the ideographic space; any other character comes back unchanged.
QChar toHalfWidth(QChar c);

// The text with every hyphen look-alike that follows a digit replaced by "-":
// "151ー0053" -> "151-0053", while "コーポ1ー2" keeps its first "ー". Nothing else changes,
// so positions in the text stay valid.
QString hyphensAfterDigits(QStringView text);

// The digits of the text in half-width, everything else dropped: "〒１５１－００５３" -> "1510053".
QString digitsOnly(QStringView text);

// The digits of a number written in groups: hyphen look-alikes and blanks (any
// Unicode space, the ideographic one included) are dropped, "151 0053" and
// "１５１ー００５３" give "1510053". No value when anything else is in the text;
// an empty text, or one of separators only, gives an empty value.
std::optional<QString> groupedDigits(QStringView text);

} // namespace platform
