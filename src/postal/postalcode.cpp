#include "postal/postalcode.h"

#include "platform/textnormalize.h"

namespace postal {

QString codeDigits(QStringView text)
{
    // A code is short: anything much longer is no code, and is not scanned to the end.
    constexpr qsizetype kMaxCodeText = 32;
    if (text.size() > kMaxCodeText)
        return {};
    // The postal mark may stand anywhere a separator may: "〒151-0053", "151〒0053".
    const std::optional<QString> digits = platform::groupedDigits(text.toString().remove(u'〒'));
    return digits.value_or(QString());
}

QString normalizedCode(QStringView text)
{
    QString digits = codeDigits(text);
    return digits.size() == 7 ? digits : QString();
}

QString formattedCode(QStringView text)
{
    const QString digits = normalizedCode(text);
    if (digits.isEmpty())
        return text.toString();
    return digits.left(3) + u'-' + digits.mid(3);
}

} // namespace postal
