#include "jobs/bookcompletion.h"

#include "database/database.h"
#include "history/historyrecorder.h"
#include "orders/orderstatemachine.h"

#include <QUuid>

namespace jobs {

BookCompletion::BookCompletion(RecorderAccess recorder, BookAccess book, QObject *parent)
    : QObject(parent), m_recorder(std::move(recorder)), m_book(std::move(book))
{
}

void BookCompletion::complete(const JobReport &report, std::function<void()> done)
{
    const QList<qint64> unsent = report.unsentOrderIds();
    const bool release = !report.job.claimToken.isEmpty() && !unsent.isEmpty();
    const bool record = report.pagesSent > 0;
    const QString key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_open.insert(key, {int(record) + int(release), std::move(done)});
    if (!record && !release) {
        partDone(key);
        return;
    }
    if (record) {
        QList<history::PrintedSlip> printed;
        for (int page = 0; page < report.pagesSent; ++page) {
            history::PrintedSlip slip;
            slip.slip = report.job.slips.at(page);
            slip.printer = report.job.printerName;
            slip.feed = report.job.feed;
            slip.marginTop = report.job.binding.topMargin;
            slip.marginLeft = report.job.binding.leftMargin;
            if (const qint64 id = report.job.orderIdAt(page))
                slip.orderId = id;
            printed.append(slip);
        }
        history::HistoryRecorder &recorder = m_recorder();
        const QString jobId = recorder.jobSent(printed);
        // Recorded now or kept in the journal for later: either way the job is done here.
        // The write may have ended within jobSent() already.
        if (recorder.isWaiting(jobId)) {
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = connect(&recorder, &history::HistoryRecorder::jobHandled, this,
                                  [this, key, jobId, connection](const QString &handled) {
                                      if (handled != jobId)
                                          return;
                                      disconnect(*connection);
                                      partDone(key);
                                  });
        } else {
            partDone(key);
        }
    }
    if (release) {
        const QString token = report.job.claimToken;
        m_book()
            .run<int>([token, unsent](database::Connection &c) {
                return int(orders::applyTransition(c, unsent, orders::OrderAction::Release,
                                                   orders::TransitionContext::job(token)).size());
            })
            .then(this, [this, key](int) { partDone(key); })
            .onFailed(this, [this, key](const std::exception &error) {
                Q_EMIT failed(QString::fromUtf8(error.what()));
                partDone(key);
            });
    }
}

void BookCompletion::partDone(const QString &key)
{
    auto it = m_open.find(key);
    if (it == m_open.end())
        return;
    if (--it->first > 0)
        return;
    const std::function<void()> done = std::move(it->second);
    m_open.erase(it);
    if (done)
        done();
}

} // namespace jobs
