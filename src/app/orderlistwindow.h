#pragma once

#include "orders/order.h"
#include "slip/sliprecord.h"

#include <QList>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace database {
class Database;
}
namespace jobs {
class PrintService;
struct JobReport;
struct SlipJob;
}
namespace orders {
enum class OrderAction;
class OrderListModel;
struct TransitionContext;
struct ReadOptions;
}

// What the order list asks of the main window.
struct OrderListHooks
{
    // Fills the main window's slip fields with the order (F11 prints it there).
    std::function<void(const orders::Order &)> openInMainWindow;
    // The main window's slip as it stands: sender block, date and time switches for
    // each slip of a batch.
    std::function<slip::SlipRecord()> slipTemplate;
    // A job of these slips on the current feed's printer, with its margins and names.
    std::function<jobs::SlipJob(const QList<slip::SlipRecord> &slips)> slipJob;
};

// The order list 「注文一覧」: orders from shop exports, their state and repairs;
// imports files (button, drag and drop, command line), opens one order in the main
// window and prints the selected ones as one job. Not modal.
class OrderListWindow : public QWidget
{
    Q_OBJECT
public:
    OrderListWindow(database::Database &database, jobs::PrintService &printService, OrderListHooks hooks,
                    QWidget *parent = nullptr);

    // Imports the files (all or none) and shows what was read.
    void importFiles(const QStringList &paths);
    void printSelected();
    void openSelected();

    orders::OrderListModel &model() { return *m_model; }

Q_SIGNALS:
    // An import, a print or a state change finished (the list reloads itself).
    void ordersChanged();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void runImport(const QStringList &paths, const orders::ReadOptions &options);
    void setSelectedState(orders::OrderAction action);
    void applyToSelection(const QList<qint64> &ids, orders::OrderAction action,
                          const orders::TransitionContext &context);
    QList<qint64> selectedIds() const;
    void setBusy(bool busy);
    void updateCount();
    void printClaimed(const QList<orders::Order> &claimed, int selected, const QString &token);
    void jobEnded(const jobs::JobReport &report);

    database::Database &m_database;
    jobs::PrintService &m_printService;
    OrderListHooks m_hooks;
    orders::OrderListModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_search = nullptr;
    QComboBox *m_stateFilter = nullptr;
    QLabel *m_status = nullptr;
    QList<QPushButton *> m_actions;
    QString m_pendingToken; // the claim of this window's job being printed
};
