// The order book: the order list (F8), orders opened into the slip fields, batch
// printing of the list's orders and the record of every slip sent.
#include "mainwindow.h"

#include "orderlistwindow.h"

#include "database/database.h"
#include "orders/order.h"
#include "orders/orderlistmodel.h"
#include "postal/addressassist.h"
#include "postal/postaldirectory.h"
#include "printer/ovprinters.h"
#include "printing/batchjob.h"
#include "printing/printerdisplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>

QString TForm_Main::workingFolder() const
{
    return m_workingDirectory.isEmpty() ? QDir::currentPath() : m_workingDirectory;
}

database::Database &TForm_Main::orderBook()
{
    if (!m_orderBook)
        m_orderBook = std::make_unique<database::Database>(database::DatabaseConfig::fromSettings(workingFolder()));
    return *m_orderBook;
}

void TForm_Main::SpeedButton_F8Click()
{
    showOrderList();
}

OrderListWindow &TForm_Main::showOrderList()
{
    if (!m_orderList) {
        OrderListHooks hooks;
        hooks.openInMainWindow = [this](const orders::Order &order) { openOrder(order); };
        hooks.slipTemplate = [this] { return slipData(); };
        hooks.printBatch = [this](const QList<printing::SlipData> &slips, const QList<qint64> &ids,
                                  const std::function<bool(int)> &pageDrawn) {
            return printOrderSlips(slips, ids, pageDrawn);
        };
        hooks.printerName = [this] { return m_printerDisplay->printerName(); };
        m_orderList = new OrderListWindow(orderBook(), std::move(hooks), this);
        // Every order's postal code against its first address line, before a form is spent.
        m_orderList->model().setPostalCheck([](const orders::Order &order) {
            const postal::PostalDirectory &directory = postal::PostalDirectory::instance();
            if (!directory.isAvailable())
                return QString();
            const postal::CheckOutcome outcome = directory.check(order.zip, order.add1);
            if (outcome.result == postal::CheckResult::Consistent)
                return QStringLiteral("一致");
            return postal::checkMessage(order.zip, outcome);
        });
    }
    if (m_orderList->isMinimized())
        m_orderList->showNormal();
    m_orderList->show();
    m_orderList->raise();
    m_orderList->activateWindow();
    return *m_orderList;
}

void TForm_Main::openOrderFiles(const QStringList &paths)
{
    showOrderList().importFiles(paths);
}

void TForm_Main::openOrder(const orders::Order &order)
{
    Edit_Cls();
    Edit_Zip->setText(order.zip);
    Edit_Add1->setText(order.add1);
    Edit_Add2->setText(order.add2);
    Edit_Custo1->setText(order.custo1);
    Edit_tel->setText(order.tel);
    Edit_G1->setText(order.g1);
    Edit_G2->setText(order.g2);
    Edit_G3->setText(order.g3);
    Edit_Warning();
    m_openOrderId = order.id;
    raise();
    activateWindow();
    Edit_Zip->setFocus();
}

int TForm_Main::printOrderSlips(const QList<printing::SlipData> &slips, const QList<qint64> &orderIds,
                                const std::function<bool(int)> &pageDrawn)
{
    const int sent = printing::printSlipBatch(OvPrinter(), *m_slipPrinter, slips, PrinterBinding(), pageDrawn);
    for (int i = 0; i < sent; ++i)
        Q_EMIT slipSent({slips.at(i), m_printerDisplay->printerName(), currentFeed(), PrinterBinding(),
                         orderIds.value(i)});
    return sent;
}

void TForm_Main::reportSlipSent(const printing::SlipData &slip, qint64 orderId)
{
    // An order opened from the list becomes printed where its slip is recorded.
    const SentSlip sent{slip, m_printerDisplay->printerName(), currentFeed(), PrinterBinding(), orderId};
    Q_EMIT slipSent(sent);
}
