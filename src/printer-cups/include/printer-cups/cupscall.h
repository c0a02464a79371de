#pragma once

// CUPS requests with a bounded time. libcups' default connection blocks without limit
// on a server that accepts and never answers (cupsd paused or hanging); here every
// request runs on a connection of its own whose connect and every wait for an answer
// give up after kCupsWaitMs, on a thread of its own, and the caller waits for it a
// bounded time. A request that outlives the wait finishes by itself and frees its
// connection; nothing it returns is used then.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

typedef struct _http_s http_t;

namespace printer {

// How long a connect or any one answer may take.
inline constexpr int kCupsWaitMs = 4000;

// The server libcups uses on this thread: "host:port" or a socket path.
QByteArray cupsServerAddress();

// A connection to `server` that gives up after kCupsWaitMs on connecting and on
// every answer. False when the server could not be reached.
class CupsConnection
{
public:
    explicit CupsConnection(const QByteArray &server);
    ~CupsConnection();
    CupsConnection(const CupsConnection &) = delete;
    CupsConnection &operator=(const CupsConnection &) = delete;

    http_t *http() const { return m_http; }
    explicit operator bool() const { return m_http != nullptr; }
    // True once an answer on this thread's connection did not come in time.
    static bool gaveUp();

private:
    http_t *m_http = nullptr;
};

// Shows the busy cursor while it lives (when there is a GUI).
class CupsBusyCursor
{
public:
    CupsBusyCursor();
    ~CupsBusyCursor();
    CupsBusyCursor(const CupsBusyCursor &) = delete;
    CupsBusyCursor &operator=(const CupsBusyCursor &) = delete;

private:
    bool m_set = false;
};

// Starts `work` on a thread of its own at once; wait() takes its result if it comes
// in time.
template <typename Result>
class CupsCall
{
public:
    explicit CupsCall(std::function<Result()> work) : m_state(std::make_shared<State>())
    {
        std::thread([state = m_state, work = std::move(work)] {
            Result result = work();
            const std::lock_guard lock(state->mutex);
            state->result = std::move(result);
            state->done.notify_all();
        }).detach();
    }

    // The result, or nothing when it did not come within `ms`.
    std::optional<Result> wait(int ms)
    {
        std::unique_lock lock(m_state->mutex);
        m_state->done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_state->result.has_value(); });
        return m_state->result;
    }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Result> result;
    };
    std::shared_ptr<State> m_state;
};

// Runs `work` with a bounded connection on another thread and waits for it here at
// most `ms` (busy cursor meanwhile). Nothing when the server did not answer in time.
template <typename Result>
std::optional<Result> callCups(const QByteArray &server, int ms, std::function<std::optional<Result>(http_t *)> work)
{
    const CupsBusyCursor busy;
    CupsCall<std::optional<Result>> call([server, work = std::move(work)]() -> std::optional<Result> {
        const CupsConnection connection(server);
        if (!connection)
            return std::nullopt;
        return work(connection.http());
    });
    const std::optional<std::optional<Result>> answer = call.wait(ms);
    return answer ? *answer : std::nullopt;
}

} // namespace printer
