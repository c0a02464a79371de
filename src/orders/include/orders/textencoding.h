#pragma once

#include <QByteArray>
#include <QString>

namespace orders {

enum class TextEncoding { Utf8, Utf8Bom, Cp932 };

// UTF-8 with a byte-order mark, bytes that are valid UTF-8, else CP932 (what
// spreadsheets on Japanese Windows write).
TextEncoding detectEncoding(const QByteArray &bytes);

// "UTF-8 (BOM付き)", "UTF-8", "Shift-JIS (CP932)": shown to the user.
QString encodingName(TextEncoding encoding);

// Decodes one field. Sets *lossy when bytes had no meaning in the encoding.
QString decodeField(const QByteArray &bytes, TextEncoding encoding, bool *lossy);

// The bytes after a byte-order mark.
QByteArray withoutBom(const QByteArray &bytes);

} // namespace orders
