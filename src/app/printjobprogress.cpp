#include "printjobprogress.h"

#include "jobs/printjob.h"

#include <QProgressDialog>

PrintJobProgress::PrintJobProgress(jobs::PrintJob *job, const QString &label, QWidget *parent)
    : QObject(parent), m_job(job)
{
    m_dialog = new QProgressDialog(label, QStringLiteral("中止"), 0, job->pageCount(), parent);
    // Not modal: a modal progress dialog runs the event loop inside setValue(). The
    // windows stay usable meanwhile; a second job is refused by the print service.
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->setMinimumDuration(300);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(job->pagesDrawn());
    connect(m_dialog, &QProgressDialog::canceled, job, &jobs::PrintJob::cancel);
    connect(job, &jobs::PrintJob::progress, m_dialog, [this](int drawn) {
        // A dialog reset by its owner (cancel(), Esc) says so only through wasCanceled().
        if (m_dialog->wasCanceled())
            m_job->cancel();
        else
            m_dialog->setValue(drawn);
    });
    connect(job, &jobs::PrintJob::finished, this, &QObject::deleteLater);
    connect(job, &QObject::destroyed, this, &QObject::deleteLater);
}

PrintJobProgress::~PrintJobProgress()
{
    if (m_dialog)
        m_dialog->deleteLater();
}
