#pragma once

#include "jobs/printjob.h"

#include "slip/printerbinding.h"
#include "slip/sliprecord.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class TOvPrinter;

namespace jobs {

// The title of every slip print job (with its two trailing blanks) and of the sheet.
inline const QString kSlipJobTitle = QStringLiteral("mekira_RErorezev  ");
inline const QString kCalibrationJobTitle = QStringLiteral("mekira 調整用紙");

// Slips to print as one job, and where: what the history records of them.
struct SlipJob
{
    QList<slip::SlipRecord> slips;
    // The order each slip came from (0: typed in the window); empty when none did.
    QList<qint64> orderIds;
    // The claim that holds the orders for this job; the pages not sent give theirs back.
    QString claimToken;
    slip::PrinterBinding binding;
    QString printerName; // as the window shows it
    QString feed;        // the paper feed chosen

    qint64 orderIdAt(int page) const { return orderIds.value(page); }
};

// How a job of slips ended: handed to the completion step.
struct JobReport
{
    PrintJob::Outcome outcome = PrintJob::Outcome::Running;
    SlipJob job;
    int pagesSent = 0;
    QString errorText;
    QDateTime endedAt;
    // The name under which the completion step wrote the job ahead (empty: not written).
    QString journalJob;

    QList<slip::SlipRecord> sentSlips() const { return job.slips.mid(0, pagesSent); }
    // Orders of the pages that were not sent (a cancel, a failure).
    QList<qint64> unsentOrderIds() const;
};

// What happens once a job of slips ended, whatever the end: the slips sent are recorded
// and their orders marked printed, the orders of the other pages are given back.
class JobCompletion
{
public:
    virtual ~JobCompletion() = default;
    // Just before the first `pages` pages of `job` are sent: writes them where they
    // outlive the program and returns the name they were written under. Raises
    // platform::Error when it cannot: the job is then not sent.
    virtual QString writeAhead(const SlipJob &job, int pages) = 0;
    // Writes the job's end and calls `done` once it is written (at once or later).
    virtual void complete(const JobReport &report, std::function<void()> done) = 0;
};

// Every print of the program goes through here: F11, a reprint from the history, a
// batch of the order list and the calibration sheet. One job at a time; a job of slips
// ends in the completion step. The windows only ask their questions before and show
// progress and messages from the job's signals.
class PrintService : public QObject
{
    Q_OBJECT
public:
    explicit PrintService(TOvPrinter &printer, QObject *parent = nullptr);

    // True while a job is being drawn or sent, by this service or another user of the
    // printer. A new job is then refused.
    bool isBusy() const;

    // Starts printing the slips as one job. While another job runs, raises
    // platform::Error(kPrinterBusyMessage) and starts nothing. A one-page job has ended
    // (finished() emitted, completion done) when this returns; a longer one goes on in
    // later turns of the event loop. The job is deleted later, after it finished.
    PrintJob *printSlips(SlipJob job);
    // The calibration sheet on the current printer: nothing is recorded.
    PrintJob *printCalibrationSheet(const slip::PrinterBinding &binding);

    // The step every job of slips ends in; not owned (nothing is recorded without one).
    void setCompletion(JobCompletion *completion) { m_completion = completion; }

    PrintJob *currentJob() const { return m_current; }
    TOvPrinter &printer() const { return m_printer; }

Q_SIGNALS:
    void jobStarted(jobs::PrintJob *job);
    // A job of slips ended and its completion step has written that end: the order book
    // and the history hold it (or its journal does, while the book is away).
    void slipJobCompleted(const jobs::JobReport &report);

private:
    PrintJob *startJob(const QString &title, std::unique_ptr<PageSource> pages,
                       std::function<void(const PrintJob &)> ended, std::function<void(int)> beforeSend = {});

    TOvPrinter &m_printer;
    JobCompletion *m_completion = nullptr;
    QPointer<PrintJob> m_current;
};

} // namespace jobs
