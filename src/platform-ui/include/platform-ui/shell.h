#pragma once

#include <QUrl>

namespace platform {

// Opens web pages and mail links with the user's programs. The result is not looked
// at: when nothing can open a link, nothing happens. Tests install a recorder.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual void open(const QUrl &url) = 0;
};

Shell &shell();
// Installs another implementation (not owned); nullptr restores the desktop's.
void setShell(Shell *shell);

} // namespace platform
