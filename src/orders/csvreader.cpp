#include "orders/csvreader.h"

#include <csv.h>

#include <exception>
#include <functional>

namespace orders {

namespace {

struct ParseState
{
    const CsvReader::RecordHandler *handler;
    CsvReader::Record record;
    int line = 1;          // line where the current record began
    int linesSeen = 1;     // line ends passed so far (inside fields too)
    bool stopped = false;
    std::exception_ptr failure;  // raised by the handler; carried past libcsv's C frames
};

void onField(void *data, size_t length, void *state)
{
    auto *s = static_cast<ParseState *>(state);
    const QByteArray field(static_cast<const char *>(data), qsizetype(length));
    s->linesSeen += int(field.count('\n'));
    s->record.append(field);
}

void onRecordEnd(int, void *state)
{
    auto *s = static_cast<ParseState *>(state);
    if (!s->stopped && !s->record.isEmpty()) {
        try {
            s->stopped = !(*s->handler)(s->record, s->line);
        } catch (...) {
            s->failure = std::current_exception();
            s->stopped = true;
        }
    }
    s->record.clear();
    ++s->linesSeen;
    s->line = s->linesSeen;
}

int noSpace(unsigned char) { return 0; }

} // namespace

char CsvReader::guessDelimiter(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    const QByteArrayView first = QByteArrayView(bytes).first(end < 0 ? bytes.size() : end);
    return first.count('\t') > first.count(',') ? '\t' : ',';
}

namespace {

// Feeds libcsv the chunks `next` gives until it gives an empty one.
void parse(char delimiter, const CsvReader::RecordHandler &handler, const std::function<QByteArray()> &next)
{
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        throw ImportError(QStringLiteral("CSV の読み込みを始められません。"));
    // Keep blanks: half-width spaces in names and addresses are data.
    csv_set_space_func(&parser, noSpace);
    csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
    ParseState state{&handler, {}, 1, 1, false, {}};
    const auto fail = [&] {
        return ImportError(QStringLiteral("CSV の形が正しくありません（%1 行目から）：引用符 (\") の対応が取れていません。"
                                          "引用符を閉じてから、もう一度読み込んでください。")
                               .arg(state.line));
    };
    try {
        for (QByteArray chunk = next(); !chunk.isEmpty() && !state.stopped; chunk = next()) {
            if (csv_parse(&parser, chunk.constData(), size_t(chunk.size()), onField, onRecordEnd, &state)
                != size_t(chunk.size()))
                throw fail();
        }
        if (!state.stopped && csv_fini(&parser, onField, onRecordEnd, &state) != 0)
            throw fail();
    } catch (...) {
        csv_free(&parser);
        throw;
    }
    csv_free(&parser);
    if (state.failure)
        std::rethrow_exception(state.failure);
}

constexpr qsizetype kChunk = 1 << 16;

} // namespace

void CsvReader::read(const QByteArray &bytes, char delimiter, const RecordHandler &handler)
{
    qsizetype at = 0;
    parse(delimiter, handler, [&] {
        const QByteArray chunk = QByteArray::fromRawData(bytes.constData() + at, std::min(kChunk, bytes.size() - at));
        at += chunk.size();
        return chunk;
    });
}

void CsvReader::read(QIODevice &device, char delimiter, const RecordHandler &handler)
{
    parse(delimiter, handler, [&] {
        const QByteArray chunk = device.read(kChunk);
        if (chunk.isEmpty() && !device.atEnd())
            throw ImportError(QStringLiteral("ファイルを最後まで読めませんでした（%1）。ファイルを確かめて、もう一度読み込んでください。")
                                  .arg(device.errorString()));
        return chunk;
    });
}

} // namespace orders
