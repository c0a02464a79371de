#include "platform/codepage.h"
#include "platform/ownerfiles.h"

#include "platform/error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <iterator>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <vector>

namespace platform {

namespace {

constexpr const char *kCodec = "Shift_JIS"; // ICU maps this name to the Windows table

QString writeErrorText(const QString &path)
{
    return QStringLiteral("%1 に書き込めません").arg(QFileInfo(path).absoluteFilePath());
}

} // namespace

// ICU's table swaps three control characters (0x1A, 0x1C, 0x7F) where Windows keeps
// every ASCII byte as it is, and uses U+001A for what it cannot map: a text holding one
// of them takes the careful path, which keeps ASCII as it stands.
static bool holdsSwappedControl(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0x1a || u == 0x1c || u == 0x7f)
            return true;
    }
    return false;
}

// ICU turns a byte sequence it cannot map into U+001A; so does a real 0x1A byte.
// Decode character by character to tell the two apart. Each distinct character is asked
// of ICU once per thread and remembered, so that a large file of garbage (every other
// byte undecodable) costs a table lookup per character, not a converter per character.
static QChar decodeUnit(QByteArrayView unit)
{
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    const QString piece = decoder.decode(unit);
    if (decoder.hasError() || piece.size() != 1 || piece.at(0) == QChar(0x1a))
        return QChar(QChar::ReplacementCharacter);
    return piece.at(0);
}

static QString decodeCarefully(const QByteArray &bytes)
{
    constexpr char16_t kUnknown = 0; // U+0000 comes only from the byte 0x00, known at once
    thread_local std::vector<char16_t> known(0x10000, kUnknown); // lead << 8 | trail, or byte

    QString out;
    out.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes.at(i));
        // A lead byte takes the next byte only when that byte can be a second byte: a
        // stray lead byte must not swallow a line end or an "=" after it.
        const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes.at(i + 1)) : 0;
        const bool doubleByte = ((lead >= 0x81 && lead <= 0x9f) || (lead >= 0xe0 && lead <= 0xfc))
                                && ((trail >= 0x40 && trail <= 0x7e) || (trail >= 0x80 && trail <= 0xfc));
        if (lead < 0x80) {
            out.append(QChar(lead)); // ASCII as it stands, 0x1A included
            ++i;
            continue;
        }
        const qsizetype len = doubleByte ? 2 : 1;
        const std::size_t index = doubleByte ? (std::size_t(lead) << 8 | static_cast<unsigned char>(bytes.at(i + 1)))
                                             : lead;
        if (known[index] == kUnknown)
            known[index] = decodeUnit(QByteArrayView(bytes).sliced(i, len)).unicode();
        out.append(QChar(known[index]));
        i += len;
    }
    return out;
}

QString decodeCp932(const QByteArray &bytes)
{
    // Every ASCII byte reads as itself: text without a byte above 0x7F (INI key names,
    // numbers, most settings) needs no converter, whose opening costs more than the
    // decoding of a short line.
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char b) { return static_cast<unsigned char>(b) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError() && !holdsSwappedControl(text))
        return text;
    return decodeCarefully(bytes);
}

namespace {

constexpr quint32 kUnknown = 0, kNoForm = 1, kOneByte = 0x10000, kTwoBytes = 0x20000;

// The CP932 bytes of a character of the first plane (not a surrogate): kNoForm, or
// kOneByte / kTwoBytes with the bytes. Each distinct character is asked of ICU once
// per thread and remembered.
quint32 cp932Form(char16_t u)
{
    if (u < 0x80)
        return kOneByte | u;
    thread_local std::vector<quint32> known(0x10000, kUnknown);
    if (known[u] == kUnknown) {
        QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
        const QChar c(u);
        const QByteArray bytes = encoder.encode(QStringView(&c, 1));
        if (encoder.hasError() || bytes.isEmpty() || bytes.size() > 2)
            known[u] = kNoForm;
        else if (bytes.size() == 1)
            known[u] = kOneByte | static_cast<unsigned char>(bytes.at(0));
        else
            known[u] = kTwoBytes | static_cast<unsigned char>(bytes.at(0)) << 8
                       | static_cast<unsigned char>(bytes.at(1));
    }
    return known[u];
}

} // namespace

bool cp932Holds(char32_t codePoint)
{
    if (codePoint > 0xffff || QChar::isSurrogate(codePoint))
        return false;
    return cp932Form(char16_t(codePoint)) != kNoForm;
}

QByteArray encodeCp932(const QString &text)
{
    QStringEncoder whole(kCodec, QStringConverter::Flag::Stateless);
    QByteArray out = whole.encode(text);
    if (!whole.hasError() && !holdsSwappedControl(text))
        return out;

    // Some character has no CP932 form: encode one character at a time and put "?"
    // where CP932 has nothing.
    out.clear();
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isSurrogate(u)) {
            // CP932 holds no character beyond the first plane: a pair is one "?".
            if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            out.append('?');
            continue;
        }
        const quint32 form = cp932Form(u);
        if (form == kNoForm) {
            out.append('?');
        } else if (form & kTwoBytes) {
            out.append(char(form >> 8 & 0xff));
            out.append(char(form & 0xff));
        } else {
            out.append(char(form & 0xff));
        }
    }
    return out;
}

namespace {

constexpr char32_t kAmpersand = U'&';

// A reference "&#xH;" (1 to 6 hex digits, either case of "x") at the start of the text
// that the reader turns back: its character and length, or nothing.
struct Reference
{
    char32_t codePoint = 0;
    qsizetype length = 0;
};

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

Reference storedReferenceAt(QStringView text)
{
    if (text.size() < 5 || text.at(0) != u'&' || text.at(1) != u'#'
        || (text.at(2) != u'x' && text.at(2) != u'X'))
        return {};
    char32_t value = 0;
    qsizetype i = 3;
    for (; i < text.size() && i < 10; ++i) {
        const int digit = hexDigit(text.at(i));
        if (digit < 0)
            break;
        value = value * 16 + char32_t(digit);
    }
    if (i == 3 || i - 3 > 6 || i >= text.size() || text.at(i) != u';')
        return {};
    if (value > 0x10ffff || QChar::isSurrogate(value))
        return {};
    if (value != kAmpersand && cp932Holds(value))
        return {}; // the writer never makes this one: it is the user's text
    return {value, i + 1};
}

void appendReference(QString &out, char32_t codePoint)
{
    out += QLatin1String("&#x") + QString::number(uint(codePoint), 16).toUpper() + QLatin1Char(';');
}

} // namespace

QString toStoredValue(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value.at(i).unicode();
        if (u == u'\r' || u == u'\n') {
            if (u == u'\r' && i + 1 < value.size() && value.at(i + 1) == u'\n')
                ++i;
            out += QLatin1Char(' ');
        } else if (QChar::isHighSurrogate(u) && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            appendReference(out, QChar::surrogateToUcs4(u, value.at(i + 1).unicode()));
            ++i;
        } else if (QChar::isSurrogate(u)) {
            out += QChar(u); // a lone half of a pair is no character: it is written as "?"
        } else if (u == u'&' && storedReferenceAt(value.sliced(i)).length > 0) {
            appendReference(out, kAmpersand);
        } else if (!cp932Holds(u)) {
            appendReference(out, u);
        } else {
            out += QChar(u);
        }
    }
    return out;
}

QString fromStoredValue(QStringView stored)
{
    if (!stored.contains(QLatin1String("&#")))
        return stored.toString();
    QString out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size();) {
        const Reference ref = stored.at(i) == u'&' ? storedReferenceAt(stored.sliced(i)) : Reference{};
        if (ref.length > 0) {
            out += QString::fromUcs4(&ref.codePoint, 1);
            i += ref.length;
        } else {
            out += stored.at(i++);
        }
    }
    return out;
}

QStringList readCp932Lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("%1 を開けません").arg(QFileInfo(path).absoluteFilePath()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("%1 を読めません").arg(QFileInfo(path).absoluteFilePath()));
    QString text = decodeCp932(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line opens no new line
    return lines;
}

void saveFileAtomically(const QString &path, const QByteArray &contents, FileAccess access)
{
    // Unbuffered, so that a short write (full disk) shows in write()'s count: a buffered
    // QSaveFile would report the flush of a truncated file as success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EFileError(writeErrorText(path));
    // Set on the file aside, before a byte is in it: the name never shows other rights.
    if (access == FileAccess::OwnerOnly
        && !file.setPermissions(kOwnerOnlyFile))
        throw EFileError(writeErrorText(path));
    if (file.write(contents) != contents.size() || !file.commit())
        throw EFileError(writeErrorText(path)); // the half-written file is discarded
}

QString neutralizedFormula(const QString &text)
{
    static constexpr char16_t kStarts[] = {u'=', u'+', u'-', u'@', u'\t', u'\r'};
    if (!text.isEmpty() && std::find(std::begin(kStarts), std::end(kStarts), text.front().unicode()) != std::end(kStarts))
        return u'\'' + text;
    return text;
}

void writeCp932Lines(const QString &path, const QStringList &lines)
{
    QByteArray contents;
    for (const QString &line : lines) {
        contents.append(encodeCp932(line));
        contents.append("\r\n");
    }
    saveFileAtomically(path, contents);
}

} // namespace platform
