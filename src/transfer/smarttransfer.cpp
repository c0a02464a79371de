#include "smarttransfer.h"

#include "classifiers.h"
#include "smartlabels.h"
#include "smartnumbers.h"
#include "smarttext.h"

#include <algorithm>
#include <optional>

namespace transfer {

using namespace smart;

namespace doubt {
QString noName() { return QStringLiteral("おなまえが見つかりません。貼り付けたテキストを確かめてください"); }
QString noZip() { return QStringLiteral("郵便番号が見つかりません。貼り付けたテキストを確かめてください"); }
QString noAddress() { return QStringLiteral("おところが見つかりません。貼り付けたテキストを確かめてください"); }
QString unusualTelephone() { return QStringLiteral("でんわの桁数がふつうと違います。確かめてください"); }
QString zipAddressMismatch() { return QStringLiteral("郵便番号とおところが合っていません。確かめてください"); }
QString unknownZip() { return QStringLiteral("この郵便番号は郵便番号データにありません。確かめてください"); }
} // namespace doubt

DestinationFields SmartTransferResult::destination() const
{
    return {(*this)[SmartField::Zip].value, (*this)[SmartField::Add1].value, (*this)[SmartField::Add2].value,
            (*this)[SmartField::Custo1].value, (*this)[SmartField::Tel].value};
}

namespace {

// Longer lines are no part of an address block (a pasted file, a data dump); they are
// passed over so that any paste is read in linear time.
constexpr qsizetype kLongestLineRead = 1000;
// Pieces longer than this are neither names nor address lines.
constexpr qsizetype kLongestPiece = 120;
// A block longer than this many lines is no order: its rest is not looked at, which
// keeps a paste of a whole file quick.
constexpr qsizetype kMostSegmentsRead = 2000;

// Salutation: a name with an honorific above a letter's first sentence ("見本商店 様\nいつも
// お世話になっております"), the name only when the text names nobody else.
enum class Kind { Region, Address, Building, Name, WeakName, KanaName, Company, Department, Salutation };

struct Segment
{
    QStringView text; // trimmed
    qsizetype offset = 0; // of text in the whole paste
    qsizetype line = 0;
    Block block = Block::None;
    Label label; // read at the segment's start (or given by a spreadsheet header)
    Field pending = Field::None; // given by a label on the line above
    bool blankBefore = false;
    bool cell = false;
};

struct Fragment
{
    QStringView text;
    TextSpan span;
};

struct Piece
{
    Kind kind;
    qsizetype segment;
    qsizetype line;
    bool cell;
    Fragment fragment;
};

struct Number
{
    NumberMatch match;
    TextSpan span;
};

Fragment fragmentOf(const Segment &seg, QStringView part)
{
    const qsizetype inSeg = part.data() - seg.text.data();
    return {part, {seg.line, seg.offset + inSeg, part.size()}};
}

// --- Reading the paste into segments ------------------------------------------------------

struct Line
{
    qsizetype start;
    qsizetype length;
};

bool isBreak(char16_t u)
{
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QList<Line> splitLines(QStringView text)
{
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (!isBreak(u))
            continue;
        lines.append({start, i - start});
        if (u == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append({start, text.size() - start});
    return lines;
}

// Cells of a spreadsheet row: tab-separated, or comma-separated with quotes.
QList<QStringView> rowCells(QStringView line)
{
    const qsizetype tabs = line.count(u'\t');
    const QChar sep = tabs >= 2 ? QChar(u'\t') : QChar(u',');
    if (tabs < 2 && line.count(u',') < 3)
        return {};
    QList<QStringView> cells;
    qsizetype i = 0;
    while (i <= line.size()) {
        qsizetype end = i;
        bool quoted = i < line.size() && line.at(i) == u'"';
        if (quoted) {
            end = line.indexOf(u'"', i + 1);
            if (end < 0) {
                quoted = false;
                end = i;
            }
        }
        const qsizetype cut = line.indexOf(sep, quoted ? end : i);
        const qsizetype stop = cut < 0 ? line.size() : cut;
        cells.append(quoted ? line.sliced(i + 1, end - i - 1) : line.sliced(i, stop - i));
        if (cut < 0)
            break;
        i = cut + 1;
    }
    return cells;
}

class SegmentReader
{
public:
    explicit SegmentReader(QStringView text) : m_text(text) {}

    QList<Segment> read()
    {
        const QList<Line> lines = splitLines(m_text);
        for (qsizetype n = 0; n < lines.size(); ++n)
            readLine(n, lines.at(n));
        return std::move(m_segments);
    }

private:
    void readLine(qsizetype number, const Line &line)
    {
        if (line.length > kLongestLineRead) {
            m_blank = true;
            return;
        }
        const QStringView raw = m_text.sliced(line.start, line.length);
        const QStringView text = trimmed(raw);
        if (text.isEmpty()) {
            m_blank = true;
            // "ご依頼主：山田 太郎" names the sender on one line: a blank line ends the block.
            if (m_inlineBlock)
                startBlock(Block::None);
            return;
        }
        if (isSeparatorLine(text)) {
            // A rule under a heading frames it; a rule after content ends the block.
            if (m_blockHasContent)
                startBlock(Block::None);
            return;
        }
        const QList<QStringView> cells = rowCells(text);
        if (!cells.isEmpty()) {
            readRow(number, text, cells);
            return;
        }
        Segment seg = make(number, text);
        seg.label = readLabel(text);
        if (seg.label.block != Block::None) {
            startBlock(seg.label.block);
            m_inlineBlock = seg.label.block == Block::Sender && seg.label.valueStart < text.size();
        }
        seg.block = m_block;
        if (seg.label.valueStart >= text.size() && seg.label.found()) {
            // A heading, or a label whose value follows on the next line ("住所").
            m_pending = seg.label.block == Block::None ? seg.label.field : Field::None;
            return;
        }
        seg.pending = std::exchange(m_pending, Field::None);
        add(seg);
    }

    void readRow(qsizetype number, QStringView text, const QList<QStringView> &cells)
    {
        qsizetype labels = 0;
        qsizetype filled = 0;
        QList<Label> header;
        for (QStringView cell : cells) {
            const QStringView c = trimmed(cell);
            const Label l = readLabel(c);
            header.append(l);
            filled += c.isEmpty() ? 0 : 1;
            labels += (!c.isEmpty() && l.found() && l.valueStart >= c.size()) ? 1 : 0;
        }
        if (labels >= 2 && labels * 2 >= filled) {
            m_header = header;
            const bool hasDelivery = std::any_of(header.begin(), header.end(),
                                                 [](const Label &l) { return l.block == Block::Delivery; });
            for (Label &l : m_header) {
                if (l.block == Block::Sender || l.block == Block::Other
                    || (l.block == Block::Buyer && hasDelivery))
                    l.field = Field::Ignored;
            }
            return;
        }
        Q_UNUSED(text);
        for (qsizetype k = 0; k < cells.size(); ++k) {
            const QStringView c = trimmed(cells.at(k));
            if (c.isEmpty())
                continue;
            Segment seg = make(number, c);
            seg.cell = true;
            seg.block = m_block;
            seg.label = k < m_header.size() ? Label{Block::None, m_header.at(k).field, 0} : readLabel(c);
            add(seg);
        }
    }

    Segment make(qsizetype number, QStringView text)
    {
        Segment seg;
        seg.text = text;
        seg.offset = text.data() - m_text.data();
        seg.line = number;
        seg.blankBefore = std::exchange(m_blank, false);
        return seg;
    }

    void add(const Segment &seg)
    {
        m_blockHasContent = true;
        m_segments.append(seg);
    }

    void startBlock(Block block)
    {
        m_block = block;
        m_inlineBlock = false;
        m_blockHasContent = false;
        m_pending = Field::None;
    }

    QStringView m_text;
    QList<Segment> m_segments;
    QList<Label> m_header;
    Block m_block = Block::None;
    Field m_pending = Field::None;
    bool m_blank = false;
    bool m_blockHasContent = false;
    bool m_inlineBlock = false; // the block was named on a line with its first value
};

// --- Finding numbers and pieces in the segments of one block kind ------------------------------

bool isFaxBefore(QStringView before)
{
    QString folded;
    for (QChar c : before) {
        char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            u = char16_t(u - 0xFEE0);
        folded.append(QChar(u).toLower());
    }
    const bool fax = containsAny(folded, {u"fax", u"ファックス", u"ファクス"});
    const bool tel = containsAny(folded, {u"tel", u"電話", u"携帯", u"℡"});
    return fax && !tel;
}

struct Findings
{
    QList<Number> zips;
    QList<Number> tels;
    QList<Piece> pieces;

    bool hasAddress() const
    {
        return std::any_of(pieces.begin(), pieces.end(),
                           [](const Piece &p) { return p.kind == Kind::Address || p.kind == Kind::Region; });
    }
    bool hasName() const
    {
        return std::any_of(pieces.begin(), pieces.end(), [](const Piece &p) {
            return p.kind == Kind::Name || p.kind == Kind::WeakName || p.kind == Kind::Company;
        });
    }
};

class Collector
{
public:
    Collector(Block block, const PostalBook *postal) : m_block(block), m_postal(postal) {}

    Findings collect(const QList<Segment> &segments)
    {
        m_segments = &segments;
        qsizetype read = 0;
        for (qsizetype i = 0; i < segments.size(); ++i) {
            const Segment &seg = segments.at(i);
            if (seg.block != m_block)
                continue;
            if (++read > kMostSegmentsRead)
                break;
            // A record is complete at a blank line once it has an address and a name;
            // what follows (a shop's signature, a note) is only read for a telephone.
            const bool complete = seg.blankBefore && m_found.hasAddress() && m_found.hasName();
            if (complete && !m_found.tels.isEmpty())
                break;
            readSegment(seg, i, complete);
            if (complete)
                break;
        }
        return std::move(m_found);
    }

private:
    void readSegment(const Segment &seg, qsizetype index, bool telephoneOnly)
    {
        const Field hint = seg.label.field != Field::None ? seg.label.field : seg.pending;
        if (hint == Field::Ignored)
            return;
        const QStringView value = seg.text.sliced(seg.label.valueStart);
        if (value.size() > kLongestLineRead)
            return;
        // Numbers first: telephones, then postal codes outside them.
        QList<std::pair<qsizetype, qsizetype>> cuts;
        qsizetype from = 0;
        qsizetype lastEnd = 0;
        while (from < value.size()) {
            const NumberMatch m = findTelephone(value, from, hint == Field::Telephone);
            if (!m.found())
                break;
            if (!isFaxBefore(value.sliced(lastEnd, m.start - lastEnd)))
                m_found.tels.append({m, fragmentOf(seg, value.sliced(m.start, m.end - m.start)).span});
            cuts.append({m.start, m.end});
            from = lastEnd = m.end;
        }
        if (telephoneOnly)
            return;
        from = 0;
        while (from < value.size()) {
            const NumberMatch m = findPostalCode(value, from, hint == Field::PostalCode);
            if (!m.found())
                break;
            const bool inTelephone = std::any_of(cuts.begin(), cuts.end(), [&](const auto &c) {
                return m.start < c.second && c.first < m.end;
            });
            if (!inTelephone) {
                m_found.zips.append({m, fragmentOf(seg, value.sliced(m.start, m.end - m.start)).span});
                cuts.append({m.start, m.end});
            }
            from = m.end;
        }
        std::sort(cuts.begin(), cuts.end());
        // What is left of a sentence ("電話は…です。") names nothing.
        if (hint == Field::None && looksLikeSentence(value) && !startsWithPrefecture(value))
            return;
        qsizetype at = 0;
        const auto piece = [&](qsizetype b, qsizetype e) {
            const QStringView part = trimmedPiece(value.sliced(b, e - b));
            if (!part.isEmpty())
                readPiece(seg, index, part, hint);
        };
        for (const auto &cut : cuts) {
            if (cut.first > at)
                piece(at, cut.first);
            at = std::max(at, cut.second);
        }
        if (at < value.size())
            piece(at, value.size());
    }

    void readPiece(const Segment &seg, qsizetype index, QStringView part, Field hint)
    {
        // "〒", "TEL" and "FAX" left beside their numbers, or a second label on the line.
        const Label l = readLabel(part);
        if (l.found() && l.valueStart >= part.size()
            && (l.field == Field::PostalCode || l.field == Field::Telephone || l.field == Field::Ignored))
            return;
        if (hint == Field::None || hint == Field::PostalCode || hint == Field::Telephone) {
            if (l.found()) {
                if (l.field == Field::Ignored || l.field == Field::PostalCode || l.field == Field::Telephone
                    || l.block == Block::Sender || l.block == Block::Other)
                    return;
                hint = l.field;
                part = trimmedPiece(part.sliced(l.valueStart));
                if (part.isEmpty())
                    return;
            } else if (hint != Field::None) {
                hint = Field::None;
            }
        }
        part = withoutTrailingLabel(part);
        if (part.isEmpty() || part.size() > kLongestPiece || looksLikeMailOrUrl(part) || isCountry(part))
            return;
        // A whole record on one line: "…ハイツ202号 松田 剛 様" ends with the name.
        if (hint == Field::None && hasDigit(part)) {
            const qsizetype name = trailingName(part);
            if (name > 0) {
                readPiece(seg, index, trimmedPiece(part.first(name)), hint);
                readPiece(seg, index, trimmedPiece(part.sliced(name)), Field::Name);
                return;
            }
        }
        const std::optional<Kind> kind = classify(part, hint);
        if (!kind)
            return;
        QStringView kept = part;
        if (*kind == Kind::Name || *kind == Kind::WeakName || *kind == Kind::KanaName || *kind == Kind::Company
            || *kind == Kind::Department)
            kept = withoutHonorific(part);
        if (kept.isEmpty())
            return;
        Kind k = *kind;
        if (k == Kind::Name && hint == Field::None && isSalutation(index))
            k = Kind::Salutation;
        m_found.pieces.append({k, index, seg.line, seg.cell, fragmentOf(seg, kept)});
    }

    // "松田 剛 様 TEL" before its number: the label at the end is no part of the name.
    static QStringView withoutTrailingLabel(QStringView s)
    {
        for (QStringView label : {u"TEL", u"Tel", u"tel", u"ＴＥＬ", u"℡", u"電話", u"電話番号", u"携帯", u"〒",
                                  u"FAX", u"Fax", u"ＦＡＸ", u"郵便番号"}) {
            if (s.size() > label.size() && s.endsWith(label) && isSpace(s.at(s.size() - label.size() - 1)))
                return trimmedPiece(s.chopped(label.size()));
        }
        return s;
    }

    // Where a name with an honorific starts after the address on the same line, or -1.
    static qsizetype trailingName(QStringView s)
    {
        bool honorific = false;
        const QStringView bare = withoutHonorific(s, &honorific);
        if (!honorific || s.endsWith(u"御中"))
            return -1;
        qsizetype start = bare.size();
        int words = 0;
        while (start > 0 && words < 3) {
            qsizetype b = start;
            while (b > 0 && isSpace(bare.at(b - 1)))
                --b;
            qsizetype a = b;
            while (a > 0 && !isSpace(bare.at(a - 1)))
                --a;
            const QStringView word = bare.sliced(a, b - a);
            if (a == 0 || hasDigit(word) || hasBuildingWord(word) || (!isNameLike(word) && word.size() > 1))
                break;
            start = a;
            ++words;
        }
        return words > 0 && start > 0 ? start : -1;
    }

    std::optional<Kind> addressKind(QStringView s) const
    {
        if (isRegionOnly(s) || matchesPostalRegion(s))
            return Kind::Region;
        if (startsWithPrefecture(s) || matchesPostalPlace(s))
            return Kind::Address;
        // A building's name before any house number: "高崎タワー21 1505号", "基町住宅12号棟".
        const qsizetype word = firstBuildingWord(s);
        if (word >= 0 && !hasStreetNumber(s.first(word)))
            return Kind::Building;
        if (hasStreetNumber(s) || (hasMunicipality(s) && hasDigit(s)))
            return Kind::Address;
        // "松本市中央" with its house number on the next line.
        const qsizetype city = std::max({s.indexOf(u'市'), s.indexOf(u'区'), s.indexOf(u'郡')});
        if (city >= 1 && city + 1 < s.size() && !s.contains(u' ') && !s.contains(u'\u3000'))
            return Kind::Address;
        if (word >= 0 || hasDigit(s))
            return Kind::Building;
        return std::nullopt;
    }

    std::optional<Kind> classify(QStringView s, Field hint) const
    {
        switch (hint) {
        case Field::Address:
            if (looksLikeSentence(s) && !startsWithPrefecture(s))
                return std::nullopt;
            return addressKind(s).value_or(Kind::Address);
        case Field::Name:
            return isCompany(s) && !s.contains(u' ') && !s.contains(u'\u3000') ? Kind::Company : Kind::Name;
        case Field::Company:
            return Kind::Company;
        case Field::Department:
            return Kind::Department;
        default:
            break;
        }
        bool honorific = false;
        const QStringView bare = withoutHonorific(s, &honorific);
        const bool note = containsAny(bare, {u"電話", u"TEL", u"ＴＥＬ", u"FAX", u"メール"})
                          || (bare.contains(u"受付") && bare != u"受付");
        if (honorific && note)
            return std::nullopt; // "TEL受付 山崎様": a note about a call
        if (honorific && !hasDigit(bare) && !looksLikeSentence(bare) && bare.size() <= kLongestName + 20) {
            if (s.endsWith(u"御中"))
                return m_block == Block::Delivery ? std::optional(Kind::Company) : std::nullopt;
            return Kind::Name;
        }
        if (startsWithPrefecture(s))
            return addressKind(s);
        if (looksLikeSentence(s) || looksLikeDateTimeOrPrice(s))
            return std::nullopt;
        if (const std::optional<Kind> k = addressKind(s)) {
            // Digits alone are an address only as the house number under a street line.
            if (*k != Kind::Building || hasBuildingWord(s) || hasFloorOrRoom(s) || hasStreetNumber(s)
                || isHouseNumber(s))
                return k;
            return std::nullopt;
        }
        if (hasDigit(s) || !isNameLike(s))
            return std::nullopt;
        if (isDepartment(s) && !hasLegalForm(s))
            return Kind::Department;
        if (isCompany(s))
            return Kind::Company;
        if (isAllKana(s))
            return Kind::KanaName;
        return Kind::WeakName;
    }

    bool isSalutation(qsizetype index) const
    {
        if (!m_found.zips.isEmpty() || m_found.hasAddress() || index + 1 >= m_segments->size())
            return false;
        const Segment &next = m_segments->at(index + 1);
        return looksLikeSentence(next.text) && !next.label.found();
    }

    static bool isHouseNumber(QStringView s)
    {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return isDigit(c) || isNumberConnector(c); });
    }

    // With postal data, the places of the code found so far tell a line of the address.
    bool matchesPostalPlace(QStringView s) const
    {
        for (const PostalBook::Place &p : placesSoFar()) {
            if (!p.city.isEmpty() && (s.startsWith(p.city) || s.startsWith(QString(p.prefecture + p.city))))
                return true;
        }
        return false;
    }

    bool matchesPostalRegion(QStringView s) const
    {
        for (const PostalBook::Place &p : placesSoFar()) {
            if (!p.city.isEmpty() && (s == p.city || s == QString(p.prefecture + p.city)))
                return true;
        }
        return false;
    }

    QList<PostalBook::Place> placesSoFar() const
    {
        if (!m_postal || m_found.zips.isEmpty())
            return {};
        if (m_placesFor != m_found.zips.first().match.value) {
            m_placesFor = m_found.zips.first().match.value;
            m_places = m_postal->placesOf(QString(m_placesFor).remove(u'-'));
        }
        return m_places;
    }

    Block m_block;
    const PostalBook *m_postal;
    const QList<Segment> *m_segments = nullptr;
    Findings m_found;
    mutable QString m_placesFor;
    mutable QList<PostalBook::Place> m_places;
};

// --- Putting the fields together ----------------------------------------------------------------

// A blank to join parts with: the kind the text itself uses.
QChar joiningBlank(const QList<Fragment> &parts)
{
    bool ascii = false;
    for (const Fragment &f : parts) {
        if (f.text.contains(u'\u3000'))
            return u'\u3000';
        ascii = ascii || f.text.contains(u' ');
    }
    return ascii ? QChar(u' ') : QChar(u'\u3000');
}

void setJoined(SmartFieldResult &field, const QList<Fragment> &parts, bool withBlank)
{
    const QChar blank = joiningBlank(parts);
    for (const Fragment &f : parts) {
        if (f.text.isEmpty())
            continue;
        if (withBlank && !field.value.isEmpty())
            field.value.append(blank);
        field.value.append(f.text);
        field.sources.append(f.span);
    }
}

Fragment sliceFragment(const Fragment &f, qsizetype from, qsizetype to)
{
    Fragment r = f;
    const QStringView raw = f.text.sliced(from, to - from);
    const QStringView t = trimmed(raw);
    r.text = t;
    r.span.start = f.span.start + (t.data() - f.text.data());
    r.span.length = t.size();
    return r;
}

// Where a street line gives way to its building: after the house number, at a blank
// or before a building word. Returns the end of the street part, or -1.
std::pair<qsizetype, qsizetype> buildingSplit(QStringView s)
{
    for (qsizetype b = 1; b < s.size(); ++b) {
        if (!isSpace(s.at(b)) || isSpace(s.at(b - 1)))
            continue;
        qsizetype e = b;
        while (e < s.size() && isSpace(s.at(e)))
            ++e;
        if (e >= s.size())
            break;
        const QStringView before = s.first(b);
        const QStringView after = s.sliced(e);
        const bool numberEnds = isDigit(before.back()) || endsWithAny(before, {u"丁目", u"番地", u"番", u"号"})
                                || (isDigit(before.at(before.size() - 2 >= 0 ? before.size() - 2 : 0))
                                    && QStringView(u"FＦ").contains(before.back()));
        if (hasStreetNumber(before) && numberEnds && (!isDigit(after.front()) || hasBuildingWord(after)))
            return {b, e};
    }
    // No blank: the last house number before the first building word.
    const qsizetype word = firstBuildingWord(s);
    if (word <= 0)
        return {-1, -1};
    qsizetype runEnd = -1;
    for (qsizetype i = 0; i < word; ++i) {
        if (isDigit(s.at(i))) {
            qsizetype j = i;
            while (j < word && (isDigit(s.at(j)) || isNumberConnector(s.at(j))))
                ++j;
            runEnd = j;
            i = j;
        }
    }
    if (runEnd <= 0 || runEnd >= word + 6 || !hasStreetNumber(s.first(runEnd)))
        return {-1, -1};
    // The building's own name starts where the last number ends ("1-2-3見本ハイツ").
    for (qsizetype i = runEnd; i < word; ++i)
        if (isDigit(s.at(i)))
            return {-1, -1};
    return {runEnd, runEnd};
}

struct AddressGroup
{
    QList<Piece> parts;
};

QList<AddressGroup> addressGroups(const Findings &found)
{
    QList<AddressGroup> groups;
    const QList<Piece> &pieces = found.pieces;
    // nameAfter[j]: a name comes after piece j.
    QList<bool> nameAfter(pieces.size(), false);
    bool seen = false;
    for (qsizetype j = pieces.size() - 1; j >= 0; --j) {
        nameAfter[j] = seen;
        seen = seen || pieces.at(j).kind == Kind::Name || pieces.at(j).kind == Kind::WeakName;
    }
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const Piece &p = pieces.at(i);
        if (p.kind != Kind::Address && p.kind != Kind::Region)
            continue;
        AddressGroup g;
        g.parts.append(p);
        qsizetype j = i + 1;
        for (; j < pieces.size(); ++j) {
            const Piece &q = pieces.at(j);
            const Piece &last = g.parts.back();
            const bool adjacent = q.cell ? q.line == last.line && q.segment <= last.segment + 1
                                         : q.segment <= last.segment + 1 && !last.cell;
            if (!adjacent)
                break;
            const bool hasStreet = std::any_of(g.parts.begin(), g.parts.end(),
                                               [](const Piece &r) { return r.kind == Kind::Address; });
            // Prefecture and city lines come before the street line, the building after it;
            // a second street is another address.
            const bool another = hasStreet
                                 && (q.kind == Kind::Region
                                     || (q.kind == Kind::Address && !isDigit(q.fragment.text.front())));
            if (another)
                break;
            if (q.kind == Kind::Address || q.kind == Kind::Region || q.kind == Kind::Building) {
                g.parts.append(q);
                continue;
            }
            // A line under the street without a mark of its own ("パークサイド") is the
            // building when the name comes after it.
            if (q.kind == Kind::WeakName && nameAfter[j] && g.parts.size() == 1 && !q.cell) {
                g.parts.append(q);
                g.parts.back().kind = Kind::Building;
                continue;
            }
            break;
        }
        groups.append(g);
        i = j - 1;
    }
    return groups;
}

void fillAddress(SmartTransferResult &result, const AddressGroup &group)
{
    QList<Fragment> first;
    QList<Fragment> second;
    qsizetype k = 0;
    const QList<Piece> &parts = group.parts;
    // Prefecture and city lines run straight into the street line below them.
    while (k + 1 < parts.size() && parts.at(k).kind == Kind::Region && parts.at(k + 1).kind != Kind::Building)
        first.append(parts.at(k++).fragment);
    Fragment street = parts.at(k++).fragment;
    // A house number on a line of its own belongs to the street line.
    std::optional<Fragment> number;
    if (k < parts.size() && !hasDigit(street.text.right(1))
        && std::all_of(parts.at(k).fragment.text.begin(), parts.at(k).fragment.text.end(),
                       [](QChar c) { return isDigit(c) || isNumberConnector(c); })) {
        number = parts.at(k++).fragment;
    }
    const auto [cut, rest] = number ? std::pair<qsizetype, qsizetype>{-1, -1} : buildingSplit(street.text);
    if (cut > 0) {
        first.append(sliceFragment(street, 0, cut));
        second.append(sliceFragment(street, rest, street.text.size()));
    } else {
        first.append(street);
        if (number)
            first.append(*number);
    }
    for (; k < parts.size(); ++k)
        second.append(parts.at(k).fragment);
    setJoined(result[SmartField::Add1], first, false);
    setJoined(result[SmartField::Add2], second, true);
}

void fillName(SmartTransferResult &result, const Findings &found, const AddressGroup *address)
{
    const auto firstOf = [&](Kind kind) -> const Piece * {
        for (const Piece &p : found.pieces)
            if (p.kind == kind)
                return &p;
        return nullptr;
    };
    const Piece *person = firstOf(Kind::Name);
    if (!person) {
        // Without an honorific or a label: the candidate nearest to the address.
        const qsizetype near = address ? address->parts.first().segment : 0;
        for (const Piece &p : found.pieces) {
            if (p.kind != Kind::WeakName)
                continue;
            const bool inAddress = address && std::any_of(address->parts.begin(), address->parts.end(), [&](const Piece &a) {
                return a.fragment.span == p.fragment.span;
            });
            if (inAddress)
                continue;
            if (!person || std::abs(p.segment - near) < std::abs(person->segment - near))
                person = &p;
        }
    }
    if (!person && !firstOf(Kind::Company))
        person = firstOf(Kind::KanaName);
    if (!person && !firstOf(Kind::Company))
        person = firstOf(Kind::Salutation);
    const Piece *company = firstOf(Kind::Company);
    const Piece *department = firstOf(Kind::Department);
    if (company && !department) {
        // A second line addressed as a company ("受付 御中") names its section.
        for (const Piece &p : found.pieces)
            if (p.kind == Kind::Company && &p != company && p.segment == company->segment + 1)
                department = &p;
    }
    if (company && person && person->fragment.text.contains(company->fragment.text))
        company = nullptr;
    QList<Fragment> parts;
    for (const Piece *p : {company, department, person})
        if (p)
            parts.append(p->fragment);
    const auto length = [&] {
        qsizetype n = parts.size() - 1;
        for (const Fragment &f : parts)
            n += f.text.size();
        return n;
    };
    // Too long for the field: the department goes first, then the company.
    if (parts.size() > 1 && length() > kNameMaxLength && department)
        parts.removeAt(company ? 1 : 0);
    if (parts.size() > 1 && length() > kNameMaxLength && company)
        parts.removeFirst();
    if (!parts.isEmpty() && length() > kNameMaxLength)
        parts.first() = sliceFragment(parts.first(), 0, kNameMaxLength);
    setJoined(result[SmartField::Custo1], parts, true);
}

SmartTransferResult assemble(const Findings &found, const PostalBook *postal)
{
    SmartTransferResult result;
    if (!found.zips.isEmpty()) {
        result[SmartField::Zip].value = found.zips.first().match.value;
        result[SmartField::Zip].sources = {found.zips.first().span};
    }
    if (!found.tels.isEmpty()) {
        // Free dial and navi dial numbers are a business's, not the recipient's.
        const auto isBusiness = [](const Number &n) {
            return n.match.value.startsWith(u"0120") || n.match.value.startsWith(u"0570")
                   || n.match.value.startsWith(u"0800");
        };
        const auto own = std::find_if_not(found.tels.begin(), found.tels.end(), isBusiness);
        const Number &chosen = own != found.tels.end() ? *own : found.tels.first();
        SmartFieldResult &tel = result[SmartField::Tel];
        tel.value = chosen.match.value;
        tel.sources = {chosen.span};
        if (chosen.match.unusual)
            tel.doubt = doubt::unusualTelephone();
    }
    const QList<AddressGroup> groups = addressGroups(found);
    const AddressGroup *chosen = groups.isEmpty() ? nullptr : &groups.first();
    const QString code = QString(result[SmartField::Zip].value).remove(u'-');
    if (postal && !code.isEmpty() && groups.size() > 1) {
        // The address that lies where the postal code says.
        for (const AddressGroup &g : groups) {
            QString text;
            for (const Piece &p : g.parts)
                text += p.fragment.text;
            if (postal->check(code, text) == PostalBook::Verdict::Consistent) {
                chosen = &g;
                break;
            }
        }
    }
    if (chosen)
        fillAddress(result, *chosen);
    fillName(result, found, chosen);
    return result;
}

void judge(SmartTransferResult &result, const PostalBook *postal)
{
    SmartFieldResult &zip = result[SmartField::Zip];
    SmartFieldResult &add1 = result[SmartField::Add1];
    if (result[SmartField::Custo1].value.isEmpty())
        result[SmartField::Custo1].doubt = doubt::noName();
    if (zip.value.isEmpty())
        zip.doubt = doubt::noZip();
    if (add1.value.isEmpty())
        add1.doubt = doubt::noAddress();
    if (!postal || zip.value.isEmpty() || add1.value.isEmpty())
        return;
    const QString code = QString(zip.value).remove(u'-');
    switch (postal->check(code, add1.value + result[SmartField::Add2].value)) {
    case PostalBook::Verdict::Mismatch:
        zip.doubt = add1.doubt = doubt::zipAddressMismatch();
        break;
    case PostalBook::Verdict::UnknownCode:
        zip.doubt = doubt::unknownZip();
        break;
    default:
        break;
    }
}

bool anything(const Findings &f)
{
    return !f.zips.isEmpty() || !f.tels.isEmpty() || f.hasAddress();
}

} // namespace

SmartTransferResult SmartTransfer(QStringView text, const PostalBook *postal)
{
    const QList<Segment> segments = SegmentReader(text).read();
    // The delivery block when the text has one, else the buyer's, else the text
    // outside any block; a sender's block and shop information never.
    Findings found;
    for (Block block : {Block::Delivery, Block::Buyer, Block::None}) {
        found = Collector(block, postal).collect(segments);
        if (anything(found))
            break;
    }
    SmartTransferResult result = assemble(found, postal);
    result.foundText = std::any_of(result.fields.begin(), result.fields.end(),
                                   [](const SmartFieldResult &f) { return !f.value.isEmpty(); });
    if (result.foundText)
        judge(result, postal);
    return result;
}

} // namespace transfer
