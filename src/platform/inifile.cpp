#include "inifile.h"

#include "codepage.h"
#include "convert.h"

#include <QFile>
#include <QStringList>

#include <optional>

namespace platform {

namespace {

// The file as lines, without their line ends; an absent or unreadable file is empty.
QStringList loadLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = decodeCp932(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString trimmedBlanks(QStringView s)
{
    return s.trimmed().toString();
}

bool sameName(QStringView a, QStringView b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The section name of a header line "[name]", or nothing for another line.
std::optional<QString> sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1);
}

bool isKeyLine(const QString &line, const QString &key, QString *value = nullptr)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    if (!sameName(QStringView(line).left(eq), key))
        return false;
    if (value)
        *value = line.mid(eq + 1);
    return true;
}

struct SectionRange
{
    qsizetype header = -1; // index of the header line
    qsizetype end = -1;    // index one past the section's last line
};

SectionRange findSection(const QStringList &lines, const QString &section)
{
    SectionRange range;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines.at(i));
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
        range.end = lines.size();
    return range;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const QStringList lines = loadLines(m_path);
    const SectionRange range = findSection(lines, section);
    QString result = defaultValue;
    if (range.header >= 0) {
        for (qsizetype i = range.header + 1; i < range.end; ++i) {
            QString value;
            if (isKeyLine(lines.at(i), key, &value)) {
                value = trimmedBlanks(value);
                // A value in matching quotes reads without them.
                if (value.size() >= 2
                    && ((value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"'))
                        || (value.front() == QLatin1Char('\'') && value.back() == QLatin1Char('\''))))
                    value = value.mid(1, value.size() - 2);
                result = value;
                break;
            }
        }
    }
    return result.left(kMaxValueLength);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key);
    int value = 0;
    if (text.isEmpty() || !tryStrToInt(text, value))
        return defaultValue;
    return value;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    QStringList lines = loadLines(m_path);
    const QString entry = key.trimmed() + QLatin1Char('=') + value;
    const SectionRange range = findSection(lines, section);
    if (range.header < 0) {
        lines.append(QLatin1Char('[') + section.trimmed() + QLatin1Char(']'));
        lines.append(entry);
    } else {
        qsizetype lastContent = range.header;
        bool replaced = false;
        for (qsizetype i = range.header + 1; i < range.end; ++i) {
            if (isKeyLine(lines.at(i), key)) {
                lines[i] = entry;
                replaced = true;
                break;
            }
            if (!lines.at(i).trimmed().isEmpty())
                lastContent = i;
        }
        if (!replaced)
            lines.insert(lastContent + 1, entry);
    }
    writeCp932Lines(m_path, lines);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) const
{
    writeString(section, key, QString::number(value));
}

} // namespace platform
