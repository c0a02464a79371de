#include "mainwindow.h"

#include "platform/fonts.h"
#include "platform/messagebox.h"
#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "printer/ovprinters.h"
#include "printer/ovsystemwatcher.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    application.setApplicationName(platform::applicationTitle());
    application.setApplicationDisplayName(platform::applicationTitle());

    // A logout or kill closes the window as its close box does, so the entries are
    // saved. Watched from the first moment, so that no signal meets the default action.
    platform::SessionEndWatcher sessionEnd;

    // A second start hands over to the running one and ends without a window.
    platform::SingleInstance instance(platform::SingleInstance::defaultName());
    if (!instance.becomePrimary())
        return 0;

    platform::installFontSubstitutions();
    // The printers are reachable before any window exists and until the last is gone.
    OvPrinterScope printers(createSystemPrinterBackend());

    TForm_Main window;
    QObject::connect(&instance, &platform::SingleInstance::activationRequested, &window, [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    });
    QObject::connect(&sessionEnd, &platform::SessionEndWatcher::sessionEnding, &window,
                     &QWidget::close);

    // Printers added or removed while the program runs are noticed without blocking it.
    OvSystemChangeWatcher printerWatcher;
    printerWatcher.start();

    window.show();
    return application.exec();
}
