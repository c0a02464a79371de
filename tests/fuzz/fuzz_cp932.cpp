// libFuzzer entry: the input bytes are a CP932 text file (or anything else a user may
// have put in its place). Decodes, encodes and reads them as lines.

#include "fuzzsupport.h"

#include "platform/codepage.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr QChar kReplacement(QChar::ReplacementCharacter);

// Encoding then decoding the result again changes nothing more: the first encoding
// already put "?" where CP932 has nothing, and everything else maps back to itself.
void checkStable(const QString &text)
{
    const QByteArray once = platform::encodeCp932(text);
    const QString back = platform::decodeCp932(once);
    // The encoder writes nothing the decoder rejects.
    FUZZ_REQUIRE(!back.contains(kReplacement));
    FUZZ_REQUIRE(platform::encodeCp932(back) == once);
    FUZZ_REQUIRE(platform::decodeCp932(platform::encodeCp932(back)) == back);
    // Text and encoding keep their line breaks where they were: a break never merges
    // into a double-byte character.
    FUZZ_REQUIRE(text.count(QLatin1Char('\n')) == back.count(QLatin1Char('\n')));
    FUZZ_REQUIRE(text.count(QLatin1Char('\r')) == back.count(QLatin1Char('\r')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Decoding: every byte of plain ASCII stays as it is, everything decoded encodes
    // back to a text the decoder reads the same way.
    const QString text = platform::decodeCp932(bytes);
    FUZZ_REQUIRE(text.size() <= bytes.size());
    checkStable(text);
    const QString back = platform::decodeCp932(platform::encodeCp932(text));
    QString expected = text;
    expected.replace(kReplacement, QLatin1Char('?'));
    FUZZ_REQUIRE(back == expected);

    // The same bytes taken as UTF-16 code units, as any text of the program may hold
    // (lone surrogates included).
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, (size / 2) * 2);
    checkStable(units);

    // As a file read line by line: no line keeps a line end, and writing the lines back
    // and reading them again gives the same lines (with "?" for the undecodable).
    const QString path = fuzz::workFolder() + QStringLiteral("/lines.txt");
    fuzz::writeBytes(path, bytes);
    const QStringList lines = platform::readCp932Lines(path);
    for (const QString &line : lines)
        FUZZ_REQUIRE(!fuzz::holdsCrOrLf(line));
    // Each line end of the file ends one line.
    const qsizetype breaks = bytes.count('\r') + bytes.count('\n') - bytes.count("\r\n");
    FUZZ_REQUIRE(lines.size() == breaks + (bytes.endsWith('\r') || bytes.endsWith('\n') || bytes.isEmpty() ? 0 : 1));

    platform::writeCp932Lines(path, lines);
    const QByteArray written = fuzz::readBytes(path);
    FUZZ_REQUIRE(lines.isEmpty() ? written.isEmpty() : written.endsWith("\r\n"));
    QStringList expectedLines = lines;
    for (QString &line : expectedLines)
        line.replace(kReplacement, QLatin1Char('?'));
    FUZZ_REQUIRE(platform::readCp932Lines(path) == expectedLines);
    return 0;
}
