#pragma once

#include "history/historyentry.h"

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>

#include <memory>

namespace history {

// Slips of one print job that went out of the printer.
struct SentJob
{
    QString id; // tells the job from every other, so that it is recorded once
    QList<PrintedSlip> slips;
    QDateTime sentAt;
    QString station;
};

// A file in the working folder holding the jobs about to be sent or sent but not yet
// written into the history (the order book was away, or the program ended before the
// write). A job's entry is on the disk before the job goes to the printer, so what came
// out of the printer is recorded at the next start whatever ends the program. Entries
// are appended (one line each, synced); the file is removed once nothing waits. The
// file is readable by its owner only. Copies share one lock: the recorder's thread
// reading an earlier run's file and the window's thread appending take turns.
class UnrecordedJournal
{
public:
    explicit UnrecordedJournal(QString path);

    static QString defaultPath(const QString &workingFolder);

    const QString &path() const { return m_path; }
    bool exists() const;

    // The jobs the file holds and not yet done; none when it is missing. A file (or a
    // line of it) that cannot be read is set aside under a name no other file has
    // ("<name>.damaged", "<name>.damaged-2", ...), never deleted: a person may still
    // read it. `setAside` then names it; the jobs that could be read stay in the journal.
    QList<SentJob> load(QString *setAside = nullptr) const;
    // Writes `jobs` as the whole journal, or removes the file when there are none.
    // Returns false when the file cannot be written or removed.
    bool save(const QList<SentJob> &jobs) const;
    // Adds a job, and returns once it is on the disk (false when it could not be written).
    bool append(const SentJob &job) const;
    // Adds the end of a job: recorded, or not sent after all.
    bool appendDone(const QString &job) const;

private:
    bool saveLocked(const QList<SentJob> &jobs) const;

    QString m_path;
    std::shared_ptr<QMutex> m_mutex;
};

} // namespace history
