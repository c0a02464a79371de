#pragma once

#include "history/historyentry.h"
#include "history/unrecordedjournal.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>
#include <optional>

class QLockFile;

namespace database {
class Database;
}

namespace history {

// Writes what the print paths sent into the history (and, for orders, marks them
// printed), off the window's thread. A write that fails (the server is away) is kept
// and tried again every little while, so a slip that came out of the printer is never
// forgotten, and never recorded twice (the job's name is a unique key of the book).
// With a journal every job is written into a file before it is sent, and stays there
// until recorded; the next start reads it back: closing the program, or its end in a
// power cut, loses nothing either.
class HistoryRecorder : public QObject
{
    Q_OBJECT
public:
    explicit HistoryRecorder(database::Database &database, QObject *parent = nullptr);
    // Uses `journal`, or when another running program holds it, the first free one
    // beside it ("mekira-unrecorded-2.json", ...), so that two programs in one working
    // folder never write into one file. Journals of earlier runs (this one's and any
    // no running program holds) are read on a thread of their own and their jobs
    // recorded.
    HistoryRecorder(database::Database &database, const UnrecordedJournal &journal, QObject *parent = nullptr);
    ~HistoryRecorder() override;

    // Before a job is sent: its slips go into the journal and are on the disk when this
    // returns. Returns the job's name. Raises platform::Error when the journal cannot be
    // written: the job must then not be sent.
    QString jobWritten(const QList<PrintedSlip> &slips);
    // The job written before went to the printer: it is recorded now (or kept until the
    // book answers). jobHandled() tells when.
    void jobSent(const QString &job);
    // The job written before did not go out after all: it is dropped from the journal.
    void jobNotSent(const QString &job);
    // Both steps at once, for slips already sent. Returns the job's name.
    QString jobSent(const QList<PrintedSlip> &slips);

    int pendingCount() const;
    // The orders of the slips that wait to be recorded (their orders are marked printed
    // when they are).
    QSet<qint64> pendingOrderIds() const;
    // The journal this recorder writes (empty without one).
    QString journalPath() const;
    // True while the job named `job` waits for its first write. A write that ends before
    // its caller looks (a fast book) has told jobHandled() already.
    bool isWaiting(const QString &job) const;
    // True once the journals of earlier runs were read.
    bool isRecovered() const { return m_recovered; }
    // How long a failed write waits before the next try (tests shorten it).
    void setRetryInterval(int ms) { m_retry.setInterval(ms); }
    static constexpr int kRetryMs = 10000;

Q_SIGNALS:
    // The history has new rows: history windows refresh.
    void recorded(int slips);
    // The job named `job` was written into the history, or its write failed and it waits
    // (in the journal) for the next try. Told once per job.
    void jobHandled(const QString &job);
    // Writing failed; `pending` slips wait for the next try. Sent once per outage.
    void failed(const QString &message, int pending);
    // The journals of earlier runs were read; `setAside` names those that could not be
    // read and were kept under their own names (told to the user once).
    void recoveryFinished(const QStringList &setAside);

private:
    void flush();
    void finished(const QString &job, const QString &failure, int count);
    void recover(const QString &configured);

    database::Database &m_database;
    std::optional<UnrecordedJournal> m_journal;
    std::unique_ptr<QLockFile> m_lock;
    QList<SentJob> m_pending;
    QSet<QString> m_unsent; // written ahead, not yet sent: not recorded
    bool m_writing = false;
    bool m_reported = false;
    bool m_recovered = true;
    QTimer m_retry;
    QSet<QString> m_told; // waiting jobs whose jobHandled() was sent
};

} // namespace history
