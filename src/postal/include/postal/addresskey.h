#pragma once

#include <QString>
#include <QStringView>

namespace postal {

// The form in which addresses are compared: the same place written in the usual
// different ways gives the same key. Full-width letters and digits become half-width,
// half-width katakana full-width, spaces go, hyphen look-alikes after a digit become
// "-", ヶ/ヵ/が/ケ and の/ノ are one letter, and kanji numerals before 丁目, 丁, 条,
// 線 and 地割 become digits ("五丁目" and "５丁目" both give "5丁目").
// The data's keys and the typed address go through the same function.
QString addressKey(QStringView text);

} // namespace postal
