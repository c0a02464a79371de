#pragma once

#include <QString>
#include <QStringView>

namespace postal {

// The 7 digits of a postal code as typed or pasted: "151-0053", "１５１ー００５３",
// "〒151 0053" all give "1510053". Empty when the text does not hold exactly 7 digits.
QString normalizedCode(QStringView text);

// "nnn-nnnn" for a text normalizedCode() accepts; any other text comes back unchanged.
QString formattedCode(QStringView text);

// The digits of a code with its hyphens, spaces and 〒 taken out ("151" for "１５１"),
// or empty when anything else is left. normalizedCode() is this restricted to 7 digits.
QString codeDigits(QStringView text);

} // namespace postal
