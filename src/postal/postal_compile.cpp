// Build tool: turns data/postal/postal.tsv.xz into the binary table the program maps
// (layout in postaltable.h). Usage: postal_compile <input.tsv.xz> <output.bin>

#include "postal/addresskey.h"
#include "postal/postaltable.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QSaveFile>
#include <QString>

#include <lzma.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray unxz(const QByteArray &compressed)
{
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&stream, UINT64_MAX, 0) != LZMA_OK)
        return {};
    QByteArray out;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<const uint8_t *>(compressed.constData());
    stream.avail_in = size_t(compressed.size());
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK) {
        stream.next_out = reinterpret_cast<uint8_t *>(chunk.data());
        stream.avail_out = size_t(chunk.size());
        ret = lzma_code(&stream, LZMA_FINISH);
        out.append(chunk.constData(), chunk.size() - qsizetype(stream.avail_out));
    }
    lzma_end(&stream);
    return ret == LZMA_STREAM_END ? out : QByteArray();
}

class Writer
{
public:
    quint32 string(const QString &s)
    {
        if (const auto it = m_offsets.constFind(s); it != m_offsets.cend())
            return *it;
        const quint32 offset = quint32(m_chars.size());
        m_chars.push_back(char16_t(s.size()));
        m_chars.insert(m_chars.end(), s.utf16(), s.utf16() + s.size());
        m_offsets.insert(s, offset);
        return offset;
    }
    std::vector<char16_t> m_chars;

private:
    QHash<QString, quint32> m_offsets;
};

struct Row
{
    quint32 code;
    int digits;
    QString fields[5];
};

int fail(const char *what)
{
    std::fprintf(stderr, "postal_compile: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail("usage: postal_compile <input.tsv.xz> <output.bin>");
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly))
        return fail("cannot read the input");
    const QByteArray tsv = unxz(in.readAll());
    if (tsv.isEmpty())
        return fail("the input is not an xz file");

    std::vector<Row> rows;
    for (const QByteArray &line : tsv.split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> cols = line.split('\t');
        if (cols.size() != 6 || (cols[0].size() != 7 && cols[0].size() != 3))
            return fail("a row is not code + 5 fields");
        Row row{cols[0].toUInt(), int(cols[0].size()), {}};
        for (int i = 0; i < 5; ++i)
            row.fields[i] = QString::fromUtf8(cols[i + 1]);
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.digits != b.digits ? a.digits > b.digits : a.code < b.code; });

    Writer writer;
    std::vector<postal::table::Entry> entries, fallback;
    std::vector<postal::table::KeyItem> keys;
    quint32 maxKeyLength = 0;
    for (const Row &row : rows) {
        postal::table::Entry e{};
        e.code = row.code;
        e.prefecture = writer.string(row.fields[0]);
        e.city = writer.string(row.fields[1]);
        e.town = writer.string(row.fields[2]);
        e.street = writer.string(row.fields[3]);
        e.office = writer.string(row.fields[4]);
        const QString prefectureKey = postal::addressKey(row.fields[0]);
        const QString cityKey = postal::addressKey(row.fields[1]);
        const QString key = prefectureKey + cityKey + postal::addressKey(row.fields[2]);
        e.key = writer.string(key);
        e.prefectureKeyLength = quint16(prefectureKey.size());
        e.cityKeyLength = quint16(cityKey.size());
        if (row.digits == 3) {
            fallback.push_back(e);
            continue;
        }
        const quint32 index = quint32(entries.size());
        entries.push_back(e);
        keys.push_back({e.key + 1, quint32(key.size()), index});
        if (key.size() > prefectureKey.size())
            keys.push_back({e.key + 1 + quint32(prefectureKey.size()), quint32(key.size() - prefectureKey.size()), index});
        maxKeyLength = std::max(maxKeyLength, quint32(key.size()));
    }
    const std::vector<char16_t> &chars = writer.m_chars;
    const auto keyOf = [&chars](const postal::table::KeyItem &k) {
        return QStringView(chars.data() + k.start, qsizetype(k.length));
    };
    std::stable_sort(keys.begin(), keys.end(), [&](const auto &a, const auto &b) {
        return postal::table::keyLess(keyOf(a), keyOf(b));
    });

    postal::table::Header header{};
    std::copy(std::begin(postal::table::kMagic), std::end(postal::table::kMagic), header.magic);
    header.byteOrder = postal::table::kByteOrderMark;
    header.entryCount = quint32(entries.size());
    header.fallbackCount = quint32(fallback.size());
    header.keyCount = quint32(keys.size());
    header.charCount = quint32(chars.size());
    header.maxKeyLength = maxKeyLength;

    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly))
        return fail("cannot write the output");
    const auto put = [&out](const auto &items) {
        out.write(reinterpret_cast<const char *>(items.data()), qint64(items.size() * sizeof(items[0])));
    };
    out.write(reinterpret_cast<const char *>(&header), sizeof header);
    put(entries);
    put(fallback);
    put(keys);
    put(chars);
    if (!out.commit())
        return fail("cannot write the output");
    std::printf("postal_compile: %u codes, %u prefix rows, %u keys\n", header.entryCount,
                header.fallbackCount, header.keyCount);
    return 0;
}
