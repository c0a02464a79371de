// Printing, the printer display, the F7 printer choice, the printer binding of each
// paper feed and the print-position dialog.
#include "mainwindow.h"

#include <utility>

#include "settingsfile.h"

#include "platform/guard.h"
#include "printer/ovprinters.h"
#include "printing/ov_d97_dot.h"
#include "printing/printerdisplay.h"
#include "printing/printerregistration.h"
#include "printing/printjob.h"
#include "printing/printpositiondialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
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

void TForm_Main::createPrintPositionDialog()
{
    Form_SLIP97YPrn = new printing::TForm_SLIP97YPrn(*m_printerRegistration,
                                                     [this] { return currentFeed(); }, this);
}

// The chosen paper feed's item text names its section of the binding file; with no
// item chosen it is empty.
QString TForm_Main::currentFeed() const
{
    return ComboBox_SEL->itemText(ComboBox_SEL->currentIndex());
}

const printing::PrinterBinding &TForm_Main::PrinterBinding() const
{
    return m_printerDisplay->binding();
}

printing::SlipData TForm_Main::slipData() const
{
    printing::SlipData d;
    d.Edit_Zip = Edit_Zip->text();
    d.Edit_Add1 = Edit_Add1->text();
    d.Edit_Add2 = Edit_Add2->text();
    d.Edit_Custo1 = Edit_Custo1->text();
    d.Edit_tel = Edit_tel->text();
    d.Edit_MyZip = Edit_MyZip->text();
    d.Edit_MyADD1 = Edit_MyADD1->text();
    d.Edit_MyADD2 = Edit_MyADD2->text();
    d.Edit_My = Edit_My->text();
    d.Edit_MyTEL = Edit_MyTEL->text();
    d.CheckBox_My = CheckBox_My->isChecked();
    d.Edit_G1 = Edit_G1->text();
    d.Edit_G2 = Edit_G2->text();
    d.Edit_G3 = Edit_G3->text();
    d.DateTimePicker_1 = DateTimePicker_1->date();
    d.CheckBox_Date_1 = CheckBox_Date_1->isChecked();
    d.Edit_de_date1 = Edit_de_date1->text();
    d.Edit_de_date2 = Edit_de_date2->text();
    d.CheckBox_t1 = CheckBox_t1->isChecked();
    d.CheckBox_t2 = CheckBox_t2->isChecked();
    d.CheckBox_t3 = CheckBox_t3->isChecked();
    d.CheckBox_t4 = CheckBox_t4->isChecked();
    d.CheckBox_t5 = CheckBox_t5->isChecked();
    d.CheckBox_t6 = CheckBox_t6->isChecked();
    return d;
}

void TForm_Main::SpeedButton_F11Click()
{
    const printing::SlipData slip = slipData();
    if (!printing::printSlip(*m_slipPrinter, slip, PrinterBinding(), printQuestion())) {
        Edit_G1->setFocus();
        return;
    }
    reportPrinted();
    reportSlipSent(slip, std::exchange(m_openOrderId, 0));
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
    Form_SLIP97YPrn->exec();
}
