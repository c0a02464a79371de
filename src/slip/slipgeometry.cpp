#include "slip/slipgeometry.h"

#include "platform/convert.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace slip {

qint32 RoundHalfAway(double x)
{
    const double rounded = std::trunc(x >= 0 ? x + 0.5 : x - 0.5);
    // Casting a double outside the int range is undefined; clamp first.
    constexpr double lo = std::numeric_limits<qint32>::min();
    constexpr double hi = std::numeric_limits<qint32>::max();
    if (std::isnan(rounded))
        return 0;
    return static_cast<qint32>(std::clamp(rounded, lo, hi));
}

qint64 slipScale(int dotsPerInch)
{
    // Exact integer division with the remainder deciding the rounding, so that
    // ties go to the even count without any floating-point doubt.
    const qint64 numerator = qint64(dotsPerInch) * 10000;
    const qint64 denominator = SlipGeometry::kUnitsPerInch;
    qint64 quotient = numerator / denominator;
    qint64 remainder = numerator % denominator;
    if (remainder < 0) { // floor division for negative values
        remainder += denominator;
        --quotient;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1)))
        ++quotient;
    return quotient;
}

double dotsToMm(int dots, int dpi)
{
    return dpi > 0 ? dots * 25.4 / dpi : 0.0;
}

int mmToDots(double mm, int dpi)
{
    return dpi > 0 ? RoundHalfAway(mm * dpi / 25.4) : 0;
}

int marginOffset(const QString &text)
{
    return text.isEmpty() ? 0 : platform::StrToInt(text);
}

SlipGeometry::SlipGeometry(int dpiX, int dpiY, const QString &topMargin,
                           const QString &leftMargin)
    : m_scaleX(slipScale(dpiX))
    , m_scaleY(slipScale(dpiY))
    , m_offsetY(marginOffset(topMargin))
    , m_offsetX(qint64(marginOffset(leftMargin)) + kLeftExtraDots)
{
}

int SlipGeometry::place(qint64 scale, int units, qint64 offset)
{
    const qint64 position =
        qint64(RoundHalfAway(double(scale) * double(units) / 10000.0)) + offset;
    return int(std::clamp<qint64>(position, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace slip
