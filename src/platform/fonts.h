#pragma once

namespace platform {

// The form's fonts carry the names of the original desktop's fonts; map them onto the
// IPA and DejaVu fonts so that the code can use the names as they stand.
void installFontSubstitutions();

} // namespace platform
