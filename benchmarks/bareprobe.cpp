// The yardstick for the start time: a bare Qt window, shown and ended the same way as
// the start probe (a queued call once the window is shown, then its close). Prints
// "ready_ms=<ms>" since the driver started it.

#include "probeclock.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.show();
    QMetaObject::invokeMethod(
        &window,
        [&window] {
            std::printf("ready_ms=%.3f\n", double(bench::nsSinceStart()) / 1e6);
            std::fflush(stdout);
            window.close();
        },
        Qt::QueuedConnection);
    return application.exec();
}
