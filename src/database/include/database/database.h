#pragma once

#include "database/connection.h"
#include "database/databaseconfig.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QSemaphore>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <chrono>
#include <functional>
#include <memory>

class QThread;

namespace database {

// The order book: one connection owned by a worker thread of its own, so that no
// statement runs on the window's thread. The connection is opened (and the schema
// brought up to date) by the first call, not at program start, and opened again by the
// next call after a failure to open. Calls run one after another in the order given.
class Database : public QObject
{
    Q_OBJECT
public:
    explicit Database(DatabaseConfig config, QObject *parent = nullptr);
    // Drops the calls not started, waits a little for the one in progress, then cuts
    // its connection, and closes: returns within about kCloseWaitMs twice, whatever the
    // server does.
    ~Database() override;

    // True when a Database could not stop its worker in time (it is left running): the
    // program should then end without running the remaining destructors.
    static bool anyAbandoned();
    static constexpr int kCloseWaitMs = 2000;

    const DatabaseConfig &config() const { return m_config; }

    // Runs `work` on the worker thread. The future carries its result or the
    // exception it raised (a DatabaseError when the database failed). Windows attach a
    // continuation with QFuture::then(this, ...) and show a busy state meanwhile.
    template <typename Result>
    QFuture<Result> run(std::function<Result(Connection &)> work)
    {
        return submit<Result>(std::move(work), nullptr);
    }

    // The same, waiting for the answer: for background threads, tests and benchmarks,
    // never for the window's thread. Raises DatabaseError TimedOut when no answer came
    // in `timeout` (the call may still complete later).
    template <typename Result>
    Result call(std::function<Result(Connection &)> work,
                std::chrono::milliseconds timeout = kDefaultTimeout)
    {
        auto done = std::make_shared<QSemaphore>();
        QFuture<Result> future = submit<Result>(std::move(work), done);
        waitFor(*done, timeout);
        if constexpr (std::is_void_v<Result>)
            future.waitForFinished();  // raises the call's failure
        else
            return future.result();
    }

    // True while calls are queued or running.
    bool isBusy() const;

    // Channel on which every station announces a change of the shared order book
    // (PostgreSQL NOTIFY); changed() follows each announcement, this station's own too.
    static QString changeChannel() { return QStringLiteral("mekira_book"); }

    // Longest wait of call(): above the connection's own limits (lock wait, statement
    // and connect time), so that a slow but working database still answers.
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};

Q_SIGNALS:
    // The worker started or finished its queue; windows show a busy state with it.
    void busyChanged(bool busy);
    // Another station (or this one) changed the shared order book: lists refresh.
    // Only PostgreSQL announces changes; an SQLite file has one station.
    void changed();

private:
    // A job answers whether its work raised: a connection that failed a call is checked
    // before the next one, and opened anew when the server dropped it.
    using Job = std::function<bool(Connection *, std::exception_ptr)>;

    template <typename Result>
    QFuture<Result> submit(std::function<Result(Connection &)> work, std::shared_ptr<QSemaphore> done)
    {
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        post([promise, done, work = std::move(work)](Connection *connection, std::exception_ptr openFailure) {
            bool failed = false;
            try {
                if (openFailure)
                    std::rethrow_exception(openFailure);
                if constexpr (std::is_void_v<Result>)
                    work(*connection);
                else
                    promise->addResult(work(*connection));
            } catch (...) {
                failed = true;
                promise->setException(std::current_exception());
            }
            promise->finish();
            if (done)
                done->release();
            return failed;
        });
        return future;
    }

    void post(Job job);
    void runJob(const Job &job);
    void setConnection(std::unique_ptr<Connection> connection);
    void watch();
    void arm(bool armed);
    void interruptCall();
    void listenForChanges();
    void waitFor(QSemaphore &done, std::chrono::milliseconds timeout) const;

    DatabaseConfig m_config;
    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;               // lives in m_thread
    std::unique_ptr<Connection> m_connection;  // used only in m_thread
    bool m_suspect = false;                    // the last call failed; used only in m_thread
    std::atomic<int> m_pending{0};
    std::atomic<bool> m_stopping{false};

    // The watchdog: cuts the connection of a call that runs past the answer wait.
    std::mutex m_watchMutex;  // guards the fields below and m_connection's pointer
    std::condition_variable m_watchWake;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_watchStop = false;
    std::thread m_watchdog;
};

} // namespace database
