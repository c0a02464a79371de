// The order book: the order list (F8), orders opened into the slip fields, batch
// printing of the list's orders and the record of every slip sent.
#include "mainwindow.h"

#include "orderlistwindow.h"
#include "settingsfile.h"

#include "jobs/printservice.h"

#include "database/database.h"
#include "orders/order.h"
#include "orders/orderlistmodel.h"
#include "orders/orderslip.h"
#include "orders/orderstore.h"
#include "platform-ui/messagebox.h"
#include "postal/addressassist.h"
#include "postal/postaldirectory.h"
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
        m_orderBook = std::make_unique<database::Database>(
            app::SettingsFile(settingsFilePath()).orderBook(workingFolder()));
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
        hooks.slipTemplate = [this] { return slipRecord(); };
        hooks.slipJob = [this](const QList<slip::SlipRecord> &slips) { return slipJob(slips); };
        hooks.slipCheck = [this] {
            slip::SlipCheckOptions check;
            check.page = slipPageSetup();
            const postal::PostalDirectory &directory = postal::PostalDirectory::instance();
            if (directory.isAvailable()) {
                check.postalMatches = [&directory](const QString &code, const QString &address) {
                    const postal::CheckResult result = directory.check(code, address).result;
                    return result != postal::CheckResult::Mismatch && result != postal::CheckResult::UnknownCode;
                };
            }
            return check;
        };
        hooks.readScanWithoutAsking = [this] { return app::SettingsFile(settingsFilePath()).readScanWithoutAsking(); };
        hooks.writeScanWithoutAsking = [this](bool without) {
            app::SettingsFile(settingsFilePath()).writeScanWithoutAsking(without);
        };
        m_orderList = new OrderListWindow(orderBook(), printService(), std::move(hooks), this);
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
    showSlip(orders::slipFor(order, slipRecord()), false);
    Edit_Warning();
    m_openOrderId = order.id;
    raise();
    activateWindow();
    Edit_Zip->setFocus();
}
