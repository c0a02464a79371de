#pragma once

#include <QList>
#include <QStringView>

// Order details written as sentences, the way customers write them in a chat or a
// mail: "〒892-0842 鹿児島市東千石町14-6 までお願いします。", "宛名は母の 平田 節子 で
// お願いします。", "お届け先を下記に変更してください。"
namespace transfer::smart {

// The sentences of a line, parted at 。, ！ and ？, trimmed, without empty ones.
QList<QStringView> clauses(QStringView line);

// The value without the polite ending that follows it: "鹿児島市東千石町14-6 までお願い
// します" -> "鹿児島市東千石町14-6", "小松 里奈 宛でお願いします" -> "小松 里奈".
QStringView withoutPoliteTail(QStringView value);

// A name without the relation in front of it: "母の 平田 節子" -> "平田 節子".
QStringView withoutRelation(QStringView name);

// Whether the line asks to send the order elsewhere than the text said before
// ("お届け先を下記に変更してください", "新住所"), not a shop's notice about changes.
bool announcesChange(QStringView line);

} // namespace transfer::smart
