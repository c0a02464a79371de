#include "mainwindow.h"

#include "appconfig.h"
#include "lineinput.h"
#include "pastebox.h"
#include "settingsfile.h"

#include "database/database.h"

#include "numedit/lunumedit.h"
#include "numedit/numeditpresets.h"
#include "printer/ovprinters.h"
#include "slip/sliplayout.h"
#include "printing/printerdisplay.h"
#include "printing/printerregistration.h"

#include "platform-ui/fonts.h"
#include "platform-ui/glyphs.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>

namespace {

const QString kWindowFont = QStringLiteral("ＭＳ Ｐゴシック");

QFont pixelFont(int pixels, bool bold = false)
{
    QFont font(platform::installedFamily(kWindowFont));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFrame *makeBand(QWidget *parent, const QString &name, int top, int height)
{
    auto *band = new QFrame(parent);
    band->setObjectName(name);
    band->setGeometry(0, top, 682, height);
    return band;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                  int pixels = 0, bool bold = false)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    if (pixels > 0)
        label->setFont(pixelFont(pixels, bold));
    else if (bold)
        label->setFont(pixelFont(16, true));
    label->adjustSize();
    label->move(left, top);
    return label;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

// A raised box of 74 x 24 that names the field beside it.
QLabel *makeCaptionPanel(QWidget *parent, const QString &text, int left, int top)
{
    auto *panel = new QLabel(text, parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setAlignment(Qt::AlignCenter);
    panel->setGeometry(left, top, 74, 24);
    setTextColor(panel, Qt::black);
    return panel;
}

enum class InputMethod { Disabled, Enabled };

QLineEdit *makeEdit(QWidget *parent, const QString &name, const QRect &geometry, int maxLength,
                    InputMethod inputMethod)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    // No line breaks; the character limit holds for what the user types or pastes, not
    // for what the program writes (QLineEdit's own maxLength would cut those silently).
    edit->setValidator(new app::LineInput(edit, maxLength));
    // Where the input method is off the box takes direct half-width typing only.
    edit->setAttribute(Qt::WA_InputMethodEnabled, inputMethod == InputMethod::Enabled);
    if (inputMethod == InputMethod::Disabled)
        edit->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    return edit;
}

QPushButton *makePictureButton(QWidget *parent, const QString &name, platform::Glyph glyph,
                               const QRect &geometry, const QString &caption = QString())
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setIcon(platform::glyphIcon(glyph));
    button->setGeometry(geometry);
    button->setAutoDefault(true); // a focused button takes Enter, as on the form's home desktop
    return button;
}

} // namespace

TForm_Main::TForm_Main(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TForm_Main"));
    buildUi();
    setUpTabOrder();
    connectHandlers();
    connectNavigation();
    connectProfiles();
    connectTransfer();
    connectPrinting();
    connectPostal();
    connectPreview();
}

TForm_Main::~TForm_Main()
{
    if (OvPrinterExists())
        OvPrinter().SetOnSystemChanged(nullptr);
}

QString TForm_Main::settingsFilePath() const
{
    return QDir(m_workingDirectory).filePath(app::SettingsFile::fileName());
}

QList<QCheckBox *> TForm_Main::timeSlots() const
{
    return {CheckBox_t1, CheckBox_t2, CheckBox_t3, CheckBox_t4, CheckBox_t5, CheckBox_t6};
}

QList<QLineEdit *> TForm_Main::senderEdits() const
{
    return {Edit_MyZip, Edit_MyADD1, Edit_MyADD2, Edit_My, Edit_MyTEL};
}

// --- Layout ---------------------------------------------------------------------------

void TForm_Main::buildUi()
{
    setWindowTitle(platform::applicationTitle());
    setFont(pixelFont(16));
    setFixedSize(682, 663);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    buildPasteBand();
    buildDestinationBand();
    buildSenderBand();
    buildGoodsBand();

    Panel_HelpMess = new QLabel(this);
    Panel_HelpMess->setObjectName(QStringLiteral("Panel_HelpMess"));
    Panel_HelpMess->setGeometry(0, 589, 682, 30);
    Panel_HelpMess->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel_HelpMess->setAlignment(Qt::AlignCenter);
    Panel_HelpMess->setAutoFillBackground(true);
    Panel_HelpMess->setBackgroundRole(QPalette::ToolTipBase);
    Panel_HelpMess->setForegroundRole(QPalette::ToolTipText);

    buildFunctionKeys();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(0, 647, 682, 16);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFont(pixelFont(12));
}

void TForm_Main::buildPasteBand()
{
    Panel3 = makeBand(this, QStringLiteral("Panel3"), 0, 130);

    Memo1 = new PasteBox(Panel3);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(114, 4, 474, 108);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    Memo1->setTabChangesFocus(true);
    Memo1->setFont(pixelFont(13));
    Memo1->setToolTip(PasteBox::toolTipText(m_smartTransfer));

    Label8 = makeLabel(Panel3, QStringLiteral("Label8"), PasteBox::hintText(m_smartTransfer), 114, 116, 11, true);
    setTextColor(Label8, Qt::gray);

    BitBtn_1 = makePictureButton(Panel3, QStringLiteral("BitBtn_1"), platform::Glyph::ArrowRight,
                                 QRect(55, 23, 39, 39));
    BitBtn_1->setFocusPolicy(Qt::ClickFocus);
    BitBtn_1->setToolTip(QStringLiteral("お届け先にテキストデータを転送します"));
    Label1 = makeLabel(Panel3, QStringLiteral("Label1"), QStringLiteral("テキスト転送"), 33, 64, 12);

    BitBtn_WebHelp = makePictureButton(Panel3, QStringLiteral("BitBtn_WebHelp"),
                                       platform::Glyph::Globe, QRect(610, 23, 39, 39));
    BitBtn_WebHelp->setFocusPolicy(Qt::ClickFocus);

    BitBtn_SendMail = makePictureButton(Panel3, QStringLiteral("BitBtn_SendMail"),
                                        platform::Glyph::Mail, QRect(601, 65, 60, 20),
                                        QStringLiteral("E-Mail"));
    BitBtn_SendMail->setIconSize(QSize(12, 12));
    BitBtn_SendMail->setToolTip(app::config::supportMailAddress());
    BitBtn_SendMail->setFont(pixelFont(12));

    BitBtn_MemoCLS = makePictureButton(Panel3, QStringLiteral("BitBtn_MemoCLS"),
                                       platform::Glyph::Eraser, QRect(610, 90, 39, 21));
    BitBtn_MemoCLS->setFocusPolicy(Qt::ClickFocus);
    BitBtn_MemoCLS->setToolTip(QStringLiteral("メモをクリアします"));
    Label12 = makeLabel(Panel3, QStringLiteral("Label12"), QStringLiteral("Memoｸﾘｱ"), 606, 114, 12);
}

void TForm_Main::buildDestinationBand()
{
    Panel1 = makeBand(this, QStringLiteral("Panel1"), 130, 176);
    Label_1 = makeLabel(Panel1, QStringLiteral("Label_1"), QStringLiteral("お届け先"), 18, 6, 16, true);

    const QStringList captions = {QStringLiteral("郵便番号"),   QStringLiteral("おところ①"),
                                  QStringLiteral("おところ②"), QStringLiteral("おところ③"),
                                  QStringLiteral("おなまえ"),   QStringLiteral("でんわ")};
    const int tops[] = {25, 49, 73, 97, 121, 145};
    for (int i = 0; i < captions.size(); ++i)
        makeCaptionPanel(Panel1, captions.at(i), i < 3 ? 40 : 39, tops[i]);

    Edit_Zip = makeEdit(Panel1, QStringLiteral("Edit_Zip"), QRect(114, 25, 103, 24), 16,
                        InputMethod::Disabled);
    Label_Warning = makeLabel(Panel1, QStringLiteral("Label_Warning"), QString(), 220, 31, 13);
    Label_Warning->setFixedWidth(460);
    setTextColor(Label_Warning, Qt::red);
    Edit_Add1 = makeEdit(Panel1, QStringLiteral("Edit_Add1"), QRect(114, 49, 440, 24), 0,
                         InputMethod::Enabled);
    Edit_Add2 = makeEdit(Panel1, QStringLiteral("Edit_Add2"), QRect(114, 73, 440, 24), 0,
                         InputMethod::Enabled);
    Edit_Add3 = makeEdit(Panel1, QStringLiteral("Edit_Add3"), QRect(113, 97, 440, 24), 0,
                         InputMethod::Enabled);
    Edit_Custo1 = makeEdit(Panel1, QStringLiteral("Edit_Custo1"), QRect(113, 121, 360, 24), 80,
                           InputMethod::Enabled);
    Edit_tel = makeEdit(Panel1, QStringLiteral("Edit_tel"), QRect(113, 145, 140, 24), 0,
                        InputMethod::Disabled);

    BitBtn_CLS = makePictureButton(Panel1, QStringLiteral("BitBtn_CLS"), platform::Glyph::Trash,
                                   QRect(610, 56, 39, 39));
    BitBtn_CLS->setFocusPolicy(Qt::ClickFocus);
    Label10 = makeLabel(Panel1, QStringLiteral("Label10"), QStringLiteral("お届け先ｸﾘｱ"), 600, 100, 12);
}

void TForm_Main::buildSenderBand()
{
    PanelSender = makeBand(this, QStringLiteral("PanelSender"), 306, 139);

    CheckBox_My = new QCheckBox(QStringLiteral("ご依頼主"), PanelSender);
    CheckBox_My->setObjectName(QStringLiteral("CheckBox_My"));
    CheckBox_My->setGeometry(18, 2, 97, 17);
    CheckBox_My->setChecked(true);
    CheckBox_My->setToolTip(QStringLiteral("チェックをはずすとご依頼主を印字しません"));
    setTextColor(CheckBox_My, Qt::gray);

    PageControl_My = new QTabBar(PanelSender);
    PageControl_My->setObjectName(QStringLiteral("PageControl_My"));
    PageControl_My->setGeometry(114, 1, 440, 19);
    PageControl_My->setFont(pixelFont(12));
    PageControl_My->setExpanding(false);
    PageControl_My->setDrawBase(false);
    PageControl_My->setUsesScrollButtons(true);
    PageControl_My->setFocusPolicy(Qt::StrongFocus);
    for (int i = 1; i <= 10; ++i)
        PageControl_My->addTab(QStringLiteral("依頼主%1").arg(i));
    // Styled once all tabs are in, so that the tabs are measured once, not after each one.
    PageControl_My->setStyleSheet(
        QStringLiteral("QTabBar::tab { height: 17px; padding: 0px 2px; color: gray; }"));
    // The scroll arrows of the tab strip are for the mouse; Tab skips them.
    for (QToolButton *arrow : PageControl_My->findChildren<QToolButton *>())
        arrow->setFocusPolicy(Qt::NoFocus);
    PageControl_My->setToolTip(QStringLiteral("依頼主番号ごとに登録してください。　登録後切り替えが可能になります。"));

    const struct
    {
        const char16_t *text;
        int left, top;
    } labels[] = {{u"郵便番号", 49, 27}, {u"おところ", 58, 49}, {u"おなまえ", 56, 95}, {u"でんわ", 67, 115}};
    for (const auto &l : labels) {
        QLabel *label = makeLabel(PanelSender, QString(), QString::fromUtf16(l.text), l.left, l.top, 15);
        setTextColor(label, Qt::gray);
    }

    Edit_MyZip = makeEdit(PanelSender, QStringLiteral("Edit_MyZip"), QRect(114, 21, 78, 23), 8,
                          InputMethod::Disabled);
    Edit_MyADD1 = makeEdit(PanelSender, QStringLiteral("Edit_MyADD1"), QRect(114, 43, 440, 23), 0,
                           InputMethod::Enabled);
    Edit_MyADD2 = makeEdit(PanelSender, QStringLiteral("Edit_MyADD2"), QRect(114, 65, 440, 23), 0,
                           InputMethod::Enabled);
    Edit_My = makeEdit(PanelSender, QStringLiteral("Edit_My"), QRect(114, 88, 360, 23), 80,
                       InputMethod::Enabled);
    Edit_MyTEL = makeEdit(PanelSender, QStringLiteral("Edit_MyTEL"), QRect(114, 111, 140, 23), 0,
                          InputMethod::Disabled);
    for (QLineEdit *edit : senderEdits()) {
        edit->setFont(pixelFont(15));
        setTextColor(edit, Qt::gray);
    }

    BitBtn_My = makePictureButton(PanelSender, QStringLiteral("BitBtn_My"),
                                  platform::Glyph::Save, QRect(610, 49, 39, 39));
    BitBtn_My->setToolTip(QStringLiteral("ご依頼主を保存します"));
    Label3 = makeLabel(PanelSender, QStringLiteral("Label3"), QStringLiteral("ご依頼主登録"), 600, 92, 12);
}

void TForm_Main::buildGoodsBand()
{
    Panel4 = makeBand(this, QStringLiteral("Panel4"), 445, 144);

    GroupBox1 = new QGroupBox(QStringLiteral("プリンタセット"), Panel4);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(12, 4, 285, 130);
    GroupBox1->setFont(pixelFont(12));

    // The printer display: printing::PrinterDisplay makes these read-only display lines.
    auto makeDisplayBox = [this](const QString &name, const QRect &geometry) {
        auto *box = new QComboBox(GroupBox1);
        box->setObjectName(name);
        box->setGeometry(geometry);
        return box;
    };
    ComboBox1 = makeDisplayBox(QStringLiteral("ComboBox1"), QRect(8, 16, 268, 20));
    ComboBox2 = makeDisplayBox(QStringLiteral("ComboBox2"), QRect(8, 37, 132, 20));
    ComboBox3 = makeDisplayBox(QStringLiteral("ComboBox3"), QRect(144, 37, 132, 20));

    BitBtn_PrnSet2 = makePictureButton(GroupBox1, QStringLiteral("BitBtn_PrnSet2"),
                                       platform::Glyph::ArrowUp, QRect(8, 58, 78, 19),
                                       QStringLiteral("余白調整"));
    BitBtn_PrnSet2->setFocusPolicy(Qt::ClickFocus);
    BitBtn_PrnSet2->setToolTip(QStringLiteral("印刷する用紙の上余白、左余白を調整します"));
    Label_Prn_Top = makeLabel(GroupBox1, QStringLiteral("Label_Prn_Top"), QString(), 92, 57, 9);
    Label_Prn_Left = makeLabel(GroupBox1, QStringLiteral("Label_Prn_Left"), QString(), 92, 67, 9);
    Label_Prn_Top->setFixedWidth(36);
    Label_Prn_Left->setFixedWidth(36);
    BitBtn_PrnSet = makePictureButton(GroupBox1, QStringLiteral("BitBtn_PrnSet"),
                                      platform::Glyph::Printer, QRect(128, 58, 148, 19),
                                      QStringLiteral("セットするプリンタを登録"));
    BitBtn_PrnSet->setFocusPolicy(Qt::ClickFocus);
    BitBtn_PrnSet->setToolTip(QStringLiteral("送り状ごとに使用にするプリンタをセットします"));

    makeLabel(GroupBox1, QStringLiteral("Label_SEL"), QStringLiteral("用紙選択"), 10, 82, 12);
    ComboBox_SEL = new QComboBox(GroupBox1);
    ComboBox_SEL->setObjectName(QStringLiteral("ComboBox_SEL"));
    ComboBox_SEL->setGeometry(68, 78, 208, 23);
    ComboBox_SEL->addItems({QStringLiteral("手差し"), QStringLiteral("連続(４インチ)")});
    ComboBox_SEL->setFocusPolicy(Qt::StrongFocus);

    Label_de_date = makeLabel(Panel4, QStringLiteral("Label_de_date"), QStringLiteral("ご希望お届け日"),
                              300, 7, 11);
    Edit_de_date1 = makeEdit(Panel4, QStringLiteral("Edit_de_date1"), QRect(374, 1, 23, 21), 2,
                             InputMethod::Enabled);
    Edit_de_date2 = makeEdit(Panel4, QStringLiteral("Edit_de_date2"), QRect(399, 1, 23, 21), 2,
                             InputMethod::Enabled);
    Edit_de_date1->setFont(pixelFont(13));
    Edit_de_date2->setFont(pixelFont(13));

    CheckBox_Date_1 = new QCheckBox(QStringLiteral("日付"), Panel4);
    CheckBox_Date_1->setObjectName(QStringLiteral("CheckBox_Date_1"));
    CheckBox_Date_1->setGeometry(301, 25, 46, 17);
    CheckBox_Date_1->setChecked(true);
    CheckBox_Date_1->setToolTip(QStringLiteral("チェックをはずすと日付を印字しません"));
    CheckBox_Date_1->setFont(pixelFont(12));

    DateTimePicker_1 = new QDateEdit(Panel4);
    DateTimePicker_1->setObjectName(QStringLiteral("DateTimePicker_1"));
    DateTimePicker_1->setGeometry(350, 22, 105, 21);
    DateTimePicker_1->setCalendarPopup(true);
    DateTimePicker_1->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    DateTimePicker_1->setFont(pixelFont(13));

    Label_3 = makeLabel(Panel4, QStringLiteral("Label_3"), QStringLiteral("品名"), 313, 46, 16, true);
    Edit_G1 = makeEdit(Panel4, QStringLiteral("Edit_G1"), QRect(350, 43, 255, 24), 30,
                       InputMethod::Enabled);
    Edit_G1->setToolTip(QStringLiteral("30文字入力可"));
    Edit_G2 = makeEdit(Panel4, QStringLiteral("Edit_G2"), QRect(350, 66, 255, 24), 30,
                       InputMethod::Enabled);
    Edit_G3 = makeEdit(Panel4, QStringLiteral("Edit_G3"), QRect(350, 90, 255, 24), 30,
                       InputMethod::Enabled);

    GroupBox_Time = new QGroupBox(QStringLiteral("お届け時間帯"), Panel4);
    GroupBox_Time->setObjectName(QStringLiteral("GroupBox_Time"));
    GroupBox_Time->setGeometry(604, 1, 77, 91);
    GroupBox_Time->setFont(pixelFont(11));
    const QStringList slots = {QStringLiteral("午前中"),   QStringLiteral("12→14時"),
                               QStringLiteral("14→16時"), QStringLiteral("16→18時"),
                               QStringLiteral("18→20時"), QStringLiteral("20→21時")};
    // The boxes start below the frame's title (taller here than on the form) and sit
    // 12 pixels apart, the height of their letters, so that the first one does not
    // cover the title and the last stays inside the frame.
    const int slotHeight = 14;
    const int pitch = 12;
    const int firstTop = qMin(QFontMetrics(GroupBox_Time->font()).height() + 3,
                              GroupBox_Time->height() - 2 - slotHeight - 5 * pitch);
    QCheckBox **boxes[] = {&CheckBox_t1, &CheckBox_t2, &CheckBox_t3,
                           &CheckBox_t4, &CheckBox_t5, &CheckBox_t6};
    for (int i = 0; i < 6; ++i) {
        auto *box = new QCheckBox(slots.at(i), GroupBox_Time);
        box->setObjectName(QStringLiteral("CheckBox_t%1").arg(i + 1));
        box->setGeometry(5, firstTop + i * pitch, 69, slotHeight);
        box->setFont(pixelFont(12));
        // The captions just fit the 69 pixels with a small box and gap.
        box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 1px; }"
                                          "QCheckBox::indicator { width: 10px; height: 10px; }"));
        *boxes[i] = box;
    }

    // Kept in the record but never shown.
    const auto makeNumberBox = [this](const QString &name, void (*setUp)(numedit::TLuNumEdit &)) {
        auto *box = new numedit::TLuNumEdit(Panel4);
        box->setObjectName(name);
        setUp(*box);
        box->hide();
        return box;
    };
    LuNumEdit_KOSUU = makeNumberBox(QStringLiteral("LuNumEdit_KOSUU"), numedit::setUpQuantityBox);
    LuNumEdit_KOSUU->setGeometry(350, 115, 35, 20);

    ComboBox_FontSize = new QComboBox(Panel4);
    ComboBox_FontSize->setObjectName(QStringLiteral("ComboBox_FontSize"));
    ComboBox_FontSize->addItems({QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12")});
    ComboBox_FontSize->setCurrentIndex(1);
    ComboBox_FontSize->hide();
}

void TForm_Main::buildFunctionKeys()
{
    Panel_Fnc = makeBand(this, QStringLiteral("Panel_Fnc"), 619, 28);
    // Three groups of four keys in the places they have always had; within a group the
    // keys with a label (プレビュー, 注文一覧, 発送履歴) take the room of those without, so
    // that no label is clipped.
    const int lefts[] = {0, 55, 110, 165, 230, 301, 345, 389, 460, 521, 565, 620};
    const int widths[] = {55, 55, 55, 55, 71, 44, 44, 61, 61, 44, 55, 55};
    QFont keyFont = Panel_Fnc->font();
    keyFont.setPixelSize(13);
    for (int i = 0; i < 12; ++i) {
        auto *button = new QToolButton(Panel_Fnc);
        button->setObjectName(QStringLiteral("SpeedButton_F%1").arg(i + 1));
        button->setGeometry(lefts[i], 1, widths[i], 26);
        button->setFont(keyFont);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setText(QStringLiteral("F%1").arg(i + 1));
        SpeedButton_F[i] = button;
    }
    SpeedButton_F[10]->setToolTip(QStringLiteral("プリンタセットされているプリンタにゆうパック送り状を印刷"));
}

void TForm_Main::setUpTabOrder()
{
    const QList<QWidget *> order = {
        Edit_Zip,    Edit_Add1,   Edit_Add2,      Edit_Add3,      Edit_Custo1,    Edit_tel,
        CheckBox_Date_1, Edit_de_date1, Edit_de_date2, DateTimePicker_1, Edit_G1, Edit_G2,
        Edit_G3,     ComboBox_SEL, CheckBox_t1,   CheckBox_t2,    CheckBox_t3,    CheckBox_t4,
        CheckBox_t5, CheckBox_t6, PageControl_My, CheckBox_My,    Edit_MyZip,     Edit_MyADD1,
        Edit_MyADD2, Edit_My,     Edit_MyTEL,     BitBtn_My,      BitBtn_SendMail};
    // The chain wraps from the last back to the first by itself: every other control
    // takes the focus by click only.
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
}

// --- Event plumbing ---------------------------------------------------------------------

void TForm_Main::onKeyDown(QWidget *control, KeyHandler handler)
{
    m_keyHandlers.insert(control, std::move(handler));
    control->installEventFilter(this);
}

void TForm_Main::onEnter(QWidget *control, std::function<void()> handler)
{
    m_enterHandlers.insert(control, std::move(handler));
    control->installEventFilter(this);
}

bool TForm_Main::eventFilter(QObject *watched, QEvent *event)
{
    if (helpLineClicked(watched, event))
        return true;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (watched == DateTimePicker_1) {
            // Tab leaves the date box as it leaves every other box, rather than
            // stepping through year, month and day.
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                focusNextPrevChild(key == Qt::Key_Tab);
                return true;
            }
        }
        if (const auto it = m_keyHandlers.constFind(watched); it != m_keyHandlers.cend()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const KeyHandler handler = *it;
            platform::guarded([&] { handler(key->key(), key->modifiers()); });
            // Enter is consumed here, so that no box beeps or inserts anything;
            // every other key goes on to the control.
            return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        }
        break;
    case QEvent::FocusIn:
        if (const auto it = m_enterHandlers.constFind(watched); it != m_enterHandlers.cend()) {
            // Let the control take the focus first (a line edit selects its text when
            // tabbed into), then run the handler, which may place the caret.
            watched->event(event);
            const auto handler = *it;
            platform::guarded(handler);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm_Main::focusNextControl()
{
    focusNextPrevChild(true);
}

void TForm_Main::connectHandlers()
{
    using platform::guardedSlot;

    // The shared key map serves these controls; Edit_Zip, Edit_tel and Edit_G2 have
    // handlers of their own.
    for (QWidget *control : QList<QWidget *>{Edit_Add1, Edit_Add2, Edit_Add3, Edit_Custo1, Edit_MyZip,
                                             Edit_MyADD1, Edit_MyADD2, Edit_My, Edit_MyTEL,
                                             DateTimePicker_1, Edit_G1, Edit_G3, Edit_de_date1,
                                             Edit_de_date2})
        onKeyDown(control, [this](int key, Qt::KeyboardModifiers shift) { FormKeyDown(key, shift); });
    onKeyDown(Edit_Zip, [this](int key, Qt::KeyboardModifiers s) { Edit_ZipKeyDown(key, s); });
    onKeyDown(Edit_tel, [this](int key, Qt::KeyboardModifiers s) { Edit_telKeyDown(key, s); });
    onKeyDown(Edit_G2, [this](int key, Qt::KeyboardModifiers s) { Edit_G2KeyDown(key, s); });
    onKeyDown(LuNumEdit_KOSUU, [this](int key, Qt::KeyboardModifiers s) { Edit_End_KeyDown(key, s); });

    connect(SpeedButton_F[1], &QToolButton::clicked, this, guardedSlot([this] { SpeedButton_F2Click(); }));
    connect(SpeedButton_F[6], &QToolButton::clicked, this, guardedSlot([this] { SpeedButton_F7Click(); }));
    connect(SpeedButton_F[7], &QToolButton::clicked, this, guardedSlot([this] { SpeedButton_F8Click(); }));
    connect(SpeedButton_F[8], &QToolButton::clicked, this, guardedSlot([this] { SpeedButton_F9Click(); }));
    connect(SpeedButton_F[10], &QToolButton::clicked, this, guardedSlot([this] { SpeedButton_F11Click(); }));
}

// --- Start and exit ---------------------------------------------------------------------

void TForm_Main::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    // The focus starts in the first control of the tab order, also when the start
    // sequence ends early.
    Edit_Zip->setFocus();
    // Run the start sequence once the window is on the screen, so that a box it shows
    // (a missing sender profile, say) appears over the window and not before it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            platform::guarded([this] { FormShow(); });
            Q_EMIT startSequenceFinished();
        },
        Qt::QueuedConnection);
}

void TForm_Main::closeEvent(QCloseEvent *event)
{
    // A window closed before its fields were loaded (a logout during start) must not
    // overwrite the stored entries with empty ones.
    if (m_recordLoaded && !m_saved) {
        m_saved = true;
        platform::guarded([this] { FormDestroy(); });
    }
    event->accept();
}

void TForm_Main::FormShow()
{
    setWindowTitle(QStringLiteral("mekira　送り状印刷　< VOzevozov　> ver" MEKIRA_VERSION));
    DateTimePicker_1->setDate(QDate::currentDate());
    m_workingDirectory = QDir::currentPath();
    m_printerDisplay->setMargins(QString(), QString());
    Edit_Cls();
    Edit_Cls_My();
    Memo1->clear();
    loadSettings();
    m_recordLoaded = true;
    SpeedButton_PRNSETClick();
    StatusBar1->showMessage(QStringLiteral("  "));
    setUpFunctionKeys();
    ComboBox_SELChange();
    if (ComboBox_SEL->currentIndex() < 0) {
        // A stored feed that is neither item: show the first one without loading it.
        const QSignalBlocker blocker(ComboBox_SEL);
        ComboBox_SEL->setCurrentIndex(0);
    }
    SpeedButton_readMyClick();
    recordUnrecordedSlips();
    reviewLeftClaims();
    Edit_Zip->setFocus();
}

void TForm_Main::loadSettings()
{
    const app::StoredSettings s = app::SettingsFile(settingsFilePath()).load();
    m_printerDisplay->setBinding({QString::number(s.printerIndex), QString::number(s.printerTop),
                                  QString::number(s.printerLeft)});
    // Setting the tab by program does not count as the user's tab change.
    m_selectedProfile = (s.tabMy >= 0 && s.tabMy < PageControl_My->count()) ? s.tabMy : -1;
    {
        const QSignalBlocker blocker(PageControl_My);
        if (m_selectedProfile >= 0)
            PageControl_My->setCurrentIndex(m_selectedProfile);
    }
    ComboBox_FontSize->setCurrentIndex(s.addrFont);
    m_addrFont = {s.addrFont, ComboBox_FontSize->currentIndex()};
    LuNumEdit_KOSUU->setText(s.kosuu);
    m_kosuu = {s.kosuu, LuNumEdit_KOSUU->text()};
    showStoredSlip(app::storedSlip(s, slipRecord()));
    setSmartTransfer(s.transferMode != app::StoredSettings::transferModeClassic());
    {
        // Picking the stored feed is no change of feed: the start-up loads it itself.
        const QSignalBlocker blocker(ComboBox_SEL);
        ComboBox_SEL->setCurrentIndex(s.comboBoxSel >= 0 && s.comboBoxSel < ComboBox_SEL->count()
                                          ? s.comboBoxSel
                                          : -1);
    }
}

void TForm_Main::setUpFunctionKeys()
{
    for (int i = 0; i < 12; ++i) {
        SpeedButton_F[i]->setEnabled(false);
        SpeedButton_F[i]->setText(QStringLiteral("F%1").arg(i + 1));
    }
    SpeedButton_F[1]->setText(QStringLiteral("中止"));
    SpeedButton_F[1]->setEnabled(true);
    SpeedButton_F[4]->setText(QStringLiteral("プレビュー"));
    SpeedButton_F[4]->setEnabled(true);
    SpeedButton_F[10]->setText(QStringLiteral("印刷"));
    SpeedButton_F[10]->setEnabled(true);
    SpeedButton_F[7]->setText(QStringLiteral("注文一覧"));
    SpeedButton_F[7]->setEnabled(true);
    SpeedButton_F[8]->setText(QStringLiteral("発送履歴"));
    SpeedButton_F[8]->setEnabled(true);
}

void TForm_Main::FormDestroy()
{
    app::StoredSettings s;
    s.addrFont = m_addrFont.toWrite(ComboBox_FontSize->currentIndex());
    app::keepSlip(s, slipRecord());
    s.kosuu = m_kosuu.toWrite(LuNumEdit_KOSUU->text());
    s.comboBoxSel = ComboBox_SEL->currentIndex();
    // With no profile selected (a stored tab outside the ten) the first tab is written,
    // so that the next start selects a profile again.
    s.tabMy = m_selectedProfile >= 0 ? m_selectedProfile : 0;
    s.transferMode = m_smartTransfer ? app::StoredSettings::transferModeSmart()
                                     : app::StoredSettings::transferModeClassic();
    app::SettingsFile(settingsFilePath()).save(s);
}

// --- Shared keys ---------------------------------------------------------------------------

void TForm_Main::FormKeyDown(int key, Qt::KeyboardModifiers)
{
    switch (key) {
    case Qt::Key_F2:
        SpeedButton_F2Click();
        break;
    case Qt::Key_F7:
        SpeedButton_F7Click();
        break;
    case Qt::Key_F8:
        SpeedButton_F8Click();
        break;
    case Qt::Key_F9:
        SpeedButton_F9Click();
        break;
    case Qt::Key_F11:
        SpeedButton_F11Click();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
        focusNextControl();
        break;
    default:
        break;
    }
}

void TForm_Main::SpeedButton_F2Click()
{
    if (platform::ask(QStringLiteral("終了しますか?")))
        close();
    else
        Edit_Zip->setFocus();
}

