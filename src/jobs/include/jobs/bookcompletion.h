#pragma once

#include "history/historyentry.h"
#include "jobs/printservice.h"
#include "orders/order.h"

#include <QObject>
#include <QHash>

#include <functional>

namespace database {
class Database;
}
namespace history {
class HistoryRecorder;
}

namespace jobs {

// The end of every job of slips in the order book and the history: the slips sent are
// recorded with where they were printed, which marks their orders printed in the same
// transaction; the orders of pages not sent are given back to new. Recorder and book
// are reached through functions, so that neither is opened before the first job ends.
class BookCompletion : public QObject, public JobCompletion
{
    Q_OBJECT
public:
    using RecorderAccess = std::function<history::HistoryRecorder &()>;
    using BookAccess = std::function<database::Database &()>;

    BookCompletion(RecorderAccess recorder, BookAccess book, QObject *parent = nullptr);

    QString writeAhead(const SlipJob &job, int pages) override;
    void complete(const JobReport &report, std::function<void()> done) override;

Q_SIGNALS:
    // Giving orders back failed; they stay claimed until a person decides.
    void failed(const QString &message);

private:
    void partDone(const QString &jobKey);

    RecorderAccess m_recorder;
    BookAccess m_book;
    // Jobs whose record or release is still under way: the parts left, and what to call
    // when none is.
    QHash<QString, std::pair<int, std::function<void()>>> m_open;
};

// The slips of orders that a station left 「印刷中」 when it stopped and that a person
// says did come out: each order's slip on `slipTemplate`, with its order, for the
// history (whose record marks the orders printed). The printer is not known.
QList<history::PrintedSlip> printedSlipsOf(const QList<orders::Order> &orders, const slip::SlipRecord &slipTemplate);

} // namespace jobs
