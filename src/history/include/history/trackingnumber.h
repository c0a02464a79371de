#pragma once

#include <QString>
#include <QStringView>

namespace history {

// The inquiry number (お問い合わせ番号) of a pre-printed Yu-Pack slip: twelve digits,
// printed on the slip as "1234-5678-9012" and as a barcode. A barcode scanner types the
// digits alone; a person may type them full-width or with the hyphens of the print.
// The carrier documents no check digit for these numbers, so none is checked.
struct TrackingNumber
{
    enum class Result { Empty, Valid, NotDigits, WrongLength };

    static constexpr int kDigits = 12;

    // Digits half-width, hyphens and blanks between them dropped. `digits` holds the
    // twelve digits when the result is Valid, else nothing.
    static TrackingNumber parse(QStringView text);

    // "123456789012" -> "1234-5678-9012" for display; other texts unchanged.
    static QString formatted(QStringView digits);

    // What the user is told about a result other than Valid and Empty.
    static QString message(Result result);

    Result result = Result::Empty;
    QString digits;

    bool isValid() const { return result == Result::Valid; }
};

} // namespace history
