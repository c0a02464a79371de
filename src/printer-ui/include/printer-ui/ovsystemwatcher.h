#pragma once

// Watches for added or removed printers and ports. The spooler is asked on a worker
// thread (a slow or absent cupsd never blocks the window); the answer is handed to the
// UI thread, where TOvPrinter::SystemChangeHook compares it with what the layer knows
// and calls OnSystemChanged when something changed. An answer that arrives while a
// modal dialog is open or the layer is busy is not used: the check is made again
// once the dialog has closed, between two user actions.

#include <QObject>
#include <QTimer>

#include <memory>

class TOvPrinter;
struct OvSystemState;

class OvSystemChangeWatcher : public QObject
{
    Q_OBJECT

public:
    // Watches `printer` (OvPrinter() by default); the printer must outlive the watcher.
    explicit OvSystemChangeWatcher(QObject *parent = nullptr);
    OvSystemChangeWatcher(TOvPrinter &printer, QObject *parent);
    ~OvSystemChangeWatcher() override;

    // Checks now and then every `intervalMs` milliseconds until stop().
    void start(int intervalMs = 5000);
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    // Starts one check now unless one is still running; returns whether it started.
    bool checkNow();
    bool checkRunning() const { return m_running; }
    // A check waits for a dialog to close.
    bool checkDeferred() const { return m_deferred.isActive(); }

Q_SIGNALS:
    // A check has been handed to the printer layer (whether or not it found changes).
    void checked();

private:
    void deliver(const OvSystemState &state);
    bool mayChange() const;
    void retryDeferred();

    struct Relay;
    TOvPrinter &m_printer;
    QTimer m_timer;
    QTimer m_deferred;
    bool m_running = false;
    std::shared_ptr<Relay> m_relay;
};
