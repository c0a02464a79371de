#pragma once

// Waiting for a started copy of the program: it answers on its single-instance socket
// once it watches for termination signals and is about to show its window.

#include "platform-ui/singleinstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QString>
#include <QThread>

#include <functional>

// The instance name of a copy started on `display`; this process takes that display
// too, as the name is made from it.
inline QString instanceNameOn(const QString &display)
{
    qputenv("DISPLAY", display.toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    return platform::SingleInstance::defaultName();
}

// Waits until the instance `name` answers. False after the time-out, or as soon as
// `alive` says the program has ended.
inline bool waitForInstance(const QString &name, const std::function<bool()> &alive, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs && alive()) {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(200))
            return true;
        QCoreApplication::processEvents(); // a QProcess learns of its child's end here
        QThread::msleep(50);
    }
    return false;
}
