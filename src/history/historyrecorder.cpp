#include "history/historyrecorder.h"

#include "history/historystore.h"

#include "database/connection.h"
#include "database/database.h"
#include "platform/error.h"

#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QLockFile>
#include <QPromise>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <utility>

namespace history {

namespace {

// Journals beside the configured one, for further programs in the same folder.
constexpr int kJournalSlots = 9;

QString slotPath(const QString &base, int slot)
{
    if (slot == 1)
        return base;
    const QFileInfo info(base);
    return info.dir().filePath(QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(slot).arg(info.suffix()));
}

std::unique_ptr<QLockFile> lockFor(const QString &journalPath)
{
    auto lock = std::make_unique<QLockFile>(journalPath + QStringLiteral(".lock"));
    // A lock whose process is gone is taken over at once (QLockFile checks the pid).
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

struct Recovered
{
    QList<SentJob> jobs;
    QStringList setAside;
};

// Reads this program's journal and takes over those of the other slots that no running
// program holds: their jobs are appended to `own` and their files removed.
Recovered readEarlierJournals(const UnrecordedJournal &own, const QString &base)
{
    Recovered result;
    QString aside;
    result.jobs = own.load(&aside);
    if (!aside.isEmpty())
        result.setAside << aside;
    for (int slot = 1; slot <= kJournalSlots; ++slot) {
        const QString path = slotPath(base, slot);
        if (path == own.path() || !QFile::exists(path))
            continue;
        const std::unique_ptr<QLockFile> lock = lockFor(path);
        if (!lock)
            continue; // a running program's
        const UnrecordedJournal other(path);
        const QList<SentJob> jobs = other.load(&aside);
        if (!aside.isEmpty())
            result.setAside << aside;
        bool kept = true;
        for (const SentJob &job : jobs) {
            kept = own.append(job) && kept;
            result.jobs.append(job);
        }
        if (kept)
            other.save({});
    }
    return result;
}

} // namespace

HistoryRecorder::HistoryRecorder(database::Database &database, QObject *parent)
    : QObject(parent), m_database(database)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &HistoryRecorder::flush);
}

HistoryRecorder::HistoryRecorder(database::Database &database, const UnrecordedJournal &journal, QObject *parent)
    : HistoryRecorder(database, parent)
{
    for (int slot = 1; slot <= kJournalSlots && !m_lock; ++slot) {
        const QString path = slotPath(journal.path(), slot);
        m_lock = lockFor(path);
        if (m_lock)
            m_journal = slot == 1 ? journal : UnrecordedJournal(path);
    }
    if (!m_journal) {
        // Every slot is held: share the first rather than print without a journal.
        m_journal = journal;
    }
    recover(journal.path());
}

HistoryRecorder::~HistoryRecorder()
{
    // The program ends: what the book did not take is in the journal for the next start.
    if (const int left = pendingCount(); left > 0 && m_journal)
        qWarning("%s", qPrintable(QStringLiteral("発送履歴に記録していない送り状が %1 枚あります。%2 に残し、次に起動したときに記録します。")
                                      .arg(left)
                                      .arg(QDir::toNativeSeparators(m_journal->path()))));
}

void HistoryRecorder::recover(const QString &configured)
{
    m_recovered = false;
    const UnrecordedJournal own = *m_journal;
    auto promise = std::make_shared<QPromise<Recovered>>();
    QFuture<Recovered> future = promise->future();
    promise->start();
    // Off the window's thread: a long journal of an earlier run never holds the window.
    QThread *reader = QThread::create([promise, own, configured] {
        promise->addResult(readEarlierJournals(own, configured));
        promise->finish();
    });
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    future.then(this, [this](const Recovered &recovered) {
        m_recovered = true;
        // Earlier jobs go first, as they were sent first. A job written while the file
        // was read is already known.
        QSet<QString> known;
        for (const SentJob &job : std::as_const(m_pending))
            known.insert(job.id);
        QList<SentJob> pending;
        for (const SentJob &job : recovered.jobs) {
            if (!known.contains(job.id))
                pending.append(job);
        }
        pending += m_pending;
        m_pending = std::move(pending);
        Q_EMIT recoveryFinished(recovered.setAside);
        flush();
    });
    reader->start();
}

QString HistoryRecorder::jobWritten(const QList<PrintedSlip> &slips)
{
    if (slips.isEmpty())
        return {};
    const SentJob job{QUuid::createUuid().toString(QUuid::WithoutBraces), slips, QDateTime::currentDateTime(),
                      database::Connection::stationName()};
    // Written ahead: a program that ends after the job was sent still knows it at its
    // next start, and the job's name keeps it from being recorded twice.
    if (m_journal && !m_journal->append(job))
        throw platform::Error(
            QStringLiteral("印刷の記録を %1 に書き込めないため、印刷していません。\n"
                           "作業フォルダのディスクの空きと書き込みの許可を確かめてから、もう一度印刷してください。")
                .arg(QDir::toNativeSeparators(m_journal->path())));
    m_pending.append(job);
    m_unsent.insert(job.id);
    return job.id;
}

void HistoryRecorder::jobSent(const QString &job)
{
    m_unsent.remove(job);
    flush();
}

void HistoryRecorder::jobNotSent(const QString &job)
{
    m_unsent.remove(job);
    m_pending.removeIf([&job](const SentJob &sent) { return sent.id == job; });
    if (m_journal) {
        if (m_pending.isEmpty())
            m_journal->save({});
        else
            m_journal->appendDone(job);
    }
}

QString HistoryRecorder::jobSent(const QList<PrintedSlip> &slips)
{
    const QString id = jobWritten(slips);
    if (!id.isEmpty())
        jobSent(id);
    return id;
}

bool HistoryRecorder::isWaiting(const QString &job) const
{
    if (m_told.contains(job))
        return false;
    return std::any_of(m_pending.cbegin(), m_pending.cend(), [&job](const SentJob &sent) { return sent.id == job; });
}

QSet<qint64> HistoryRecorder::pendingOrderIds() const
{
    QSet<qint64> ids;
    for (const SentJob &job : m_pending)
        for (const PrintedSlip &slip : job.slips)
            if (slip.orderId)
                ids.insert(*slip.orderId);
    return ids;
}

int HistoryRecorder::pendingCount() const
{
    int count = 0;
    for (const SentJob &job : m_pending)
        count += int(job.slips.size());
    return count;
}

QString HistoryRecorder::journalPath() const
{
    return m_journal ? m_journal->path() : QString();
}

void HistoryRecorder::flush()
{
    if (m_writing || !m_recovered)
        return;
    const auto next = std::find_if(m_pending.cbegin(), m_pending.cend(),
                                   [this](const SentJob &job) { return !m_unsent.contains(job.id); });
    if (next == m_pending.cend())
        return;
    m_writing = true;
    const SentJob job = *next;
    // The write answers with a message, empty on success: every failure comes back as
    // text, whatever its type.
    m_database
        .run<QString>([job](database::Connection &connection) {
            try {
                HistoryStore::recordJob(connection, job.slips, job.sentAt, job.station, job.id);
                return QString();
            } catch (const platform::Error &error) {
                return error.message();
            } catch (const std::exception &error) {
                return QString::fromLocal8Bit(error.what());
            }
        })
        .then(this, [this, id = job.id, count = int(job.slips.size())](const QString &failure) {
            finished(id, failure, count);
        })
        .onFailed(this, [this, id = job.id] { finished(id, QStringLiteral("注文データベースが応答しません。"), 0); });
}

void HistoryRecorder::finished(const QString &job, const QString &failure, int count)
{
    m_writing = false;
    if (failure.isEmpty()) {
        m_pending.removeIf([&job](const SentJob &sent) { return sent.id == job; });
        m_reported = false;
        if (m_journal) {
            if (m_pending.isEmpty())
                m_journal->save({});
            else
                m_journal->appendDone(job);
        }
        Q_EMIT recorded(count);
        // Told already when an earlier try failed and the job was kept.
        if (!m_told.remove(job))
            Q_EMIT jobHandled(job);
        flush();
        return;
    }
    const bool kept = m_journal && m_journal->exists();
    if (!m_reported) {
        m_reported = true;
        const QString later =
            kept
                ? QStringLiteral("つながり次第記録します（%1 枚）。プログラムを閉じても、次に起動したときに記録します。")
                : QStringLiteral("プログラムを閉じずにおくと、つながり次第記録します（%1 枚）。");
        Q_EMIT failed(QStringLiteral("印刷した送り状を発送履歴に記録できませんでした。\n%1\n%2")
                          .arg(failure, later.arg(pendingCount())),
                      pendingCount());
    }
    m_retry.start();
    // Every job sent and waiting now is kept for the next try: its sender need not wait longer.
    const QList<SentJob> waiting = m_pending;
    for (const SentJob &job : waiting) {
        if (!m_unsent.contains(job.id) && !m_told.contains(job.id)) {
            m_told.insert(job.id);
            Q_EMIT jobHandled(job.id);
        }
    }
}

} // namespace history
