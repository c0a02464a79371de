#pragma once

#include <QString>
#include <QStringView>

// The long-address warning: advice that the first address line will not fit the slip.
namespace transfer {

// The first address line may hold 40 code units; from 41 on the warning is shown.
constexpr qsizetype kAddress1MaxLength = 40;

// "警告:おところ①の文字数が多すぎます。　おところ②へ分割してください"
QString longAddressWarningText();

bool Address1TooLong(QStringView add1);

// What Label_Warning shows for this first address line: the warning text or the empty text.
QString Edit_WarningText(QStringView add1);

} // namespace transfer
