// The order book: the order list (F8), orders opened into the slip fields, batch
// printing of the list's orders and the record of every slip sent.
#include "mainwindow.h"

#include "orderlistwindow.h"
#include "settingsfile.h"

#include "history/historyrecorder.h"
#include "jobs/bookcompletion.h"
#include "jobs/printservice.h"

#include "database/database.h"
#include "orders/order.h"
#include "orders/orderlistmodel.h"
#include "orders/orderslip.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "postal/addressassist.h"
#include "postal/postaldirectory.h"
#include "printing/printerdisplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
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

// Claims this station left 「印刷中」 when an earlier run ended mid-job: the person says
// whether their slips came out. Only an order book that exists is opened for this.
void TForm_Main::reviewLeftClaims()
{
    database::DatabaseConfig config;
    try {
        config = app::SettingsFile(settingsFilePath()).orderBook(workingFolder());
    } catch (const platform::Error &) {
        return; // an address that cannot be read is told when the order book is first used
    }
    if (config.engine == database::Engine::SQLite && !QFile::exists(config.sqlitePath))
        return;
    // Slips of an earlier run still in the journal mark their orders printed as they
    // are recorded: those orders are no question, so the journal is read first.
    if (m_historyRecorder && !m_historyRecorder->isRecovered()) {
        connect(m_historyRecorder, &history::HistoryRecorder::recoveryFinished, this, &TForm_Main::reviewLeftClaims,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    const QDateTime started = QDateTime::currentDateTimeUtc();
    orderBook()
        .run<QList<qint64>>([started](database::Connection &c) {
            return orders::store::leftClaims(c, database::Connection::stationName(), started);
        })
        .then(this, [this](QList<qint64> ids) {
            if (m_historyRecorder) {
                const QSet<qint64> recording = m_historyRecorder->pendingOrderIds();
                ids.removeIf([&](qint64 id) { return recording.contains(id); });
            }
            if (ids.isEmpty())
                return;
            const bool printed = platform::messageBoxes().choice(
                QStringLiteral("前回、この台で印刷の途中だった注文が %1 件、「印刷中」のまま残っています。\n"
                               "プリンタから送り状が出たかを確かめて選んでください。\n"
                               "「印刷された」：印刷済みにして、発送履歴に記録します。\n"
                               "「印刷されていない」：未印刷に戻します（もう一度印刷できます）。\n"
                               "あとで注文一覧（F8）の「印刷中」でも確かめられます。")
                    .arg(ids.size()),
                QStringLiteral("印刷された"), QStringLiteral("印刷されていない"));
            if (printed)
                recordLeftClaims(ids);
            else
                giveBackLeftClaims(ids);
        })
        .onFailed(this, [](const std::exception &) {
            // An order book that cannot be reached says so at its first use.
        });
}

// The slips came out: they are recorded like a job's, which marks their orders printed.
void TForm_Main::recordLeftClaims(const QList<qint64> &ids)
{
    orderBook()
        .run<QList<orders::Order>>([ids](database::Connection &c) { return orders::store::ordersById(c, ids); })
        .then(this, [this](const QList<orders::Order> &left) {
            platform::guarded([&] { historyRecorder().jobSent(jobs::printedSlipsOf(left, slipRecord())); });
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

void TForm_Main::giveBackLeftClaims(const QList<qint64> &ids)
{
    orderBook()
        .run<int>([ids](database::Connection &c) {
            return int(orders::applyTransition(c, ids, orders::OrderAction::BackToNew,
                                               orders::TransitionContext::confirmedNotPrinted())
                           .size());
        })
        .then(this, [this](int) {
            if (m_orderList)
                m_orderList->model().reload();
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
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
