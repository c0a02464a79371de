#include "orderlistwindow.h"

#include "columnmappingdialog.h"
#include "orderdatefilter.h"
#include "orderscanbar.h"

#include "database/connection.h"
#include "database/database.h"
#include "orders/batchplan.h"
#include "orders/clickpostexport.h"
#include "orders/orderimport.h"
#include "orders/orderlistmodel.h"
#include "orders/orderslip.h"
#include "orders/orderstore.h"
#include "jobs/printservice.h"
#include "platform/error.h"
#include "printer/ovprinters.h"
#include "printjobprogress.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "orders/orderstatemachine.h"
#include "orders/stations.h"
#include "orderfiledialog.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using orders::Order;
using orders::OrderAction;
using orders::OrderState;

OrderListWindow::OrderListWindow(database::Database &database, jobs::PrintService &printService,
                                 OrderListHooks hooks, QWidget *parent)
    : QWidget(parent, Qt::Window), m_database(database), m_printService(printService), m_hooks(std::move(hooks))
{
    setWindowTitle(QStringLiteral("注文一覧"));
    setAcceptDrops(true);
    resize(1000, 560);

    m_model = new orders::OrderListModel(database, this);
    // Another station claimed or printed orders of the shared book: the list follows.
    connect(&database, &database::Database::changed, m_model, [this] { m_model->reload(); });
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("検索（注文番号・おなまえ・郵便番号・おところ・でんわ・品名）"));
    m_search->setClearButtonEnabled(true);
    m_stateFilter = new QComboBox(this);
    // In the order of OrderState after 「すべて」: 「印刷中」 shows claims left behind.
    m_stateFilter->addItems({QStringLiteral("すべて"), QStringLiteral("未印刷"), QStringLiteral("印刷済み"),
                             QStringLiteral("保留"), QStringLiteral("印刷中")});
    m_stateFilter->setCurrentIndex(1);
    m_dateFilter = new OrderDateFilter(this);
    m_importDelay = new QTimer(this);
    m_importDelay->setSingleShot(true);
    m_importDelay->setInterval(300);
    connect(m_importDelay, &QTimer::timeout, this, platform::guardedSlot([this] {
        const QStringList paths = std::exchange(m_importQueue, {});
        if (!paths.isEmpty())
            runImport(paths, {});
    }));

    auto *importButton = new QPushButton(QStringLiteral("読み込み..."), this);
    auto *openButton = new QPushButton(QStringLiteral("メイン画面へ"), this);
    auto *printButton = new QPushButton(QStringLiteral("選択した注文を印刷"), this);
    auto *asideButton = new QPushButton(QStringLiteral("保留にする"), this);
    auto *newButton = new QPushButton(QStringLiteral("未印刷に戻す"), this);
    auto *changesButton = new QPushButton(QStringLiteral("変更の内容"), this);
    changesButton->setToolTip(QStringLiteral("「印刷後に変更あり」の注文の、あとのファイルでの内容"));
    auto *clickPostButton = new QPushButton(QStringLiteral("クリックポスト用に書き出す"), this);
    clickPostButton->setToolTip(QStringLiteral("選んだ注文（選んでいなければ未印刷のすべて）をクリックポストの一括申込ファイルに書き出します"));
    m_actions = {importButton, openButton, printButton, asideButton, newButton, changesButton, clickPostButton};
    m_status = new QLabel(this);

    auto *filters = new QHBoxLayout;
    filters->addWidget(m_stateFilter);
    filters->addWidget(m_dateFilter);
    filters->addWidget(m_search, 1);
    filters->addWidget(importButton);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(changesButton);
    buttons->addWidget(clickPostButton);
    buttons->addWidget(asideButton);
    buttons->addWidget(newButton);
    buttons->addWidget(openButton);
    buttons->addWidget(printButton);
    OrderScanBar::Hooks scanHooks;
    scanHooks.slipFor = [this](const Order &order) {
        return orders::slipFor(order, m_hooks.slipTemplate ? m_hooks.slipTemplate() : slip::SlipRecord());
    };
    scanHooks.slipJob = m_hooks.slipJob;
    scanHooks.readWithoutAsking = m_hooks.readScanWithoutAsking;
    scanHooks.writeWithoutAsking = m_hooks.writeScanWithoutAsking;
    m_scanBar = new OrderScanBar(database, printService, std::move(scanHooks), this);
    connect(m_scanBar, &OrderScanBar::ordersChanged, this, &OrderListWindow::ordersChanged);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_scanBar);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    using platform::guardedSlot;
    // The search runs once typing pauses.
    auto *searchDelay = new QTimer(this);
    searchDelay->setSingleShot(true);
    searchDelay->setInterval(250);
    const auto applyFilter = [this] {
        orders::OrderQuery query = m_model->query();
        query.search = m_search->text();
        const int state = m_stateFilter->currentIndex();
        query.state = state == 0 ? std::nullopt : std::optional<OrderState>(OrderState(state - 1));
        query.orderedFrom = m_dateFilter->from();
        query.orderedTo = m_dateFilter->to();
        m_model->setQuery(query);
    };
    connect(m_dateFilter, &OrderDateFilter::changed, this, guardedSlot(applyFilter));
    connect(changesButton, &QPushButton::clicked, this, guardedSlot([this] { showChanges(); }));
    connect(m_search, &QLineEdit::textChanged, searchDelay, qOverload<>(&QTimer::start));
    connect(searchDelay, &QTimer::timeout, this, guardedSlot(applyFilter));
    connect(m_stateFilter, &QComboBox::currentIndexChanged, this, guardedSlot(applyFilter));
    connect(importButton, &QPushButton::clicked, this, guardedSlot([this] {
        const QStringList paths = app::askForOrderFiles(this, m_database.config().sqlitePath);
        if (!paths.isEmpty())
            importFiles(paths);
    }));
    connect(openButton, &QPushButton::clicked, this, guardedSlot([this] { openSelected(); }));
    connect(m_table, &QTableView::doubleClicked, this, guardedSlot([this] { openSelected(); }));
    connect(printButton, &QPushButton::clicked, this, guardedSlot([this] { printSelected(); }));
    connect(clickPostButton, &QPushButton::clicked, this, guardedSlot([this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("クリックポスト用に書き出す"),
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) + QStringLiteral("/clickpost.csv"),
            QStringLiteral("CSV (*.csv)"));
        if (!path.isEmpty())
            exportClickPost(path);
    }));
    connect(asideButton, &QPushButton::clicked, this, guardedSlot([this] { setSelectedState(OrderAction::SetAside); }));
    connect(newButton, &QPushButton::clicked, this, guardedSlot([this] { setSelectedState(OrderAction::BackToNew); }));
    connect(m_model, &orders::OrderListModel::reloaded, this, [this] { updateCount(); });
    connect(m_model, &orders::OrderListModel::failed, this, [](const QString &message) {
        platform::showError(message);
    });
    connect(&m_database, &database::Database::busyChanged, this, [this](bool busy) { setBusy(busy); });
    connect(&m_printService, &jobs::PrintService::slipJobCompleted, this,
            [this](const jobs::JobReport &report) { jobEnded(report); });
    connect(this, &OrderListWindow::ordersChanged, m_model, &orders::OrderListModel::reload);
    applyFilter();
}

void OrderListWindow::setBusy(bool busy)
{
    if (busy)
        m_status->setText(QStringLiteral("注文データベースを読み書きしています…"));
    else
        updateCount();
}

void OrderListWindow::updateCount()
{
    if (!m_database.isBusy())
        m_status->setText(QStringLiteral("%1 件").arg(m_model->rowCount()));
}

void OrderListWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_scanBar->scanBox()->setFocus();
}

void OrderListWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void OrderListWindow::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    if (!paths.isEmpty())
        platform::guarded([&] { importFiles(paths); });
}

void OrderListWindow::importFiles(const QStringList &paths)
{
    m_importQueue += paths;
    m_importDelay->start();
}

// What a download after printing changed; the new values can be opened in the main
// window to print the slip again.
void OrderListWindow::showChanges()
{
    withFirstSelected([this](const Order &order) {
        const QString text = orders::OrderListModel::changesText(order);
        if (text.isEmpty()) {
            platform::notify(QStringLiteral("この注文は印刷後に変わっていません。"));
            return;
        }
        if (!platform::ask(text + QStringLiteral("\n\n変更後の内容をメイン画面に入れますか?")) || !m_hooks.openInMainWindow)
            return;
        m_hooks.openInMainWindow(orders::OrderChanges::fromText(order.pendingChanges).appliedTo(order));
    });
}

void OrderListWindow::runImport(const QStringList &paths, const orders::ReadOptions &options)
{
    m_database
        .run<orders::ImportReport>([paths, options](database::Connection &c) {
            return orders::importFiles(c, paths, options);
        })
        .then(this, [this](const orders::ImportReport &report) {
            Q_EMIT ordersChanged();
            platform::notify(report.text());
        })
        .onFailed(this, [this, paths, options](const orders::UnknownLayoutError &unknown) {
            platform::guarded([&] {
                ColumnMappingDialog dialog(unknown.fileName, unknown.header, unknown.sample, this);
                if (dialog.exec() != QDialog::Accepted)
                    return;
                const orders::ColumnMapping mapping = dialog.mapping();
                const QStringList header = unknown.header;
                // Remembered for files with the same header, then imported with it.
                m_database.run<void>([header, mapping](database::Connection &c) {
                    orders::store::rememberMapping(c, header, mapping);
                });
                runImport(paths, options);
            });
        })
        .onFailed(this, [](const std::exception &error) {
            platform::showError(QString::fromUtf8(error.what()));
        });
}

QList<qint64> OrderListWindow::selectedIds() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<qint64> ids;
    for (int row : rows)
        ids << m_model->orderId(row);
    return ids;
}

void OrderListWindow::openSelected()
{
    withFirstSelected([this](const Order &order) {
        if (m_hooks.openInMainWindow)
            m_hooks.openInMainWindow(order);
    });
}

// The first selected order as the book holds it now, read off the window's thread.
void OrderListWindow::withFirstSelected(std::function<void(const Order &)> use)
{
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty())
        return;
    m_database.run<QList<Order>>([id = ids.first()](database::Connection &c) {
        return orders::store::ordersById(c, {id});
    }).then(this, [use = std::move(use)](const QList<Order> &found) {
        if (!found.isEmpty())
            platform::guarded([&] { use(found.first()); });
    }).onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

void OrderListWindow::setSelectedState(OrderAction action)
{
    const QList<qint64> ids = selectedIds();
    if (action == OrderAction::BackToNew) {
        // Orders another station may still be printing are given back only when the
        // person says so, knowing whose claims they are and how old.
        m_database.run<QList<Order>>([ids](database::Connection &c) { return orders::store::ordersById(c, ids); })
            .then(this, [this, ids](const QList<Order> &selection) {
                const orders::ClaimReview review = orders::reviewClaims(selection, QDateTime::currentDateTimeUtc());
                orders::TransitionContext context;
                if (!review.question.isEmpty() && !platform::ask(review.question))
                    return;
                if (!review.youngQuestion.isEmpty())
                    context.noSlipCameOut = platform::ask(review.youngQuestion);
                applyToSelection(ids, OrderAction::BackToNew, context);
            })
            .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
        return;
    }
    applyToSelection(ids, action, {});
}

void OrderListWindow::applyToSelection(const QList<qint64> &ids, OrderAction action,
                                       const orders::TransitionContext &context)
{
    m_database
        .run<QList<qint64>>([ids, action, context](database::Connection &c) {
            return orders::applyTransition(c, ids, action, context);
        })
        .then(this, [this, action, selected = ids.size()](const QList<qint64> &changed) {
            Q_EMIT ordersChanged();
            // Printed orders and those being printed stay as they are.
            if (action == OrderAction::SetAside && changed.size() < selected)
                platform::notify(QStringLiteral("保留にできるのは未印刷の注文だけです。選択した %1 件のうち %2 件はそのままです。")
                                     .arg(selected)
                                     .arg(selected - changed.size()));
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

void OrderListWindow::exportClickPost(const QString &path)
{
    const QList<qint64> ids = selectedIds();
    m_database
        .run<orders::clickpost::ExportResult>([ids, path](database::Connection &c) {
            return orders::clickpost::exportOrders(c, ids, path);
        })
        .then(this, [this](const orders::clickpost::ExportResult &result) {
            Q_EMIT ordersChanged();
            if (result.orders == 0)
                platform::notify(QStringLiteral("書き出す未印刷の注文がありません。"));
            else
                platform::notify(QStringLiteral("%1 件の注文をクリックポスト用に書き出し、「クリックポスト」にしました。\n%2")
                                     .arg(result.orders)
                                     .arg(result.files.join(u'\n')));
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

void OrderListWindow::printSelected()
{
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty()) {
        platform::notify(QStringLiteral("印刷する注文を選んでください。"));
        return;
    }
    if (m_printService.isBusy())
        throw platform::Error(kPrinterBusyMessage);
    m_database.run<QList<Order>>([ids](database::Connection &c) { return orders::store::ordersById(c, ids); })
        .then(this, [this](const QList<Order> &selected) {
            platform::guarded([&] { confirmAndPrint(selected); });
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

void OrderListWindow::confirmAndPrint(const QList<Order> &selected)
{
    const slip::SlipRecord slipTemplate = m_hooks.slipTemplate ? m_hooks.slipTemplate() : slip::SlipRecord();
    const jobs::SlipJob placement = m_hooks.slipJob ? m_hooks.slipJob({}) : jobs::SlipJob();
    slip::SlipCheckOptions check;
    check.page.dpiX = check.page.dpiY = 180;
    if (m_hooks.slipCheck)
        check = m_hooks.slipCheck();
    const QList<orders::BatchEntry> entries = orders::planBatch(selected, slipTemplate, false, check);
    const orders::BatchConfirmation confirmation =
        orders::batchConfirmation(entries, placement.printerName, slipTemplate);
    platform::Choice choice;
    choice.text = confirmation.text;
    choice.details = confirmation.details;
    choice.buttons = confirmation.buttons;
    choice.checkText = confirmation.tickText;
    const int answer = platform::choose(choice);
    if (answer < 0 || answer >= confirmation.buttons.size() - 1)
        return;
    QList<qint64> ids;
    for (const orders::BatchEntry &entry : entries) {
        if (answer == confirmation.leaveOutButton && !entry.problems.isEmpty())
            continue;
        ids << entry.order.id;
    }
    if (ids.isEmpty()) {
        platform::notify(QStringLiteral("問題のない注文がないため、印刷しませんでした。"));
        return;
    }
    const bool templateDelivery = choice.checked && !confirmation.tickText.isEmpty();
    // The orders are claimed for this station first, in one statement: another station
    // printing the same selection at the same moment gets none of them.
    const QString token = orders::newClaimToken();
    m_database
        .run<QList<Order>>([ids, token](database::Connection &c) {
            const QList<qint64> claimed = orders::applyTransition(c, ids, OrderAction::Claim,
                                                                  orders::TransitionContext::job(token));
            return orders::store::ordersById(c, claimed);
        })
        .then(this, [this, token, selected = ids.size(), templateDelivery](const QList<Order> &claimed) {
            platform::guarded([&] { printClaimed(claimed, int(selected), token, templateDelivery); });
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

// The claimed orders as one job; its end (sent, cancelled after k pages, failed) is
// written by the print service's completion step, and jobEnded() tells the person.
void OrderListWindow::printClaimed(const QList<Order> &claimed, int selected, const QString &token,
                                   bool templateDelivery)
{
    if (claimed.size() < selected) {
        platform::notify(QStringLiteral("選択した %1 件のうち %2 件は、印刷済み・印刷中（ほかの端末を含む）・保留のため印刷しません。")
                             .arg(selected)
                             .arg(selected - claimed.size()));
    }
    if (claimed.isEmpty())
        return;
    const slip::SlipRecord slipTemplate = m_hooks.slipTemplate ? m_hooks.slipTemplate() : slip::SlipRecord();
    QList<slip::SlipRecord> slips;
    QList<qint64> orderIds;
    for (const Order &order : claimed) {
        slips << orders::slipFor(order, slipTemplate,
                                 templateDelivery ? orders::DeliveryFrom::OrderElseTemplate
                                                  : orders::DeliveryFrom::OrderOnly);
        orderIds << order.id;
    }
    jobs::SlipJob job;
    if (m_hooks.slipJob)
        job = m_hooks.slipJob(slips);
    else
        job.slips = slips;
    job.orderIds = orderIds;
    job.claimToken = token;
    // The progress is shown from the job's start, so that 「中止」 is there from the first page.
    const QMetaObject::Connection showProgress =
        connect(&m_printService, &jobs::PrintService::jobStarted, this, [this](jobs::PrintJob *started) {
            new PrintJobProgress(started, QStringLiteral("送り状を印刷しています…"), this);
        });
    m_pendingToken = token;
    try {
        m_printService.printSlips(std::move(job));
    } catch (...) {
        // Refused before anything was drawn: the claims are given back.
        disconnect(showProgress);
        m_pendingToken.clear();
        m_database.run<void>([orderIds, token](database::Connection &c) {
            orders::applyTransition(c, orderIds, orders::OrderAction::Release, orders::TransitionContext::job(token));
        })
            .then(this, [this] { Q_EMIT ordersChanged(); });
        throw;
    }
    disconnect(showProgress);
}

// The completion step wrote the job's end into the order book.
void OrderListWindow::jobEnded(const jobs::JobReport &report)
{
    if (report.job.claimToken.isEmpty() || report.job.claimToken != m_pendingToken)
        return;
    m_pendingToken.clear();
    Q_EMIT ordersChanged();
    const int total = int(report.job.slips.size());
    switch (report.outcome) {
    case jobs::PrintJob::Outcome::Failed:
        platform::showError(report.errorText);
        break;
    case jobs::PrintJob::Outcome::Cancelled:
        platform::notify(QStringLiteral("中止しました。%1 枚を印刷し、残りの %2 件は印刷していません。")
                             .arg(report.pagesSent)
                             .arg(total - report.pagesSent));
        break;
    default:
        break;
    }
}
