// Printing, the printer display, the F7 printer choice, the printer binding of each
// paper feed and the print-position dialog.
#include "mainwindow.h"

#include "settingsfile.h"

#include "platform-ui/guard.h"
#include "printer/ovprinters.h"
#include "printing/printerdisplay.h"
#include "printing/printerregistration.h"
#include "jobs/bookcompletion.h"
#include "jobs/printservice.h"
#include "database/database.h"
#include "orders/orderstatemachine.h"
#include "orders/printclaim.h"
#include "platform/error.h"
#include "platform-ui/messagebox.h"
#include "printing/printpositiondialog.h"
#include "printer-ui/ovprintdialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

void TForm_Main::connectPrinting()
{
    m_printerDisplay = std::make_unique<printing::PrinterDisplay>(
        printing::PrinterDisplay::Widgets{ComboBox1, ComboBox2, ComboBox3, Label_Prn_Top, Label_Prn_Left});
    OvPrinterSetupDialog1 = std::make_unique<TOvPrinterSetupDialog>(this);
    m_printerRegistration = std::make_unique<printing::PrinterRegistration>(
        *m_printerDisplay, [this] { return m_workingDirectory; });

    OvPrinter().SetOnSystemChanged([this](TOvPrinter *) {
        if (m_recordLoaded)
            platform::guarded([this] { followPrinterChange(); });
    });

    using platform::guardedSlot;
    connect(ComboBox_SEL, &QComboBox::currentIndexChanged, this, guardedSlot([this] { ComboBox_SELChange(); }));
    connect(BitBtn_PrnSet, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_PrnSetClick(); }));
    connect(BitBtn_PrnSet2, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_PrnSet2Click(); }));
}

// Made when first opened, not at start: it converts with the feed printer's resolution
// and prints the calibration sheet on it; closing it redraws an open preview.
printing::TForm_SLIP97YPrn &TForm_Main::printPositionDialog()
{
    if (!Form_SLIP97YPrn) {
        Form_SLIP97YPrn = new printing::TForm_SLIP97YPrn(*m_printerRegistration,
                                                         [this] { return currentFeed(); }, this);
        connect(Form_SLIP97YPrn, &QDialog::finished, this, [this] { schedulePreview(); });
        Form_SLIP97YPrn->setResolutionSource([] {
            return jobs::effectiveResolution(OvPrinter().DPI(), OvPrinter().Scale());
        });
        Form_SLIP97YPrn->setCalibrationPrinter([this](const slip::PrinterBinding &binding) {
            const QPointer<jobs::PrintJob> sheet = printService().printCalibrationSheet(binding);
            if (sheet && sheet->outcome() == jobs::PrintJob::Outcome::Failed)
                throw platform::Error(sheet->errorText());
            reportPrinted();
        });
    }
    return *Form_SLIP97YPrn;
}

// The chosen paper feed's item text names its section of the binding file; with no
// item chosen it is empty.
QString TForm_Main::currentFeed() const
{
    return ComboBox_SEL->itemText(ComboBox_SEL->currentIndex());
}

const slip::PrinterBinding &TForm_Main::PrinterBinding() const
{
    return m_printerDisplay->binding();
}

void TForm_Main::SpeedButton_F11Click()
{
    if (m_openOrderId != 0)
        printOpenedOrder();
    else
        printOneSlip(slipRecord(), 0, printQuestion());
}

void TForm_Main::printOpenedOrder()
{
    if (printService().isBusy())
        throw platform::Error(kPrinterBusyMessage);
    const qint64 id = m_openOrderId;
    orderBook()
        .run<orders::PrintClaim>([id](database::Connection &c) { return orders::claimForPrint(c, id); })
        .then(this, [this](const orders::PrintClaim &claim) {
            platform::guarded([&] { printClaimedOrder(claim); });
        })
        .onFailed(this, [](const std::exception &error) { platform::showError(QString::fromUtf8(error.what())); });
}

void TForm_Main::printClaimedOrder(const orders::PrintClaim &claim)
{
    using Outcome = orders::PrintClaim::Outcome;
    const orders::Order &order = claim.order;
    bool printed = false;
    if (claim.outcome == Outcome::Claimed) {
        printed = printOneSlip(slipRecord(), order.id, printQuestion(), claim.token);
    } else if (claim.outcome == Outcome::PrintedBefore) {
        printed = printOneSlip(slipRecord(), order.id,
                               orders::reprintQuestion(orders::printSubject(order.orderNumber, order.custo1),
                                                       order.printedAt, order.printedStation));
    } else {
        platform::showError(claim.refusal());
    }
    if (printed && m_openOrderId == order.id)
        m_openOrderId = 0;
}

// The question, then the slip as one job; a job of the order list still being sent is
// said before the question, and goes on undisturbed.
bool TForm_Main::printOneSlip(const slip::SlipRecord &slip, qint64 orderId, const QString &question,
                              const QString &token)
{
    jobs::PrintService &service = printService();
    const auto giveBack = [&] {
        if (token.isEmpty())
            return;
        orderBook().run<void>([orderId, token](database::Connection &c) {
            orders::applyTransition(c, {orderId}, orders::OrderAction::Release, orders::TransitionContext::job(token));
        });
    };
    if (service.isBusy()) {
        giveBack();
        throw platform::Error(kPrinterBusyMessage);
    }
    if (!platform::ask(question)) {
        giveBack();
        Edit_G1->setFocus();
        return false;
    }
    jobs::SlipJob job = slipJob({slip});
    if (orderId != 0)
        job.orderIds = {orderId};
    // The completion step gives the claim back when the page was not sent.
    job.claimToken = token;
    QPointer<jobs::PrintJob> printed;
    try {
        printed = service.printSlips(std::move(job));
    } catch (...) {
        giveBack(); // refused before a page was drawn: no completion step runs
        throw;
    }
    if (printed && printed->outcome() == jobs::PrintJob::Outcome::Failed)
        throw platform::Error(printed->errorText());
    reportPrinted();
    return true;
}

jobs::SlipJob TForm_Main::slipJob(const QList<slip::SlipRecord> &slips) const
{
    jobs::SlipJob job;
    job.slips = slips;
    job.binding = PrinterBinding();
    job.printerName = m_printerDisplay->printerName();
    job.feed = currentFeed();
    return job;
}

jobs::PrintService &TForm_Main::printService()
{
    if (!m_printService) {
        m_printService = new jobs::PrintService(OvPrinter(), this);
        m_jobCompletion = new jobs::BookCompletion([this]() -> history::HistoryRecorder & { return historyRecorder(); },
                                                   [this]() -> database::Database & { return orderBook(); }, this);
        m_printService->setCompletion(m_jobCompletion);
        connect(m_jobCompletion, &jobs::BookCompletion::failed, this,
                [](const QString &message) { platform::showError(message); });
    }
    return *m_printService;
}

void TForm_Main::SpeedButton_PRNSETClick()
{
    m_printerDisplay->SpeedButton_PRNSETClick();
}

// Printers added or removed while the program runs (the printer layer has gone back
// to the default printer): the printer chosen with F7 stays current while it exists;
// otherwise the feed's printer is looked up again by its registered name. Either way
// the display shows the printer the next slip goes to.
void TForm_Main::followPrinterChange()
{
    if (!m_chosenPrinter.isEmpty()) {
        qsizetype at = -1;
        try {
            at = OvPrinter().PrinterNames().indexOf(m_chosenPrinter);
        } catch (const EOvPrinter &) {
            // No printer left: the feed's load below reports it.
        }
        if (at >= 0) {
            m_printerDisplay->setPrinterIndex(QString::number(at));
            SpeedButton_PRNSETClick();
            return;
        }
    }
    SpeedButton_PrnIdGetClick();
}

void TForm_Main::SpeedButton_F7Click()
{
    const app::SettingsFile settings(settingsFilePath());
    OvPrinter().SetIndex(settings.readPrinterIndex());
    OvPrinterSetupDialog1->Execute(); // confirmed or not, the printer now current is kept
    const int index = OvPrinter().Index();
    settings.writePrinterIndex(index);
    m_printerDisplay->setPrinterIndex(QString::number(index));
    m_chosenPrinter = OvPrinter().PrinterNames().value(index);
    SpeedButton_PRNSETClick();
}

void TForm_Main::ComboBox_SELChange()
{
    SpeedButton_PrnIdGetClick();
}

void TForm_Main::SpeedButton_PrnIdGetClick()
{
    m_chosenPrinter.clear();
    m_printerRegistration->load(currentFeed());
}

void TForm_Main::BitBtn_PrnSetClick()
{
    m_chosenPrinter.clear();
    m_printerRegistration->registerPrinter(currentFeed(), [this] { OvPrinterSetupDialog1->Execute(); });
}

void TForm_Main::BitBtn_PrnSet2Click()
{
    printPositionDialog().exec();
}
