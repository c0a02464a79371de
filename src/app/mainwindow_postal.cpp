// Postal-code help in the destination and sender fields: address fill from the code,
// code fill from the address, the check of the pair and its line in the print question.
#include "mainwindow.h"

#include "platform/error.h"
#include "slip/slipcheck.h"

#include <algorithm>

#include "printquestion.h"
#include "postalfields.h"

#include "platform-ui/guard.h"
#include "postal/postalcode.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

namespace {

const QColor kProblemColour(255, 205, 205);

} // namespace

PostalFields::PostalFields(const postal::PostalDirectory &directory, Boxes boxes, QLabel *helpLine,
                           QString owner, QObject *parent)
    : QObject(parent)
    , m_directory(directory)
    , m_boxes(boxes)
    , m_helpLine(helpLine)
    , m_owner(std::move(owner))
    , m_normalPalette(boxes.code->palette())
{
    m_boxes.code->installEventFilter(this);
    m_boxes.address1->installEventFilter(this);
    using platform::guardedSlot;
    connect(m_boxes.code, &QLineEdit::textChanged, this, guardedSlot([this] { recheck(); }));
    connect(m_boxes.address1, &QLineEdit::textChanged, this, guardedSlot([this] { recheck(); }));
}

bool PostalFields::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        // A list or menu opening, or another window taking over, is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            // After the focus has moved: a list opened now stays open.
            const bool fromCode = watched == m_boxes.code;
            QTimer::singleShot(0, this, platform::guardedSlot([this, fromCode] {
                fromCode ? codeLeft() : addressLeft();
            }));
        }
    }
    return QObject::eventFilter(watched, event);
}

bool PostalFields::available() const
{
    if (m_directory.isAvailable())
        return true;
    static bool told = false; // once per run, for all pairs of boxes
    if (!told) {
        told = true;
        m_helpLine->setText(kUnavailableMessage);
    }
    return false;
}

void PostalFields::codeLeft()
{
    QLineEdit *code = m_boxes.code;
    const QString formatted = postal::formattedCode(code->text());
    if (formatted != code->text())
        code->setText(formatted);
    recheck(); // a code left unfinished is judged now
    if (code->text().trimmed().isEmpty() || !m_boxes.address1->text().trimmed().isEmpty() || !available())
        return;
    const QList<postal::Choice> choices = postal::addressChoices(m_directory, code->text());
    if (choices.size() == 1)
        fillAddress(choices.first(), false);
    else if (choices.size() > 1)
        offer(choices, m_boxes.address1, true);
}

void PostalFields::addressLeft()
{
    if (!m_boxes.code->text().trimmed().isEmpty() || m_boxes.address1->text().trimmed().isEmpty()
        || !available())
        return;
    const QList<postal::Choice> choices = postal::codeChoices(m_directory, m_boxes.address1->text());
    if (choices.size() == 1)
        m_boxes.code->setText(choices.first().code);
    else if (choices.size() > 1)
        offer(choices, m_boxes.code, false);
}

void PostalFields::fillAddress(const postal::Choice &choice, bool moveFocus)
{
    m_boxes.address1->setText(choice.address);
    if (!choice.office.isEmpty() && m_boxes.address2->text().trimmed().isEmpty())
        m_boxes.address2->setText(choice.office);
    if (moveFocus)
        m_boxes.address1->setFocus(Qt::OtherFocusReason);
    // Ready for the street number.
    m_boxes.address1->deselect();
    m_boxes.address1->end(false);
}

void PostalFields::offer(const QList<postal::Choice> &choices, QLineEdit *under, bool fillsAddress)
{
    auto *menu = new QMenu(under);
    menu->setObjectName(kChoicesName);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const postal::Choice &choice : choices) {
        QAction *action = menu->addAction(choice.label);
        connect(action, &QAction::triggered, this, platform::guardedSlot([this, choice, fillsAddress] {
            if (fillsAddress)
                fillAddress(choice, true);
            else
                m_boxes.code->setText(choice.code);
        }));
    }
    menu->setActiveAction(menu->actions().first());
    // Escape closes the list and leaves the box as it was.
    menu->popup(under->mapToGlobal(QPoint(0, under->height())));
}

void PostalFields::recheck()
{
    const QString code = m_boxes.code->text();
    postal::CheckOutcome outcome;
    // A code still being typed is not judged until it has 7 digits or the box is left.
    const bool typing = m_boxes.code->hasFocus() && postal::normalizedCode(code).isEmpty()
                        && postal::codeDigits(code).size() < 7 && !postal::codeDigits(code).isEmpty();
    const bool bothFilled = !code.trimmed().isEmpty() && !m_boxes.address1->text().trimmed().isEmpty();
    if (!typing && bothFilled && available())
        outcome = m_directory.check(code, m_boxes.address1->text());
    const QString message = postal::checkMessage(code, outcome);
    m_boxes.code->setPalette(m_normalPalette);
    if (!message.isEmpty()) {
        QPalette palette = m_normalPalette;
        palette.setColor(QPalette::Base, kProblemColour);
        m_boxes.code->setPalette(palette);
    }
    showMessage(message);
    Q_EMIT checked();
}

void PostalFields::showMessage(const QString &text)
{
    if (text.isEmpty()) {
        // Mended: the help line shows again what it showed before, unless it has moved on.
        if (!m_shownMessage.isEmpty() && m_helpLine->text() == m_shownMessage)
            m_helpLine->setText(m_helpBefore);
        m_shownMessage.clear();
        return;
    }
    if (m_shownMessage.isEmpty() || m_helpLine->text() != m_shownMessage)
        m_helpBefore = m_helpLine->text();
    m_shownMessage = text;
    m_helpLine->setText(text);
}

QString PostalFields::problem() const
{
    const QString code = m_boxes.code->text();
    if (code.trimmed().isEmpty() || m_boxes.address1->text().trimmed().isEmpty() || !m_directory.isAvailable())
        return {};
    const postal::CheckOutcome outcome = m_directory.check(code, m_boxes.address1->text());
    switch (outcome.result) {
    case postal::CheckResult::Mismatch:
        return m_owner + QStringLiteral("の郵便番号と住所が合っていません（") + postal::checkMessage(code, outcome)
               + QStringLiteral("）");
    case postal::CheckResult::UnknownCode:
        return m_owner + QStringLiteral("の郵便番号 ") + postal::formattedCode(code.trimmed())
               + QStringLiteral(" は郵便番号データにありません");
    case postal::CheckResult::Consistent:
    case postal::CheckResult::NotJudged:
        break;
    }
    return {};
}

// --- The window's side ----------------------------------------------------------------

void TForm_Main::connectPostal()
{
    const auto &directory = postal::PostalDirectory::instance();
    m_postalDestination = new PostalFields(directory, {Edit_Zip, Edit_Add1, Edit_Add2}, Panel_HelpMess,
                                           QStringLiteral("お届け先"), this);
    m_postalSender = new PostalFields(directory, {Edit_MyZip, Edit_MyADD1, Edit_MyADD2}, Panel_HelpMess,
                                      QStringLiteral("ご依頼主"), this);
    // A transfer's doubt about the code stays coloured over the check's colour.
    connect(m_postalDestination, &PostalFields::checked, this, [this] { showTransferDoubts(); });
}

QString TForm_Main::printQuestion() const
{
    QStringList lines;
    slip::SlipCheckOptions check;
    check.page = slipPageSetup();
    QList<slip::SlipProblem> problems;
    try {
        problems = slip::checkSlip(slipRecord(), check);
    } catch (const platform::Error &) {
        // A margin that is no number: the print itself refuses it with its message.
    }
    lines << slip::problemTexts(problems);
    // A code that is not seven digits is named once, by the check.
    const bool codeNamed = std::any_of(problems.cbegin(), problems.cend(), [](const slip::SlipProblem &p) {
        return p.kind == slip::SlipProblem::Kind::PostalCode;
    });
    if (!codeNamed)
        lines << m_postalDestination->problem();
    if (CheckBox_My->isChecked())
        lines << m_postalSender->problem();
    lines.removeAll(QString());
    lines << kPrintQuestion;
    return lines.join(u'\n');
}
