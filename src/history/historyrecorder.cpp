#include "history/historyrecorder.h"

#include "history/historystore.h"

#include "database/connection.h"
#include "database/database.h"
#include "platform/error.h"

#include <QUuid>

#include <algorithm>
#include <utility>

namespace history {

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
    m_journal = journal;
    m_pending = m_journal->load();
    if (!m_pending.isEmpty())
        QTimer::singleShot(0, this, &HistoryRecorder::flush);
}

QString HistoryRecorder::jobSent(const QList<PrintedSlip> &slips)
{
    if (slips.isEmpty())
        return {};
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_pending.append({id, slips, QDateTime::currentDateTime(), database::Connection::stationName()});
    // Written ahead: a program that ends before the write still knows the job at its
    // next start, and the job's name keeps it from being recorded twice.
    if (m_journal)
        keepInJournal();
    flush();
    return id;
}

bool HistoryRecorder::isWaiting(const QString &job) const
{
    if (m_told.contains(job))
        return false;
    return std::any_of(m_pending.cbegin(), m_pending.cend(), [&job](const SentJob &sent) { return sent.id == job; });
}

int HistoryRecorder::pendingCount() const
{
    int count = 0;
    for (const SentJob &job : m_pending)
        count += int(job.slips.size());
    return count;
}

void HistoryRecorder::flush()
{
    if (m_writing || m_pending.isEmpty())
        return;
    m_writing = true;
    const SentJob job = m_pending.first();
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
        .then(this, [this, count = int(job.slips.size())](const QString &failure) { finished(failure, count); })
        .onFailed(this, [this] { finished(QStringLiteral("注文データベースが応答しません。"), 0); });
}

void HistoryRecorder::finished(const QString &failure, int count)
{
    m_writing = false;
    if (failure.isEmpty()) {
        const QString job = m_pending.takeFirst().id;
        m_reported = false;
        if (m_journal)
            keepInJournal();
        Q_EMIT recorded(count);
        // Told already when an earlier try failed and the job was kept.
        if (!m_told.remove(job))
            Q_EMIT jobHandled(job);
        flush();
        return;
    }
    const bool kept = m_journal && keepInJournal();
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
    // Every job waiting now is kept for the next try: its sender need not wait longer.
    const QList<SentJob> waiting = m_pending;
    for (const SentJob &job : waiting) {
        if (!m_told.contains(job.id)) {
            m_told.insert(job.id);
            Q_EMIT jobHandled(job.id);
        }
    }
}

// Writes the waiting jobs into the journal (removes it when none wait).
bool HistoryRecorder::keepInJournal()
{
    return m_journal->save(m_pending);
}

} // namespace history
