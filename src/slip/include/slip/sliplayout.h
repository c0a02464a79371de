#pragma once

#include "slip/printerbinding.h"
#include "slip/sliprecord.h"

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

// Draws one slip in the form's layout on any canvas, at the fixed places of the
// pre-printed form. dpiX/dpiY are the effective resolution of the printer; the margins
// are the binding's texts. A non-empty margin text that is not an integer raises
// platform::EConvertError before anything is drawn; errors of the canvas pass through.
void drawSlip(SlipCanvas &canvas, const SlipRecord &slip, int dpiX, int dpiY, const PrinterBinding &binding);

} // namespace slip
