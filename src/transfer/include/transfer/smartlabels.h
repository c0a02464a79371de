#pragma once

#include <QStringView>

// Labels and headings of order texts ("お届け先", "【ご注文者情報】", "TEL：", "お名前
// （漢字）："). A label counts only at the start of a line (after decoration such as
// "■" or "【") and only when a colon, a blank, a bracket, the line's end or, for
// postal codes and telephones, a digit follows it: "住所変更" holds no label.
namespace transfer::smart {

// Whose part of the text a heading opens.
enum class Block {
    None, // the line opens no block
    Delivery, // お届け先, 配送先, 送付先, ship to …
    Buyer, // ご注文者, 購入者, ご請求先: the destination when no delivery block exists
    Sender, // ご依頼主, 差出人: never the destination
    Other, // items, payment, shop information: nothing to transfer
    Change, // a destination that replaces the one given before ("お届け先を下記に変更…")
};

// What the value after a label is.
enum class Field {
    None,
    PostalCode,
    Address,
    Name,
    Company,
    Department,
    Telephone,
    Ignored, // fax, mail, reading, order number, dates, prices, notes …
};

struct Label
{
    Block block = Block::None;
    Field field = Field::None;
    qsizetype valueStart = 0; // where the value begins (0 without a label)

    bool found() const { return block != Block::None || field != Field::None; }
};

// Reads the label at the start of a trimmed line.
Label readLabel(QStringView line);

// Reads the label that opens a sentence: "宛名は母の 平田 節子 でお願いします" names
// the field and gives where its value starts; found() is false for other sentences.
Label readSentenceLabel(QStringView sentence);

// Characters that frame headings and list items: "■", "【", "・", "*", "-" …
bool isDecoration(QChar c);
// A line of decoration only ("-----", "━━━━", "＝＝＝"), three characters or more.
bool isSeparatorLine(QStringView line);

} // namespace transfer::smart
