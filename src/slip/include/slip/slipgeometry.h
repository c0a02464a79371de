#pragma once

#include <QString>
#include <QtGlobal>

namespace slip {

// Rounds to the nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3).
// Values beyond the 32-bit range are clamped to it.
qint32 RoundHalfAway(double x);

// An axis' scale from 1/160 inch to printer dots, as an integer count of 1/10000:
// dots-per-inch x 10000 / 160 rounded half to even (203 dpi gives 12688).
qint64 slipScale(int dotsPerInch);

// Millimetres and printer dots at a resolution (25.4 mm to the inch). Dots are whole:
// mmToDots rounds half away from zero; a resolution of 0 or less gives 0.
double dotsToMm(int dots, int dpi);
int mmToDots(double mm, int dpi);

// A margin text in printer dots: empty is 0, anything else must be an integer
// (platform::StrToInt, which raises platform::EConvertError otherwise).
int marginOffset(const QString &text);

// Turns slip positions (1/160 inch) into device positions for one print: scaled,
// rounded half away from zero, then shifted by the margins, and 70 more dots on the
// left. Margins are never scaled.
class SlipGeometry
{
public:
    // Raises platform::EConvertError for a non-empty margin text that is not an integer.
    SlipGeometry(int dpiX, int dpiY, const QString &topMargin, const QString &leftMargin);

    static constexpr int kLeftExtraDots = 70;
    static constexpr int kUnitsPerInch = 160;

    qint64 scaleX() const { return m_scaleX; }
    qint64 scaleY() const { return m_scaleY; }
    qint64 offsetX() const { return m_offsetX; }
    qint64 offsetY() const { return m_offsetY; }

    int x(int units) const { return place(m_scaleX, units, m_offsetX); }
    int y(int units) const { return place(m_scaleY, units, m_offsetY); }

private:
    static int place(qint64 scale, int units, qint64 offset);

    qint64 m_scaleX;
    qint64 m_scaleY;
    qint64 m_offsetY;
    qint64 m_offsetX;
};

} // namespace slip
