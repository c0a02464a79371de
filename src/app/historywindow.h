#pragma once

#include "history/historystore.h"
#include "history/shipmentexport.h"
#include "slip/sliprecord.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace database {
class Database;
}

namespace history {
class HistoryModel;
}

namespace app {

// The shipping history (発送履歴): every slip printed, newest first (or oldest first, for
// scanning a day's stack in the order printed), searched by name,
// telephone number, postal code, order number or tracking number within a date range.
// Tracking numbers are typed or scanned into their column; each one entered moves the
// focus to the next row without a number, so a stack of slips is scanned in one go.
// A row can go back into the main window or be printed again as it was.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    struct Actions
    {
        // Fills the main window's fields with a slip (the user prints with F11).
        std::function<void(const slip::SlipRecord &)> openInMainWindow;
        // Prints a slip on the current paper feed's printer, after asking `question`;
        // true when sent.
        std::function<bool(const slip::SlipRecord &, const QString &question)> printDirectly;
        // Asks where to save an export; empty: cancelled. Tests answer it.
        std::function<QString(const QString &suggestedName)> askSavePath;
    };

    HistoryWindow(database::Database &database, Actions actions, QWidget *parent = nullptr);

    history::HistoryModel &model() const { return *m_model; }
    QTableView *table() const { return m_table; }

    // Runs the search the controls describe.
    void search();
    // The same search again, keeping the selected row when it is still there.
    void refresh();
    // Writes the shipments of the date range shown as the options say (their dates are
    // taken from the window) and marks them 「報告済み」.
    void exportShipments(history::ShipmentExportOptions options);

    history::HistoryQuery currentQuery() const;

private:
    void buildControls();
    void onTrackingEntered(int row);
    void onTrackingRefused(int row, const QString &message);
    void editTrackingAt(int row);
    const history::HistoryEntry *selectedEntry() const;
    void openSelected();
    void printSelected();
    void chooseExport();
    void showStatus();
    void onLoaded();

    database::Database &m_database;
    Actions m_actions;
    history::HistoryModel *m_model = nullptr;
    QComboBox *m_field = nullptr;
    QLineEdit *m_text = nullptr;
    QCheckBox *m_useDates = nullptr;
    QCheckBox *m_oldestFirst = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_status = nullptr;
    QTimer *m_typingPause = nullptr;
    bool m_refreshPending = false;
    qint64 m_keepId = 0; // the row to select again after a refresh
};

} // namespace app
