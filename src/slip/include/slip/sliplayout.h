#pragma once

#include "slip/printerbinding.h"
#include "slip/slipfield.h"
#include "slip/sliprecord.h"

#include <QList>
#include <QString>

namespace slip {

class SlipCanvas;

// The font names the slip is printed in, as the form's layout names them. The
// program maps them to installed fonts through QFont substitutions.
inline const QString kMinchoFont = QStringLiteral("ＭＳ Ｐ明朝");
inline const QString kLatinFont = QStringLiteral("Lucida Sans Unicode");

// The slip date as the date boxes expect it: always yyyy/MM/dd, whatever the
// user's locale, so that characters 3-4, 6-7 and 9-10 are year, month and day.
QString slipDateText(const QDate &date);

// The destination's second address line as printed: おところ② and おところ③ joined by
// a full-width blank (either alone when the other is empty).
QString secondAddressLine(const Party &party);

// The fit rule: a text wider than its field (up to the right edge of its frame, see
// slipFieldRightEdge) is drawn smaller, down to this share of the field's size, which
// keeps 9-point goods lines above 6 points and stays legible on a thermal head. What
// is still too wide is cut at the frame and reported.
inline constexpr double kMinimumFit = 0.70;

// How one field's text was fitted: the size it was drawn at as a share of the field's
// own, and whether it still ran past its frame.
struct FieldFit
{
    SlipField field = SlipField::None;
    QString text;        // as drawn
    double scale = 1.0;  // kMinimumFit..1
    bool overflows = false;

    friend bool operator==(const FieldFit &, const FieldFit &) = default;
};

// The postal code as its seven boxes take it: the digits of a code written in groups
// ("〒１５１－００５３", "151 0053"), else the text made half-width without "〒",
// blanks and hyphen look-alikes. Never more than seven characters; anything that is not
// seven digits is for the pre-print check to name.
QString postalBoxText(const QString &code);
bool isSevenDigitPostalCode(const QString &code);

// Draws one slip in the form's layout on any canvas, at the fixed places of the
// pre-printed form, each text by the fit rule, and returns the fit of every field that
// has a frame to fit in (fields with an empty text are left out). dpiX/dpiY are the
// effective resolution of the printer; the margins are the binding's texts. A
// non-empty margin text that is not an integer raises platform::EConvertError before
// anything is drawn; errors of the canvas pass through.
QList<FieldFit> drawSlip(SlipCanvas &canvas, const SlipRecord &slip, int dpiX, int dpiY,
                         const PrinterBinding &binding);

} // namespace slip
