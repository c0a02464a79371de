#pragma once

#include <functional>

namespace platform {

// Runs one event handler and keeps its failures from crossing Qt's event loop: a
// platform::Error or any other std::exception ends the handler and is shown in the
// error box; the program goes on. Returns false when the handler failed.
bool guarded(const std::function<void()> &handler);

// The same as a slot: connect(button, &QPushButton::clicked, this, guardedSlot([this] { ... })).
template <typename Handler>
auto guardedSlot(Handler handler)
{
    return [handler] { guarded(handler); };
}

} // namespace platform
