#pragma once

#include "platform/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>

#include <functional>

namespace orders {

// A file that cannot be imported; the message says why and where. Nothing of it was
// stored.
class ImportError : public platform::Error
{
public:
    using platform::Error::Error;
};

// Reads CSV or TSV bytes record by record with libcsv (RFC 4180: quoted fields with
// delimiters, quotes and line breaks inside). Fields stay bytes: no CP932 trail byte is
// a quote, delimiter or line end, so they are decoded after parsing. Blank lines are
// skipped. Unbalanced quotes raise ImportError with the line where the record began.
class CsvReader
{
public:
    using Record = QList<QByteArray>;
    // Returns false to stop reading.
    using RecordHandler = std::function<bool(const Record &record, int line)>;

    static void read(const QByteArray &bytes, char delimiter, const RecordHandler &handler);
    // The same from a device, a chunk at a time: only the record being read is held, so
    // a file of any size is read in bounded memory. Raises ImportError when the device
    // cannot be read.
    static void read(QIODevice &device, char delimiter, const RecordHandler &handler);

    // Tab when the first line holds more tabs than commas, else comma.
    static char guessDelimiter(const QByteArray &bytes);
};

} // namespace orders
