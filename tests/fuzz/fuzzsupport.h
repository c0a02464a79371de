#pragma once

// Small helpers shared by the fuzz targets: a failed check that names itself, a private
// folder for the files a target writes, and whole-file reads and writes.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include "platform/codepage.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken invariant: say which, then abort so that libFuzzer saves the input.
[[noreturn]] inline void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "\n*** invariant broken at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)

// One private folder per process, in memory where possible (every write is a save
// through a renamed file), removed when the process ends normally.
inline QString workFolderBase()
{
    const QString chosen = qEnvironmentVariable("MEKIRA_FUZZ_TMPDIR");
    if (!chosen.isEmpty())
        return chosen;
    const QDir shm(QStringLiteral("/dev/shm"));
    return shm.exists() && QFileInfo(shm.path()).isWritable() ? shm.path() : QDir::tempPath();
}

inline const QString &workFolder()
{
    static QTemporaryDir dir(workFolderBase() + QStringLiteral("/mekira-fuzz-XXXXXX"));
    if (!dir.isValid())
        fail("no private temporary folder", __FILE__, __LINE__);
    static const QString path = dir.path();
    return path;
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the input file", __FILE__, __LINE__);
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read back a written file", __FILE__, __LINE__);
    return file.readAll();
}

inline bool holdsCrOrLf(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// FNV-1a: a cheap, stable choice of cases from the input.
inline quint32 hashOf(const QByteArray &bytes)
{
    quint32 h = 2166136261u;
    for (const char c : bytes)
        h = (h ^ quint8(c)) * 16777619u;
    return h;
}

} // namespace fuzz
