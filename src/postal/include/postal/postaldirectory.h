#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <mutex>

namespace postal {

// One row of the postal-code data.
struct PostalEntry
{
    QString code; // 7 digits without hyphen; a 3-digit fallback row holds 3 digits
    QString prefecture, city, town;
    QString street, office; // large-office and PO-box codes only, else empty

    QString address() const { return prefecture + city + town; }
    bool isOffice() const { return !street.isEmpty() || !office.isEmpty(); }
    bool isFallback() const { return code.size() == 3; }
    bool operator==(const PostalEntry &) const = default;
};

enum class CheckResult {
    Consistent, // the address lies in what the code stands for
    Mismatch,   // it does not; the outcome's entries say what the code stands for
    UnknownCode, // not a 7-digit code, or one the data does not hold
    NotJudged,  // a field is empty or the data is unavailable
};

struct CheckOutcome
{
    CheckResult result = CheckResult::NotJudged;
    QList<PostalEntry> entries; // what the code stands for (3-digit rows for an unknown code)
};

// The postal-code data, mapped from its file on first use. All reads are thread-safe.
// A missing or damaged file makes every lookup empty and isAvailable() false.
class PostalDirectory
{
public:
    // `filePath` empty: the program's own data file (see defaultDataPath()).
    explicit PostalDirectory(QString filePath = {});
    ~PostalDirectory();
    PostalDirectory(const PostalDirectory &) = delete;
    PostalDirectory &operator=(const PostalDirectory &) = delete;

    static const PostalDirectory &instance();
    // MEKIRA_POSTAL_DATA when set, else the installed file beside the program, else
    // the one in the build tree (left out of packaged builds).
    static QString defaultDataPath();

    bool isAvailable() const;
    // Every entry of a 7-digit code (one code may cover several towns, even two
    // prefectures); the 3-digit rows when the data lacks the code. A 3-digit text gives
    // its 3-digit rows. Accepts the forms normalizedCode() accepts.
    QList<PostalEntry> lookup(QStringView code) const;
    // The entries whose prefecture + city + town (or city + town) begin the address,
    // best match first: large-office codes whose street number or office name the
    // address holds, then the longest matching towns.
    QList<PostalEntry> codesFor(QStringView address) const;
    CheckOutcome check(QStringView code, QStringView address) const;

    class Table;

private:
    const Table *table() const;

    QString m_filePath;
    mutable std::once_flag m_loadOnce;
    mutable std::unique_ptr<Table> m_table;
};

} // namespace postal
