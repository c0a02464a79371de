#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace database {
class Database;
}
namespace jobs {
class PrintService;
struct SlipJob;
}
namespace orders {
struct Order;
struct PrintClaim;
}
namespace slip {
struct SlipRecord;
}

// The packing bench's scan box above the order list: an order number scanned from a
// packing slip (or typed) and Enter prints that order's slip as one job through the
// print service, after claiming the order; an order printed before asks the reprint
// question. What happened is said in the bar's help line, never in a box that would
// take the next scan's keys; the box is cleared and keeps the focus.
class OrderScanBar : public QWidget
{
    Q_OBJECT
public:
    struct Hooks
    {
        // The slip of an order and the job that prints it, as a batch of the list makes them.
        std::function<slip::SlipRecord(const orders::Order &)> slipFor;
        std::function<jobs::SlipJob(const QList<slip::SlipRecord> &)> slipJob;
        // 「スキャンしたら確認せずに印刷」, kept in the settings file.
        std::function<bool()> readWithoutAsking;
        std::function<void(bool)> writeWithoutAsking;
    };

    OrderScanBar(database::Database &database, jobs::PrintService &printService, Hooks hooks,
                 QWidget *parent = nullptr);

    QLineEdit *scanBox() const { return m_box; }
    QString helpText() const;

    // Looks up the box's text and prints or tells why not; the answer comes later.
    void scan();

Q_SIGNALS:
    // An order was claimed, printed or given back: the list reloads.
    void ordersChanged();
    // The scan's answer is in (printed, asked, refused); for tests and the help line.
    void scanHandled();

private:
    void handle(const orders::PrintClaim &claim);
    bool print(const orders::Order &order, const QString &token);
    void giveBack(qint64 orderId, const QString &token);
    void say(const QString &text);

    database::Database &m_database;
    jobs::PrintService &m_printService;
    Hooks m_hooks;
    QLineEdit *m_box = nullptr;
    QCheckBox *m_withoutAsking = nullptr;
    QLabel *m_help = nullptr;
};
