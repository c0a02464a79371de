#pragma once

#include "postal/postaldirectory.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace postal {

// What the window offers to fill in: one choice fills, several make a list.
struct Choice
{
    QString code;     // "nnn-nnnn"
    QString address;  // for address line 1: prefecture + city + town (+ street number)
    QString office;   // a large office's name, else empty
    QString label;    // the list's line
};

// The addresses a postal code stands for (none for an unknown or partial code).
// A large-office code brings its street number and office name.
QList<Choice> addressChoices(const PostalDirectory &directory, QStringView code);

// The codes an address begins with, best first.
QList<Choice> codeChoices(const PostalDirectory &directory, QStringView address);

// What the entries of a code stand for: "東京都渋谷区代々木", several joined with "、".
QString describe(const QList<PostalEntry> &entries);

// The help line for a checked pair: 「151-0053 は 東京都渋谷区代々木 です」 for a
// mismatch, a note for an unknown code, empty when there is nothing to say.
QString checkMessage(QStringView code, const CheckOutcome &outcome);

} // namespace postal
