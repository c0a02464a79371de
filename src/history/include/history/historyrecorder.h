#pragma once

#include "history/historyentry.h"
#include "history/unrecordedjournal.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <optional>

namespace database {
class Database;
}

namespace history {

// Writes what the print paths sent into the history (and, for orders, marks them
// printed), off the window's thread. A write that fails (the server is away) is kept
// and tried again every little while, so a slip that came out of the printer is never
// forgotten, and never recorded twice. With a journal every job also goes into a file
// until it is written, which the next start reads back: closing the program, or its
// end in a power cut, loses nothing either.
class HistoryRecorder : public QObject
{
    Q_OBJECT
public:
    explicit HistoryRecorder(database::Database &database, QObject *parent = nullptr);
    // Starts by writing what `journal` holds from an earlier run.
    HistoryRecorder(database::Database &database, const UnrecordedJournal &journal, QObject *parent = nullptr);

    // One job was sent with these slips (F11: one slip; a batch: one per page).
    // Returns the job's name, which jobHandled() tells again.
    QString jobSent(const QList<PrintedSlip> &slips);

    int pendingCount() const;
    // True while the job named `job` waits for its first write. A write that ends before
    // its caller looks (a fast book) has told jobHandled() already.
    bool isWaiting(const QString &job) const;
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

private:
    void flush();
    void finished(const QString &failure, int count);
    bool keepInJournal();

    database::Database &m_database;
    std::optional<UnrecordedJournal> m_journal;
    QList<SentJob> m_pending;
    bool m_writing = false;
    bool m_reported = false;
    QTimer m_retry;
    QSet<QString> m_told; // waiting jobs whose jobHandled() was sent
};

} // namespace history
