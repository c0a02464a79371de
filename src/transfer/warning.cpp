#include "transfer/warning.h"

namespace transfer {

using namespace Qt::StringLiterals;

QString longAddressWarningText()
{
    return u"警告:おところ①の文字数が多すぎます。　おところ②へ分割してください"_s;
}

bool Address1TooLong(QStringView add1)
{
    return add1.size() > kAddress1MaxLength;
}

QString Edit_WarningText(QStringView add1)
{
    return Address1TooLong(add1) ? longAddressWarningText() : QString();
}

} // namespace transfer
