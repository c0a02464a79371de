#pragma once

#include "printing/printerbinding.h"
#include "printing/slipdata.h"

#include <QObject>
#include <QString>

namespace printing {

class SlipCanvas;

// The font names the slip is printed in, as the form's layout names them. The
// program maps them to installed fonts through QFont substitutions.
inline const QString kMinchoFont = QStringLiteral("ＭＳ Ｐ明朝");
inline const QString kLatinFont = QStringLiteral("Lucida Sans Unicode");

// The slip date as the date boxes expect it: always yyyy/MM/dd, whatever the
// user's locale, so that characters 3-4, 6-7 and 9-10 are year, month and day.
QString slipDateText(const QDate &date);

// The slip printing module: fills in one Yu-Pack slip at the fixed places of the
// pre-printed form. Never shown; created at start after the main window.
class TOv_d97_Dot : public QObject
{
    Q_OBJECT

public:
    explicit TOv_d97_Dot(QObject *parent = nullptr);

    // Draws the slip on the canvas of an open print job. dpiX/dpiY are the effective
    // resolution of the printer; the margins are the binding's texts. A non-empty
    // margin text that is not an integer raises platform::EConvertError before
    // anything is drawn; errors of the canvas pass through.
    void SLIP97_Prn(SlipCanvas &canvas, const SlipData &slip, int dpiX, int dpiY,
                    const PrinterBinding &binding) const;
};

} // namespace printing
