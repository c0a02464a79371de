#include "printer-ui/ovsystemwatcher.h"

#include "printer/ovprinters.h"

#include "platform-ui/guard.h"

#include <QApplication>
#include <QPointer>

#include <mutex>
#include <thread>

// The worker posts its result through the relay. The watcher clears `target` under
// the lock before it dies, so a worker that finishes late posts to nobody.
struct OvSystemChangeWatcher::Relay
{
    std::mutex mutex;
    QPointer<OvSystemChangeWatcher> target;
};

OvSystemChangeWatcher::OvSystemChangeWatcher(QObject *parent)
    : OvSystemChangeWatcher(OvPrinter(), parent)
{
}

OvSystemChangeWatcher::OvSystemChangeWatcher(TOvPrinter &printer, QObject *parent)
    : QObject(parent), m_printer(printer), m_relay(std::make_shared<Relay>())
{
    m_relay->target = this;
    connect(&m_timer, &QTimer::timeout, this, &OvSystemChangeWatcher::checkNow);
    m_deferred.setSingleShot(true);
    m_deferred.setInterval(200);
    connect(&m_deferred, &QTimer::timeout, this, &OvSystemChangeWatcher::retryDeferred);
}

OvSystemChangeWatcher::~OvSystemChangeWatcher()
{
    const std::lock_guard lock(m_relay->mutex);
    m_relay->target = nullptr;
}

void OvSystemChangeWatcher::start(int intervalMs)
{
    m_timer.start(intervalMs);
    // At once as well: a spooler slow to give its first list is heard as soon as it answers.
    checkNow();
}

void OvSystemChangeWatcher::stop()
{
    m_timer.stop();
    m_deferred.stop();
}

bool OvSystemChangeWatcher::checkNow()
{
    if (m_running)
        return false;
    m_running = true;
    std::function<OvSystemState()> probe = m_printer.backend().systemProbe();
    // Detached: a check stuck in a dead connection must not hold up closing the window.
    std::thread([probe = std::move(probe), relay = m_relay] {
        const OvSystemState state = probe();
        const std::lock_guard lock(relay->mutex);
        if (relay->target) {
            QMetaObject::invokeMethod(
                relay->target.data(),
                [target = relay->target, state] {
                    if (target)
                        target->deliver(state);
                },
                Qt::QueuedConnection);
        }
    }).detach();
    return true;
}

// A changed printer list frees the back end's printer object and reloads the
// display: never while a dialog (Qt's or the program's) or an operation of the
// layer may still hold what it replaces.
bool OvSystemChangeWatcher::mayChange() const
{
    return !m_printer.Busy() && !QApplication::activeModalWidget();
}

void OvSystemChangeWatcher::retryDeferred()
{
    if (!mayChange())
        m_deferred.start();
    else
        checkNow(); // a check still running delivers by itself
}

void OvSystemChangeWatcher::deliver(const OvSystemState &state)
{
    m_running = false;
    if (!mayChange()) {
        // The answer may be stale by the time the dialog closes: ask again then.
        m_deferred.start();
        return;
    }
    // A failure in the notification (the main window re-reading the printers, say)
    // is shown like that of any other handler.
    platform::guarded([this, &state] { m_printer.SystemChangeHook(state); });
    Q_EMIT checked();
}
