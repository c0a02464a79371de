#include "platform/error.h"

namespace platform {

Error::Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

QString errorText(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Error &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("予期しないエラーが発生しました");
    }
}

} // namespace platform
