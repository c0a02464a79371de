#include "database/database.h"

#include "database/schema.h"

#include <QSqlDriver>
#include <QThread>

#include <atomic>

namespace database {

namespace {
std::atomic<int> connectionCounter{0};
}

Database::Database(DatabaseConfig config, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_thread(new QThread(this)), m_worker(new QObject)
{
    m_thread->setObjectName(QStringLiteral("mekira database"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

Database::~Database()
{
    // The connection must close on its own thread; jobs not yet started see m_stopping.
    m_stopping = true;
    // Blocking: the calls queued before run first (and fail at once), then the
    // connection closes on its own thread.
    QMetaObject::invokeMethod(m_worker, [this] { m_connection.reset(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
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
    } else if (m_suspect && m_connection && m_connection->engine() == Engine::PostgreSQL) {
        // A server that restarted or a network that dropped leaves the connection dead
        // while it still looks open: test it, and open anew when it does not answer.
        try {
            m_connection->exec(QStringLiteral("SELECT 1"));
        } catch (const DatabaseError &) {
            m_connection.reset();
        }
    }
    m_suspect = false;
    if (!failure && !m_connection) {
        try {
            auto connection = std::make_unique<Connection>(
                m_config, QStringLiteral("mekira-%1").arg(connectionCounter.fetch_add(1)));
            migrate(*connection);
            m_connection = std::move(connection);
            listenForChanges();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    m_suspect = job(m_connection.get(), failure);
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
