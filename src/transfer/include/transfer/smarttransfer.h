#pragma once

#include "transfer/pipeline.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

// The smart transfer: a whole pasted order text (a confirmation mail, a marketplace
// screen, a phone note, a spreadsheet row) in, the five destination fields out, each
// with the places of the text it came from and, when the engine is unsure, why.
namespace transfer {

// The five destination fields in the order of the window.
enum class SmartField { Zip, Add1, Add2, Custo1, Tel };
constexpr std::size_t kSmartFieldCount = 5;

// A stretch of the pasted text, in code units of the text given to SmartTransfer.
struct TextSpan
{
    qsizetype line = 0; // 0-based line number (lines parted as SplitPasteLines parts them)
    qsizetype start = 0; // offset of the first character in the whole text
    qsizetype length = 0;

    bool operator==(const TextSpan &) const = default;
};

struct SmartFieldResult
{
    QString value;
    QList<TextSpan> sources; // where the value was read; empty when nothing was found
    QString doubt; // why the value should be checked; empty when the engine is sure
    QList<TextSpan> doubtSources; // text the doubt is about that the value does not hold
};

// What the postal-code data knows, seen from the transfer. The window passes the
// program's postal directory; tests pass a small table; without data (nullptr) the
// transfer decides from the text alone.
class PostalBook
{
public:
    enum class Verdict { Consistent, Mismatch, UnknownCode, NotJudged };
    struct Place
    {
        QString prefecture;
        QString city;
        QString town;
    };

    virtual ~PostalBook() = default;
    // The places a seven-digit code ("1000001") stands for; empty when unknown.
    virtual QList<Place> placesOf(QStringView code) const = 0;
    // Whether the address lies where the code says.
    virtual Verdict check(QStringView code, QStringView address) const = 0;
};

struct SmartTransferResult
{
    // False when nothing of the five fields was found: the window then shows
    // noTextNotice() and leaves the fields alone.
    bool foundText = false;
    std::array<SmartFieldResult, kSmartFieldCount> fields;
    // Lines no field used: every such line of the destination's part of the text, and
    // address-like lines elsewhere (the buyer's, the shop's). Trimmed, in text order.
    QList<TextSpan> unused;

    const SmartFieldResult &operator[](SmartField f) const { return fields[std::size_t(f)]; }
    SmartFieldResult &operator[](SmartField f) { return fields[std::size_t(f)]; }
    // The five values as the classic transfer hands them to the window.
    DestinationFields destination() const;
};

// The name field holds 80 characters: a longer company, department and person is cut.
constexpr qsizetype kNameMaxLength = 80;

// Reads the whole paste. The text is not changed; every value keeps its characters
// except that postal code and telephone become half-width with hyphens, honorifics
// (様, 殿) and labels are taken off, and lines that belong together are joined.
SmartTransferResult SmartTransfer(QStringView text, const PostalBook *postal = nullptr);

// The help-line reasons of the doubts.
namespace doubt {
QString noName(); // "おなまえが見つかりません。貼り付けたテキストを確かめてください"
QString noZip();
QString noAddress();
QString unusualTelephone();
QString zipAddressMismatch();
QString unknownZip();
QString regionFromZip(); // the prefecture and city were put in front from the postal data
QString addedLeadingZero(); // a spreadsheet had dropped the leading 0
QString twoDestinations(); // two delivery blocks: the first was used
QString changedDestination(); // a later change replaced the destination
QString unusedText(const QString &text); // a piece of an address or name was left over
} // namespace doubt

} // namespace transfer
