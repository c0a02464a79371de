#pragma once

#include <QStringView>

// The name field as the slip wants it: company first, then the person, without the
// words people add around a name ("ご担当", "宛", "（母）", "(Mai Kelly)").
namespace transfer::smart {

struct NameParts
{
    QStringView company; // empty when the name holds none
    QStringView person; // empty when only a company, or a placeholder such as "ご担当者"
};

// Splits a name already without its honorific: "株式会社ミモザ企画 ご担当 中川" gives
// company and person, "山本 健一（有限会社つばめ工房）" puts the company first,
// "平田 節子（母）" drops the note. Both parts are views of the name.
NameParts splitName(QStringView name);

} // namespace transfer::smart
