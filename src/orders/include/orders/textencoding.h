#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace orders {

enum class TextEncoding { Utf8, Utf8Bom, Cp932 };

// Tells the encoding of a file given a chunk at a time: UTF-8 with a byte-order mark,
// bytes that are all valid UTF-8, else CP932 (what spreadsheets on Japanese Windows
// write).
class EncodingDetector
{
public:
    void add(QByteArrayView chunk);
    // After the last chunk.
    TextEncoding encoding();
    // Bytes of the byte-order mark at the start: 0 or 3. After the last chunk.
    qsizetype bomSize();

private:
    void takeHead();

    QStringDecoder m_utf8{QStringDecoder::Utf8};
    QByteArray m_head;  // the first bytes, until there are enough to tell a byte-order mark
    bool m_headTaken = false;
    bool m_bom = false;
    bool m_finished = false;
};

// "UTF-8 (BOM付き)", "UTF-8", "Shift-JIS (CP932)": shown to the user.
QString encodingName(TextEncoding encoding);

// Decodes one field. Sets *lossy when bytes had no meaning in the encoding.
QString decodeField(const QByteArray &bytes, TextEncoding encoding, bool *lossy);

} // namespace orders
