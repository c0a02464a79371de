#include "postal/postaldirectory.h"

#include "postal/addresskey.h"
#include "postal/postalcode.h"
#include "postal/postaltable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace postal {

namespace {

// Addresses are compared on their first characters only: no key is longer, and the
// rest of a long pasted text cannot change the result.
constexpr qsizetype kMaxAddressText = 256;
constexpr int kMaxResults = 50;

QString cappedKey(QStringView address)
{
    return addressKey(address.left(kMaxAddressText));
}

// "2丁目1番1号" -> "2-1-1": the way street numbers are usually written.
QString hyphenatedStreet(const QString &streetKey)
{
    QString s = streetKey;
    for (const QString &unit : {QStringLiteral("丁目"), QStringLiteral("番地"), QStringLiteral("番"),
                                QStringLiteral("号")})
        s.replace(unit, QStringLiteral("-"));
    while (s.endsWith(u'-'))
        s.chop(1);
    return s;
}

// Kyoto's street-name addresses place a house by two streets ("寺町通御池下る522");
// written without the town's name they name no other town either.
bool isStreetNamePlace(QStringView rest)
{
    if (!rest.contains(u'通'))
        return false;
    qsizetype after = -1;
    for (QStringView direction : {u"上る", u"下る", u"上ル", u"下ル", u"入る", u"入ル", u"西入", u"東入"}) {
        const qsizetype at = rest.lastIndexOf(direction);
        if (at >= 0)
            after = qMax(after, at + direction.size());
    }
    return after > 0 && !rest.mid(after).contains(u'町');
}

} // namespace

// The mapped table and every read of it. All offsets read from the file are checked
// before use: a damaged file gives wrong answers at worst, never a crash.
class PostalDirectory::Table
{
public:
    explicit Table(const QString &path)
        : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly) || m_file.size() < qint64(sizeof(table::Header)))
            return;
        const uchar *data = m_file.map(0, m_file.size());
        if (!data)
            return;
        const auto *header = reinterpret_cast<const table::Header *>(data);
        if (std::memcmp(header->magic, table::kMagic, sizeof table::kMagic) != 0
            || header->byteOrder != table::kByteOrderMark || table::expectedSize(*header) != m_file.size())
            return;
        m_header = header;
        m_entries = reinterpret_cast<const table::Entry *>(data + sizeof(table::Header));
        m_fallback = m_entries + header->entryCount;
        m_keys = reinterpret_cast<const table::KeyItem *>(m_fallback + header->fallbackCount);
        m_chars = reinterpret_cast<const char16_t *>(m_keys + header->keyCount);
    }

    bool isValid() const { return m_header != nullptr; }

    QStringView chars(quint32 start, quint32 length) const
    {
        if (start > m_header->charCount || length > m_header->charCount - start)
            return {};
        return QStringView(m_chars + start, qsizetype(length));
    }
    QStringView string(quint32 offset) const
    {
        if (offset >= m_header->charCount)
            return {};
        return chars(offset + 1, m_chars[offset]);
    }

    const table::Entry *entry(quint32 index) const
    {
        return index < m_header->entryCount ? m_entries + index : nullptr;
    }
    QStringView fullKey(const table::Entry &e) const
    {
        return chars(e.key + 1, m_chars[qMin(e.key, m_header->charCount - 1)]);
    }
    QStringView keyWithoutPrefecture(const table::Entry &e) const
    {
        return fullKey(e).mid(qMin<qsizetype>(e.prefectureKeyLength, fullKey(e).size()));
    }
    QStringView cityKey(const table::Entry &e, bool withPrefecture) const
    {
        const QStringView key = fullKey(e);
        const qsizetype cityEnd = qMin<qsizetype>(e.prefectureKeyLength + e.cityKeyLength, key.size());
        const qsizetype from = withPrefecture ? 0 : qMin<qsizetype>(e.prefectureKeyLength, cityEnd);
        return key.mid(from, cityEnd - from);
    }
    QStringView townKey(const table::Entry &e) const
    {
        const QStringView key = fullKey(e);
        return key.mid(qMin<qsizetype>(e.prefectureKeyLength + e.cityKeyLength, key.size()));
    }

    PostalEntry toEntry(const table::Entry &e, int digits) const
    {
        PostalEntry out;
        out.code = QStringLiteral("%1").arg(e.code, digits, 10, QLatin1Char('0'));
        out.prefecture = string(e.prefecture).toString();
        out.city = string(e.city).toString();
        out.town = string(e.town).toString();
        out.street = string(e.street).toString();
        out.office = string(e.office).toString();
        return out;
    }

    // The 7-digit entries of `code`, as indexes.
    std::pair<quint32, quint32> codeRange(quint32 code) const
    {
        return range(m_entries, m_header->entryCount, code);
    }
    std::pair<quint32, quint32> fallbackRange(quint32 code) const
    {
        return range(m_fallback, m_header->fallbackCount, code);
    }
    const table::Entry &fallback(quint32 index) const { return m_fallback[index]; }

    // The key items whose key equals `key`.
    std::pair<const table::KeyItem *, const table::KeyItem *> keyRange(QStringView key) const
    {
        const table::KeyItem *begin = m_keys;
        const table::KeyItem *end = m_keys + m_header->keyCount;
        const auto keyOf = [this](const table::KeyItem &item) { return chars(item.start, item.length); };
        const auto lo = std::lower_bound(begin, end, key, [&](const table::KeyItem &item, QStringView k) {
            return table::keyLess(keyOf(item), k);
        });
        const auto hi = std::upper_bound(lo, end, key, [&](QStringView k, const table::KeyItem &item) {
            return table::keyLess(k, keyOf(item));
        });
        return {lo, hi};
    }
    quint32 maxKeyLength() const { return m_header->maxKeyLength; }

private:
    static std::pair<quint32, quint32> range(const table::Entry *entries, quint32 count, quint32 code)
    {
        const auto lo = std::lower_bound(entries, entries + count, code,
                                         [](const table::Entry &e, quint32 c) { return e.code < c; });
        const auto hi = std::upper_bound(lo, entries + count, code,
                                         [](quint32 c, const table::Entry &e) { return c < e.code; });
        return {quint32(lo - entries), quint32(hi - entries)};
    }

    QFile m_file;
    const table::Header *m_header = nullptr;
    const table::Entry *m_entries = nullptr;
    const table::Entry *m_fallback = nullptr;
    const table::KeyItem *m_keys = nullptr;
    const char16_t *m_chars = nullptr;
};

namespace {

struct Match
{
    quint32 entry;
    qsizetype length;
};

// Which entries the address key begins with: large-office entries named in the rest
// of the address (by office name, else by street number), then the ordinary entries
// of the longest matching key.
struct Matches
{
    QList<Match> officesByName;
    QList<Match> officesByStreet;
    QList<Match> ordinary;

    bool isEmpty() const { return officesByName.isEmpty() && officesByStreet.isEmpty() && ordinary.isEmpty(); }
    // Offices named outrank those found by street number alone (one building holds many).
    QList<Match> ranked() const { return (officesByName.isEmpty() ? officesByStreet : officesByName) + ordinary; }
    bool contains(quint32 entry) const
    {
        for (const QList<Match> *group : {&officesByName, &officesByStreet, &ordinary}) {
            for (const Match &m : *group)
                if (m.entry == entry)
                    return true;
        }
        return false;
    }
};

enum class OfficeNamed { No, ByName, ByStreet };

OfficeNamed officeNamed(const PostalDirectory::Table &t, const table::Entry &e, QStringView rest)
{
    const QString office = addressKey(t.string(e.office));
    if (!office.isEmpty() && rest.contains(office))
        return OfficeNamed::ByName;
    const QString street = addressKey(t.string(e.street));
    if (!street.isEmpty() && (rest.contains(street) || rest.startsWith(hyphenatedStreet(street))))
        return OfficeNamed::ByStreet;
    return OfficeNamed::No;
}

Matches matchAddress(const PostalDirectory::Table &t, const QString &key)
{
    Matches m;
    for (qsizetype length = qMin<qsizetype>(key.size(), t.maxKeyLength()); length > 0; --length) {
        const auto [begin, end] = t.keyRange(QStringView(key).left(length));
        for (auto item = begin; item != end; ++item) {
            const table::Entry *e = t.entry(item->entry);
            if (!e)
                continue;
            if (!t.string(e->street).isEmpty() || !t.string(e->office).isEmpty()) {
                switch (officeNamed(t, *e, QStringView(key).mid(length))) {
                case OfficeNamed::ByName:
                    m.officesByName.append({item->entry, length});
                    break;
                case OfficeNamed::ByStreet:
                    m.officesByStreet.append({item->entry, length});
                    break;
                case OfficeNamed::No:
                    break;
                }
            } else if (m.ordinary.isEmpty() || m.ordinary.first().length == length) {
                m.ordinary.append({item->entry, length});
            }
        }
    }
    return m;
}

} // namespace

PostalDirectory::PostalDirectory(QString filePath)
    : m_filePath(std::move(filePath))
{
}

PostalDirectory::~PostalDirectory() = default;

const PostalDirectory &PostalDirectory::instance()
{
    static const PostalDirectory directory;
    return directory;
}

QString PostalDirectory::defaultDataPath()
{
    const QString fromEnvironment = qEnvironmentVariable("MEKIRA_POSTAL_DATA");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (QCoreApplication::instance()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QStringLiteral(MEKIRA_POSTAL_INSTALLED_RELPATH));
        if (QFileInfo::exists(installed))
            return QDir::cleanPath(installed);
    }
    return QStringLiteral(MEKIRA_POSTAL_BUILD_PATH);
}

const PostalDirectory::Table *PostalDirectory::table() const
{
    std::call_once(m_loadOnce, [this] {
        auto t = std::make_unique<Table>(m_filePath.isEmpty() ? defaultDataPath() : m_filePath);
        if (t->isValid())
            m_table = std::move(t);
    });
    return m_table.get();
}

bool PostalDirectory::isAvailable() const
{
    return table() != nullptr;
}

QList<PostalEntry> PostalDirectory::lookup(QStringView code) const
{
    const Table *t = table();
    const QString digits = codeDigits(code);
    if (!t || (digits.size() != 7 && digits.size() != 3))
        return {};
    QList<PostalEntry> out;
    if (digits.size() == 7) {
        const auto [lo, hi] = t->codeRange(digits.toUInt());
        for (quint32 i = lo; i < hi; ++i)
            out.append(t->toEntry(*t->entry(i), 7));
        if (!out.isEmpty())
            return out;
    }
    const auto [lo, hi] = t->fallbackRange(digits.left(3).toUInt());
    for (quint32 i = lo; i < hi; ++i)
        out.append(t->toEntry(t->fallback(i), 3));
    return out;
}

QList<PostalEntry> PostalDirectory::codesFor(QStringView address) const
{
    const Table *t = table();
    if (!t)
        return {};
    const Matches m = matchAddress(*t, cappedKey(address));
    QList<PostalEntry> out;
    QStringList ordinaryAddresses;
    for (const Match &match : m.ranked()) {
        const PostalEntry entry = t->toEntry(*t->entry(match.entry), 7);
        // Some towns have several codes told apart by notes on street numbers that the
        // data does not carry; the first (lowest) code stands for the town.
        if (!entry.isOffice()) {
            if (ordinaryAddresses.contains(entry.address()))
                continue;
            ordinaryAddresses.append(entry.address());
        }
        out.append(entry);
        if (out.size() == kMaxResults)
            break;
    }
    return out;
}

CheckOutcome PostalDirectory::check(QStringView code, QStringView address) const
{
    CheckOutcome outcome;
    if (code.trimmed().isEmpty() || address.trimmed().isEmpty() || !isAvailable())
        return outcome;
    const Table &t = *table();
    const QString digits = normalizedCode(code);
    if (digits.isEmpty()) {
        outcome.result = CheckResult::UnknownCode;
        return outcome;
    }
    const auto [lo, hi] = t.codeRange(digits.toUInt());
    if (lo == hi) {
        outcome.result = CheckResult::UnknownCode;
        outcome.entries = lookup(digits);
        return outcome;
    }
    const QString key = cappedKey(address);
    const Matches m = matchAddress(t, key);
    // One entry of the code agrees with the address.
    const auto agrees = [&](quint32 index) {
        if (m.contains(index))
            return true;
        const table::Entry &e = *t.entry(index);
        const QStringView town = t.townKey(e);
        for (const bool withPrefecture : {true, false}) {
            const QStringView city = t.cityKey(e, withPrefecture);
            if (city.isEmpty() || !QStringView(key).startsWith(city))
                continue;
            const QStringView rest = QStringView(key).mid(city.size());
            // A city-wide code, a large office in its town, or a town named further on
            // ("...通三条上る下丸屋町"); a town the address begins with must be the best match.
            if (town.isEmpty())
                return true;
            if (rest.startsWith(town))
                return !t.string(e.street).isEmpty() || !t.string(e.office).isEmpty();
            if (rest.contains(town) || isStreetNamePlace(rest))
                return true;
        }
        // An address that names no known city, beginning with the town itself.
        return m.isEmpty() && !town.isEmpty() && key.startsWith(town);
    };
    bool consistent = false;
    for (quint32 i = lo; i < hi && !consistent; ++i)
        consistent = agrees(i);
    outcome.result = consistent ? CheckResult::Consistent : CheckResult::Mismatch;
    for (quint32 i = lo; i < hi; ++i)
        outcome.entries.append(t.toEntry(*t.entry(i), 7));
    return outcome;
}

} // namespace postal
