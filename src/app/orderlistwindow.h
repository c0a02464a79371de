#pragma once

#include "orders/order.h"
#include "slip/slipcheck.h"
#include "slip/sliprecord.h"

#include <QList>
#include <QWidget>

#include <functional>

class OrderDateFilter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class OrderScanBar;

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
    // How the pre-print check judges the slips for the current printer (fit rule,
    // postal data); a 180 dpi page and no postal data when not set.
    std::function<slip::SlipCheckOptions()> slipCheck;
    // 「スキャンしたら確認せずに印刷」 as the settings file keeps it.
    std::function<bool()> readScanWithoutAsking;
    std::function<void(bool)> writeScanWithoutAsking;
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
    void withFirstSelected(std::function<void(const orders::Order &)> use);
    // 「クリックポスト用に書き出す」: the selected orders, or every unprinted one, into
    // Click Post bulk files at `path` (…-1.csv, …-2.csv beyond 40 orders).
    void exportClickPost(const QString &path);

    orders::OrderListModel &model() { return *m_model; }
    OrderScanBar &scanBar() { return *m_scanBar; }

Q_SIGNALS:
    // An import, a print or a state change finished (the list reloads itself).
    void ordersChanged();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // The scan box has the keyboard whenever the list opens: the bench scans at once.
    void showEvent(QShowEvent *event) override;

private:
    void runImport(const QStringList &paths, const orders::ReadOptions &options);
    void showChanges();
    void setSelectedState(orders::OrderAction action);
    void applyToSelection(const QList<qint64> &ids, orders::OrderAction action,
                          const orders::TransitionContext &context);
    QList<qint64> selectedIds() const;
    void setBusy(bool busy);
    void updateCount();
    // The confirmation with the pre-print check of every order, then the claim and the job.
    void confirmAndPrint(const QList<orders::Order> &selected);
    void printClaimed(const QList<orders::Order> &claimed, int selected, const QString &token,
                      bool templateDelivery);
    void jobEnded(const jobs::JobReport &report);

    database::Database &m_database;
    jobs::PrintService &m_printService;
    OrderListHooks m_hooks;
    orders::OrderListModel *m_model = nullptr;
    OrderScanBar *m_scanBar = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_search = nullptr;
    QComboBox *m_stateFilter = nullptr;
    OrderDateFilter *m_dateFilter = nullptr;
    // Files handed over one by one (a file manager opening several, the command line)
    // are imported together: one import, one summary.
    QStringList m_importQueue;
    QTimer *m_importDelay = nullptr;
    QLabel *m_status = nullptr;
    QList<QPushButton *> m_actions;
    QString m_pendingToken; // the claim of this window's job being printed
};
