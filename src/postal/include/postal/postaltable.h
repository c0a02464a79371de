#pragma once

// The binary postal table: built from data/postal/postal.tsv.xz at build time
// (postal_compile) and mapped read-only by the program. Native byte order.
//
//   Header | Entry[entryCount] (7-digit codes, ascending) | Entry[fallbackCount]
//   (3-digit codes, ascending) | KeyItem[keyCount] (ascending by key) | char16_t[charCount]
//
// Strings live in the char16_t area as one length unit followed by that many units.
// Every address key is there as prefecture + city + town (see addressKey()); the key
// items point at it twice, once whole and once without the prefecture.

#include <QtGlobal>

#include <QStringView>

namespace postal::table {

inline constexpr char kMagic[8] = {'M', 'K', 'P', 'O', 'S', 'T', '0', '1'};
inline constexpr quint32 kByteOrderMark = 0x01020304;

struct Header
{
    char magic[8];
    quint32 byteOrder;
    quint32 entryCount;
    quint32 fallbackCount;
    quint32 keyCount;
    quint32 charCount;
    quint32 maxKeyLength;
};

struct Entry
{
    quint32 code; // the digits as a number
    quint32 prefecture, city, town, street, office; // string offsets
    quint32 key; // offset of the full address key
    quint16 prefectureKeyLength, cityKeyLength; // parts of the key
};

struct KeyItem
{
    quint32 start; // first unit of the key in the char area
    quint32 length;
    quint32 entry; // index into the 7-digit entries
};

static_assert(sizeof(Header) == 32 && sizeof(Entry) == 32 && sizeof(KeyItem) == 12);

inline qint64 expectedSize(const Header &h)
{
    return qint64(sizeof(Header)) + qint64(h.entryCount + qint64(h.fallbackCount)) * sizeof(Entry)
        + qint64(h.keyCount) * sizeof(KeyItem) + qint64(h.charCount) * 2;
}

// Keys are ordered by their UTF-16 units, the same here and in the build tool.
inline bool keyLess(QStringView a, QStringView b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return a[i].unicode() < b[i].unicode();
    }
    return a.size() < b.size();
}

} // namespace postal::table
