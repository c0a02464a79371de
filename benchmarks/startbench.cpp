// Start time of the program against a bare Qt window, started alternately in fresh
// working folders that hold a settings file and a sender profile.
//
//   mekira_startbench <start probe> <bare probe> [runs, default 20]
//
// Each probe prints the time from just before the driver's fork to the moment its
// start is complete (for the program: window shown and its start sequence done); the
// wall time from fork to exit is shown beside it. The children inherit this process's
// environment: QT_QPA_PLATFORM, DISPLAY and CUPS as they are.

#include "benchsupport.h"

#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Sample
{
    double readyMs = -1;
    double wallMs = 0;
};

Sample runOnce(const std::string &probe)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        std::exit(2);
    }
    bench::prepareWorkingFolder(folder.path());
    bench::Child child(probe, {}, folder.path().toStdString());
    const bench::ChildResult result = child.wait();
    if (!WIFEXITED(result.status) || WEXITSTATUS(result.status) != 0) {
        std::fprintf(stderr, "%s failed (status %d): %s\n", probe.c_str(), result.status, result.output.c_str());
        std::exit(1);
    }
    return {bench::valueOf(result.output, "ready_ms"), result.wallMs};
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <start probe> <bare probe> [runs]\n", argv[0]);
        return 2;
    }
    const std::string program = argv[1];
    const std::string bare = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;

    // One start of each first, so that neither pays alone for a cold disk cache.
    runOnce(program);
    runOnce(bare);

    std::vector<double> programReady, bareReady, programWall, bareWall;
    for (int i = 0; i < runs; ++i) {
        const Sample p = runOnce(program);
        const Sample b = runOnce(bare);
        programReady.push_back(p.readyMs);
        bareReady.push_back(b.readyMs);
        programWall.push_back(p.wallMs);
        bareWall.push_back(b.wallMs);
    }
    const double p = bench::median(programReady);
    const double b = bench::median(bareReady);
    std::printf("start time: mekira %.1f ms, bare Qt window %.1f ms, ratio %.2f "
                "(median of %d alternate starts, fork to start complete; "
                "fork to exit %.1f / %.1f ms; platform %s)\n",
                p, b, b > 0 ? p / b : 0.0, runs, bench::median(programWall), bench::median(bareWall),
                bench::platformNote().c_str());
    return 0;
}
