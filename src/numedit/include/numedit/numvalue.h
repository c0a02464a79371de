#pragma once

#include <QString>

// Value rules of the numeric edit box: what a text becomes as a value, and how a
// value is displayed. The box never converts its value to a number; it keeps text.
namespace numedit {

// The settings that steer the value rules.
struct NumFormat
{
    int integerLength = 9;    // most digits before the point
    int decimalLength = 3;    // most digits after the point; 0 = integers only
    bool minus = true;        // a leading "-" may be entered
    bool comma = true;        // group the integer digits by three with ","
    bool decimalFixed = false; // always show exactly decimalLength decimals
    QString leftMark;         // shown before a non-empty display
    QString rightMark;        // shown after a non-empty display
};

// The value text kept of an arbitrary text: full-width digits, "－" and "．" are read
// as their ASCII forms, "，" and "," are skipped, the scan stops at the first other
// character, and surplus digits are cut (never rounded); leading zeros do not count
// as digits. A value with too many integer digits before a point becomes empty.
// Full-width digits, "－" and "．" become their ASCII forms; other characters stay.
QChar halfWidthNumberChar(QChar c);

QString filterText(const QString &s, const NumFormat &format);

// Removes the leading zeros of the integer part: "000123" -> "123", "000" -> "0",
// "-007.5" -> "-7.5", "." -> "0.".
QString trimZeros(const QString &t);

// The display text of a value text: separators, fixed decimals and marks.
QString formatText(const QString &t, const NumFormat &format);

// The value a box with these settings keeps when its text is written.
QString valueOf(const QString &v, const NumFormat &format = {});

// The texts whose widths, added, give the caret's offset from the start of the
// display: the caret stands after the last typed character, before the right mark
// and before the zeros that fixed decimals add.
struct CaretParts
{
    QString head; // measured as one display text
    QString tail; // the point and the typed decimals, measured as they stand
};
CaretParts caretParts(const QString &t, const NumFormat &format);

} // namespace numedit
