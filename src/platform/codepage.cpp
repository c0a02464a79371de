#include "codepage.h"

#include "error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

namespace platform {

namespace {

constexpr const char *kCodec = "Shift_JIS"; // ICU maps this name to the Windows table

QString writeErrorText(const QString &path)
{
    return QStringLiteral("%1 に書き込めません").arg(QFileInfo(path).absoluteFilePath());
}

} // namespace

// ICU turns a byte sequence it cannot map into U+001A; so does a real 0x1A byte.
// Decode character by character to tell the two apart.
static QString decodeCarefully(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes.at(i));
        const bool doubleByte = ((lead >= 0x81 && lead <= 0x9f) || (lead >= 0xe0 && lead <= 0xfc))
                                && i + 1 < bytes.size();
        const qsizetype len = doubleByte ? 2 : 1;
        if (lead == 0x1a) {
            out.append(QChar(0x1a));
        } else {
            QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
            const QString piece = decoder.decode(bytes.mid(i, len));
            if (decoder.hasError() || piece.contains(QChar(0x1a)) || piece.isEmpty())
                out.append(QChar(QChar::ReplacementCharacter));
            else
                out.append(piece);
        }
        i += len;
    }
    return out;
}

QString decodeCp932(const QByteArray &bytes)
{
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError() && !text.contains(QChar(0x1a)))
        return text;
    return decodeCarefully(bytes);
}

QByteArray encodeCp932(const QString &text)
{
    QStringEncoder whole(kCodec, QStringConverter::Flag::Stateless);
    QByteArray out = whole.encode(text);
    if (!whole.hasError())
        return out;

    // Some character has no CP932 form: encode one code point at a time with a fresh
    // encoder (its error flag does not reset) and put "?" where CP932 has nothing.
    out.clear();
    out.reserve(text.size() * 2);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype len = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            len = 2;
        const QStringView piece = QStringView(text).mid(i, len);
        if (len == 1 && piece.at(0).unicode() < 0x80) {
            out.append(char(piece.at(0).unicode()));
        } else {
            QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
            const QByteArray bytes = encoder.encode(piece);
            out.append(encoder.hasError() || bytes.isEmpty() ? QByteArray("?") : bytes);
        }
        i += len;
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

void saveFileAtomically(const QString &path, const QByteArray &contents)
{
    // Unbuffered, so that a short write (full disk) shows in write()'s count: a buffered
    // QSaveFile would report the flush of a truncated file as success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(contents) != contents.size() || !file.commit())
        throw EFileError(writeErrorText(path)); // the half-written file is discarded
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
