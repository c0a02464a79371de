#pragma once

#include <QObject>
#include <QPointer>

class QProgressDialog;
class QWidget;

namespace jobs {
class PrintJob;
}

// Shows a running print job: a progress dialog over `parent` (after a short delay, so
// a quick job shows nothing) whose 「中止」 cancels the job between pages. It only shows
// and forwards; it waits for nothing. Deletes itself when the job ends.
class PrintJobProgress : public QObject
{
    Q_OBJECT
public:
    PrintJobProgress(jobs::PrintJob *job, const QString &label, QWidget *parent);
    ~PrintJobProgress() override;

private:
    QPointer<jobs::PrintJob> m_job;
    QPointer<QProgressDialog> m_dialog;
};
