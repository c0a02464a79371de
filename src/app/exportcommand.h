#pragma once

#include <QStringList>

class QCommandLineParser;

namespace app {

// `mekira --export KIND FILE [--from DATE] [--to DATE]`: writes the same file as the
// windows would from the same order book (the settings file's "Database" key or
// MEKIRA_DATABASE, else mekira.db in the current folder), with no window and no display.
// KIND: clickpost (every unprinted order, as 「クリックポスト用に書き出す」 with nothing
// selected), shipments (the generic file of the history's export, shipments not yet
// reported), amazon (Amazon's shipping confirmation file).
namespace exportcommand {

// The options it adds to the program's command line.
void describe(QCommandLineParser &parser);

// Whether the arguments ask for an export.
bool isAsked(int argc, char *argv[]);

// Runs it: one line on standard output and 0, or a Japanese message on standard error
// and 1.
int run(int argc, char *argv[]);

} // namespace exportcommand
} // namespace app
