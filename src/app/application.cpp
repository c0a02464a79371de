#include "application.h"

#include "exportcommand.h"
#include "mainwindow.h"

#include "platform/ownerfiles.h"
#include "platform-ui/fonts.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "platform-ui/sessionend.h"
#include "platform-ui/singleinstance.h"
#include "platform-ui/translations.h"
#include "printer/ovprinters.h"
#include "printer-ui/ovsystemwatcher.h"
#include "printer-cups/systemprinterbackend.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QScopeGuard>
#include <QLocale>

#include <algorithm>
#include <string_view>

namespace app {

namespace {

// A logout or kill: the window closes as by its close box (the entries are saved),
// then any box still open is closed as unanswered, so that its handler returns
// and the program ends instead of waiting for someone to answer it.
void endSession(TForm_Main &window)
{
    window.close();
    for (int i = 0; i < 16; ++i) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
    }
}

// The command line: order files to import, and the options that only print.
void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("ゆうパックの送り状を印刷します。\n"
                                                    "Prints Yu-Pack parcel slips on pre-printed forms."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("読み込む注文ファイル（CSV・TSV） / order files to import (CSV, TSV)"),
                                 QStringLiteral("[files...]"));
    exportcommand::describe(parser);
}

bool asksToPrintOnly(int argc, char *argv[])
{
    static constexpr std::string_view kOptions[] = {"-h", "--help", "--help-all", "-v", "--version"};
    return std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::ranges::find(kOptions, std::string_view(argument)) != std::end(kOptions);
    });
}

// Prints the help or the version and ends, before any window system is opened: both
// work without a display (a terminal over ssh, a package check).
int printOnly(int argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mekira"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MEKIRA_VERSION));
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(core); // exits after printing
    return 0;
}

} // namespace

void setUpApplication(QApplication &application)
{
    application.setApplicationName(platform::applicationTitle());
    // The desktop puts a display name after every window title; an empty one keeps the
    // captions as given. The name still reaches the desktop by the window class and
    // the desktop entry.
    application.setApplicationDisplayName(QString());
    // Read as PNG outright: a reader left to detect the format first loads every image
    // format plugin installed (GIF, JPEG, ...) to ask each whether it reads PNG.
    QImageReader iconReader(QStringLiteral(":/mekira/mekira-48.png"), "png");
    iconReader.setAutoDetectImageFormat(false);
    application.setWindowIcon(QIcon(QPixmap::fromImage(iconReader.read())));
    // Desktop shells match the window to its launcher by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("mekira"));
    // Qt's own dialogs and context menus in the user's language.
    platform::installQtTranslations(QLocale::system());
}

int runApplication(int argc, char *argv[], const StartOptions &options)
{
    if (asksToPrintOnly(argc, argv))
        return printOnly(argc, argv);
    // Customer data (the order book and its side files, the journal, printed PDFs) is
    // readable by this user only.
    platform::createFilesOwnerOnly();
    // An export runs without a window and without a display.
    if (exportcommand::isAsked(argc, argv))
        return exportcommand::run(argc, argv);
    // The font configuration is read while the application and the display connection
    // are set up; the window's first text waits for it.
    platform::FontConfigPreload fontConfig;
    QApplication application(argc, argv);
    // Qt's font database gives the configuration back when the application object goes;
    // the reading thread must be done by then on every way out (a second start ends
    // before any window is made), or the two race over fontconfig's configuration.
    const auto fontConfigReadFirst = qScopeGuard([&fontConfig] { fontConfig.wait(); });
    setUpApplication(application);

    // A logout or kill closes the window as its close box does, so the entries are
    // saved. Watched from the first moment, so that no signal meets the default action.
    platform::SessionEndWatcher sessionEnd;

    // A second start hands over to the running one and ends without a window.
    // Files named on the command line (the file manager's "open with") are order
    // exports: imported by whichever instance runs.
    QStringList orderFiles;
    for (const QString &argument : application.arguments().mid(1))
        if (!argument.startsWith(u'-'))
            orderFiles << QFileInfo(argument).absoluteFilePath();
    platform::SingleInstance instance(platform::SingleInstance::defaultName());
    if (!instance.becomePrimary(orderFiles))
        return 0;

    platform::installFontSubstitutions();
    // The printers are reachable before any window exists and until the last is gone.
    OvPrinterScope printers(createSystemPrinterBackend());

    fontConfig.wait();
    TForm_Main window;
    QObject::connect(&instance, &platform::SingleInstance::activationRequested, &window, [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    });
    QObject::connect(&instance, &platform::SingleInstance::filesHandedOver, &window,
                     [&window](const QStringList &files) {
                         platform::guarded([&] { window.openOrderFiles(files); });
                     });
    if (!orderFiles.isEmpty())
        QObject::connect(&window, &TForm_Main::startSequenceFinished, &window, [&window, orderFiles] {
            platform::guarded([&] { window.openOrderFiles(orderFiles); });
        }, Qt::SingleShotConnection);
    QObject::connect(&sessionEnd, &platform::SessionEndWatcher::sessionEnding, &window,
                     [&window] { endSession(window); });
    if (options.afterStart || options.quitWhenStarted) {
        QObject::connect(&window, &TForm_Main::startSequenceFinished, &window, [&window, options] {
            if (options.afterStart)
                platform::guarded([&] { options.afterStart(window); });
            if (options.quitWhenStarted)
                window.close();
        });
    }

    // Printers added or removed while the program runs are noticed without blocking it.
    OvSystemChangeWatcher printerWatcher;
    printerWatcher.start();

    // Once the window is gone the process only finishes (saves, closes the order book):
    // a new start must not hand over to it.
    QObject::connect(&application, &QGuiApplication::lastWindowClosed, &instance, &platform::SingleInstance::release);

    window.show();
    const int code = application.exec();
    instance.release();
    return code;
}

} // namespace app
