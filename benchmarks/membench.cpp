// Peak memory of the running program.
//
//   mekira_membench <mekira> <start probe>
//
// 1. The real program started in a working folder with settings and a sender profile,
//    left running until its window is up and its start sequence has run (its
//    instance socket answers, then a settle time), then ended with SIGTERM as a logout
//    ends it. 2. The start probe with --exercise: the same start, then an order mail
//    pasted and transferred and the slip printed to the PDF printer. Peak resident
//    memory of each from wait4(); CUPS_SERVER is pointed at a refused local port, so
//    that the PDF printer is the printer used.

#include "benchsupport.h"

#include "instanceprobe.h"
#include "platform-ui/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

namespace {

bool waitUntilRunning(const QString &name, pid_t pid)
{
    return waitForInstance(name, [pid] { return waitpid(pid, nullptr, WNOHANG) == 0; }, 30000);
}

double mb(long kb) { return double(kb) / 1024.0; }

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <mekira> <start probe>\n", argv[0]);
        return 2;
    }
    QCoreApplication application(argc, argv);
    const bench::RefusedPort refused;
    const std::string cups = "CUPS_SERVER=" + refused.cupsServer();

    // 1. The real program, started and ended.
    double programMb = 0;
    {
        QTemporaryDir folder;
        bench::prepareWorkingFolder(folder.path(), 0);
        // A display name of its own under offscreen, so that no running copy answers.
        std::vector<std::string> env{cups};
        const char *platform = std::getenv("QT_QPA_PLATFORM");
        if (platform && std::string(platform) == "offscreen") {
            const QString display = QStringLiteral(":membench-") + QUuid::createUuid().toString(QUuid::Id128);
            env.push_back("DISPLAY=" + display.toStdString());
            qputenv("DISPLAY", display.toLocal8Bit());
        }
        const QString name = platform::SingleInstance::defaultName();
        bench::Child child(argv[1], {}, folder.path().toStdString(), env);
        if (!waitUntilRunning(name, child.pid())) {
            std::fprintf(stderr, "the program did not come up\n");
            return 1;
        }
        QThread::msleep(2000); // the start sequence runs once the window is shown
        child.terminate();
        const bench::ChildResult result = child.wait();
        if (!QFileInfo::exists(folder.filePath(QStringLiteral("mekira_RErorezev.ini")))) {
            std::fprintf(stderr, "the program did not save its settings on SIGTERM\n");
            return 1;
        }
        programMb = mb(result.maxRssKb);
    }

    // 2. The start probe: start, transfer, PDF print.
    double exerciseMb = 0;
    {
        QTemporaryDir folder;
        bench::prepareWorkingFolder(folder.path(), 0);
        bench::Child child(argv[2], {"--exercise"}, folder.path().toStdString(), {cups});
        const bench::ChildResult result = child.wait();
        const bool printed = bench::valueOf(result.output, "printed") == 1
            && !QDir(folder.filePath(QStringLiteral("pdf"))).entryList({QStringLiteral("*.pdf")}).isEmpty();
        if (!WIFEXITED(result.status) || WEXITSTATUS(result.status) != 0 || !printed
            || bench::valueOf(result.output, "transferred") != 1) {
            std::fprintf(stderr, "the exercise failed: %s\n", result.output.c_str());
            return 1;
        }
        exerciseMb = mb(result.maxRssKb);
    }

    std::printf("peak memory: %.1f MB (mekira started, shown, ended by SIGTERM: %.1f MB; "
                "started, transfer and PDF print: %.1f MB; peak RSS from wait4; platform %s)\n",
                std::max(programMb, exerciseMb), programMb, exerciseMb, bench::platformNote().c_str());
    return 0;
}
