#include "database/database.h"

#include "database/schema.h"

#include <QSqlDriver>
#include <QThread>

#include <QtGlobal>

#include <atomic>
#include <utility>

namespace database {

namespace {
std::atomic<int> connectionCounter{0};
std::atomic<bool> abandoned{false};
} // namespace

Database::Database(DatabaseConfig config, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_thread(new QThread(this)), m_worker(new QObject)
{
    m_thread->setObjectName(QStringLiteral("mekira database"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
    m_watchdog = std::thread([this] { watch(); });
}

Database::~Database()
{
    // Jobs not yet started see m_stopping and fail at once; the connection closes on
    // its own thread after them.
    m_stopping = true;
    QMetaObject::invokeMethod(m_worker, [this] {
        setConnection(nullptr);
        QThread::currentThread()->quit();
    }, Qt::QueuedConnection);
    if (!m_thread->wait(kCloseWaitMs)) {
        // A call still waits for a server that does not answer: cut it.
        interruptCall();
        if (!m_thread->wait(kCloseWaitMs)) {
            qWarning("The order book's worker did not stop in time; it is left behind.");
            abandoned = true;
            m_thread->setParent(nullptr);
        }
    }
    {
        const std::lock_guard lock(m_watchMutex);
        m_watchStop = true;
    }
    m_watchWake.notify_all();
    m_watchdog.join();
}

bool Database::anyAbandoned()
{
    return abandoned.load();
}

void Database::setConnection(std::unique_ptr<Connection> connection)
{
    std::unique_ptr<Connection> old;
    {
        const std::lock_guard lock(m_watchMutex);
        old = std::exchange(m_connection, std::move(connection));
    }
    // Closed outside the lock: closing waits for nothing the watchdog needs.
}

void Database::interruptCall()
{
    const std::lock_guard lock(m_watchMutex);
    if (m_connection)
        m_connection->interrupt();
}

void Database::arm(bool armed)
{
    {
        const std::lock_guard lock(m_watchMutex);
        m_armed = armed;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_config.answerWaitMs);
    }
    m_watchWake.notify_all();
}

void Database::watch()
{
    std::unique_lock lock(m_watchMutex);
    while (!m_watchStop) {
        if (!m_armed) {
            m_watchWake.wait(lock);
        } else if (std::chrono::steady_clock::now() >= m_deadline) {
            if (m_connection)
                m_connection->interrupt();
            m_armed = false;
        } else {
            m_watchWake.wait_until(lock, m_deadline);
        }
    }
}

bool Database::isBusy() const
{
    return m_pending.load() > 0;
}

void Database::post(Job job)
{
    if (m_pending.fetch_add(1) == 0)
        Q_EMIT busyChanged(true);
    QMetaObject::invokeMethod(m_worker, [this, job = std::move(job)] { runJob(job); },
                              Qt::QueuedConnection);
}

void Database::runJob(const Job &job)
{
    std::exception_ptr failure;
    if (m_stopping) {
        failure = std::make_exception_ptr(DatabaseError(DatabaseError::Kind::Unavailable,
                                                        QStringLiteral("注文データベースは閉じられました。")));
    }
    arm(true);
    // A server that restarted closed this connection: open a new one rather than fail.
    if (!failure && m_connection && m_connection->isBroken())
        setConnection(nullptr);
    if (!failure && m_suspect && m_connection && m_connection->engine() == Engine::PostgreSQL) {
        // A server that restarted or a network that dropped leaves the connection dead
        // while it still looks open: test it, and open anew when it does not answer.
        try {
            m_connection->exec(QStringLiteral("SELECT 1"));
        } catch (const DatabaseError &) {
            setConnection(nullptr);
        }
    }
    m_suspect = false;
    if (!failure && !m_connection) {
        try {
            // Watched from the first statement: the schema's check waits on the server too.
            setConnection(std::make_unique<Connection>(
                m_config, QStringLiteral("mekira-%1").arg(connectionCounter.fetch_add(1))));
            m_connection->setStatementStarted([this] { arm(true); });
            migrate(*m_connection);
            listenForChanges();
        } catch (...) {
            setConnection(nullptr);
            failure = std::current_exception();
        }
    }
    m_suspect = job(m_connection.get(), failure);
    arm(false);
    // A connection cut by the watchdog is dead: the next call opens a new one.
    if (m_connection && m_connection->wasInterrupted())
        setConnection(nullptr);
    if (m_pending.fetch_sub(1) == 1)
        QMetaObject::invokeMethod(this, [this] {
            if (m_pending.load() == 0)
                Q_EMIT busyChanged(false);
        }, Qt::QueuedConnection);
}

void Database::listenForChanges()
{
    if (m_connection->engine() != Engine::PostgreSQL)
        return;
    // The driver watches the connection's socket on this (the worker's) thread.
    QSqlDriver *driver = m_connection->database().driver();
    if (driver->subscribeToNotification(changeChannel()))
        connect(driver, &QSqlDriver::notification, this, [this] { Q_EMIT changed(); });
}

void Database::waitFor(QSemaphore &done, std::chrono::milliseconds timeout) const
{
    Q_ASSERT(QThread::currentThread() != m_thread);
    if (!done.tryAcquire(1, int(timeout.count())))
        throw DatabaseError(DatabaseError::Kind::TimedOut,
                            QStringLiteral("注文データベースが %1 秒以内に応答しませんでした。")
                                .arg(timeout.count() / 1000.0));
}

} // namespace database
