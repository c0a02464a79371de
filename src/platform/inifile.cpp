#include "platform/inifile.h"

#include "platform/codepage.h"
#include "platform/convert.h"

#include <QFile>

#include <optional>
#include <vector>

namespace platform {

namespace {

// One line of the file as its bytes, with its own line end (empty for a last line
// without one). Lines the program does not write go back to the disk byte for byte,
// whatever they hold.
struct RawLine
{
    QByteArrayView text;
    QByteArrayView end;
};

// A byte-order mark some editors put at the start of a file: not part of the first line.
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

class IniText
{
public:
    explicit IniText(QByteArray bytes) : m_bytes(std::move(bytes)) { split(); }
    explicit IniText(const QString &path) : IniText(readAll(path)) {}
    IniText(const IniText &) = delete; // the lines look into m_bytes
    IniText &operator=(const IniText &) = delete;

    const std::vector<RawLine> &lines() const { return m_lines; }

    static QString decode(QByteArrayView bytes) { return decodeCp932(bytes.toByteArray()); }
    static QByteArray encode(const QString &text) { return encodeCp932(text); }

    // The text of a line for parsing, without a byte-order mark at the file's start.
    QByteArrayView parsed(qsizetype index) const
    {
        QByteArrayView text = m_lines.at(std::size_t(index)).text;
        if (index == 0 && text.startsWith(kUtf8Bom))
            text = text.sliced(kUtf8Bom.size());
        return text;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(); // absent or unreadable: empty
    }

private:
    void split()
    {
        const QByteArrayView all(m_bytes);
        qsizetype start = 0;
        while (start < all.size()) {
            qsizetype stop = start;
            while (stop < all.size() && all.at(stop) != '\r' && all.at(stop) != '\n')
                ++stop;
            qsizetype next = stop;
            if (next < all.size())
                next += (all.at(next) == '\r' && next + 1 < all.size() && all.at(next + 1) == '\n') ? 2 : 1;
            m_lines.push_back({all.sliced(start, stop - start), all.sliced(stop, next - stop)});
            start = next;
        }
    }

    QByteArray m_bytes;
    std::vector<RawLine> m_lines;
};

QByteArrayView trimmedAscii(QByteArrayView bytes)
{
    return bytes.trimmed();
}

bool sameName(QStringView a, QStringView b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The section name of a header line "[name]", or nothing for another line. Only a line
// whose first non-blank byte is "[" is decoded: a long line of anything else costs nothing.
std::optional<QString> sectionOf(const IniText &ini, qsizetype index)
{
    const QByteArrayView bytes = trimmedAscii(ini.parsed(index));
    if (!bytes.startsWith('['))
        return std::nullopt;
    const QString t = ini.decode(bytes).trimmed();
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1);
}

// Whether the line sets the key; "=" is never the second byte of a CP932 character, so
// the name is found without decoding the value.
bool isKeyLine(const IniText &ini, qsizetype index, const QString &key, QByteArrayView *valueBytes = nullptr)
{
    const QByteArrayView bytes = ini.parsed(index);
    const qsizetype eq = bytes.indexOf('=');
    if (eq < 0)
        return false;
    if (!sameName(ini.decode(bytes.first(eq)), key))
        return false;
    if (valueBytes)
        *valueBytes = bytes.sliced(eq + 1);
    return true;
}

struct SectionRange
{
    qsizetype header = -1; // index of the header line
    qsizetype end = -1;    // index one past the section's last line
};

SectionRange findSection(const IniText &ini, const QString &section)
{
    SectionRange range;
    const auto count = qsizetype(ini.lines().size());
    for (qsizetype i = 0; i < count; ++i) {
        const auto name = sectionOf(ini, i);
        if (!name)
            continue;
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (sameName(*name, section))
            range.header = i;
    }
    if (range.header >= 0)
        range.end = count;
    return range;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const IniText ini(m_path);
    const SectionRange range = findSection(ini, section);
    QString result = defaultValue;
    if (range.header >= 0) {
        for (qsizetype i = range.header + 1; i < range.end; ++i) {
            QByteArrayView valueBytes;
            if (isKeyLine(ini, i, key, &valueBytes)) {
                // Only ASCII blanks are trimmed: a full-width space is part of the value.
                QString value = ini.decode(trimmedAscii(valueBytes));
                // A value in matching quotes reads without them.
                if (value.size() >= 2
                    && ((value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"'))
                        || (value.front() == QLatin1Char('\'') && value.back() == QLatin1Char('\''))))
                    value = value.mid(1, value.size() - 2);
                result = fromStoredValue(value);
                break;
            }
        }
    }
    qsizetype length = qMin(result.size(), kMaxValueLength);
    if (length > 0 && length < result.size() && result.at(length - 1).isHighSurrogate())
        --length; // a character is never cut in half
    return result.left(length);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key);
    int value = 0;
    if (text.isEmpty() || !tryStrToInt(text, value))
        return defaultValue;
    return value;
}

namespace {

// The file's bytes with one entry written into them (see writeString).
QByteArray withEntry(QByteArray bytes, const QString &section, const QString &key, const QString &value)
{
    const IniText ini(std::move(bytes));
    const std::vector<RawLine> &lines = ini.lines();
    const QByteArray entry = ini.encode(key.trimmed() + QLatin1Char('=') + toStoredValue(value));
    constexpr QByteArrayView kCrLf("\r\n");

    // Where the entry goes: over the key's line, after the section's last non-blank line,
    // or in a new section at the end of the file.
    qsizetype replace = -1;
    qsizetype insertAfter = -1;
    const SectionRange range = findSection(ini, section);
    if (range.header >= 0) {
        insertAfter = range.header;
        for (qsizetype i = range.header + 1; i < range.end; ++i) {
            if (isKeyLine(ini, i, key)) {
                replace = i;
                break;
            }
            if (!trimmedAscii(ini.parsed(i)).isEmpty())
                insertAfter = i;
        }
    }

    QByteArray out;
    const auto appendLine = [&out, &kCrLf](QByteArrayView text, QByteArrayView end) {
        out.append(text);
        out.append(end.isEmpty() ? kCrLf : end); // a line is never joined to the next
    };
    const auto count = qsizetype(lines.size());
    for (qsizetype i = 0; i < count; ++i) {
        const RawLine &line = lines.at(std::size_t(i));
        if (i == replace) {
            // A byte-order mark opening the file stays where it is.
            if (i == 0 && line.text.startsWith(kUtf8Bom))
                out.append(kUtf8Bom);
            appendLine(entry, line.end);
            continue;
        }
        if (i == count - 1 && line.end.isEmpty() && replace < 0 && insertAfter < 0)
            appendLine(line.text, kCrLf);
        else if (i == count - 1 && line.end.isEmpty() && insertAfter != i)
            out.append(line.text); // the last line keeps its missing line end
        else
            appendLine(line.text, line.end);
        if (i == insertAfter && replace < 0)
            appendLine(entry, kCrLf);
    }
    if (range.header < 0) {
        appendLine(ini.encode(QLatin1Char('[') + section.trimmed() + QLatin1Char(']')), kCrLf);
        appendLine(entry, kCrLf);
    }
    return out;
}

} // namespace

void IniFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    saveFileAtomically(m_path, withEntry(IniText::readAll(m_path), section, key, value));
}

void IniFile::writeStrings(const QString &section, const QList<std::pair<QString, QString>> &entries) const
{
    QByteArray bytes = IniText::readAll(m_path);
    for (const auto &[key, value] : entries)
        bytes = withEntry(std::move(bytes), section, key, value);
    saveFileAtomically(m_path, bytes);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) const
{
    writeString(section, key, QString::number(value));
}

} // namespace platform
