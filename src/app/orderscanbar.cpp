#include "orderscanbar.h"

#include "database/connection.h"
#include "database/database.h"
#include "jobs/printservice.h"
#include "orders/orderstatemachine.h"
#include "orders/printclaim.h"
#include "platform/error.h"
#include "platform-ui/guard.h"
#include "printer/ovprinters.h"
#include "platform-ui/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

using orders::PrintClaim;

OrderScanBar::OrderScanBar(database::Database &database, jobs::PrintService &printService, Hooks hooks,
                           QWidget *parent)
    : QWidget(parent), m_database(database), m_printService(printService), m_hooks(std::move(hooks))
{
    m_box = new QLineEdit(this);
    m_box->setPlaceholderText(QStringLiteral("注文番号をスキャン"));
    m_box->setAccessibleName(QStringLiteral("注文番号をスキャン"));
    m_box->setClearButtonEnabled(true);
    m_withoutAsking = new QCheckBox(QStringLiteral("スキャンしたら確認せずに印刷"), this);
    m_withoutAsking->setChecked(m_hooks.readWithoutAsking && m_hooks.readWithoutAsking());
    m_help = new QLabel(QStringLiteral("納品書の注文番号を読み取ると、その注文の送り状を 1 枚印刷します。"), this);
    m_help->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("注文番号をスキャン"), this));
    row->addWidget(m_box, 1);
    row->addWidget(m_withoutAsking);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(m_help);

    connect(m_box, &QLineEdit::returnPressed, this, platform::guardedSlot([this] { scan(); }));
    connect(m_withoutAsking, &QCheckBox::toggled, this, platform::guardedSlot([this] {
                if (m_hooks.writeWithoutAsking)
                    m_hooks.writeWithoutAsking(m_withoutAsking->isChecked());
            }));
}

QString OrderScanBar::helpText() const
{
    return m_help->text();
}

void OrderScanBar::say(const QString &text)
{
    m_help->setText(text);
}

void OrderScanBar::scan()
{
    const QString scanned = m_box->text().trimmed();
    // Cleared at once: the next scan may come before this one's answer.
    m_box->clear();
    m_box->setFocus();
    if (scanned.isEmpty())
        return;
    if (m_printService.isBusy()) {
        say(kPrinterBusyMessage);
        Q_EMIT scanHandled();
        return;
    }
    say(QStringLiteral("%1 を探しています…").arg(scanned));
    m_database
        .run<PrintClaim>([scanned](database::Connection &c) { return orders::claimScannedForPrint(c, scanned); })
        .then(this, [this](const PrintClaim &claim) {
            platform::guarded([&] { handle(claim); });
            m_box->setFocus();
            Q_EMIT scanHandled();
        })
        .onFailed(this, [this](const std::exception &error) {
            say(QString::fromUtf8(error.what()));
            Q_EMIT scanHandled();
        });
}

void OrderScanBar::handle(const PrintClaim &claim)
{
    const orders::Order &order = claim.order;
    switch (claim.outcome) {
    case PrintClaim::Outcome::Claimed: {
        Q_EMIT ordersChanged();
        const QString printer = m_hooks.slipJob ? m_hooks.slipJob({}).printerName : QString();
        if (!m_withoutAsking->isChecked()
            && !platform::ask(QStringLiteral("%1 の送り状を %2 に印刷しますか?").arg(order.orderNumber, printer))) {
            giveBack(order.id, claim.token);
            say(QStringLiteral("%1 は印刷しませんでした。").arg(order.orderNumber));
            return;
        }
        print(order, claim.token);
        return;
    }
    case PrintClaim::Outcome::PrintedBefore:
        if (!platform::ask(orders::reprintQuestion(order.orderNumber, order.printedAt, order.printedStation))) {
            say(QStringLiteral("%1 は印刷しませんでした。").arg(order.orderNumber));
            return;
        }
        print(order, QString());
        return;
    default:
        QApplication::beep();
        say(claim.refusal());
        return;
    }
}

bool OrderScanBar::print(const orders::Order &order, const QString &token)
{
    const slip::SlipRecord slip = m_hooks.slipFor ? m_hooks.slipFor(order) : slip::SlipRecord();
    jobs::SlipJob job;
    if (m_hooks.slipJob)
        job = m_hooks.slipJob({slip});
    else
        job.slips = {slip};
    job.orderIds = {order.id};
    job.claimToken = token;
    QPointer<jobs::PrintJob> printed;
    try {
        printed = m_printService.printSlips(std::move(job));
    } catch (...) {
        // Refused before anything was drawn: the claim is given back.
        giveBack(order.id, token);
        say(platform::errorText(std::current_exception()));
        return false;
    }
    // A one-page job has ended within the call; the completion step recorded it or gave
    // the claim back.
    if (printed && printed->outcome() == jobs::PrintJob::Outcome::Failed) {
        say(printed->errorText());
        return false;
    }
    say(QStringLiteral("%1 の送り状を印刷しました（%2）。").arg(order.orderNumber, order.custo1));
    Q_EMIT ordersChanged();
    return true;
}

void OrderScanBar::giveBack(qint64 orderId, const QString &token)
{
    if (token.isEmpty())
        return;
    m_database
        .run<void>([orderId, token](database::Connection &c) {
            orders::applyTransition(c, {orderId}, orders::OrderAction::Release, orders::TransitionContext::job(token));
        })
        .then(this, [this] { Q_EMIT ordersChanged(); });
}
