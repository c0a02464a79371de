#pragma once

#include <functional>

class QApplication;
class TForm_Main;

namespace app {

// How a run of the program differs from a user's start. The program itself starts
// with the defaults; the benchmark probes use the rest.
struct StartOptions
{
    // Runs once the window's start sequence has finished (settings and profile loaded).
    std::function<void(TForm_Main &)> afterStart;
    // Ends the program as soon as the start sequence (and afterStart) has finished,
    // through the same close as the close box, so that the settings are saved.
    bool quitWhenStarted = false;
};

// Names the program to the desktop (application name, window icon, desktop entry; no
// display name after the window titles) and loads Qt's own texts in the user's language.
void setUpApplication(QApplication &application);

// The whole program: application object, single instance, session-end watch, printers
// and the main window. Returns the exit code.
int runApplication(int argc, char *argv[], const StartOptions &options = {});

} // namespace app
