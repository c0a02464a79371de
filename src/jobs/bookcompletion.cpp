#include "jobs/bookcompletion.h"

#include "database/database.h"
#include "history/historyrecorder.h"
#include "orders/orderslip.h"
#include "orders/orderstatemachine.h"

#include <QUuid>

namespace jobs {

BookCompletion::BookCompletion(RecorderAccess recorder, BookAccess book, QObject *parent)
    : QObject(parent), m_recorder(std::move(recorder)), m_book(std::move(book))
{
}

namespace {

QList<history::PrintedSlip> printedSlips(const SlipJob &job, int pages)
{
    QList<history::PrintedSlip> printed;
    for (int page = 0; page < pages && page < job.slips.size(); ++page) {
        history::PrintedSlip slip;
        slip.slip = job.slips.at(page);
        slip.printer = job.printerName;
        slip.feed = job.feed;
        slip.marginTop = job.binding.topMargin;
        slip.marginLeft = job.binding.leftMargin;
        if (const qint64 id = job.orderIdAt(page))
            slip.orderId = id;
        printed.append(slip);
    }
    return printed;
}

} // namespace

QString BookCompletion::writeAhead(const SlipJob &job, int pages)
{
    return m_recorder().jobWritten(printedSlips(job, pages));
}

void BookCompletion::complete(const JobReport &report, std::function<void()> done)
{
    // Written ahead, then not sent (the print server refused it): not a print.
    if (report.pagesSent == 0 && !report.journalJob.isEmpty())
        m_recorder().jobNotSent(report.journalJob);
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
        history::HistoryRecorder &recorder = m_recorder();
        // Normally written ahead by writeAhead(); a job sent without it is written now.
        const QString jobId = report.journalJob.isEmpty() ? recorder.jobWritten(printedSlips(report.job, report.pagesSent))
                                                          : report.journalJob;
        recorder.jobSent(jobId);
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

QList<history::PrintedSlip> printedSlipsOf(const QList<orders::Order> &orders, const slip::SlipRecord &slipTemplate)
{
    QList<history::PrintedSlip> printed;
    for (const orders::Order &order : orders) {
        history::PrintedSlip slip;
        slip.slip = orders::slipFor(order, slipTemplate);
        slip.orderId = order.id;
        printed.append(slip);
    }
    return printed;
}

} // namespace jobs
