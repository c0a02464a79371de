#pragma once

#include <QString>

namespace slip {

// Which printer prints the slip and where: the printer's index in the printer list
// (-1 = the system's default printer) and the top and left margins in printer dots.
// All three are kept as the decimal texts they were loaded or typed as; they are
// converted only where they are used, so a bad text fails there and not earlier.
struct PrinterBinding
{
    QString printerIndex = QStringLiteral("-1");
    QString topMargin = QStringLiteral("0");
    QString leftMargin = QStringLiteral("0");

    friend bool operator==(const PrinterBinding &, const PrinterBinding &) = default;
};

} // namespace slip
