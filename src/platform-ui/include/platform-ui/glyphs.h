#pragma once

#include <QIcon>

namespace platform {

// The small pictures on the window's bitmap buttons. They are drawn, at whatever size
// and scale the button asks for, instead of being looked up in the desktop's icon theme
// and decoded from image files: that lookup cost several milliseconds per picture at
// start, and the desktop's theme could not promise the same picture everywhere.
enum class Glyph {
    ArrowRight, // transfer the pasted text
    ArrowUp,    // adjust the print position
    Globe,      // the web help
    Mail,       // write to support
    Eraser,     // clear the paste box
    Trash,      // clear the destination
    Save,       // save a sender or the print position
    Printer,    // register the printer of a paper feed
};

QIcon glyphIcon(Glyph glyph);

} // namespace platform
