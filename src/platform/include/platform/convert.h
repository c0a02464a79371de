#pragma once

#include <QString>

namespace platform {

// Strict text-to-integer conversion: optional leading blanks, a sign, decimal digits
// within 32 bits, or hexadecimal after "$", "x", "X", "0x" or "0X" as a 32-bit pattern;
// nothing may follow the digits. Returns false when the text is not such an integer.
bool tryStrToInt(const QString &text, int &value);

// As tryStrToInt, but a text that is not an integer raises EConvertError.
int StrToInt(const QString &text);

} // namespace platform
