#pragma once

#include "slip/slippage.h"
#include "slip/sliprecord.h"
#include "slip/slipfield.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace slip {

// What is wrong with a slip before it is printed: the one check that F11 and the batch
// confirmation both ask.
struct SlipProblem
{
    enum class Kind {
        Overflow,     // a text still too wide for its frame at the fit rule's minimum
        NoName,
        NoAddress,
        PostalCode,   // not seven digits
        PostalMismatch,
        Telephone,    // not a Japanese number, or turned into E-notation by a spreadsheet
        LostCharacter // a "?" where a code page lost a character
    };
    Kind kind;
    SlipField field = SlipField::None;
    QString text; // the line the person reads

    friend bool operator==(const SlipProblem &, const SlipProblem &) = default;
};

struct SlipCheckOptions
{
    SlipPageSetup page; // the printer the slip goes to, for the fit rule
    // Whether the destination's postal code belongs to its first address line; not set
    // when no postal data is at hand (the code is then only checked for its digits).
    std::function<bool(const QString &code, const QString &address)> postalMatches;
};

// The slip's problems, overflow first (in the order the fields are printed), then the
// destination's name, address, postal code and telephone, then lost characters.
// Raises platform::EConvertError for a margin that is not a number, as printing would.
QList<SlipProblem> checkSlip(const SlipRecord &slip, const SlipCheckOptions &options);

// The field as the window's labels name it, for the person reading the problem.
QString slipFieldCaption(SlipField field);

QStringList problemTexts(const QList<SlipProblem> &problems);

} // namespace slip
