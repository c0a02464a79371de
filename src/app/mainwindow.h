#pragma once

#include "app/settingsfile.h"
#include "slip/printerbinding.h"
#include "slip/slippage.h"
#include "slip/sliprecord.h"
#include "printer-ui/ovprintdialogs.h"

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabBar;
class QToolButton;
class TOvPrinterSetupDialog;
class PostalFields;
class OrderListWindow;

namespace app {
class HistoryWindow;
} // namespace app
namespace history {
class HistoryRecorder;
class UnrecordedJournal;
} // namespace history
namespace jobs {
class BookCompletion;
class PrintService;
struct SlipJob;
} // namespace jobs

namespace database {
class Database;
} // namespace database
namespace orders {
struct Order;
struct PrintClaim;
} // namespace orders

namespace transfer {
class PostalBook;
struct SmartTransferResult;
} // namespace transfer
namespace numedit {
class TLuNumEdit;
} // namespace numedit
namespace slip {
enum class SlipField;
} // namespace slip
namespace printing {
struct PreviewPage;
class PrinterDisplay;
class SlipPreviewWindow;
class PrinterRegistration;
class TForm_SLIP97YPrn;
} // namespace printing

// The main window: the slip record lives in its controls, and every command of the
// program is one of its handlers. The handlers are spread over several source files,
// one per concern (start and keys here, navigation, sender profiles, transfer,
// printing and printer binding in the files named after them).
class TForm_Main : public QWidget
{
    Q_OBJECT
public:
    explicit TForm_Main(QWidget *parent = nullptr);
    ~TForm_Main() override;

    // The working directory captured at start: the base of every settings path.
    const QString &workingDirectory() const { return m_workingDirectory; }
    QString settingsFilePath() const;

    // --- Start, exit, shared keys -------------------------------------------------
    void FormShow();
    void FormDestroy();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void SpeedButton_F2Click();
    void SpeedButton_F7Click();
    void SpeedButton_F8Click();
    void SpeedButton_F9Click();

    // --- Navigation and help texts --------------------------------------------------
    void Edit_Cls();
    void Edit_Warning();
    void Edit_ZipChange();
    void Edit_telChange();
    void Memo1Change();
    void BitBtn_CLSClick();
    void BitBtn_MemoCLSClick();
    void BitBtn_WebHelpClick();
    void BitBtn_SendMailClick();
    void CheckBox_tClick(QCheckBox *clicked);
    void Edit_ZipKeyDown(int key, Qt::KeyboardModifiers shift);
    void Edit_telKeyDown(int key, Qt::KeyboardModifiers shift);
    void Edit_G2KeyDown(int key, Qt::KeyboardModifiers shift);
    void Edit_End_KeyDown(int key, Qt::KeyboardModifiers shift);
    void LuNumEdit_KOSUUEnter();

    // --- Sender profiles -----------------------------------------------------------
    void Edit_Cls_My();
    void SpeedButton_readMyClick();
    void BitBtn_MyClick();
    void PageControl_MyChange();
    void CheckBox_MyClick();
    // The selected profile number, 0 to 9, or -1 when no tab is selected.
    int selectedProfile() const { return m_selectedProfile; }

    // --- Transfer --------------------------------------------------------------------
    void BitBtn_1Click();
    // Which transfer the button runs: the smart one (whole order texts) or the classic one.
    bool smartTransfer() const { return m_smartTransfer; }
    void setSmartTransfer(bool on);
    // Why the smart transfer doubts what it put in a destination field; empty when not.
    QString transferDoubt(const QLineEdit *field) const;
    // The check item of the transfer button's context menu.
    QAction *Action_SmartTransfer = nullptr;

    // --- Printing and printer binding ----------------------------------------------------
    void SpeedButton_F11Click();
    void SpeedButton_PRNSETClick();
    void ComboBox_SELChange();
    void SpeedButton_PrnIdGetClick();
    void BitBtn_PrnSetClick();
    void BitBtn_PrnSet2Click();

    // --- Preview and print feedback -------------------------------------------------------
    // Opens the preview window beside this one (or brings it up).
    void SpeedButton_F5Click();
    printing::SlipPreviewWindow *previewWindow() const { return m_previewWindow; }
    // The help line tells that a slip (or the calibration sheet) was sent, and where.
    void reportPrinted();

    // Which printer prints and where; the printer display shows it.
    const slip::PrinterBinding &PrinterBinding() const;
    // The slip record as the controls hold it now.
    slip::SlipRecord slipRecord() const;
    // Fills the destination and goods (and with `withDelivery` the desired date and time
    // slot) from a record; the other controls keep what they hold.
    void showSlip(const slip::SlipRecord &record, bool withDelivery);
    // Every field the settings file keeps, from a record.
    void showStoredSlip(const slip::SlipRecord &record);

    // Every print goes through this service; made on first use.
    jobs::PrintService &printService();
    // A job of these slips on the current feed's printer, its margins and its names.
    jobs::SlipJob slipJob(const QList<slip::SlipRecord> &slips) const;
    // The current feed's printer and margins, as the fit rule and the pre-print check
    // judge a slip for it.
    slip::SlipPageSetup slipPageSetup() const;

    // --- Orders (mainwindow_orders.cpp) --------------------------------------------------
    // The order book, opened on first use (not at start).
    database::Database &orderBook();
    // The folder of the settings file, the order book and the history's journal.
    QString workingFolder() const;
    // The order list window, made on first use; shown and brought to the front.
    OrderListWindow &showOrderList();
    // Files given on the command line or handed over by a second start: imported, and
    // the order list shown.
    void openOrderFiles(const QStringList &paths);
    // Fills the destination and goods with the order; the next F11 marks it printed.
    void openOrder(const orders::Order &order);

    // --- History (mainwindow_history.cpp) ------------------------------------------------
    // The shipping history window, made on first use; shown and brought to the front.
    app::HistoryWindow &showHistory();
    // Fills the destination, goods and delivery fields with a slip from the history.
    void openSlip(const slip::SlipRecord &slip);

    // --- Controls (named as in the slip record) ------------------------------------------
    // Paste band
    QFrame *Panel3 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QLabel *Label8 = nullptr;
    QPushButton *BitBtn_1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *BitBtn_WebHelp = nullptr;
    QPushButton *BitBtn_SendMail = nullptr;
    QPushButton *BitBtn_MemoCLS = nullptr;
    QLabel *Label12 = nullptr;
    // Destination band
    QFrame *Panel1 = nullptr;
    QLabel *Label_1 = nullptr;
    QLineEdit *Edit_Zip = nullptr;
    QLabel *Label_Warning = nullptr;
    QLineEdit *Edit_Add1 = nullptr;
    QLineEdit *Edit_Add2 = nullptr;
    QLineEdit *Edit_Add3 = nullptr;
    QLineEdit *Edit_Custo1 = nullptr;
    QLineEdit *Edit_tel = nullptr;
    QPushButton *BitBtn_CLS = nullptr;
    QLabel *Label10 = nullptr;
    // Sender band
    QFrame *PanelSender = nullptr;
    QCheckBox *CheckBox_My = nullptr;
    QTabBar *PageControl_My = nullptr;
    QLineEdit *Edit_MyZip = nullptr;
    QLineEdit *Edit_MyADD1 = nullptr;
    QLineEdit *Edit_MyADD2 = nullptr;
    QLineEdit *Edit_My = nullptr;
    QLineEdit *Edit_MyTEL = nullptr;
    QPushButton *BitBtn_My = nullptr;
    QLabel *Label3 = nullptr;
    // Goods and print band
    QFrame *Panel4 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QComboBox *ComboBox3 = nullptr;
    QLabel *Label_Prn_Top = nullptr;
    QLabel *Label_Prn_Left = nullptr;
    QComboBox *ComboBox_SEL = nullptr;
    QPushButton *BitBtn_PrnSet = nullptr;
    QPushButton *BitBtn_PrnSet2 = nullptr;
    QLabel *Label_de_date = nullptr;
    QLineEdit *Edit_de_date1 = nullptr;
    QLineEdit *Edit_de_date2 = nullptr;
    QCheckBox *CheckBox_Date_1 = nullptr;
    QDateEdit *DateTimePicker_1 = nullptr;
    QLabel *Label_3 = nullptr;
    QLineEdit *Edit_G1 = nullptr;
    QLineEdit *Edit_G2 = nullptr;
    QLineEdit *Edit_G3 = nullptr;
    QGroupBox *GroupBox_Time = nullptr;
    QCheckBox *CheckBox_t1 = nullptr;
    QCheckBox *CheckBox_t2 = nullptr;
    QCheckBox *CheckBox_t3 = nullptr;
    QCheckBox *CheckBox_t4 = nullptr;
    QCheckBox *CheckBox_t5 = nullptr;
    QCheckBox *CheckBox_t6 = nullptr;
    // Kept but never shown
    numedit::TLuNumEdit *LuNumEdit_KOSUU = nullptr;
    QComboBox *ComboBox_FontSize = nullptr;
    // Help line, function keys, status bar
    QLabel *Panel_HelpMess = nullptr;
    QFrame *Panel_Fnc = nullptr;
    QToolButton *SpeedButton_F[12] = {};
    QStatusBar *StatusBar1 = nullptr;

    std::unique_ptr<TOvPrinterSetupDialog> OvPrinterSetupDialog1;
    // The print-position dialog, made when it is first opened.
    printing::TForm_SLIP97YPrn *Form_SLIP97YPrn = nullptr;

    // The six time-slot boxes in order.
    QList<QCheckBox *> timeSlots() const;
    // The five sender edits in profile order.
    QList<QLineEdit *> senderEdits() const;

Q_SIGNALS:
    // The start sequence after the first show has run (also when it ended in an error box).
    void startSequenceFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using KeyHandler = std::function<void(int, Qt::KeyboardModifiers)>;

    void buildUi();
    void buildPasteBand();
    void buildDestinationBand();
    void buildSenderBand();
    void buildGoodsBand();
    void buildFunctionKeys();
    void setUpTabOrder();
    void connectHandlers();
    void connectNavigation();
    void connectProfiles();
    void connectTransfer();
    void classicTransferClick();
    void smartTransferClick();
    void setTransferDoubt(QLineEdit *edit, const QString &doubt);
    void showTransferDoubts();
    void markTransferredText(const transfer::SmartTransferResult &result);
    void clearTransferMarks();
    const transfer::PostalBook *postalBook() const;
    void connectPrinting();
    void connectPostal();
    // "印刷しますか?", after the pre-print check's lines (overflow first) and a line for
    // each postal code that disagrees with its address.
    QString printQuestion() const;
    void setUpFunctionKeys();
    printing::TForm_SLIP97YPrn &printPositionDialog();
    void connectPreview();
    history::HistoryRecorder &historyRecorder();
    // Where slips sent but not yet in the history wait, in the working folder.
    history::UnrecordedJournal unrecordedJournal() const;
    // Writes into the history the slips an earlier run could not record.
    void recordUnrecordedSlips();
    void reviewLeftClaims();
    void recordLeftClaims(const QList<qint64> &ids);
    void giveBackLeftClaims(const QList<qint64> &ids);
    void schedulePreview();
    void refreshPreview();
    void placePreviewBesideWindow();
    printing::PreviewPage previewPage() const;
    void showOverflow(const QList<slip::SlipField> &fields);
    void writePreviewPdf();
    bool helpLineClicked(QObject *watched, QEvent *event);
    QString currentFeed() const;
    void followPrinterChange();

    void onKeyDown(QWidget *control, KeyHandler handler);
    void onEnter(QWidget *control, std::function<void()> handler);
    void focusNextControl();
    void loadSettings();

    QString m_workingDirectory;
    int m_selectedProfile = 0;
    bool m_started = false;
    bool m_saved = false;
    bool m_recordLoaded = false; // the fields hold the stored record, so closing may save them
    // Hidden controls written back as stored unless changed.
    app::KeptValue<int> m_addrFont;
    app::KeptValue<QString> m_kosuu;
    std::unique_ptr<printing::PrinterDisplay> m_printerDisplay;
    std::unique_ptr<printing::PrinterRegistration> m_printerRegistration;
    QString m_chosenPrinter; // chosen with F7 since the feed's printer was last loaded
    jobs::PrintService *m_printService = nullptr;     // made on first use
    jobs::BookCompletion *m_jobCompletion = nullptr;  // made with the print service
    printing::SlipPreviewWindow *m_previewWindow = nullptr;
    bool m_previewPending = false;
    QString m_previewPrinterKey; // printer, paper and bin the preview's page was read for
    QString m_printedFile;       // the PDF the help line tells of
    QString m_printedMessage;
    QHash<QObject *, KeyHandler> m_keyHandlers;
    PostalFields *m_postalDestination = nullptr;
    PostalFields *m_postalSender = nullptr;
    QHash<QObject *, std::function<void()>> m_enterHandlers;
    std::unique_ptr<database::Database> m_orderBook;
    OrderListWindow *m_orderList = nullptr;
    qint64 m_openOrderId = 0;  // the order the fields were filled from, until F11 prints it
    app::HistoryWindow *m_historyWindow = nullptr;
    history::HistoryRecorder *m_historyRecorder = nullptr; // made with the order book
    // Prints one slip as a job (F11, a reprint) after `question`; false when the
    // answer was No (a claim `token` for the order is then given back). A failure
    // raises with its message.
    bool printOneSlip(const slip::SlipRecord &slip, qint64 orderId, const QString &question,
                      const QString &token = {});
    // F11 on an order opened from the list: the order is claimed first, or the reprint
    // question asked when it was printed before.
    void printOpenedOrder();
    void printClaimedOrder(const orders::PrintClaim &claim);
    bool m_smartTransfer = true;
    bool m_fillingTransfer = false; // the transfer is writing the fields
    QHash<const QLineEdit *, QString> m_transferDoubts;
};
