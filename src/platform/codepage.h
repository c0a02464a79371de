#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// CP932 (Shift-JIS as Windows writes it), the code page of every text file the program
// keeps. Decoding never fails: bytes that are not CP932 become U+FFFD. A character that
// CP932 lacks is written as "?".
QString decodeCp932(const QByteArray &bytes);
QByteArray encodeCp932(const QString &text);

// Reads a whole text file in CP932 and splits it into lines at CR LF, LF or CR.
// Raises EFileError naming the file when it cannot be opened or read.
QStringList readCp932Lines(const QString &path);

// Writes the lines in CP932, each ended by CR LF, through a file written aside and
// renamed over the old one, so that a failed write leaves the old file whole.
// Raises EFileError "%s に書き込めません" with the file's full path.
void writeCp932Lines(const QString &path, const QStringList &lines);

// The same, for a file's whole contents.
void saveFileAtomically(const QString &path, const QByteArray &contents);

} // namespace platform
