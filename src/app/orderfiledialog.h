#pragma once

#include <QFileDialog>
#include <QStringList>

#include <memory>

namespace app {

// The dialog that picks order files to import. It never opens a file it lists: a file
// opened and closed by this process (the dialog looking into the order book to choose
// its icon) drops the process's SQLite locks on it, after which another program may
// remove the write-ahead log still in use. So the dialog is Qt's own (no desktop dialog
// that sniffs contents), types and icons come from names only, it starts in the
// download folder, and the order book and its side files are not listed at all.
std::unique_ptr<QFileDialog> makeOrderFileDialog(QWidget *parent, const QString &orderBookPath);

// Shows the dialog; the chosen files (none when cancelled).
QStringList askForOrderFiles(QWidget *parent, const QString &orderBookPath);

} // namespace app
