// libFuzzer entry: the input bytes are a settings file. Reads the program's own sections
// and keys in several spellings, then writes one key and checks what the write kept.

#include "fuzzsupport.h"

#include "platform/codepage.h"
#include "platform/convert.h"
#include "platform/inifile.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdint>

namespace {

using platform::IniFile;

// The same section or key as the program names it, in another case and with blanks
// around it: both must find the same entry.
QString otherSpelling(const QString &name)
{
    QString out;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            out.append(QChar(u - 0x20));
        else if (u >= u'A' && u <= u'Z')
            out.append(QChar(u + 0x20));
        else
            out.append(c);
    }
    return QStringLiteral("  ") + out + QLatin1Char(' ');
}

const QStringList &sections()
{
    static const QStringList list{
        QStringLiteral("mekira_RErorezevPrn"), QStringLiteral("手差し"), QStringLiteral("連続(４インチ)"),
        QStringLiteral("Settings"), QString()};
    return list;
}

const QStringList &keys()
{
    static const QStringList list{
        QStringLiteral("RErorezevprnno"), QStringLiteral("mekira_RErorezevPrn_Top"),
        QStringLiteral("mekira_RErorezevPrn_Left"), QStringLiteral("Tab_My"), QStringLiteral("Addr_Font"),
        QStringLiteral("OP023My"), QStringLiteral("OP023MyZIP "), QStringLiteral("OP023MyADD1"),
        QStringLiteral("OP023MyADD2"), QStringLiteral("OP023MyTEL"), QStringLiteral("E_ZIP"),
        QStringLiteral("E_AD1"), QStringLiteral("E_AD2"), QStringLiteral("E_CUS"), QStringLiteral("E_TEL"),
        QStringLiteral("E_G1"), QStringLiteral("E_G2"), QStringLiteral("E_G3"), QStringLiteral("KOSUU"),
        QStringLiteral("de_date1"), QStringLiteral("de_date2"), QStringLiteral("ComboBox_SEL"),
        QStringLiteral("PrnName"), QStringLiteral("PrnNoIndex"), QStringLiteral("mekiraPrn_Top"),
        QStringLiteral("mekiraPrn_Left"), QStringLiteral("品名")};
    return list;
}

bool sameName(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// What a text becomes once written and read back: characters CP932 lacks turn into "?".
QString throughCp932(const QString &text)
{
    return platform::decodeCp932(platform::encodeCp932(text));
}

// A value that must read back exactly as written: one line, no blanks around it, not in
// quotes (those are taken off when read), every character in CP932, within the length
// a read returns.
bool readsBackExactly(const QString &value)
{
    if (fuzz::holdsCrOrLf(value) || value.trimmed() != value || value.size() > IniFile::kMaxValueLength)
        return false;
    if (value.size() >= 2
        && ((value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"'))
            || (value.front() == QLatin1Char('\'') && value.back() == QLatin1Char('\''))))
        return false;
    return platform::encodeCp932(value) == platform::encodeCp932(throughCp932(value))
           && throughCp932(value) == value;
}

// The file's lines as bytes, split at CR LF, LF or CR like the reader does.
QList<QByteArray> byteLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) != '\r' && bytes.at(i) != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (bytes.at(i) == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

// Whether a line sets the key (in whatever section); a byte-order mark opening the
// file is not part of its first line.
bool mayBeKeyLine(QByteArray line, const QString &key)
{
    if (line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    const QString text = platform::decodeCp932(line);
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    return eq >= 0 && sameName(text.left(eq), key);
}

struct Entry
{
    QString section;
    QString key;
    QString value;
};

// Reads one entry in two spellings and with two defaults, checking what every read
// promises; returns the value read.
QString checkedRead(const IniFile &ini, const QString &section, const QString &key)
{
    const QString value = ini.readString(section, key);
    FUZZ_REQUIRE(value.size() <= IniFile::kMaxValueLength);
    FUZZ_REQUIRE(!fuzz::holdsCrOrLf(value));
    FUZZ_REQUIRE(ini.readString(otherSpelling(section), otherSpelling(key)) == value);

    const QString fallback = QStringLiteral("\x01none");
    const QString withDefault = ini.readString(section, key, fallback);
    FUZZ_REQUIRE(withDefault == value || (value.isEmpty() && withDefault == fallback));

    // An integer is the strict conversion of the text, or the default for any other text.
    const int number = ini.readInteger(section, key, -7);
    int parsed = 0;
    if (!value.isEmpty() && platform::tryStrToInt(value, parsed))
        FUZZ_REQUIRE(number == parsed);
    else
        FUZZ_REQUIRE(number == -7);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray before(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = fuzz::workFolder() + QStringLiteral("/mekira_RErorezev.ini");
    fuzz::writeBytes(path, before);
    const IniFile ini(path);
    const quint32 h = fuzz::hashOf(before);

    // A few keys of every section, varying with the input.
    QList<Entry> read;
    const QStringList &keyList = keys();
    for (qsizetype s = 0; s < sections().size(); ++s) {
        for (qsizetype k = 0; k < 3; ++k) {
            const QString &key = keyList.at((h + quint32(s * 7 + k * 5)) % quint32(keyList.size()));
            read.append({sections().at(s), key, checkedRead(ini, sections().at(s), key)});
        }
    }

    // One write: a fixed value, a value taken from the file itself, or a number.
    const QString section = sections().at((h >> 8) % quint32(sections().size()));
    const QString key = keyList.at((h >> 12) % quint32(keyList.size()));
    const QList<QByteArray> oldLines = byteLines(before);
    const QStringList values{
        QStringLiteral("東京都架空区見本町1-1"), QString(), QStringLiteral("0"), QStringLiteral("  padded  "),
        QStringLiteral("\"quoted\""), QStringLiteral("a=b"), QStringLiteral("[x]"), QStringLiteral("雪☃"),
        QStringLiteral("1\r\n[mekira_RErorezevPrn]"), QStringLiteral("ﾆｼ1-2"), QStringLiteral("ｻﾝﾌﾟﾙﾋﾞﾙ4F"),
        QStringLiteral("①髙﨑"),
        oldLines.isEmpty() ? QString() : platform::decodeCp932(oldLines.last()).left(300),
        oldLines.isEmpty() ? QString() : QString::fromUtf8(oldLines.first()).left(300)};
    const qsizetype choice = (h >> 20) % quint32(values.size() + 1);
    const bool asInteger = choice == values.size();
    const int number = int(h ^ (h << 7));
    const QString value = asInteger ? QString::number(number) : values.at(choice);
    const QString writtenSection = (h & 1) ? otherSpelling(section) : section;
    if (asInteger)
        ini.writeInteger(writtenSection, key, number);
    else
        ini.writeString(writtenSection, key, value);

    const QByteArray after = fuzz::readBytes(path);
    if (asInteger)
        FUZZ_REQUIRE(ini.readInteger(section, otherSpelling(key), number + 1) == number);
    if (readsBackExactly(value))
        FUZZ_REQUIRE(ini.readString(otherSpelling(section), key, QStringLiteral("\x01none")) == value);

    // Every other line of the old file is still there, byte for byte.
    const QList<QByteArray> newLines = byteLines(after);
    for (const QByteArray &line : oldLines) {
        if (mayBeKeyLine(line, key))
            continue;
        FUZZ_REQUIRE(newLines.contains(line));
    }

    // And every other entry reads as before, unless the value itself broke the line.
    if (fuzz::holdsCrOrLf(value))
        return 0;
    for (const Entry &e : read) {
        if (sameName(e.section, section) && sameName(e.key, key))
            continue;
        FUZZ_REQUIRE(ini.readString(e.section, e.key) == e.value);
    }
    return 0;
}
