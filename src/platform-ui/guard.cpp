#include "platform-ui/guard.h"

#include "platform/error.h"
#include "platform-ui/messagebox.h"

#include <QString>

namespace platform {

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (...) {
        showError(errorText(std::current_exception()));
    }
    return false;
}

} // namespace platform
