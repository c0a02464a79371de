#include "guard.h"

#include "error.h"
#include "messagebox.h"

#include <QString>

namespace platform {

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const Error &e) {
        showError(e.message());
    } catch (const std::exception &e) {
        showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showError(QStringLiteral("予期しないエラーが発生しました"));
    }
    return false;
}

} // namespace platform
