#pragma once

#include <QString>

// Addresses the program opens: the maker's web page and the support mail.
namespace app::config {

inline QString makerWebPage() { return QStringLiteral("https://www.example.jp/mekira/"); }
inline QString supportMailAddress() { return QStringLiteral("support@example.jp"); }

} // namespace app::config
