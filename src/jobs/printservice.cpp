#include "jobs/printservice.h"

#include "jobs/pages.h"

#include "platform/error.h"
#include "printer/ovprinters.h"

namespace jobs {

QList<qint64> JobReport::unsentOrderIds() const
{
    QList<qint64> ids;
    for (int page = pagesSent; page < job.slips.size(); ++page) {
        if (const qint64 id = job.orderIdAt(page))
            ids.append(id);
    }
    return ids;
}

PrintService::PrintService(TOvPrinter &printer, QObject *parent) : QObject(parent), m_printer(printer) {}

bool PrintService::isBusy() const
{
    return (m_current && !m_current->isFinished()) || m_printer.Printing();
}

PrintJob *PrintService::printSlips(SlipJob job)
{
    auto source = std::make_unique<SlipPages>(job.slips, job.binding);
    auto journalJob = std::make_shared<QString>();
    // Written ahead: the slips are in the journal before the printer gets them.
    auto beforeSend = [this, job, journalJob](int pages) {
        if (m_completion)
            *journalJob = m_completion->writeAhead(job, pages);
    };
    // Connected before the start: a one-page job ends within startJob().
    auto ended = [this, job = std::move(job), journalJob](const PrintJob &ended) {
        JobReport report;
        report.outcome = ended.outcome();
        report.job = job;
        report.pagesSent = ended.pagesSent();
        report.errorText = ended.errorText();
        report.endedAt = QDateTime::currentDateTime();
        report.journalJob = *journalJob;
        if (m_completion)
            m_completion->complete(report, [this, report] { Q_EMIT slipJobCompleted(report); });
        else
            Q_EMIT slipJobCompleted(report);
    };
    return startJob(kSlipJobTitle, std::move(source), std::move(ended), std::move(beforeSend));
}

PrintJob *PrintService::printCalibrationSheet(const slip::PrinterBinding &binding)
{
    return startJob(kCalibrationJobTitle, std::make_unique<CalibrationPage>(binding), nullptr);
}

PrintJob *PrintService::startJob(const QString &title, std::unique_ptr<PageSource> pages,
                                 std::function<void(const PrintJob &)> ended, std::function<void(int)> beforeSend)
{
    if (isBusy())
        throw platform::Error(kPrinterBusyMessage);
    auto *job = new PrintJob(m_printer, title, std::move(pages), this);
    m_current = job;
    job->setBeforeSend(std::move(beforeSend));
    connect(job, &PrintJob::finished, this, [this, job, ended = std::move(ended)] {
        if (m_current == job)
            m_current = nullptr;
        // The end may come from a timer of the job: nothing may escape into the event loop.
        try {
            if (ended)
                ended(*job);
        } catch (...) {
            qCritical("Completion of the print job %s failed: %s", qPrintable(job->title()),
                      qPrintable(platform::errorText(std::current_exception())));
        }
        job->deleteLater();
    });
    Q_EMIT jobStarted(job);
    job->start();
    return job;
}

} // namespace jobs
