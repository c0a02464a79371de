#pragma once

#include "history/historyentry.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace history {

// Slips of one print job that went out of the printer.
struct SentJob
{
    QString id; // tells the job from every other, so that it is recorded once
    QList<PrintedSlip> slips;
    QDateTime sentAt;
    QString station;
};

// A file in the working folder holding the jobs that were sent but not yet written into
// the history (the order book was away, or the program ended before the write). It
// outlives the program: what came out of the printer is recorded at the next start. The file is written whole (a half-written file never replaces the last good
// one) and removed once nothing waits.
class UnrecordedJournal
{
public:
    explicit UnrecordedJournal(QString path);

    static QString defaultPath(const QString &workingFolder);

    const QString &path() const { return m_path; }
    bool exists() const;

    // The jobs the file holds; none when it is missing. A damaged file is set aside as
    // "<name>.damaged" (never deleted: a person may still read it) and gives none.
    QList<SentJob> load() const;
    // Writes `jobs`, or removes the file when there are none. Returns false when the
    // file cannot be written or removed.
    bool save(const QList<SentJob> &jobs) const;

private:
    QString m_path;
};

} // namespace history
