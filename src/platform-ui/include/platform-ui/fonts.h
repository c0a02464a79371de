#pragma once

namespace platform {

// The window and the printed slip ask for fonts by the names the slip form's layout
// gives ("ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝", "Lucida Sans Unicode"); map them onto the IPA and
// DejaVu fonts so that the code can use those names as they stand. IPAmj Mincho comes
// last for each: it has the rare kanji and the characters beyond the first plane (𠮷)
// that the others lack.
void installFontSubstitutions();

} // namespace platform
