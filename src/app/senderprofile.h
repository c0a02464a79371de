#pragma once

#include <QString>
#include <QStringList>

namespace app {

// One of the ten stored senders: postal code, address line 1, address line 2, name
// and telephone, kept as five CP932 lines in "my<n>.txt" in the working directory, each
// stored as platform::toStoredValue() makes it ("&#x20BB7;" for a character CP932 lacks).
struct SenderProfile
{
    QString zip;
    QString address1;
    QString address2;
    QString name;
    QString tel;

    bool operator==(const SenderProfile &) const = default;
};

class SenderProfileStore
{
public:
    explicit SenderProfileStore(QString directory);

    static constexpr int kCount = 10;
    static QString fileName(int number); // "my0.txt" to "my9.txt"

    // Reads the profile; a missing line reads as empty and lines after the fifth are
    // ignored. Raises platform::EFileError when the file is missing or unreadable.
    SenderProfile load(int number) const;
    // Writes the five lines beside the old file and renames them over it, so that a
    // failed save leaves the old profile whole. Raises platform::EFileError naming the file.
    void save(int number, const SenderProfile &profile) const;

private:
    QString path(int number) const;

    QString m_directory;
};

} // namespace app
