#include "platform-ui/shell.h"

#include <QDesktopServices>

namespace platform {

namespace {

class DesktopShell final : public Shell
{
public:
    void open(const QUrl &url) override { QDesktopServices::openUrl(url); }
};

Shell *g_installed = nullptr;

} // namespace

Shell &shell()
{
    static DesktopShell desktop;
    return g_installed ? *g_installed : desktop;
}

void setShell(Shell *shell)
{
    g_installed = shell;
}

} // namespace platform
