#include "orders/textencoding.h"

#include "platform/codepage.h"

#include <QStringDecoder>

namespace orders {

namespace {
const QByteArray kBom("\xEF\xBB\xBF");
}

TextEncoding detectEncoding(const QByteArray &bytes)
{
    if (bytes.startsWith(kBom))
        return TextEncoding::Utf8Bom;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return decoder.hasError() ? TextEncoding::Cp932 : TextEncoding::Utf8;
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom: return QStringLiteral("UTF-8 (BOM付き)");
    case TextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TextEncoding::Cp932: return QStringLiteral("Shift-JIS (CP932)");
    }
    return {};
}

QByteArray withoutBom(const QByteArray &bytes)
{
    return bytes.startsWith(kBom) ? bytes.mid(kBom.size()) : bytes;
}

QString decodeField(const QByteArray &bytes, TextEncoding encoding, bool *lossy)
{
    if (encoding == TextEncoding::Cp932) {
        QString text = platform::decodeCp932(bytes);
        if (text.contains(QChar::ReplacementCharacter))
            *lossy = true;
        return text;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        *lossy = true;
    return text;
}

} // namespace orders
