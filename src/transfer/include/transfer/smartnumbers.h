#pragma once

#include <QString>
#include <QStringView>

// Postal codes and telephone numbers as people write them in order texts: full- or
// half-width digits, any dash, brackets, blanks, "+81". Positions are code units of
// the text searched; values are half-width with hyphens.
namespace transfer::smart {

// Digits "0"-"9" and "０"-"９"; -1 for anything else (platform::digitValue).
int digitValue(QChar c);
inline bool isDigit(QChar c) { return digitValue(c) >= 0; }
// Hyphen-minus, the full-width one, minus sign, hyphens, dashes, the long-vowel marks:
// everything people put between the groups of a number (platform::isHyphenLike).
bool isDash(QChar c);
// A space, a tab or the full-width space.
bool isSpace(QChar c);

struct NumberMatch
{
    qsizetype start = -1; // first character of the number in the text searched
    qsizetype end = -1; // one past its last character
    QString value; // half-width, with hyphens
    bool unusual = false; // a telephone number with an unusual count of digits

    bool found() const { return start >= 0; }
};

// The first telephone number at or after from. A number starts with "0", "+81" or a
// bracket before "0"; its groups may be parted by dashes, brackets and single blanks.
// With acceptUnusual (the text is labelled as a telephone) 6 to 13 digits are taken
// and a count other than 10 or 11 is marked unusual; otherwise 10 or 11 are needed.
NumberMatch findTelephone(QStringView text, qsizetype from, bool acceptUnusual);

// The first postal code at or after from: three digits, a dash and four digits, not
// part of a longer number. Seven digits without a dash count after "〒", when
// labelled, or when they stand alone or before a blank; three and four digits
// parted by one blank ("〒151 0053") only after "〒" or when labelled.
NumberMatch findPostalCode(QStringView text, qsizetype from, bool labelled);

// Hyphens for a telephone number written as one run of digits ("0312345678"), after
// the national numbering: mobile and IP numbers 3-4-4, free dial 4-3-3, fixed lines by
// the length of their area code.
QString groupTelephoneDigits(QStringView digits);

} // namespace transfer::smart
