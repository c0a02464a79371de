#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace platform {

// An INI file read and written key by key, in the format of the settings and printer
// binding files that users already have: section and key names match regardless of case
// and of blanks around them; a value is read without the ASCII blanks around it (a
// full-width space U+3000 stays); a missing file, section or key reads as the default; a
// read value is at most 2047 characters; the file is CP932 with CR LF line ends, and a
// value is stored as toStoredValue() makes it (one line, "&#x20BB7;" for a character
// CP932 lacks). Every write reaches the disk at once through a file written aside and
// renamed over the old one, keeping every other line byte for byte (other sections and
// keys, comments, order, even bytes that are not CP932 and their own line ends).
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    // Decimal (or "$"/"0x" hexadecimal) text; any other text reads as the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;

    // Raises EFileError "%s に書き込めません" (the full path) when the file cannot be written.
    void writeString(const QString &section, const QString &key, const QString &value) const;
    void writeInteger(const QString &section, const QString &key, int value) const;
    // Several entries of one section in one write, each placed as writeString places
    // it, in the order given: the file is written (and synced) once instead of once
    // per key.
    void writeStrings(const QString &section, const QList<std::pair<QString, QString>> &entries) const;

    static constexpr qsizetype kMaxValueLength = 2047;

private:
    QString m_path;
};

} // namespace platform
