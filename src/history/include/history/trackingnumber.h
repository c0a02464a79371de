#pragma once

#include <QString>
#include <QStringView>

namespace history {

// The inquiry number (お問い合わせ番号) of a pre-printed Yu-Pack slip: twelve digits,
// printed on the slip as "1234-5678-9012" and as an NW-7 (Codabar) barcode. A scanner
// may send the barcode's start and stop letters (A–D) around the digits; a person may
// type them full-width or with the hyphens of the print. The twelfth digit checks the
// others: the first eleven as a number, modulo 7.
struct TrackingNumber
{
    enum class Result { Empty, Valid, NotDigits, WrongLength, WrongCheckDigit };
    enum class Check { CheckDigit, FormOnly };

    static constexpr int kDigits = 12;

    // Digits half-width, the start/stop letters, hyphens and blanks dropped. `digits`
    // holds the twelve digits when the result is Valid, else nothing. FormOnly skips
    // the check digit (a search for a number stored before it was checked).
    static TrackingNumber parse(QStringView text, Check check = Check::CheckDigit);

    // The check digit of the first eleven digits, or -1 when they are not eleven digits.
    static int checkDigit(QStringView first11);

    // "123456789012" -> "1234-5678-9012" for display; other texts unchanged.
    static QString formatted(QStringView digits);

    // What the user is told about a result other than Valid and Empty.
    static QString message(Result result);
    // The same, naming the number read where the result needs it.
    QString message() const;

    Result result = Result::Empty;
    QString digits;
    QString read; // the digits read, whatever the result (for messages)

    bool isValid() const { return result == Result::Valid; }
};

} // namespace history
