#pragma once

class QLocale;

namespace platform {

// Loads Qt's own translations (the texts of Qt's dialogs, buttons and context menus)
// for the locale from Qt's translations folder. The program's own texts are Japanese
// as they stand and are not translated. Returns whether a translation was found.
bool installQtTranslations(const QLocale &locale);

} // namespace platform
