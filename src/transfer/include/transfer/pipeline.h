#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

// The transfer of pasted order text into the destination fields, as plain functions
// of the paste box's lines. Nothing is kept between runs: every run starts from the
// box's current lines.
namespace transfer {

constexpr qsizetype kPasteLinesRead = 16; // lines of the paste box the compaction reads
constexpr qsizetype kWorkingLineCount = 7; // lines the transfer works on and leaves
constexpr qsizetype kZipHeadLength = 8; // a postal code's length on a split line
constexpr qsizetype kZipRestMaxLength = 80; // characters kept after that head
constexpr qsizetype kZipRestMinLength = 7; // a shorter rest is not split off

// Notice for a paste box without a usable line.
QString noTextNotice(); // "転送テキストがありません"

// The 45 label words, in the order they are removed.
std::span<const QStringView> labelWords();

// Splits the paste box's whole text into lines at CR LF, CR, LF, U+2028 and U+2029.
QStringList SplitPasteLines(QStringView text);
// Whether the text holds any of Unicode's mandatory line breaks (LF to CR, NEL,
// U+2028, U+2029): no line of the box and no field may hold one.
bool holdsLineBreak(QStringView text);
// True when the paste box's whole text (line breaks included) is empty: the box is
// then shown on a silver background.
bool PasteBoxIsEmpty(QStringView wholeText);

// Step 1: the first 16 lines, trimmed, without empty lines and lines with a mail sign.
// A line that still holds a line break counts as the lines it holds.
QStringList CompactPaste(const QStringList &pasteLines);

// The seven working lines: the box's first seven lines trimmed, empty where the box
// has fewer. Every step below reads its lines afresh this way.
QStringList WorkingLines(const QStringList &pasteLines);

// Step 4: removes the label words and surrounding spaces from every working line and
// turns a line that begins with a number of three characters or more half-width.
// Returns the paste box's new content: seven lines.
QStringList CutLabels(const QStringList &pasteLines);

// Step 5: a line that begins with a postal code followed by seven characters or more
// keeps the postal code; the rest (at most 80 characters) moves to the first empty
// working line below it, or is dropped when there is none. Returns seven lines.
QStringList SplitZipLine(const QStringList &pasteLines);

// What the classification found; the first line of each kind wins.
struct CollectedValues
{
    QString zip;
    QString tel;
    QString prefecture;
    QString address1;
    QString address2;
    QString name;

    bool operator==(const CollectedValues &) const = default;
};

// Steps 6 and 7: postal code and telephone first, then prefecture, name and address.
CollectedValues ClassifyLines(const QStringList &pasteLines);

// The five destination fields that the transfer writes (never the third address line).
struct DestinationFields
{
    QString zip;  // postal code
    QString add1; // address lines 1 and 2
    QString add2;
    QString custo1; // name
    QString tel;  // telephone

    bool operator==(const DestinationFields &) const = default;
};

// Steps 8 and 9: the prefecture goes in front of the first address without a blank;
// postal code and telephone become half-width.
DestinationFields FillFields(const CollectedValues &values);

struct TransferResult
{
    // False: no usable line. The window then shows noTextNotice(), sets the paste box
    // to pasteBox (empty), runs Edit_Warning and leaves the fields alone.
    bool foundText = false;
    // The paste box's new lines: seven after a run that found text.
    QStringList pasteBox;
    // When foundText: the new texts of the five fields (after Edit_Cls).
    DestinationFields fields;
};

// The whole transfer on the paste box's lines.
TransferResult TransferText(const QStringList &pasteLines);

} // namespace transfer
