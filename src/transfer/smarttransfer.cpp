#include "transfer/smarttransfer.h"

#include "transfer/classifiers.h"
#include "transfer/smartaddress.h"
#include "transfer/smartlabels.h"
#include "transfer/smartnames.h"
#include "transfer/smartnumbers.h"
#include "transfer/smartsentences.h"
#include "transfer/smarttext.h"

#include "platform/textnormalize.h"

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
QString regionFromZip() { return QStringLiteral("都道府県・市区町村を郵便番号から補いました。確かめてください"); }
QString addedLeadingZero() { return QStringLiteral("表計算ソフトで消えた先頭の 0 を補いました。確かめてください"); }
QString twoDestinations() { return QStringLiteral("お届け先が 2 つあります。最初のお届け先を使いました。確かめてください"); }
QString changedDestination()
{
    return QStringLiteral("お届け先の変更があります。変更後のお届け先を使いました。確かめてください");
}
QString unusedText(const QString &text) { return QStringLiteral("「%1」を使っていません。確かめてください").arg(text); }
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

bool isNameKind(Kind k)
{
    return k == Kind::Name || k == Kind::WeakName || k == Kind::Company || k == Kind::Department;
}

struct Segment
{
    QStringView text; // trimmed
    qsizetype offset = 0; // of text in the whole paste
    qsizetype line = 0;
    Block block = Block::None;
    qsizetype serial = 0; // counts the blocks: two delivery blocks have two numbers
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
    bool zeroAdded = false; // a spreadsheet had dropped the leading 0
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
            // "ご依頼主：山田 太郎" names the sender on one line, a change is written as one
            // paragraph: a blank line ends the block.
            if (m_inlineBlock || (m_block == Block::Change && m_blockHasContent))
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
        seg.label = announcesChange(text) ? changeLabel(text) : readLabel(text);
        if (seg.label.block != Block::None) {
            startBlock(seg.label.block, seg.label.valueStart >= text.size());
            m_inlineBlock = seg.label.block == Block::Sender && seg.label.valueStart < text.size();
        }
        seg.block = m_block;
        seg.serial = m_serial;
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
            seg.serial = m_serial;
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

    // "お届け先を下記に変更してください。〒166-0004 …": the change holds what follows
    // its sentence, or a label's value ("新住所 〒…"), or starts on the next line.
    static Label changeLabel(QStringView text)
    {
        const Label label = readLabel(text);
        if (label.field != Field::None && label.field != Field::Ignored && label.block == Block::None)
            return {Block::Change, label.field, label.valueStart};
        qsizetype end = text.size();
        while (end > 0 && !QStringView(u"。！!？?：:").contains(text.at(end - 1)))
            --end;
        return {Block::Change, Field::None, end > 0 ? end : text.size()};
    }

    // A heading of the block the text is in already starts another block of that
    // kind once the first has content ("【お届け先】" twice).
    void startBlock(Block block, bool heading = true)
    {
        if (block != m_block || (heading && m_blockHasContent))
            ++m_serial;
        m_block = block;
        m_inlineBlock = false;
        m_blockHasContent = false;
        m_pending = Field::None;
    }

    QStringView m_text;
    QList<Segment> m_segments;
    QList<Label> m_header;
    Block m_block = Block::None;
    qsizetype m_serial = 0;
    Field m_pending = Field::None;
    bool m_blank = false;
    bool m_blockHasContent = false;
    bool m_inlineBlock = false; // the block was named on a line with its first value
};

// --- Finding numbers and pieces in the segments of one block kind ------------------------------

bool isFaxBefore(QStringView before)
{
    QString folded;
    for (QChar c : before)
        folded.append(platform::toHalfWidth(c).toLower());
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
    // serial >= 0: only that block of the kind, else every block of the kind.
    Collector(Block block, const PostalBook *postal, qsizetype serial = -1)
        : m_block(block), m_serial(serial), m_postal(postal)
    {
    }

    // from: the first segment of the block when serial >= 0.
    Findings collect(const QList<Segment> &segments, qsizetype from = 0)
    {
        m_segments = &segments;
        qsizetype read = 0;
        for (qsizetype i = from; i < segments.size(); ++i) {
            const Segment &seg = segments.at(i);
            if (m_serial >= 0 && seg.serial > m_serial)
                break;
            if (seg.block != m_block || (m_serial >= 0 && seg.serial != m_serial))
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
        if (seg.cell && readLostZero(seg, value, hint))
            return;
        // A customer's sentences: each is read on its own, with its label ("宛名は…")
        // and without its polite ending ("…までお願いします").
        const bool numberHint = hint == Field::PostalCode || hint == Field::Telephone;
        const bool sentence = (hint == Field::None || numberHint) && looksLikeSentence(value)
                              && !startsWithPrefecture(value);
        if (sentence && !seg.cell) {
            for (QStringView clause : clauses(value))
                readClause(seg, index, clause, telephoneOnly);
            return;
        }
        readValue(seg, index, value, hint, telephoneOnly, value.size(), sentence && hint == Field::None);
    }

    void readClause(const Segment &seg, qsizetype index, QStringView clause, bool telephoneOnly)
    {
        const Label label = readSentenceLabel(clause);
        const QStringView value = clause.sliced(label.valueStart);
        const QStringView kept = withoutPoliteTail(value);
        const qsizetype keptEnd = kept.isEmpty() ? 0 : kept.data() - value.data() + kept.size();
        // Without a label a sentence gives an address ("〒… までお願いします") or an
        // addressee ("小松 里奈 宛で…"); "上野です" is only the writer introducing herself.
        const bool addressed = trimmed(value.sliced(keptEnd)).startsWith(u'宛');
        const bool addressLike = startsWithPrefecture(kept) || hasStreetNumber(kept)
                                 || findPostalCode(clause, 0, false).found();
        const bool read = label.found() || ((addressed || addressLike) && !looksLikeSentence(kept));
        readValue(seg, index, value, label.field, telephoneOnly, read ? keptEnd : 0, !read);
    }

    // A spreadsheet cell of digits that lost its leading 0: "864210537" under 電話番号,
    // "100001" under 郵便番号, a mobile number "9012345678".
    bool readLostZero(const Segment &seg, QStringView value, Field hint)
    {
        const bool digitsOnly = !value.isEmpty()
                                && std::all_of(value.begin(), value.end(), [](QChar c) { return isDigit(c); });
        if (!digitsOnly || digitValue(value.front()) == 0)
            return false;
        QString digits(1, u'0');
        for (QChar c : value)
            digits.append(QChar(u'0' + digitValue(c)));
        const bool mobile = digits.size() == 11 && digits.at(2) == u'0';
        Number n;
        n.span = fragmentOf(seg, value).span;
        n.zeroAdded = true;
        n.match.start = 0;
        n.match.end = value.size();
        if (hint == Field::PostalCode && digits.size() == 7) {
            n.match.value = digits.first(3) + u'-' + digits.sliced(3);
            m_found.zips.append(n);
            return true;
        }
        const bool telephone = (hint == Field::Telephone && (digits.size() == 10 || mobile))
                               || (hint == Field::None && (digits.size() == 10 || mobile));
        if (!telephone)
            return false;
        n.match.value = groupTelephoneDigits(digits);
        m_found.tels.append(n);
        return true;
    }

    // Reads numbers in the whole value and, unless it is a sentence, pieces in its
    // first pieceEnd characters.
    void readValue(const Segment &seg, qsizetype index, QStringView value, Field hint, bool telephoneOnly,
                   qsizetype pieceEnd, bool sentence)
    {
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
        if (sentence)
            return;
        qsizetype at = 0;
        const auto piece = [&](qsizetype b, qsizetype e) {
            e = std::min(e, pieceEnd);
            if (e <= b)
                return;
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
        if (part.isEmpty() || part.size() > kLongestPiece || looksLikeMailOrUrl(part) || isCountry(part)
            || isBracketedNote(part))
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
        if (hint == Field::None || hint == Field::Address) {
            if (const std::optional<WesternRegion> region = westernRegion(part)) {
                add(Kind::Region, seg, index, region->prefecture);
                add(Kind::Region, seg, index, region->city);
                return;
            }
        }
        const std::optional<Kind> kind = classify(part, hint);
        if (!kind)
            return;
        if (*kind == Kind::KanaName) {
            add(*kind, seg, index, withoutHonorific(part));
            return;
        }
        if (!isNameKind(*kind)) {
            add(*kind, seg, index, part);
            return;
        }
        const NameParts name = splitName(withoutHonorific(part));
        if (!name.company.isEmpty())
            add(Kind::Company, seg, index, name.company);
        Kind k = *kind;
        if (!name.company.isEmpty() && k == Kind::Company)
            k = Kind::Name;
        if (k == Kind::Name && hint == Field::None && isSalutation(index))
            k = Kind::Salutation;
        add(k, seg, index, name.person);
    }

    void add(Kind kind, const Segment &seg, qsizetype index, QStringView text)
    {
        if (!text.isEmpty())
            m_found.pieces.append({kind, index, seg.line, seg.cell, fragmentOf(seg, text)});
    }

    // "（日中）" after a telephone: a note in brackets names nothing.
    static bool isBracketedNote(QStringView s)
    {
        if (s.size() < 2 || !QStringView(u"(（").contains(s.front()) || !QStringView(u")）").contains(s.back()))
            return false;
        const QStringView inside = s.sliced(1, s.size() - 2);
        return std::none_of(inside.begin(), inside.end(), [](QChar c) { return QStringView(u"()（）").contains(c); });
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
            // Digits alone are an address only as the house number under a street line;
            // a name and a room number ("サンライズ三条203") are a building.
            if (*k != Kind::Building || hasBuildingWord(s) || hasFloorOrRoom(s) || hasStreetNumber(s)
                || isHouseNumber(s) || isRoomLine(s))
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
    qsizetype m_serial;
    const PostalBook *m_postal;
    const QList<Segment> *m_segments = nullptr;
    Findings m_found;
    mutable QString m_placesFor;
    mutable QList<PostalBook::Place> m_places;
};

// --- Putting the fields together ----------------------------------------------------------------

// A blank to join parts with: the kind the text itself uses, in the parts, beside
// them for parts of one line ("株式会社ミモザ企画 ご担当 中川"), or elsewhere.
QChar joiningBlank(const QList<Fragment> &parts, QStringView text)
{
    bool ascii = false;
    for (const Fragment &f : parts) {
        if (f.text.contains(u'\u3000'))
            return u'\u3000';
        ascii = ascii || f.text.contains(u' ');
    }
    if (ascii)
        return u' ';
    for (const Fragment &f : parts) {
        const qsizetype after = f.span.start + f.span.length;
        if (after < text.size() && text.at(after) == u' ')
            return u' ';
    }
    // Else the blank of the rest of the text, when it uses only one kind.
    return text.contains(u' ') && !text.contains(u'\u3000') ? QChar(u' ') : QChar(u'\u3000');
}

void setJoined(SmartFieldResult &field, const QList<Fragment> &parts, bool withBlank, QStringView text)
{
    const QChar blank = joiningBlank(parts, text);
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

struct AddressGroup
{
    QList<Piece> parts;
};

bool isHouseNumberPiece(const Piece &p)
{
    const QStringView t = p.fragment.text;
    return std::all_of(t.begin(), t.end(), [](QChar c) { return isDigit(c) || isNumberConnector(c); });
}

// The street line already names its prefecture or city ("岩手県盛岡市大通…", "盛岡市大通…").
bool streetNamesRegion(const Piece &street)
{
    const QStringView t = street.fragment.text;
    return startsWithPrefecture(t)
           || std::any_of(t.begin(), std::find_if(t.begin(), t.end(), [](QChar c) { return isDigit(c); }),
                          [](QChar c) { return QStringView(u"市区郡").contains(c); });
}

// Which pieces are names: nameBefore[j] / nameAfter[j] tell whether a name comes
// before / after piece j.
struct NamesAround
{
    QList<bool> before;
    QList<bool> after;
};

NamesAround namesAround(const QList<Piece> &pieces)
{
    NamesAround n{QList<bool>(pieces.size(), false), QList<bool>(pieces.size(), false)};
    const auto isName = [](const Piece &p) { return p.kind == Kind::Name || p.kind == Kind::WeakName; };
    bool seen = false;
    for (qsizetype j = 0; j < pieces.size(); ++j) {
        n.before[j] = seen;
        seen = seen || isName(pieces.at(j));
    }
    seen = false;
    for (qsizetype j = pieces.size() - 1; j >= 0; --j) {
        n.after[j] = seen;
        seen = seen || isName(pieces.at(j));
    }
    return n;
}

class GroupBuilder
{
public:
    GroupBuilder(const QList<Piece> &pieces) : m_pieces(pieces), m_names(namesAround(pieces)) {}

    // The address that starts at piece i; returns the index after its last piece.
    qsizetype build(qsizetype i, AddressGroup &g)
    {
        g.parts.append(m_pieces.at(i));
        qsizetype j = i + 1;
        for (; j < m_pieces.size(); ++j) {
            if (!adjacent(m_pieces.at(j), g.parts.back()) || !take(j, g))
                break;
        }
        return j;
    }

private:
    static bool adjacent(const Piece &q, const Piece &last)
    {
        return q.cell ? q.line == last.line && q.segment <= last.segment + 1
                      : q.segment <= last.segment + 1 && !last.cell;
    }

    // Whether piece j continues the address g, and how.
    bool take(qsizetype j, AddressGroup &g) const
    {
        const Piece &q = m_pieces.at(j);
        const auto street = std::find_if(g.parts.begin(), g.parts.end(),
                                         [](const Piece &r) { return r.kind == Kind::Address; });
        const bool hasStreet = street != g.parts.end();
        switch (q.kind) {
        case Kind::Region: {
            // Prefecture and city come before the street, or after it in Western order
            // ("本町4-38-12 / ルミエール船橋506 / 船橋市, 千葉県"); else another address.
            const bool regionBefore = g.parts.front().kind == Kind::Region;
            if (hasStreet && (regionBefore || streetNamesRegion(*street)))
                return false;
            g.parts.append(q);
            return true;
        }
        case Kind::Address:
            if (!hasStreet || isHouseNumberPiece(q)) {
                g.parts.append(q);
                return true;
            }
            // Under the street, a line without a prefecture, city or house number of its
            // own is the building ("エスポワール一番町 502").
            if (beginsAnotherAddress(q.fragment.text))
                return false;
            g.parts.append(q);
            g.parts.back().kind = Kind::Building;
            return true;
        case Kind::Building:
            g.parts.append(q);
            return true;
        case Kind::WeakName:
            if (hasStreet && g.parts.back().kind == Kind::Address && !q.cell && looksLikeBuildingName(j)) {
                g.parts.append(q);
                g.parts.back().kind = Kind::Building;
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    // A line under the street without a mark of its own ("パークサイド", "アルテミス
    // 千代田") is the building when the name is elsewhere or its room follows.
    bool looksLikeBuildingName(qsizetype j) const
    {
        const bool roomFollows = j + 1 < m_pieces.size() && m_pieces.at(j + 1).kind == Kind::Building
                                 && m_pieces.at(j + 1).segment == m_pieces.at(j).segment + 1;
        const QStringView t = m_pieces.at(j).fragment.text;
        const bool katakana = std::any_of(t.begin(), t.end(), [](QChar c) { return isKatakana(c); });
        const bool blank = std::any_of(t.begin(), t.end(), [](QChar c) { return isSpace(c); });
        return m_names.after[j] || roomFollows || (m_names.before[j] && katakana && !blank);
    }

    const QList<Piece> &m_pieces;
    NamesAround m_names;
};

QList<AddressGroup> addressGroups(const Findings &found)
{
    QList<AddressGroup> groups;
    GroupBuilder builder(found.pieces);
    for (qsizetype i = 0; i < found.pieces.size();) {
        const Kind k = found.pieces.at(i).kind;
        if (k != Kind::Address && k != Kind::Region) {
            ++i;
            continue;
        }
        AddressGroup g;
        i = builder.build(i, g);
        groups.append(g);
    }
    return groups;
}

void fillAddress(SmartTransferResult &result, const AddressGroup &group, QStringView text)
{
    // Prefecture first, then city, then the street: the order of a Japanese address
    // whatever order the text used.
    QList<Fragment> regions;
    QList<Piece> others;
    std::optional<Fragment> street;
    for (const Piece &p : group.parts) {
        if (p.kind == Kind::Region && !street && others.isEmpty())
            regions.append(p.fragment);
        else if (p.kind == Kind::Region)
            regions.insert(isPrefectureOnly(p.fragment.text) ? 0 : regions.size(), p.fragment);
        else if (p.kind == Kind::Address && !street)
            street = p.fragment;
        else
            others.append(p);
    }
    if (!street && !regions.isEmpty())
        street = regions.takeLast();
    QList<Fragment> first = regions;
    QList<Fragment> second;
    // A house number on a line of its own belongs to the street line.
    std::optional<Fragment> number;
    if (street && !others.isEmpty() && !hasDigit(street->text.right(1)) && isHouseNumberPiece(others.first()))
        number = others.takeFirst().fragment;
    const auto [cut, rest] = number || !street ? std::pair<qsizetype, qsizetype>{-1, -1} : buildingSplit(street->text);
    if (cut > 0) {
        first.append(sliceFragment(*street, 0, cut));
        second.append(sliceFragment(*street, rest, street->text.size()));
    } else if (street) {
        first.append(*street);
        if (number)
            first.append(*number);
    }
    for (const Piece &p : others)
        second.append(p.fragment);
    setJoined(result[SmartField::Add1], first, false, text);
    setJoined(result[SmartField::Add2], second, true, text);
}

void fillName(SmartTransferResult &result, const Findings &found, const AddressGroup *address, QStringView text)
{
    const auto firstOf = [&](Kind kind) -> const Piece * {
        for (const Piece &p : found.pieces)
            if (p.kind == kind)
                return &p;
        return nullptr;
    };
    const auto inAddress = [&](const Piece &p) {
        return address && std::any_of(address->parts.begin(), address->parts.end(), [&](const Piece &a) {
            return a.fragment.span == p.fragment.span;
        });
    };
    const Piece *person = firstOf(Kind::Name);
    if (!person) {
        // Without an honorific or a label: the candidate nearest to the address.
        const qsizetype near = address ? address->parts.first().segment : 0;
        for (const Piece &p : found.pieces) {
            if (p.kind != Kind::WeakName || inAddress(p))
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
    // "株式会社フルーツライン 望月 洋平" holds the person already.
    if (company && person && company->fragment.text.contains(person->fragment.text))
        person = nullptr;
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
    setJoined(result[SmartField::Custo1], parts, true, text);
}

QString addressText(const AddressGroup &g)
{
    QString text;
    for (const Piece &p : g.parts)
        text += p.fragment.text;
    return text;
}

bool isBusinessNumber(const Number &n)
{
    // Free dial and navi dial numbers are a business's, not the recipient's.
    return n.match.value.startsWith(u"0120") || n.match.value.startsWith(u"0570") || n.match.value.startsWith(u"0800");
}

void fillNumbers(SmartTransferResult &result, const Findings &found)
{
    if (!found.zips.isEmpty()) {
        const Number &zip = found.zips.first();
        result[SmartField::Zip].value = zip.match.value;
        result[SmartField::Zip].sources = {zip.span};
        if (zip.zeroAdded)
            result[SmartField::Zip].doubt = doubt::addedLeadingZero();
    }
    if (found.tels.isEmpty())
        return;
    const auto own = std::find_if_not(found.tels.begin(), found.tels.end(), isBusinessNumber);
    const Number &chosen = own != found.tels.end() ? *own : found.tels.first();
    SmartFieldResult &tel = result[SmartField::Tel];
    tel.value = chosen.match.value;
    tel.sources = {chosen.span};
    if (chosen.zeroAdded)
        tel.doubt = doubt::addedLeadingZero();
    else if (chosen.match.unusual)
        tel.doubt = doubt::unusualTelephone();
}

SmartTransferResult assemble(const Findings &found, const PostalBook *postal, QStringView text)
{
    SmartTransferResult result;
    fillNumbers(result, found);
    const QList<AddressGroup> groups = addressGroups(found);
    const AddressGroup *chosen = groups.isEmpty() ? nullptr : &groups.first();
    const QString code = QString(result[SmartField::Zip].value).remove(u'-');
    if (postal && !code.isEmpty() && groups.size() > 1) {
        // The address that lies where the postal code says.
        for (const AddressGroup &g : groups) {
            if (postal->check(code, addressText(g)) == PostalBook::Verdict::Consistent) {
                chosen = &g;
                break;
            }
        }
    }
    if (chosen)
        fillAddress(result, *chosen, text);
    fillName(result, found, chosen, text);
    return result;
}

// When the address lacks the prefecture (and city) that the postal code stands for,
// they are put in front, as the person would, and the code is marked as their source.
void fillRegion(SmartTransferResult &result, const PostalBook *postal)
{
    SmartFieldResult &zip = result[SmartField::Zip];
    SmartFieldResult &add1 = result[SmartField::Add1];
    if (!postal || zip.value.isEmpty() || add1.value.isEmpty() || startsWithPrefecture(add1.value))
        return;
    QString prefix;
    for (const PostalBook::Place &p : postal->placesOf(QString(zip.value).remove(u'-'))) {
        QString candidate;
        if (!p.city.isEmpty() && add1.value.startsWith(p.city))
            candidate = p.prefecture;
        else if (!p.town.isEmpty() && add1.value.startsWith(p.town))
            candidate = p.prefecture + p.city;
        else
            continue;
        if (!prefix.isEmpty() && prefix != candidate)
            return; // the code's places disagree: the person has to choose
        prefix = candidate;
    }
    if (prefix.isEmpty())
        return;
    add1.value.prepend(prefix);
    add1.sources.prepend(zip.sources.first());
    add1.doubt = doubt::regionFromZip();
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

// --- Choosing the destination -------------------------------------------------------------

// Where the destination was read: one or two blocks of the text (a change takes the
// name and telephone from the block it changes when it gives none), and why the
// destination itself is in doubt.
struct Destination
{
    Findings found;
    QList<std::pair<Block, qsizetype>> blocks; // kind and serial; serial -1: every block of the kind
    QString doubt;
};

// The blocks of a kind: serial and first segment, in text order.
QList<std::pair<qsizetype, qsizetype>> blocksOf(const QList<Segment> &segments, Block block)
{
    QList<std::pair<qsizetype, qsizetype>> blocks;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const Segment &s = segments.at(i);
        if (s.block == block && (blocks.isEmpty() || blocks.back().first != s.serial))
            blocks.append({s.serial, i});
    }
    return blocks;
}

// The blocks of a kind that hold an address, each read on its own, in text order;
// at most `most` of them, from the start or (most < 0) from the end of the text.
QList<std::pair<qsizetype, Findings>> addressBlocks(const QList<Segment> &segments, Block block,
                                                    const PostalBook *postal, qsizetype most)
{
    QList<std::pair<qsizetype, qsizetype>> blocks = blocksOf(segments, block);
    if (most < 0)
        std::reverse(blocks.begin(), blocks.end());
    QList<std::pair<qsizetype, Findings>> out;
    for (const auto &[serial, from] : blocks) {
        Findings f = Collector(block, postal, serial).collect(segments, from);
        if (f.hasAddress())
            out.append({serial, std::move(f)});
        if (out.size() == std::abs(most))
            break;
    }
    if (most < 0)
        std::reverse(out.begin(), out.end());
    return out;
}

QString firstAddressText(const Findings &f)
{
    const QList<AddressGroup> groups = addressGroups(f);
    return groups.isEmpty() ? QString() : addressText(groups.first());
}

Destination mainDestination(const QList<Segment> &segments, const PostalBook *postal)
{
    // The delivery block when the text has one, else the buyer's, else the text
    // outside any block; a sender's block and shop information never.
    Destination d;
    for (Block block : {Block::Delivery, Block::Buyer, Block::None}) {
        d.found = Collector(block, postal).collect(segments);
        d.blocks = {{block, -1}};
        if (anything(d.found))
            break;
    }
    if (d.blocks.first().first != Block::Delivery || blocksOf(segments, Block::Delivery).size() < 2)
        return d;
    QList<std::pair<qsizetype, Findings>> blocks = addressBlocks(segments, Block::Delivery, postal, 2);
    // Two delivery blocks with different addresses (a gift to two people, a second
    // block pasted by mistake): the first, in doubt.
    if (blocks.size() < 2 || firstAddressText(blocks.first().second) == firstAddressText(blocks.last().second))
        return d;
    d.blocks = {{Block::Delivery, blocks.first().first}};
    d.found = std::move(blocks.first().second);
    d.doubt = doubt::twoDestinations();
    return d;
}

Destination chooseDestination(const QList<Segment> &segments, const PostalBook *postal)
{
    Destination d = mainDestination(segments, postal);
    QList<std::pair<qsizetype, Findings>> changes = addressBlocks(segments, Block::Change, postal, -2);
    if (changes.isEmpty())
        return d;
    // The last change asked for wins; what it does not say comes from the block it changes.
    Findings changed = std::move(changes.last().second);
    if (changed.tels.isEmpty())
        changed.tels = d.found.tels;
    if (!changed.hasName()) {
        for (const Piece &p : d.found.pieces)
            if (isNameKind(p.kind) || p.kind == Kind::KanaName || p.kind == Kind::Salutation)
                changed.pieces.append(p);
    }
    const bool replaces = d.found.hasAddress() || changes.size() > 1;
    d.blocks.append({Block::Change, changes.last().first});
    d.found = std::move(changed);
    if (replaces)
        d.doubt = doubt::changedDestination();
    return d;
}

// --- Nothing silent -------------------------------------------------------------------------

bool overlaps(const TextSpan &a, qsizetype start, qsizetype length)
{
    return a.start < start + length && start < a.start + a.length;
}

bool isUsed(const SmartTransferResult &result, qsizetype start, qsizetype length)
{
    return std::any_of(result.fields.begin(), result.fields.end(), [&](const SmartFieldResult &f) {
        return std::any_of(f.sources.begin(), f.sources.end(), [&](const TextSpan &s) { return overlaps(s, start, length); });
    });
}

// A line outside the destination that still looks like part of an address.
bool looksLikeAddressLine(QStringView s)
{
    if (startsWithPrefecture(s))
        return true;
    return hasDigit(s)
           && (findPostalCode(s, 0, false).found() || (hasHouseNumber(s) && (hasMunicipality(s) || hasBuildingWord(s))));
}

// The field a left-over piece would have gone to. A name-like word without an
// honorific or label ("代引き", "お客様各位") is no reason for doubt, and neither is a
// spreadsheet's number column.
std::optional<SmartField> fieldOf(const Piece &p)
{
    switch (p.kind) {
    case Kind::Region:
    case Kind::Address:
        return SmartField::Add1;
    case Kind::Building:
        if (p.cell && isHouseNumberPiece(p))
            return std::nullopt;
        return SmartField::Add2;
    case Kind::Name:
    case Kind::Company:
        return SmartField::Custo1;
    default:
        return std::nullopt;
    }
}

// Every line of the destination's blocks that no field used is noted, and so is
// every address-like line elsewhere; a left-over piece of an address or a name makes
// its field doubtful.
void account(SmartTransferResult &result, const QList<Segment> &segments, const Destination &d)
{
    const auto inDestination = [&](const Segment &s) {
        return std::any_of(d.blocks.begin(), d.blocks.end(), [&](const auto &b) {
            return s.block == b.first && (b.second < 0 || s.serial == b.second);
        });
    };
    for (const Segment &s : segments) {
        // A paste of a whole file is no order: the first lines are enough to see that.
        if (result.unused.size() >= kMostSegmentsRead)
            break;
        if (isUsed(result, s.offset, s.text.size()))
            continue;
        if (inDestination(s) || looksLikeAddressLine(s.text.sliced(s.label.valueStart)))
            result.unused.append({s.line, s.offset, s.text.size()});
    }
    // A spreadsheet's other rows are other orders.
    const auto lineUsed = [&](qsizetype line) {
        return std::any_of(result.fields.begin(), result.fields.end(), [&](const SmartFieldResult &f) {
            return std::any_of(f.sources.begin(), f.sources.end(), [&](const TextSpan &s) { return s.line == line; });
        });
    };
    for (const Piece &p : d.found.pieces) {
        const std::optional<SmartField> field = fieldOf(p);
        if (!field || isUsed(result, p.fragment.span.start, p.fragment.span.length) || (p.cell && !lineUsed(p.line)))
            continue;
        SmartFieldResult &f = result[*field];
        if (f.doubt.isEmpty())
            f.doubt = doubt::unusedText(p.fragment.text.toString());
        f.doubtSources.append(p.fragment.span);
    }
}

} // namespace

SmartTransferResult SmartTransfer(QStringView text, const PostalBook *postal)
{
    const QList<Segment> segments = SegmentReader(text).read();
    const Destination destination = chooseDestination(segments, postal);
    SmartTransferResult result = assemble(destination.found, postal, text);
    result.foundText = std::any_of(result.fields.begin(), result.fields.end(),
                                   [](const SmartFieldResult &f) { return !f.value.isEmpty(); });
    if (!result.foundText)
        return result;
    fillRegion(result, postal);
    judge(result, postal);
    if (!destination.doubt.isEmpty()) {
        for (SmartFieldResult &f : result.fields)
            f.doubt = destination.doubt;
    }
    account(result, segments, destination);
    return result;
}

} // namespace transfer
