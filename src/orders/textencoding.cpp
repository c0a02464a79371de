#include "orders/textencoding.h"

#include "platform/codepage.h"

#include <utility>

namespace orders {

namespace {
const QByteArray kBom("\xEF\xBB\xBF");
}

void EncodingDetector::add(QByteArrayView chunk)
{
    if (!m_headTaken) {
        m_head += chunk;
        if (m_head.size() >= kBom.size())
            takeHead();
        return;
    }
    if (!m_bom && !m_utf8.hasError())
        [[maybe_unused]] const QString text = m_utf8(chunk);  // decodes only when taken as text
}

void EncodingDetector::takeHead()
{
    m_headTaken = true;
    m_bom = m_head.startsWith(kBom);
    const QByteArray head = std::exchange(m_head, {});
    if (!m_bom)
        add(head);
}

TextEncoding EncodingDetector::encoding()
{
    if (!m_headTaken)
        takeHead();
    // A character cut short by the end is no UTF-8: a line end after it shows it.
    if (!std::exchange(m_finished, true) && !m_bom)
        add("\n");
    return m_bom ? TextEncoding::Utf8Bom : m_utf8.hasError() ? TextEncoding::Cp932 : TextEncoding::Utf8;
}

qsizetype EncodingDetector::bomSize()
{
    if (!m_headTaken)
        takeHead();
    return m_bom ? kBom.size() : 0;
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
