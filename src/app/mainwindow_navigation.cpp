// Help lines, focus movement, the long-address warning, the clear buttons, the paste
// box colour, the time slots and the two links.
#include "mainwindow.h"

#include "appconfig.h"
#include "pastebox.h"

#include "numedit/lunumedit.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "platform-ui/shell.h"
#include "platform/textnormalize.h"
#include "transfer/pipeline.h"
#include "transfer/texthelpers.h"
#include "transfer/warning.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QColor kSilver(192, 192, 192);

// Puts the caret after the last character with nothing selected.
void caretToEnd(QLineEdit *edit)
{
    edit->deselect();
    edit->end(false);
}

// A number box's text in half-width, with the hyphen look-alikes after digits as "-"
// ("151ー0053" -> "151-0053"), as the import and the transfer write numbers.
QString tidyNumber(QStringView text)
{
    return platform::hyphensAfterDigits(transfer::ToHalfWidth(text));
}

// Replaces the box's text by its tidy form and keeps the caret after the same
// characters as before.
void keepHalfWidth(QLineEdit *edit)
{
    const QString text = edit->text();
    const QString half = tidyNumber(text);
    if (half == text)
        return;
    const int caret = int(tidyNumber(QStringView(text).left(edit->cursorPosition())).size());
    edit->setText(half);
    edit->setCursorPosition(qMin(caret, int(edit->text().size())));
}

} // namespace

void TForm_Main::connectNavigation()
{
    using platform::guardedSlot;

    struct Help
    {
        QLineEdit *edit;
        const char16_t *text;
        bool warning;
    };
    const Help helps[] = {
        {Edit_Zip, u"お届け先の郵便番号を入力して下さい", false},
        {Edit_Add1, u"お届け先のおところ①を入力して下さい", true},
        {Edit_Add2, u"お届け先のおところを入力して下さい", true},
        {Edit_Add3, u"お届け先のおところを入力して下さい", true},
        {Edit_Custo1, u"お届け先のおなまえを入力して下さい", false},
        {Edit_tel, u"お届け先のでんわを入力して下さい", false},
        {Edit_G1, u"品名を入力して下さい", false},
        {Edit_G2, u"品名を入力して下さい", false},
        {Edit_G3, u"品名を入力して下さい", false},
        {Edit_MyZip, u"ご依頼主の郵便番号を入力して下さい", false},
        {Edit_MyADD1, u"ご依頼主のおところ①を入力して下さい", false},
        {Edit_MyADD2, u"ご依頼主のおところ②を入力して下さい", false},
        {Edit_My, u"ご依頼主のおなまえを入力して下さい", false},
        {Edit_MyTEL, u"ご依頼主のでんわを入力して下さい", false},
    };
    for (const Help &help : helps) {
        const QString text = QString::fromUtf16(help.text);
        QLineEdit *edit = help.edit;
        const bool warning = help.warning;
        onEnter(edit, [this, edit, text, warning] {
            if (warning)
                Edit_Warning();
            Panel_HelpMess->setText(text);
            caretToEnd(edit);
        });
    }
    onEnter(Memo1, [this] {
        Panel_HelpMess->setText(PasteBox::helpText(m_smartTransfer));
    });
    onEnter(LuNumEdit_KOSUU, [this] { LuNumEdit_KOSUUEnter(); });

    connect(Edit_Zip, &QLineEdit::textChanged, this, guardedSlot([this] { Edit_ZipChange(); }));
    connect(Edit_tel, &QLineEdit::textChanged, this, guardedSlot([this] { Edit_telChange(); }));
    connect(Memo1, &QPlainTextEdit::textChanged, this, guardedSlot([this] { Memo1Change(); }));
    connect(BitBtn_CLS, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_CLSClick(); }));
    connect(BitBtn_MemoCLS, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_MemoCLSClick(); }));
    connect(BitBtn_WebHelp, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_WebHelpClick(); }));
    connect(BitBtn_SendMail, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_SendMailClick(); }));
    for (QCheckBox *box : timeSlots())
        connect(box, &QCheckBox::clicked, this, guardedSlot([this, box] { CheckBox_tClick(box); }));
    Memo1Change();
}

void TForm_Main::LuNumEdit_KOSUUEnter()
{
    Panel_HelpMess->setText(QStringLiteral("個数を入力して下さい"));
}

// --- Keys of the fields with a map of their own ----------------------------------------

void TForm_Main::Edit_ZipKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Up)
        return; // the postal code is the first field: Up stays here
    FormKeyDown(key, shift);
}

void TForm_Main::Edit_telKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        Edit_G1->setFocus(Qt::OtherFocusReason); // past the date fields to the goods
        return;
    }
    FormKeyDown(key, shift);
}

void TForm_Main::Edit_G2KeyDown(int key, Qt::KeyboardModifiers shift)
{
    FormKeyDown(key, shift);
}

void TForm_Main::Edit_End_KeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return;
    FormKeyDown(key, shift);
}

// --- Warning, clears, paste box ---------------------------------------------------------------

void TForm_Main::Edit_Warning()
{
    Label_Warning->setText(transfer::Edit_WarningText(Edit_Add1->text()));
}

void TForm_Main::Edit_Cls()
{
    Label_Warning->clear();
    Edit_Zip->clear();
    Edit_Add1->clear();
    Edit_Add2->clear();
    Edit_Custo1->clear();
    Edit_tel->clear();
}

void TForm_Main::BitBtn_CLSClick()
{
    if (platform::ask(QStringLiteral("お届け先をクリアますか?")))
        Edit_Cls();
}

void TForm_Main::Edit_ZipChange()
{
    keepHalfWidth(Edit_Zip);
}

void TForm_Main::Edit_telChange()
{
    keepHalfWidth(Edit_tel);
}

void TForm_Main::Memo1Change()
{
    QPalette palette = Memo1->palette();
    const bool empty = transfer::PasteBoxIsEmpty(Memo1->toPlainText());
    palette.setColor(QPalette::Base, empty ? kSilver : QPalette().color(QPalette::Base));
    Memo1->setPalette(palette);
}

void TForm_Main::BitBtn_MemoCLSClick()
{
    Memo1->clear();
    Memo1Change();
}

// --- Time slots --------------------------------------------------------------------------

void TForm_Main::CheckBox_tClick(QCheckBox *clicked)
{
    if (!clicked->isChecked())
        return;
    for (QCheckBox *box : timeSlots()) {
        if (box != clicked)
            box->setChecked(false);
    }
}

// --- Links --------------------------------------------------------------------------------

void TForm_Main::BitBtn_WebHelpClick()
{
    platform::shell().open(QUrl(app::config::makerWebPage()));
}

void TForm_Main::BitBtn_SendMailClick()
{
    // mailto:<address>?subject=...&cc=&bcc=& with the subject percent-encoded as UTF-8.
    const QString link = QStringLiteral("mailto:") + app::config::supportMailAddress()
                         + QStringLiteral("?subject=")
                         + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("mekiraへの問い合わせ")))
                         + QStringLiteral("&cc=&bcc=&");
    platform::shell().open(QUrl(link, QUrl::StrictMode));
}
