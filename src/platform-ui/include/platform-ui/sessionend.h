#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGHUP and SIGINT (a desktop logout, a closed terminal, Ctrl+C) into a
// signal on the UI thread, so that the main window closes as by its close box and
// the entries are saved.
class SessionEndWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SessionEndWatcher(QObject *parent = nullptr);
    ~SessionEndWatcher() override;

Q_SIGNALS:
    void sessionEnding();

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
