#pragma once

#include "orders/order.h"
#include "printing/slipdata.h"

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
namespace orders {
enum class OrderAction;
class OrderListModel;
struct ReadOptions;
}

// What the order list asks of the main window.
struct OrderListHooks
{
    // Fills the main window's slip fields with the order (F11 prints it there).
    std::function<void(const orders::Order &)> openInMainWindow;
    // The main window's slip as it stands: sender block, date and time switches for
    // each slip of a batch.
    std::function<printing::SlipData()> slipTemplate;
    // Prints the slips as one job on the current feed's printer; `pageDrawn` may stop
    // it. Returns the number of slips sent; raises on failure (nothing sent). The slips
    // sent go to the history with their orders, which marks those orders printed.
    std::function<int(const QList<printing::SlipData> &slips, const QList<qint64> &orderIds,
                      const std::function<bool(int)> &pageDrawn)> printBatch;
    // The name of the printer the batch goes to.
    std::function<QString()> printerName;
};

// The order list 「注文一覧」: orders from shop exports, their state and repairs;
// imports files (button, drag and drop, command line), opens one order in the main
// window and prints the selected ones as one job. Not modal.
class OrderListWindow : public QWidget
{
    Q_OBJECT
public:
    OrderListWindow(database::Database &database, OrderListHooks hooks, QWidget *parent = nullptr);

    // Imports the files (all or none) and shows what was read.
    void importFiles(const QStringList &paths);
    void printSelected();
    void openSelected();

    orders::OrderListModel &model() { return *m_model; }

    // The slip of an order: the template's sender, date and time with the order's
    // destination and goods.
    static printing::SlipData slipFor(const orders::Order &order, printing::SlipData slipTemplate);

Q_SIGNALS:
    // An import, a print or a state change finished (the list reloads itself).
    void ordersChanged();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void runImport(const QStringList &paths, const orders::ReadOptions &options);
    void setSelectedState(orders::OrderAction action);
    QList<qint64> selectedIds() const;
    void setBusy(bool busy);
    void updateCount();

    database::Database &m_database;
    OrderListHooks m_hooks;
    orders::OrderListModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_search = nullptr;
    QComboBox *m_stateFilter = nullptr;
    QLabel *m_status = nullptr;
    QList<QPushButton *> m_actions;
};
