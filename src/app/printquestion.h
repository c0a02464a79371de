#pragma once

#include <QString>

// The question asked before a slip is printed (F11, a reprint from the history).
inline const QString kPrintQuestion = QStringLiteral("印刷しますか?");
