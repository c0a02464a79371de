// The shipping history (F9): every slip sent, from F11 or from the order list, is
// recorded once its job went out; the history window searches it, takes tracking
// numbers and prints a slip again.
#include "mainwindow.h"

#include "historywindow.h"
#include "orderlistwindow.h"

#include "database/database.h"
#include "history/historyrecorder.h"
#include "history/unrecordedjournal.h"
#include "orders/orderlistmodel.h"
#include "platform/guard.h"
#include "platform/messagebox.h"
#include "printing/printerdisplay.h"
#include "printing/printjob.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>

void TForm_Main::connectHistory()
{
    connect(this, &TForm_Main::slipSent, this, [this](const SentSlip &sent) {
        platform::guarded([&] {
            history::PrintedSlip printed;
            printed.slip = sent.slip;
            printed.printer = sent.printer;
            printed.feed = sent.feed;
            printed.marginTop = sent.binding.topMargin;
            printed.marginLeft = sent.binding.leftMargin;
            if (sent.orderId != 0)
                printed.orderId = sent.orderId;
            historyRecorder().slipSent(printed);
        });
    });
}

// Made with the order book on the first slip sent, not at start; at start only when
// slips of an earlier run still wait to be recorded.
history::HistoryRecorder &TForm_Main::historyRecorder()
{
    if (!m_historyRecorder) {
        m_historyRecorder = new history::HistoryRecorder(orderBook(), unrecordedJournal(), this);
        connect(m_historyRecorder, &history::HistoryRecorder::recorded, this, [this] {
            if (m_historyWindow && m_historyWindow->isVisible())
                m_historyWindow->refresh();
            // The recorded slips' orders became printed (an SQLite book announces nothing).
            if (m_orderList)
                m_orderList->model().reload();
        });
        connect(m_historyRecorder, &history::HistoryRecorder::failed, this,
                [](const QString &message) { platform::showError(message); });
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
        actions.openInMainWindow = [this](const printing::SlipData &slip) { openSlip(slip); };
        actions.printDirectly = [this](const printing::SlipData &slip) {
            // The same print path as F11: the question, the current feed's printer and
            // margins, and the record of the slip sent.
            if (!printing::printSlip(*m_slipPrinter, slip, PrinterBinding()))
                return false;
            reportSlipSent(slip, 0);
            return true;
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

void TForm_Main::openSlip(const printing::SlipData &slip)
{
    Edit_Cls();
    Edit_Zip->setText(slip.Edit_Zip);
    Edit_Add1->setText(slip.Edit_Add1);
    Edit_Add2->setText(slip.Edit_Add2);
    Edit_Custo1->setText(slip.Edit_Custo1);
    Edit_tel->setText(slip.Edit_tel);
    Edit_G1->setText(slip.Edit_G1);
    Edit_G2->setText(slip.Edit_G2);
    Edit_G3->setText(slip.Edit_G3);
    Edit_de_date1->setText(slip.Edit_de_date1);
    Edit_de_date2->setText(slip.Edit_de_date2);
    QCheckBox *const slots[] = {CheckBox_t1, CheckBox_t2, CheckBox_t3, CheckBox_t4, CheckBox_t5, CheckBox_t6};
    const bool checked[] = {slip.CheckBox_t1, slip.CheckBox_t2, slip.CheckBox_t3,
                            slip.CheckBox_t4, slip.CheckBox_t5, slip.CheckBox_t6};
    for (int i = 0; i < 6; ++i)
        slots[i]->setChecked(checked[i]);
    Edit_Warning();
    m_openOrderId = 0; // a reprint does not print the order again
    raise();
    activateWindow();
    Edit_Zip->setFocus();
}
