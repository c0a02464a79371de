#pragma once

#include <QString>

namespace platform {

// The window and the printed slip ask for fonts by the names the slip form's layout
// gives ("ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝", "Lucida Sans Unicode"); map them onto the IPA and
// DejaVu fonts so that the code can use those names as they stand. IPAmj Mincho comes
// last for each: it has the rare kanji and the characters beyond the first plane (𠮷)
// that the others lack.
void installFontSubstitutions();

// The installed family a form font name stands for: its first substitution, or the
// name itself when it has none. The window asks for this family: asked for by the
// form's name, Qt first searches every installed font for that name and then builds
// a fallback list per size, a large part of the window's start. Characters the
// family lacks still come from the system's fallback fonts (IPAmj Mincho among them).
QString installedFamily(const QString &formFamily);

} // namespace platform
