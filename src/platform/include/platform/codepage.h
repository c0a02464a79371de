#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// CP932 (Shift-JIS as Windows writes it), the code page of every text file the program
// keeps. Decoding never fails: bytes that are not CP932 become U+FFFD. A character that
// CP932 lacks is written as "?".
QString decodeCp932(const QByteArray &bytes);
QByteArray encodeCp932(const QString &text);

// How a value lives in the settings and profile files. A value is one line: each line
// break (CR LF, CR or LF) becomes one blank. A character CP932 cannot hold (𠮷, rare
// kanji) is written as a numeric character reference "&#x20BB7;" instead of "?".
// The reader turns back only references that the writer makes: those to a character
// CP932 cannot hold and "&#x26;" ("&"). So every value CP932 holds and that contains no
// such reference is stored byte for byte as before; a reference the user typed himself
// keeps its text because the writer puts "&#x26;" for its "&".
QString toStoredValue(QStringView value);
QString fromStoredValue(QStringView stored);

// Whether CP932 has the character (a code point; any beyond U+FFFF has none).
bool cp932Holds(char32_t codePoint);

// Reads a whole text file in CP932 and splits it into lines at CR LF, LF or CR.
// Raises EFileError naming the file when it cannot be opened or read.
QStringList readCp932Lines(const QString &path);

// Writes the lines in CP932, each ended by CR LF, through a file written aside and
// renamed over the old one, so that a failed write leaves the old file whole.
// Raises EFileError "%s に書き込めません" with the file's full path.
void writeCp932Lines(const QString &path, const QStringList &lines);

// A text cell of an exported table that a spreadsheet would run as a formula (it
// starts with = + - @, a tab or a carriage return) with a leading "'", which the
// spreadsheet shows as text; other texts unchanged. Not for cells a platform matches
// on (order numbers, tracking numbers): those go out as they are.
QString neutralizedFormula(const QString &text);

// Who may read a file written: as the user's umask allows, or the owner alone (files
// with customer data: exports of names, addresses, order numbers).
enum class FileAccess { Default, OwnerOnly };

// The same, for a file's whole contents.
void saveFileAtomically(const QString &path, const QByteArray &contents, FileAccess access = FileAccess::Default);

} // namespace platform
