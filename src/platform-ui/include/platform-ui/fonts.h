#pragma once

#include <QString>

#include <thread>

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

// Reads the system's font configuration (its files and font cache, the larger part of
// Qt's first font lookup) on a thread of its own from construction on, while the
// application object and the connection to the window system are made on the main
// thread. wait() returns once it is read; call it before the first text is laid out,
// so that Qt finds the configuration ready instead of reading it a second time
// alongside. The destructor waits as well, but it must have returned before the
// application object is destroyed: Qt then gives the configuration back.
class FontConfigPreload
{
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload &) = delete;
    FontConfigPreload &operator=(const FontConfigPreload &) = delete;

    void wait();

private:
    std::thread m_thread;
};

} // namespace platform
