#include "transfer/pipeline.h"

#include "transfer/classifiers.h"
#include "transfer/texthelpers.h"

#include <array>

namespace transfer {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array<QStringView, 45> kLabelWords = {
    u"：", u":", u"様", u"〒", u"郵便番号", u"ゆうびんばんごう", u"℡",
    u"TEL", u"Tel", u"tel", u"Ｔｅｌ", u"ｔｅｌ",
    // "TEL" once more: it removes what the first pass joined ("TETELL" -> "TEL" -> "").
    u"TEL", u"ＴＥＬ",
    u"お電話番号", u"電話番号", u"お電話", u"電話", u"おでんわ", u"でんわ",
    u"おなまえ", u"お名前", u"御名前", u"名前", u"御氏名", u"ご氏名", u"氏名",
    u"おところ１", u"おところ２", u"おところ1", u"おところ2", u"おところ", u"ところ",
    u"ご住所", u"住所１", u"住所２", u"住所1", u"住所2", u"住所",
    u"ご送付先", u"送付先", u"お送り先", u"送り先", u"お届け先", u"届け先",
};

// Unicode's mandatory line breaks; CR LF counts as one.
constexpr bool isLineBreak(char16_t u)
{
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// Removes every occurrence of word, scanning the original text from the left; what
// a removal joins together is not looked at again.
void removeWord(QString &line, QStringView word)
{
    const QStringView source(line);
    qsizetype hit = source.indexOf(word);
    if (hit < 0)
        return;
    QString result;
    result.reserve(line.size());
    qsizetype from = 0;
    while (hit >= 0) {
        result.append(source.sliced(from, hit - from));
        from = hit + word.size();
        hit = source.indexOf(word, from);
    }
    result.append(source.sliced(from));
    line = std::move(result);
}

void trimLeftInPlace(QString &line)
{
    qsizetype n = 0;
    while (n < line.size() && isBlank(line.at(n)))
        ++n;
    if (n > 0)
        line.remove(0, n);
}

bool isBlankOnly(QStringView text)
{
    for (const QChar c : text) {
        if (!isBlank(c))
            return false;
    }
    return true;
}

} // namespace

bool holdsLineBreak(QStringView text)
{
    for (const QChar c : text) {
        if (isLineBreak(c.unicode()))
            return true;
    }
    return false;
}

QString noTextNotice()
{
    return u"転送テキストがありません"_s;
}

std::span<const QStringView> labelWords()
{
    return kLabelWords;
}

QStringList SplitPasteLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (!isLineBreak(u))
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (u == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append(text.sliced(start).toString());
    return lines;
}

bool PasteBoxIsEmpty(QStringView wholeText)
{
    return wholeText.isEmpty();
}

QStringList CompactPaste(const QStringList &pasteLines)
{
    QStringList kept;
    qsizetype read = 0;
    const auto take = [&](QStringView line) {
        ++read;
        const QString trimmed = TrimBlanks(line);
        if (!trimmed.isEmpty() && HowManyWords(trimmed) == 0)
            kept.append(trimmed);
    };
    for (const QString &entry : pasteLines) {
        if (read >= kPasteLinesRead)
            break;
        if (!holdsLineBreak(entry)) {
            take(entry);
            continue;
        }
        const QStringList parts = SplitPasteLines(entry);
        for (const QString &part : parts) {
            if (read >= kPasteLinesRead)
                break;
            take(part);
        }
    }
    return kept;
}

QStringList WorkingLines(const QStringList &pasteLines)
{
    QStringList lines;
    lines.reserve(kWorkingLineCount);
    for (qsizetype k = 0; k < kWorkingLineCount; ++k)
        lines.append(k < pasteLines.size() ? TrimBlanks(pasteLines.at(k)) : QString());
    return lines;
}

QStringList CutLabels(const QStringList &pasteLines)
{
    QStringList lines = WorkingLines(pasteLines);
    for (QString &line : lines) {
        for (const QStringView word : kLabelWords) {
            removeWord(line, word);
            trimLeftInPlace(line);
        }
        line = TrimAllSpaces(line);
        if (LeadingNumber(line).size() >= 3)
            line = ToHalfWidth(line);
    }
    return lines;
}

QStringList SplitZipLine(const QStringList &pasteLines)
{
    QStringList lines = WorkingLines(pasteLines);
    for (qsizetype k = 0; k < kWorkingLineCount; ++k) {
        const QStringView current(lines[k]);
        const QStringView head = current.first(std::min(current.size(), kZipHeadLength));
        const QStringView rest = current.sliced(head.size()).first(
            std::min(current.size() - head.size(), kZipRestMaxLength));
        if (rest.size() < kZipRestMinLength || ZipTel_Chk(head) != ZipTel::Zip)
            continue;
        const QString restText = rest.toString();
        lines[k] = head.toString();
        for (qsizetype j = k + 1; j < kWorkingLineCount; ++j) {
            if (isBlankOnly(lines.at(j))) {
                lines[j] = restText;
                break;
            }
        }
    }
    return lines;
}

CollectedValues ClassifyLines(const QStringList &pasteLines)
{
    QStringList lines = WorkingLines(pasteLines);
    CollectedValues found;

    for (QString &line : lines) {
        const ZipTel verdict = ZipTel_Chk(line);
        QString *slot = verdict == ZipTel::Zip ? &found.zip
                        : verdict == ZipTel::Tel ? &found.tel
                                                 : nullptr;
        if (!slot)
            continue;
        // A second postal code or telephone line is dropped, not read as an address.
        if (slot->isEmpty())
            *slot = line;
        line.clear();
    }

    for (const QString &line : std::as_const(lines)) {
        if (line.isEmpty())
            continue;
        if (Pref46_Chk(line)) {
            if (found.prefecture.isEmpty())
                found.prefecture = line;
        } else if (Name_Addr(line).isName) {
            if (found.name.isEmpty())
                found.name = line;
        } else if (found.address1.isEmpty()) {
            found.address1 = line;
        } else if (found.address2.isEmpty()) {
            found.address2 = line;
        }
    }
    return found;
}

DestinationFields FillFields(const CollectedValues &values)
{
    DestinationFields fields;
    fields.zip = ToHalfWidth(values.zip);
    fields.add1 = TrimBlanks(values.prefecture) + TrimBlanks(values.address1);
    fields.add2 = values.address2;
    fields.custo1 = values.name;
    fields.tel = ToHalfWidth(values.tel);
    return fields;
}

TransferResult TransferText(const QStringList &pasteLines)
{
    TransferResult result;
    const QStringList compacted = CompactPaste(pasteLines);
    if (compacted.isEmpty())
        return result;
    result.foundText = true;
    result.pasteBox = SplitZipLine(CutLabels(compacted));
    result.fields = FillFields(ClassifyLines(result.pasteBox));
    return result;
}

} // namespace transfer
