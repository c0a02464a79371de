#include "transfer/smartlabels.h"

#include "transfer/smartnumbers.h"

#include "platform/textnormalize.h"

#include <QHash>
#include <QList>

#include <algorithm>

#include <array>

namespace transfer::smart {

namespace {

struct Word
{
    std::u16string_view text; // ASCII letters in lower case; compared width- and case-folded
    Block block;
    Field field;
};

using B = Block;
using F = Field;

constexpr std::array kBlockWords = {
    Word{u"お届け先", B::Delivery, F::None}, Word{u"お届先", B::Delivery, F::None},
    Word{u"届け先", B::Delivery, F::None}, Word{u"配送先", B::Delivery, F::None},
    Word{u"ご送付先", B::Delivery, F::None}, Word{u"送付先", B::Delivery, F::None},
    Word{u"発送先", B::Delivery, F::None}, Word{u"お送り先", B::Delivery, F::None},
    Word{u"送り先", B::Delivery, F::None}, Word{u"配達先", B::Delivery, F::None},
    Word{u"納品先", B::Delivery, F::None}, Word{u"出荷先", B::Delivery, F::None},
    Word{u"宛先", B::Delivery, F::None}, Word{u"発信元", B::Sender, F::None}, Word{u"ship to", B::Delivery, F::None},
    Word{u"shipping address", B::Delivery, F::None}, Word{u"delivery address", B::Delivery, F::None},
    Word{u"ご注文者", B::Buyer, F::None}, Word{u"注文者", B::Buyer, F::None},
    Word{u"ご注文主", B::Buyer, F::None}, Word{u"注文主", B::Buyer, F::None},
    Word{u"ご購入者", B::Buyer, F::None}, Word{u"購入者", B::Buyer, F::None},
    Word{u"ご請求先", B::Buyer, F::None}, Word{u"請求先", B::Buyer, F::None},
    Word{u"発注者", B::Buyer, F::None}, Word{u"お客様情報", B::Buyer, F::None},
    Word{u"会員情報", B::Buyer, F::None}, Word{u"bill to", B::Buyer, F::None},
    Word{u"ご依頼主", B::Sender, F::None}, Word{u"依頼主", B::Sender, F::None},
    Word{u"ご依頼人", B::Sender, F::None}, Word{u"依頼人", B::Sender, F::None},
    Word{u"差出人", B::Sender, F::None}, Word{u"送り主", B::Sender, F::None},
    Word{u"贈り主", B::Sender, F::None}, Word{u"発送元", B::Sender, F::None},
    Word{u"ご注文内容", B::Other, F::None}, Word{u"注文内容", B::Other, F::None},
    Word{u"ご注文商品", B::Other, F::None}, Word{u"注文商品", B::Other, F::None},
    Word{u"ご注文明細", B::Other, F::None}, Word{u"注文明細", B::Other, F::None},
    Word{u"ご購入商品", B::Other, F::None}, Word{u"購入商品", B::Other, F::None},
    Word{u"商品情報", B::Other, F::None}, Word{u"お買い上げ", B::Other, F::None},
    Word{u"お支払", B::Other, F::None}, Word{u"支払", B::Other, F::None},
    Word{u"ご請求金額", B::Other, F::None}, Word{u"決済", B::Other, F::None},
    Word{u"配送方法", B::Other, F::None}, Word{u"お届け日", B::Other, F::None},
    Word{u"お届け希望", B::Other, F::None}, Word{u"配送日", B::Other, F::None},
    Word{u"ショップ情報", B::Other, F::None}, Word{u"店舗情報", B::Other, F::None},
    Word{u"ストア情報", B::Other, F::None}, Word{u"販売者", B::Other, F::None},
    Word{u"販売店", B::Other, F::None}, Word{u"出品者", B::Other, F::None},
    Word{u"備考", B::Other, F::None}, Word{u"通信欄", B::Other, F::None},
    Word{u"ご要望", B::Other, F::None}, Word{u"お問い合わせ", B::Other, F::None},
    Word{u"お問合せ", B::Other, F::None}, Word{u"注意事項", B::Other, F::None},
    Word{u"メッセージ", B::Other, F::None}, Word{u"領収書", B::Other, F::None},
};

constexpr std::array kFieldWords = {
    // postal code
    Word{u"〒", B::None, F::PostalCode}, Word{u"郵便番号", B::None, F::PostalCode},
    Word{u"〒番号", B::None, F::PostalCode}, Word{u"ゆうびんばんごう", B::None, F::PostalCode},
    Word{u"郵便", B::None, F::PostalCode}, Word{u"zip", B::None, F::PostalCode},
    Word{u"zipコード", B::None, F::PostalCode}, Word{u"postal code", B::None, F::PostalCode},
    // address
    Word{u"住所", B::None, F::Address}, Word{u"ご住所", B::None, F::Address},
    Word{u"住所1", B::None, F::Address}, Word{u"住所2", B::None, F::Address},
    Word{u"住所3", B::None, F::Address}, Word{u"住所①", B::None, F::Address},
    Word{u"住所②", B::None, F::Address}, Word{u"おところ", B::None, F::Address},
    Word{u"所在地", B::None, F::Address}, Word{u"都道府県", B::None, F::Address},
    Word{u"新住所", B::None, F::Address}, Word{u"新しい住所", B::None, F::Address},
    Word{u"市区町村", B::None, F::Address}, Word{u"番地", B::None, F::Address},
    Word{u"丁目番地", B::None, F::Address}, Word{u"町名番地", B::None, F::Address},
    Word{u"町名・番地", B::None, F::Address}, Word{u"建物名", B::None, F::Address},
    Word{u"建物名・部屋番号", B::None, F::Address}, Word{u"マンション名", B::None, F::Address},
    Word{u"部屋番号", B::None, F::Address}, Word{u"address", B::None, F::Address},
    // name
    Word{u"名前", B::None, F::Name}, Word{u"お名前", B::None, F::Name},
    Word{u"おなまえ", B::None, F::Name}, Word{u"御名前", B::None, F::Name},
    Word{u"氏名", B::None, F::Name}, Word{u"ご氏名", B::None, F::Name},
    Word{u"御氏名", B::None, F::Name}, Word{u"宛名", B::None, F::Name},
    Word{u"受取人", B::None, F::Name}, Word{u"受取人名", B::None, F::Name},
    Word{u"受取人氏名", B::None, F::Name}, Word{u"お受取人", B::None, F::Name},
    Word{u"受取", B::None, F::Name}, Word{u"受け取り", B::None, F::Name}, Word{u"受取り", B::None, F::Name},
    Word{u"お客様名", B::None, F::Name}, Word{u"お客様", B::None, F::Name}, Word{u"顧客名", B::None, F::Name},
    Word{u"担当者", B::None, F::Name}, Word{u"担当者名", B::None, F::Name},
    Word{u"ご担当者", B::None, F::Name}, Word{u"ご担当者名", B::None, F::Name},
    Word{u"ご担当", B::None, F::Name}, Word{u"担当", B::None, F::Name},
    Word{u"name", B::None, F::Name},
    Word{u"会社名", B::None, F::Company}, Word{u"法人名", B::None, F::Company},
    Word{u"貴社名", B::None, F::Company}, Word{u"御社名", B::None, F::Company},
    Word{u"社名", B::None, F::Company}, Word{u"団体名", B::None, F::Company},
    Word{u"店舗名", B::None, F::Company}, Word{u"屋号", B::None, F::Company},
    Word{u"会社", B::None, F::Company}, Word{u"勤務先", B::None, F::Company},
    Word{u"部署", B::None, F::Department}, Word{u"部署名", B::None, F::Department},
    Word{u"所属", B::None, F::Department}, Word{u"部門", B::None, F::Department},
    // telephone
    Word{u"電話", B::None, F::Telephone}, Word{u"電話番号", B::None, F::Telephone},
    Word{u"お電話", B::None, F::Telephone}, Word{u"お電話番号", B::None, F::Telephone},
    Word{u"でんわ", B::None, F::Telephone}, Word{u"おでんわ", B::None, F::Telephone},
    Word{u"tel", B::None, F::Telephone}, Word{u"tel.", B::None, F::Telephone},
    Word{u"℡", B::None, F::Telephone}, Word{u"tel番号", B::None, F::Telephone},
    Word{u"tel/fax", B::None, F::Telephone}, Word{u"tel・fax", B::None, F::Telephone},
    Word{u"電話/fax", B::None, F::Telephone}, Word{u"携帯", B::None, F::Telephone},
    Word{u"携帯電話", B::None, F::Telephone}, Word{u"携帯番号", B::None, F::Telephone},
    Word{u"携帯電話番号", B::None, F::Telephone}, Word{u"連絡先", B::None, F::Telephone},
    Word{u"ご連絡先", B::None, F::Telephone}, Word{u"日中連絡先", B::None, F::Telephone},
    Word{u"日中の連絡先", B::None, F::Telephone}, Word{u"緊急連絡先", B::None, F::Telephone},
    Word{u"自宅", B::None, F::Telephone}, Word{u"自宅電話", B::None, F::Telephone},
    Word{u"phone", B::None, F::Telephone}, Word{u"mobile", B::None, F::Telephone},
    // nothing to transfer
    Word{u"fax", B::None, F::Ignored}, Word{u"fax番号", B::None, F::Ignored},
    Word{u"ファックス", B::None, F::Ignored}, Word{u"ファクス", B::None, F::Ignored},
    Word{u"メール", B::None, F::Ignored}, Word{u"メールアドレス", B::None, F::Ignored},
    Word{u"eメール", B::None, F::Ignored}, Word{u"e-mail", B::None, F::Ignored},
    Word{u"email", B::None, F::Ignored}, Word{u"mail", B::None, F::Ignored},
    Word{u"携帯メール", B::None, F::Ignored}, Word{u"pcメール", B::None, F::Ignored},
    Word{u"フリガナ", B::None, F::Ignored}, Word{u"ふりがな", B::None, F::Ignored},
    Word{u"カナ", B::None, F::Ignored}, Word{u"氏名カナ", B::None, F::Ignored},
    Word{u"よみがな", B::None, F::Ignored}, Word{u"ヨミガナ", B::None, F::Ignored},
    Word{u"注文番号", B::None, F::Ignored}, Word{u"ご注文番号", B::None, F::Ignored},
    Word{u"受注番号", B::None, F::Ignored}, Word{u"注文id", B::None, F::Ignored},
    Word{u"オーダー番号", B::None, F::Ignored}, Word{u"伝票番号", B::None, F::Ignored},
    Word{u"受付番号", B::None, F::Ignored}, Word{u"お問い合わせ番号", B::None, F::Ignored},
    Word{u"追跡番号", B::None, F::Ignored}, Word{u"会員番号", B::None, F::Ignored},
    Word{u"会員id", B::None, F::Ignored}, Word{u"注文日", B::None, F::Ignored},
    Word{u"ご注文日", B::None, F::Ignored}, Word{u"注文日時", B::None, F::Ignored},
    Word{u"ご注文日時", B::None, F::Ignored}, Word{u"受注日", B::None, F::Ignored},
    Word{u"購入日", B::None, F::Ignored}, Word{u"受付日", B::None, F::Ignored},
    Word{u"送信日", B::None, F::Ignored}, Word{u"日付", B::None, F::Ignored},
    Word{u"発送日", B::None, F::Ignored}, Word{u"発送予定日", B::None, F::Ignored},
    Word{u"出荷予定日", B::None, F::Ignored}, Word{u"配達希望日", B::None, F::Ignored},
    Word{u"希望日", B::None, F::Ignored}, Word{u"お届け時間", B::None, F::Ignored},
    Word{u"時間帯", B::None, F::Ignored}, Word{u"配達時間", B::None, F::Ignored},
    Word{u"配達時間帯", B::None, F::Ignored}, Word{u"希望時間", B::None, F::Ignored},
    Word{u"お支払い方法", B::None, F::Ignored}, Word{u"支払方法", B::None, F::Ignored},
    Word{u"お支払方法", B::None, F::Ignored}, Word{u"支払い方法", B::None, F::Ignored},
    Word{u"決済方法", B::None, F::Ignored}, Word{u"配送業者", B::None, F::Ignored},
    Word{u"商品名", B::None, F::Ignored}, Word{u"商品", B::None, F::Ignored},
    Word{u"品名", B::None, F::Ignored}, Word{u"品番", B::None, F::Ignored},
    Word{u"型番", B::None, F::Ignored}, Word{u"sku", B::None, F::Ignored},
    Word{u"数量", B::None, F::Ignored}, Word{u"個数", B::None, F::Ignored},
    Word{u"単価", B::None, F::Ignored}, Word{u"価格", B::None, F::Ignored},
    Word{u"金額", B::None, F::Ignored}, Word{u"小計", B::None, F::Ignored},
    Word{u"合計", B::None, F::Ignored}, Word{u"総合計", B::None, F::Ignored},
    Word{u"合計金額", B::None, F::Ignored}, Word{u"お支払い金額", B::None, F::Ignored},
    Word{u"送料", B::None, F::Ignored}, Word{u"手数料", B::None, F::Ignored},
    Word{u"代引手数料", B::None, F::Ignored}, Word{u"消費税", B::None, F::Ignored},
    Word{u"ポイント", B::None, F::Ignored}, Word{u"クーポン", B::None, F::Ignored},
    Word{u"のし", B::None, F::Ignored}, Word{u"熨斗", B::None, F::Ignored},
    Word{u"ラッピング", B::None, F::Ignored}, Word{u"ギフト", B::None, F::Ignored},
    Word{u"url", B::None, F::Ignored}, Word{u"ホームページ", B::None, F::Ignored},
    Word{u"生年月日", B::None, F::Ignored}, Word{u"性別", B::None, F::Ignored},
    Word{u"旧住所", B::None, F::Ignored},
};

// Width- and case-folded character for the label comparison.
char16_t fold(QChar c)
{
    char16_t u = platform::toHalfWidth(c).unicode();
    if (u >= u'A' && u <= u'Z')
        u = char16_t(u + 32);
    return u;
}

// The words of a list by their first character, so that a line is compared only with
// the words it could begin with.
template<std::size_t N>
class WordIndex
{
public:
    explicit WordIndex(const std::array<Word, N> &words)
    {
        for (const Word &w : words)
            m_byFirst[w.text.front()].append(&w);
    }
    const QList<const Word *> *startingWith(char16_t c) const
    {
        const auto it = m_byFirst.constFind(c);
        return it == m_byFirst.cend() ? nullptr : &*it;
    }

private:
    QHash<char16_t, QList<const Word *>> m_byFirst;
};

// The longest word of the list at position p.
template<std::size_t N>
const Word *longestAt(QStringView line, qsizetype p, const std::array<Word, N> &words)
{
    static const WordIndex<N> index(words);
    if (p >= line.size())
        return nullptr;
    const QList<const Word *> *candidates = index.startingWith(fold(line.at(p)));
    if (!candidates)
        return nullptr;
    const Word *best = nullptr;
    for (const Word *wp : *candidates) {
        const Word &w = *wp;
        const auto len = qsizetype(w.text.size());
        if (p + len > line.size() || (best && best->text.size() >= w.text.size()))
            continue;
        bool same = true;
        for (qsizetype k = 0; k < len && same; ++k)
            same = fold(line.at(p + k)) == w.text[std::size_t(k)];
        if (same)
            best = &w;
    }
    return best;
}

bool isOpening(QChar c)
{
    return QStringView(u"(（[［【〔〈<＜《「『").contains(c);
}

bool isClosing(QChar c)
{
    return QStringView(u")）]］】〕〉>＞》」』").contains(c);
}

bool isSeparator(QChar c)
{
    return c == u':' || c == u'：' || isSpace(c);
}

// Whether a bracketed note after a label asks for the reading ("お名前（フリガナ）").
bool isReadingNote(QStringView note)
{
    for (QStringView w : {u"フリガナ", u"ふりがな", u"カナ", u"かな", u"ヨミ", u"よみ"})
        if (note.contains(w))
            return true;
    return false;
}

} // namespace

bool isDecoration(QChar c)
{
    // Letters, digits, kana and kanji are none, except the kana block's "・" and "ー":
    // most characters are told at one look.
    const char16_t u = c.unicode();
    if ((u >= 0x3041 && u <= 0x9FFF && u != 0x30FB && u != 0x30FC) || (u < 0x80 && c.isLetterOrNumber()))
        return false;
    return QStringView(u"■□◆◇●○◎★☆▼▽▲△▶▷►※・*＊#＃=＝_~〜〓♪|｜+＋").contains(c) || isDash(c)
           || isOpening(c) || isClosing(c);
}

bool isSeparatorLine(QStringView line)
{
    if (line.size() < 3)
        return false;
    for (QChar c : line)
        if (!isDecoration(c) && !isSpace(c))
            return false;
    return true;
}

Label readLabel(QStringView line)
{
    qsizetype p = 0;
    while (p < line.size() && (isDecoration(line.at(p)) || isSpace(line.at(p))) && line.at(p) != u'〒')
        ++p;
    Label label;
    const Word *blockWord = longestAt(line, p, kBlockWords);
    if (const Word *w = blockWord) {
        label.block = w->block;
        p += qsizetype(w->text.size());
        // Numbered blocks: "お届け先1", "お届け先②".
        while (p < line.size() && (isDigit(line.at(p)) || (line.at(p) >= u'①' && line.at(p) <= u'⑳')))
            ++p;
        if (p < line.size() && (line.at(p) == u'の' || line.at(p) == u'・'))
            ++p;
    }
    if (const Word *w = longestAt(line, p, kFieldWords)) {
        label.field = w->field;
        p += qsizetype(w->text.size());
    } else if (label.block == Block::None) {
        return {};
    }
    for (QStringView suffix : {u"情報", u"詳細", u"欄", u"様", u"名"}) {
        if (line.sliced(p).startsWith(suffix)) {
            p += suffix.size();
            // "お届け先名", "送り先様": the block's name.
            if (label.field == Field::None && suffix.size() == 1)
                label.field = Field::Name;
            break;
        }
    }
    // A bracketed note: "電話番号（日中連絡がつく番号）", "お名前（フリガナ）".
    if (p < line.size() && isOpening(line.at(p))) {
        qsizetype close = p + 1;
        while (close < line.size() && close - p <= 24 && !isClosing(line.at(close)))
            ++close;
        if (close < line.size() && isClosing(line.at(close))) {
            if (isReadingNote(line.sliced(p + 1, close - p - 1)))
                label.field = Field::Ignored;
            // "お名前【必須】山田" keeps the bracket as the label's end.
            p = close + 1;
        }
    }
    const bool atEnd = p >= line.size();
    const QChar next = atEnd ? QChar() : line.at(p);
    const bool numberFollows = !atEnd && (isDigit(next) || next == u'+' || next == u'＋' || isOpening(next));
    const bool closes = !atEnd && (isSeparator(next) || isClosing(next) || isDecoration(next));
    const bool markLabel = p > 0 && (line.at(p - 1) == u'〒' || line.at(p - 1) == u'℡');
    // "お届け先は下記の通りです": the sentence names the block and holds no value;
    // "送り先は〒380-0836 …" holds it after は.
    if (label.block != Block::None && label.field == Field::None && !atEnd
        && QStringView(u"はをにへ").contains(next)) {
        const QStringView rest = line.sliced(p + 1);
        const bool holdsValue = next == u'は'
                                && std::any_of(rest.begin(), rest.end(), [](QChar c) { return isDigit(c); });
        return {label.block, Field::None, holdsValue ? p + 1 : line.size()};
    }
    const bool numberLabel = label.field == Field::PostalCode || label.field == Field::Telephone;
    if (!(atEnd || closes || markLabel || (numberLabel && numberFollows)))
        return {};
    while (p < line.size() && (isSeparator(line.at(p)) || isClosing(line.at(p))
                               || (isDecoration(line.at(p)) && !isOpening(line.at(p)) && line.at(p) != u'+'
                                   && line.at(p) != u'＋')))
        ++p;
    label.valueStart = p;
    // "宛先" on a line of its own heads the destination; "宛先: shop@example.jp" is a
    // mail's header.
    if (blockWord && blockWord->text == u"宛先" && p < line.size())
        label.block = Block::Other;
    return label;
}

Label readSentenceLabel(QStringView sentence)
{
    qsizetype p = 0;
    while (p < sentence.size() && (isDecoration(sentence.at(p)) || isSpace(sentence.at(p))))
        ++p;
    Label label;
    if (const Word *w = longestAt(sentence, p, kBlockWords)) {
        label.block = w->block;
        p += qsizetype(w->text.size());
    }
    if (const Word *w = longestAt(sentence, p, kFieldWords)) {
        label.field = w->field;
        p += qsizetype(w->text.size());
    }
    const bool destination = label.block == Block::Delivery && label.field == Field::None;
    if ((!destination && label.field == Field::None) || label.field == Field::Ignored || p >= sentence.size()
        || !QStringView(u"はが").contains(sentence.at(p)))
        return {};
    ++p;
    while (p < sentence.size() && (isSpace(sentence.at(p)) || sentence.at(p) == u'、' || sentence.at(p) == u','))
        ++p;
    label.valueStart = p;
    return label;
}

} // namespace transfer::smart
