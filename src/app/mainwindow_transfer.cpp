// The text transfer: order text in the paste box fills the destination fields. The
// smart transfer (the default) reads whole order texts and leaves the paste box as it
// was, marking what it read and what it left; the classic transfer compacts the box to
// seven lines. After either, the next paste replaces the text used.
#include "mainwindow.h"

#include "pastebox.h"

#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"
#include "transfer/pipeline.h"
#include "transfer/directorypostalbook.h"
#include "transfer/smarttransfer.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace {

// Background of the paste box's text that filled a field, and of doubtful fields and
// the text they came from; text of the order's part that no field used is grey.
const QColor kReadColor(204, 236, 204);
const QColor kDoubtColor(255, 214, 170);
const QColor kUnusedBackground(232, 232, 232);
const QColor kUnusedText(110, 110, 110);

QTextEdit::ExtraSelection markOf(QTextDocument *document, const transfer::TextSpan &span)
{
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document);
    mark.cursor.setPosition(int(span.start));
    mark.cursor.setPosition(int(span.start + span.length), QTextCursor::KeepAnchor);
    return mark;
}

} // namespace

void TForm_Main::connectTransfer()
{
    connect(BitBtn_1, &QPushButton::clicked, this, platform::guardedSlot([this] { BitBtn_1Click(); }));

    // The context menu's check item chooses the transfer.
    Action_SmartTransfer = new QAction(QStringLiteral("賢いテキスト転送（注文メール全体から読み取る）"), this);
    Action_SmartTransfer->setCheckable(true);
    Action_SmartTransfer->setChecked(m_smartTransfer);
    connect(Action_SmartTransfer, &QAction::toggled, this,
            [this](bool on) { platform::guarded([this, on] { setSmartTransfer(on); }); });
    BitBtn_1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(BitBtn_1, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        platform::guarded([this, at] {
            QMenu menu(this);
            menu.addAction(Action_SmartTransfer);
            menu.exec(BitBtn_1->mapToGlobal(at));
        });
    });

    // A doubtful field says why in the help line when it gets the focus; the doubt
    // goes once the user changes the field or the paste box.
    for (QLineEdit *edit : {Edit_Zip, Edit_Add1, Edit_Add2, Edit_Custo1, Edit_tel}) {
        const std::function<void()> helpLine = m_enterHandlers.value(edit);
        onEnter(edit, [this, edit, helpLine] {
            if (helpLine)
                helpLine();
            const QString doubt = m_transferDoubts.value(edit);
            if (!doubt.isEmpty())
                Panel_HelpMess->setText(doubt);
        });
        connect(edit, &QLineEdit::textChanged, this, platform::guardedSlot([this, edit] {
            if (!m_fillingTransfer)
                setTransferDoubt(edit, QString());
        }));
    }
    connect(Memo1, &QPlainTextEdit::textChanged, this, platform::guardedSlot([this] {
        if (!Memo1->extraSelections().isEmpty())
            Memo1->setExtraSelections({});
    }));
}

void TForm_Main::setSmartTransfer(bool on)
{
    m_smartTransfer = on;
    if (Action_SmartTransfer)
        Action_SmartTransfer->setChecked(on);
    // Only the classic transfer has a line limit to tell.
    Label8->setText(PasteBox::hintText(on));
    Memo1->setToolTip(PasteBox::toolTipText(on));
}

QString TForm_Main::transferDoubt(const QLineEdit *field) const
{
    return m_transferDoubts.value(field);
}

void TForm_Main::BitBtn_1Click()
{
    if (m_smartTransfer)
        smartTransferClick();
    else
        classicTransferClick();
}

void TForm_Main::classicTransferClick()
{
    clearTransferMarks();
    const transfer::TransferResult result =
        transfer::TransferText(transfer::SplitPasteLines(Memo1->toPlainText()));
    Memo1->setPlainText(result.pasteBox.join(QLatin1Char('\n')));
    if (!result.foundText) {
        platform::notify(transfer::noTextNotice());
        Edit_Warning();
        return;
    }
    Edit_Cls();
    Edit_Zip->setText(result.fields.zip);
    Edit_Add1->setText(result.fields.add1);
    Edit_Add2->setText(result.fields.add2);
    Edit_Custo1->setText(result.fields.custo1);
    Edit_tel->setText(result.fields.tel);
    Edit_Zip->setFocus();
    Edit_Warning();
    if (auto *box = qobject_cast<PasteBox *>(Memo1))
        box->markUsed();
}

void TForm_Main::smartTransferClick()
{
    const QString text = Memo1->toPlainText();
    const transfer::SmartTransferResult result = transfer::SmartTransfer(text, postalBook());
    clearTransferMarks();
    if (!result.foundText) {
        platform::notify(transfer::noTextNotice());
        Edit_Warning();
        return;
    }
    Edit_Cls();
    const std::pair<QLineEdit *, transfer::SmartField> fields[] = {
        {Edit_Zip, transfer::SmartField::Zip},       {Edit_Add1, transfer::SmartField::Add1},
        {Edit_Add2, transfer::SmartField::Add2},     {Edit_Custo1, transfer::SmartField::Custo1},
        {Edit_tel, transfer::SmartField::Tel},
    };
    m_fillingTransfer = true;
    for (const auto &[edit, which] : fields)
        edit->setText(result[which].value);
    m_fillingTransfer = false;
    // The doubts once all fields are in: filling a field re-checks the postal code.
    for (const auto &[edit, which] : fields)
        setTransferDoubt(edit, result[which].doubt);
    markTransferredText(result);
    if (auto *box = qobject_cast<PasteBox *>(Memo1))
        box->markUsed();
    Edit_Zip->setFocus();
    Edit_Warning();
    // The first doubt is told at once, whichever field has the focus.
    for (const auto &[edit, which] : fields) {
        if (!result[which].doubt.isEmpty()) {
            Panel_HelpMess->setText(result[which].doubt);
            break;
        }
    }
}

// Marks in the paste box what filled the fields, what a doubt is about and the lines
// that no field used, and scrolls to the first of them.
void TForm_Main::markTransferredText(const transfer::SmartTransferResult &result)
{
    QList<QTextEdit::ExtraSelection> marks;
    for (const transfer::TextSpan &span : result.unused) {
        QTextEdit::ExtraSelection mark = markOf(Memo1->document(), span);
        mark.format.setBackground(kUnusedBackground);
        mark.format.setForeground(kUnusedText);
        marks.append(mark);
    }
    qsizetype first = -1;
    qsizetype last = -1;
    for (const transfer::SmartFieldResult &field : result.fields) {
        const auto mark = [&](const transfer::TextSpan &span, const QColor &colour) {
            QTextEdit::ExtraSelection m = markOf(Memo1->document(), span);
            m.format.setBackground(colour);
            marks.append(m);
            first = first < 0 ? span.start : std::min(first, span.start);
            last = std::max(last, span.start + span.length);
        };
        for (const transfer::TextSpan &span : field.sources)
            mark(span, field.doubt.isEmpty() ? kReadColor : kDoubtColor);
        for (const transfer::TextSpan &span : field.doubtSources)
            mark(span, kDoubtColor);
    }
    Memo1->setExtraSelections(marks);
    if (auto *box = qobject_cast<PasteBox *>(Memo1); box && first >= 0)
        box->showRange(int(first), int(last));
}

void TForm_Main::showTransferDoubts()
{
    for (QLineEdit *edit : {Edit_Zip, Edit_Add1, Edit_Add2, Edit_Custo1, Edit_tel}) {
        if (!m_transferDoubts.contains(edit))
            continue;
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, kDoubtColor);
        edit->setPalette(palette);
    }
}

void TForm_Main::setTransferDoubt(QLineEdit *edit, const QString &doubt)
{
    if (doubt.isEmpty() && !m_transferDoubts.contains(edit))
        return;
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, doubt.isEmpty() ? QApplication::palette(edit).color(QPalette::Base) : kDoubtColor);
    edit->setPalette(palette);
    if (doubt.isEmpty())
        m_transferDoubts.remove(edit);
    else
        m_transferDoubts.insert(edit, doubt);
}

void TForm_Main::clearTransferMarks()
{
    for (QLineEdit *edit : {Edit_Zip, Edit_Add1, Edit_Add2, Edit_Custo1, Edit_tel})
        setTransferDoubt(edit, QString());
    Memo1->setExtraSelections({});
}

const transfer::PostalBook *TForm_Main::postalBook() const
{
    return transfer::DirectoryPostalBook::programBook();
}
