#include "jobs/printjob.h"

#include "platform/error.h"
#include "printer/ovprinters.h"

#include <QTimer>

namespace jobs {

EffectiveResolution effectiveResolution(const TOvExtent &dpi, int scalePercent)
{
    if (scalePercent == 0)
        throw platform::Error(QStringLiteral("プリンタの拡大率が 0 のため印刷できません"));
    // Integer division truncates toward zero, as the resolution is meant to.
    return {dpi.cx * 100 / scalePercent, dpi.cy * 100 / scalePercent};
}

PrintJob::PrintJob(TOvPrinter &printer, QString title, std::unique_ptr<PageSource> pages, QObject *parent)
    : QObject(parent), m_printer(printer), m_title(std::move(title)), m_pages(std::move(pages))
{
}

PrintJob::~PrintJob()
{
    if (m_open)
        abortJob();
}

int PrintJob::pageCount() const
{
    return m_pages->pageCount();
}

void PrintJob::start()
{
    if (m_started)
        return;
    m_started = true;
    try {
        // Another job is being sent: refused before anything is opened.
        if (m_printer.Printing())
            throw platform::Error(kPrinterBusyMessage);
        if (pageCount() == 0) {
            finish(Outcome::Sent);
            return;
        }
        // Read fresh for every job: the printer or its scale may have changed.
        m_resolution = effectiveResolution(m_printer.DPI(), m_printer.Scale());
        m_pages->prepare(m_resolution);
        m_printer.BeginDoc(m_title);
        m_open = true;
    } catch (...) {
        finish(Outcome::Failed, platform::errorText(std::current_exception()));
        return;
    }
    drawNextPage();
}

void PrintJob::cancel()
{
    m_cancelRequested = true;
}

void PrintJob::drawNextPage()
{
    if (isFinished())
        return;
    try {
        if (m_drawn > 0)
            m_printer.Newpage();
        QPainter *painter = m_printer.Canvas();
        if (!painter)
            throw EOvPrinter(QStringLiteral("TOvPrinter.Canvas: No Canvas"));
        m_pages->drawPage(m_drawn, *painter, m_resolution);
        ++m_drawn;
    } catch (...) {
        // The half-drawn job is discarded; the cause, not a failing abort, is told.
        const QString text = platform::errorText(std::current_exception());
        abortJob();
        finish(Outcome::Failed, text);
        return;
    }
    // A handler of progress may cancel: the pages drawn so far are then sent.
    Q_EMIT progress(m_drawn, pageCount());
    if (m_drawn == pageCount() || m_cancelRequested) {
        send();
        return;
    }
    QTimer::singleShot(0, this, &PrintJob::drawNextPage);
}

void PrintJob::send()
{
    if (m_beforeSend) {
        try {
            m_beforeSend(m_drawn);
        } catch (...) {
            const QString text = platform::errorText(std::current_exception());
            abortJob();
            finish(Outcome::Failed, text);
            return;
        }
    }
    try {
        m_open = false;
        m_printer.EndDoc();
    } catch (...) {
        // Sending failed (the print server did not take the job): nothing was printed.
        finish(Outcome::Failed, platform::errorText(std::current_exception()));
        return;
    }
    m_sent = m_drawn;
    finish(m_drawn < pageCount() ? Outcome::Cancelled : Outcome::Sent);
}

void PrintJob::abortJob()
{
    m_open = false;
    try {
        m_printer.Abort();
    } catch (...) {
        // The job is gone either way; the failure that led here is what is told.
    }
}

void PrintJob::finish(Outcome outcome, const QString &errorText)
{
    m_outcome = outcome;
    m_errorText = errorText;
    Q_EMIT finished();
}

} // namespace jobs
