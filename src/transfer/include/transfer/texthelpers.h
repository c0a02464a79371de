#pragma once

#include <QString>
#include <QStringView>

// Small text operations shared by the transfer, the line classifiers, the postal-code
// and telephone boxes and the printer registration. Every length, position and count
// is in UTF-16 code units; a blank is any character from U+0000 to U+0020 (the
// full-width space U+3000 is not a blank).
namespace transfer {

constexpr bool isBlank(QChar c) noexcept { return c.unicode() <= 0x20; }

// Removes leading and trailing blanks.
QString TrimBlanks(QStringView text);
// Removes leading blanks only.
QString TrimLeftBlanks(QStringView text);

// Non-overlapping occurrences of pattern in text, counted from the left by exact
// code-unit equality (case, width and kana type all count). An empty pattern has none.
qsizetype CountOccurrences(QStringView text, QStringView pattern);

// The value of text as an integer (optional leading spaces, sign, decimal within
// 32 bits or hexadecimal after "$", "x", "X", "0x", "0X"); 0 for anything else.
int StrToIntZero(const QString &text);

// Trims blanks, then removes full-width and ordinary spaces from the start and then
// from the end; blanks uncovered by that second pass stay.
QString TrimAllSpaces(QStringView text);

// Full-width ASCII forms and the full-width space become their ordinary forms, katakana
// and the CJK marks with a half-width form become half-width (a voiced or semi-voiced
// kana becomes the base kana followed by U+FF9E or U+FF9F); everything else is kept.
// The result holds at most 255 code units.
QString ToHalfWidth(QStringView text);
constexpr qsizetype kHalfWidthMaxLength = 255;

// The number that text begins with, read as the numeric edit reads a pasted text
// (9 integer digits, 3 decimals, a minus sign allowed), or the empty text.
QString LeadingNumber(QStringView text);

} // namespace transfer
