// The shipping history (F9): every slip sent, from F11 or from the order list, is
// recorded once its job went out; the history window searches it, takes tracking
// numbers and prints a slip again.
#include "mainwindow.h"

#include "historywindow.h"
#include "orderlistwindow.h"
#include "orders/orderlistmodel.h"

#include "database/database.h"
#include "history/historyrecorder.h"
#include "history/unrecordedjournal.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "printquestion.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>

// Made with the order book on the first slip sent, not at start; at start only when
// slips of an earlier run still wait to be recorded.
history::HistoryRecorder &TForm_Main::historyRecorder()
{
    if (!m_historyRecorder) {
        m_historyRecorder = new history::HistoryRecorder(orderBook(), unrecordedJournal(), this);
        connect(m_historyRecorder, &history::HistoryRecorder::recorded, this, [this] {
            if (m_historyWindow && m_historyWindow->isVisible())
                m_historyWindow->refresh();
            // Slips of orders mark them printed: an SQLite book announces nothing.
            if (m_orderList)
                m_orderList->model().reload();
        });
        connect(m_historyRecorder, &history::HistoryRecorder::failed, this,
                [](const QString &message) { platform::showError(message); });
        connect(m_historyRecorder, &history::HistoryRecorder::recoveryFinished, this, [](const QStringList &setAside) {
            if (setAside.isEmpty())
                return;
            QStringList names;
            for (const QString &path : setAside)
                names << QDir::toNativeSeparators(path);
            platform::showError(
                QStringLiteral("前回までに印刷した送り状の記録ファイルが読めなかったため、消さずに次の名前で残しました。\n%1\n"
                               "読めた分は発送履歴に記録します。読めなかった分は、ファイルを開いて印刷した送り状を確かめてください。"
                               "F11 での印刷とまとめ印刷はそのまま使えます。")
                    .arg(names.join(u'\n')));
        });
    }
    return *m_historyRecorder;
}

history::UnrecordedJournal TForm_Main::unrecordedJournal() const
{
    return history::UnrecordedJournal(history::UnrecordedJournal::defaultPath(workingFolder()));
}

void TForm_Main::recordUnrecordedSlips()
{
    if (unrecordedJournal().exists())
        historyRecorder();
}

void TForm_Main::SpeedButton_F9Click()
{
    showHistory();
}

app::HistoryWindow &TForm_Main::showHistory()
{
    if (!m_historyWindow) {
        app::HistoryWindow::Actions actions;
        actions.openInMainWindow = [this](const slip::SlipRecord &slip) { openSlip(slip); };
        actions.printDirectly = [this](const slip::SlipRecord &slip, const QString &question) {
            // The same print path as F11: the question, the current feed's printer and
            // margins, and the record of the slip sent.
            return printOneSlip(slip, 0, question);
        };
        m_historyWindow = new app::HistoryWindow(orderBook(), std::move(actions), this);
    }
    if (m_historyWindow->isMinimized())
        m_historyWindow->showNormal();
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
    return *m_historyWindow;
}

void TForm_Main::openSlip(const slip::SlipRecord &slip)
{
    Edit_Cls();
    showSlip(slip, true);
    Edit_Warning();
    m_openOrderId = 0; // a reprint does not print the order again
    raise();
    activateWindow();
    Edit_Zip->setFocus();
}
