#include "numedit/lunumedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleHints>
#include <qdrawutil.h>

namespace numedit {

namespace {

constexpr int kDefaultWidth = 121;
constexpr int kDefaultHeight = 20;

// Control characters whose work is done on key-down (Ctrl+A, Ctrl+C, Ctrl+V, Ctrl+X,
// Backspace): as typed characters they are dropped silently.
bool isEditControlChar(QChar c)
{
    const char16_t u = c.unicode();
    return u == 1 || u == 3 || u == 22 || u == 24 || u == 8;
}


// The characters a key types, the way a desktop edit sees them: Ctrl with a letter
// gives its control code and nothing else, Alt types nothing, Delete and the
// cursor keys type nothing, Enter is CR.
QString typedCharacters(int key, Qt::KeyboardModifiers shift, const QString &text)
{
    const bool ctrl = shift & Qt::ControlModifier;
    const bool alt = shift & Qt::AltModifier;
    if (ctrl && !alt) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        return {};
    }
    if (alt && !ctrl)
        return {};
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return {};
    default:
        break;
    }
    QString out;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
            out += c;
    }
    return out;
}

} // namespace

TLuNumEdit::TLuNumEdit(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::IBeamCursor);
    setMouseTracking(true);
    m_disabledColor = palette().color(QPalette::Disabled, QPalette::Text);
    resize(kDefaultWidth, kDefaultHeight);
    measureFont();
    if (parent)
        adjustHeight();

    static const char *const captions[8] = {
        "元に戻す(&U)", "-", "切り取り(&T)", "コピー(&C)",
        "貼り付け(&P)", "削除(&D)", "-", "すべて選択(&A)",
    };
    m_editPopup = new QMenu(this);
    for (int tag = 0; tag < 8; ++tag) {
        // A separator carries no text: some styles would draw it beside the line.
        const bool separator = qstrcmp(captions[tag], "-") == 0;
        QAction *item = separator ? m_editPopup->addSeparator()
                                  : m_editPopup->addAction(QString::fromUtf8(captions[tag]));
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { popupItemClick(tag); });
        m_editPopupItems[tag] = item;
    }
    m_popupMenu = m_editPopup;
    m_nowInit = false;
}

TLuNumEdit::~TLuNumEdit() = default;

// ---- properties ---------------------------------------------------------------

void TLuNumEdit::setText(const QString &value)
{
    if (m_model.setText(value))
        refresh();
}

void TLuNumEdit::setIntegerLength(int length)
{
    if (m_model.setIntegerLength(length))
        refresh();
}

void TLuNumEdit::setDecimalLength(int length)
{
    if (m_model.setDecimalLength(length))
        refresh();
}

void TLuNumEdit::setMinus(bool minus)
{
    if (m_model.setMinus(minus))
        refresh();
}

void TLuNumEdit::setComma(bool comma)
{
    if (m_model.setComma(comma))
        refresh();
}

void TLuNumEdit::setDecimalFixed(bool fixed)
{
    if (m_model.setDecimalFixed(fixed))
        refresh();
}

void TLuNumEdit::setLeftMark(const QString &mark)
{
    if (m_model.setLeftMark(mark))
        refresh();
}

void TLuNumEdit::setRightMark(const QString &mark)
{
    if (m_model.setRightMark(mark))
        refresh();
}

void TLuNumEdit::setAlignment(TAlignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    refresh();
}

void TLuNumEdit::setVertAlignment(TVertAlignment alignment)
{
    if (alignment == m_vertAlignment)
        return;
    m_vertAlignment = alignment;
    refresh();
}

void TLuNumEdit::setTopMargin(int margin)
{
    if (margin < 0 || margin == m_topMargin)
        return;
    m_topMargin = margin;
    adjustHeight();
    refresh();
}

void TLuNumEdit::setBottomMargin(int margin)
{
    if (margin < 0 || margin == m_bottomMargin)
        return;
    m_bottomMargin = margin;
    adjustHeight();
    refresh();
}

void TLuNumEdit::setLeftMargin(int margin)
{
    if (margin < 0 || margin == m_leftMargin)
        return;
    m_leftMargin = margin;
    refresh();
}

void TLuNumEdit::setRightMargin(int margin)
{
    if (margin < 0 || margin == m_rightMargin)
        return;
    m_rightMargin = margin;
    refresh();
}

void TLuNumEdit::setAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize)
        return;
    m_autoSize = autoSize;
    adjustHeight();
    refresh();
}

void TLuNumEdit::setBorderStyle(TBorderStyle style)
{
    if (style == m_borderStyle)
        return;
    m_borderStyle = style;
    adjustHeight();
    refresh();
}

void TLuNumEdit::setCtl3D(bool ctl3D)
{
    if (ctl3D == m_ctl3D)
        return;
    m_ctl3D = ctl3D;
    adjustHeight();
    refresh();
}

QColor TLuNumEdit::color() const
{
    return palette().color(QPalette::Active, QPalette::Base);
}

void TLuNumEdit::setColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TLuNumEdit::setDisabledColor(const QColor &color)
{
    if (color == m_disabledColor)
        return;
    m_disabledColor = color;
    update();
}

void TLuNumEdit::setAutoSelect(bool autoSelect)
{
    if (autoSelect == m_autoSelect)
        return;
    m_autoSelect = autoSelect;
    update();
}

bool TLuNumEdit::imeEnabled() const
{
    return testAttribute(Qt::WA_InputMethodEnabled);
}

void TLuNumEdit::setImeEnabled(bool enabled)
{
    setAttribute(Qt::WA_InputMethodEnabled, enabled);
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

bool TLuNumEdit::tabStop() const
{
    return focusPolicy() & Qt::TabFocus;
}

void TLuNumEdit::setTabStop(bool tabStop)
{
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

QMenu *TLuNumEdit::popupMenu() const
{
    return m_popupMenu.data();
}

void TLuNumEdit::setPopupMenu(QMenu *menu)
{
    m_popupMenu = menu;
}

QAction *TLuNumEdit::editPopupItem(int tag) const
{
    return tag >= 0 && tag < int(m_editPopupItems.size()) ? m_editPopupItems[tag] : nullptr;
}

// ---- measures -----------------------------------------------------------------

void TLuNumEdit::measureFont()
{
    m_fontHeight = QFontMetrics(font()).height();
    m_caretWidth = font().bold() ? 2 : 1;
}

int TLuNumEdit::borderWidth() const
{
    if (m_borderStyle == TBorderStyle::bsNone)
        return 0;
    return m_ctl3D ? 2 : 1;
}

QRect TLuNumEdit::clientRect() const
{
    const int b = borderWidth();
    return rect().adjusted(b, b, -b, -b);
}

int TLuNumEdit::displayWidth(const QString &valueText) const
{
    return QFontMetrics(font()).horizontalAdvance(formatText(valueText, m_model.format()));
}

int TLuNumEdit::availableWidth() const
{
    // The border counts once more here: the box keeps that much room spare.
    const int edge = (m_borderStyle == TBorderStyle::bsSingle && m_ctl3D) ? 2 : 1;
    return clientRect().width() - m_leftMargin - m_rightMargin - 2 * edge;
}

bool TLuNumEdit::textFits(const QString &valueText) const
{
    return displayWidth(valueText) <= availableWidth();
}

NumEditModel::FitsTest TLuNumEdit::fitsTest() const
{
    return [this](const QString &t) { return textFits(t); };
}

QPoint TLuNumEdit::textOrigin(int textWidth) const
{
    const QRect client = clientRect();
    const int cw = client.width();
    const int ch = client.height();
    int x = 0;
    switch (m_alignment) {
    case TAlignment::taLeftJustify:
        x = m_leftMargin;
        break;
    case TAlignment::taRightJustify:
        x = cw - (m_rightMargin + textWidth) - 1;
        break;
    case TAlignment::taCenter:
        x = (cw - m_leftMargin - m_rightMargin) / 2 + m_leftMargin - textWidth / 2 - 1;
        break;
    }
    int y = 0;
    switch (m_vertAlignment) {
    case TVertAlignment::taTopJustify:
        y = m_topMargin;
        break;
    case TVertAlignment::taBottomJustify:
        y = ch - (m_fontHeight + m_bottomMargin);
        break;
    case TVertAlignment::taVCenter:
        y = (ch - m_fontHeight - m_topMargin - m_bottomMargin) / 2 + m_topMargin;
        break;
    }
    return client.topLeft() + QPoint(x, y);
}

QPoint TLuNumEdit::caretPosition() const
{
    const QFontMetrics fm(font());
    const QPoint origin = textOrigin(fm.horizontalAdvance(m_model.valText()));
    const CaretParts parts = caretParts(m_model.text(), m_model.format());
    return origin + QPoint(fm.horizontalAdvance(parts.head) + fm.horizontalAdvance(parts.tail), 0);
}

QSize TLuNumEdit::sizeHint() const
{
    const int b = borderWidth();
    const int h = m_autoSize ? m_fontHeight + m_topMargin + m_bottomMargin + 2 * b : kDefaultHeight;
    return {kDefaultWidth, h};
}

void TLuNumEdit::adjustHeight()
{
    if (!m_autoSize)
        return;
    resize(width(), m_fontHeight + m_topMargin + m_bottomMargin + 2 * borderWidth());
}

// ---- selection, clipboard, undo -------------------------------------------------

void TLuNumEdit::refresh()
{
    update();
    updateCaret();
}

void TLuNumEdit::beep()
{
    if (!m_errorBeep)
        return;
    if (m_beeper)
        m_beeper();
    else
        QApplication::beep();
}

void TLuNumEdit::apply(NumEditModel::Outcome outcome)
{
    refresh();
    if (outcome == NumEditModel::Outcome::Committed)
        Q_EMIT changed();
    else if (outcome == NumEditModel::Outcome::Refused)
        beep();
}

void TLuNumEdit::clear()
{
    m_model.clear();
    refresh();
}

void TLuNumEdit::selectAll()
{
    m_model.selectAll();
    update();
}

void TLuNumEdit::clearSelect()
{
    m_model.clearSelect();
    update();
}

void TLuNumEdit::clearSelection()
{
    // Deleting the selection empties the value, as the menu's delete entry does.
    if (m_model.allSelected())
        clear();
}

void TLuNumEdit::clearUndo()
{
    m_model.clearUndo();
}

void TLuNumEdit::copyToClipboard()
{
    if (const auto copied = m_model.copyText(m_imageCopy))
        QGuiApplication::clipboard()->setText(*copied);
}

void TLuNumEdit::cutToClipboard()
{
    if (const auto copied = m_model.cut(m_imageCopy)) {
        QGuiApplication::clipboard()->setText(*copied);
        refresh();
        Q_EMIT changed();
    }
}

void TLuNumEdit::pasteFromClipboard()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    m_model.paste(data->text());
    refresh();
    Q_EMIT changed();
}

void TLuNumEdit::undo()
{
    apply(m_model.undo());
}

// ---- focus movement -------------------------------------------------------------

void TLuNumEdit::focusNextControl()
{
    moveFocus(true);
}

void TLuNumEdit::focusPreviousControl()
{
    moveFocus(false);
}

void TLuNumEdit::moveFocus(bool next)
{
    // A box that is a window of its own has no form to move the focus in.
    if (isWindow())
        return;
    focusNextPrevChild(next);
}

bool TLuNumEdit::windowTakesDialogKey(int key) const
{
    const auto *dialog = qobject_cast<const QDialog *>(window());
    if (!dialog)
        return false;
    if (key == Qt::Key_Escape)
        return true;
    const auto buttons = dialog->findChildren<QPushButton *>();
    return std::any_of(buttons.begin(), buttons.end(), [](const QPushButton *b) {
        return b->isDefault() && b->isVisible() && b->isEnabled();
    });
}

// ---- keyboard -------------------------------------------------------------------

bool TLuNumEdit::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::ShortcutOverride: {
        // Keys the box acts on are not taken away by the window's shortcuts.
        auto *ke = static_cast<QKeyEvent *>(e);
        const auto shift = ke->modifiers() & ~Qt::KeypadModifier;
        const int key = ke->key();
        const bool ctrlEdit = shift == Qt::ControlModifier
                              && (key == Qt::Key_A || key == Qt::Key_C || key == Qt::Key_V
                                  || key == Qt::Key_X);
        const bool plainEdit = shift == Qt::NoModifier
                               && (key == Qt::Key_Backspace || key == Qt::Key_Delete
                                   || key == Qt::Key_Home || key == Qt::Key_End
                                   || key == Qt::Key_Left || key == Qt::Key_Right);
        const bool typed = !(shift & (Qt::ControlModifier | Qt::AltModifier))
                           && !ke->text().isEmpty() && ke->text().at(0).isPrint();
        if (ctrlEdit || plainEdit || typed) {
            e->accept();
            return true;
        }
        break;
    }
    case QEvent::ParentChange:
        if (parentWidget()) {
            measureFont();
            adjustHeight();
        }
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TLuNumEdit::keyPressEvent(QKeyEvent *e)
{
    const auto shift = e->modifiers() & ~Qt::KeypadModifier;
    int key = e->key();
    // Without the Enter switch the box does not claim Enter and Escape: a dialog
    // that acts on them (default button, cancel) gets them first.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        && !m_enterFocusMove && windowTakesDialogKey(key)) {
        e->ignore();
        return;
    }
    const QPointer<TLuNumEdit> self(this);
    if (m_onKeyDown) {
        m_onKeyDown(*this, key, shift);
        if (!self)
            return;
        if (key == 0) {
            e->accept();
            return;
        }
    }
    if (keyDown(key, shift)) {
        e->accept();
        return;
    }
    const QString typed = typedCharacters(key, shift, e->text());
    bool consumed = !typed.isEmpty();
    for (const QChar c : typed) {
        consumed = keyPress(c) && consumed;
        if (!self)
            return;
    }
    e->setAccepted(consumed);
}

void TLuNumEdit::keyReleaseEvent(QKeyEvent *e)
{
    Q_EMIT keyUp(e->key(), e->modifiers() & ~Qt::KeypadModifier);
    e->ignore();
}

bool TLuNumEdit::keyDown(int key, Qt::KeyboardModifiers shift)
{
    const bool none = shift == Qt::NoModifier;
    const bool ctrl = shift == Qt::ControlModifier;
    if (shift == Qt::ShiftModifier && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        selectAll();
        return true;
    }
    if (ctrl && key == Qt::Key_A) {
        selectAll();
        return true;
    }
    if (ctrl && key == Qt::Key_C) {
        copyToClipboard();
        return true;
    }
    if (none) {
        switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Right:
            clearSelect();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            clearSelect();
            if (m_arrowFocusMove)
                moveFocus(key == Qt::Key_Down);
            return true;
        default:
            break;
        }
    }
    if (m_readOnly)
        return false;
    if (ctrl && key == Qt::Key_V) {
        pasteFromClipboard();
        return true;
    }
    if (ctrl && key == Qt::Key_X) {
        cutToClipboard();
        return true;
    }
    if (none && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        apply(m_model.deleteLast());
        return true;
    }
    return false;
}

// Returns false when the character is left as it is (Enter on a box without a form).
bool TLuNumEdit::keyPress(QChar c)
{
    if (m_onKeyPress) {
        const QPointer<TLuNumEdit> self(this);
        m_onKeyPress(*this, c);
        if (!self || c.isNull())
            return true;
    }
    if (m_readOnly || isEditControlChar(c))
        return true;
    if (c == QLatin1Char('\r')) {
        if (m_enterFocusMove) {
            if (isWindow())
                return false;
            moveFocus(true);
        } else {
            beep();
        }
        return true;
    }
    apply(m_model.typeCharacter(c, fitsTest()));
    return true;
}

void TLuNumEdit::inputMethodEvent(QInputMethodEvent *e)
{
    if (!imeEnabled()) {
        e->ignore();
        return;
    }
    const QPointer<TLuNumEdit> self(this);
    const QString commit = e->commitString();
    for (const QChar c : commit) {
        keyPress(halfWidthNumberChar(c)); // the input method's full-width digits, minus and point
        if (!self)
            return;
    }
    e->accept();
}

QVariant TLuNumEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return imeEnabled();
    case Qt::ImCursorRectangle:
        return QRect(caretPosition(), QSize(m_caretWidth, m_fontHeight));
    case Qt::ImFont:
        return font();
    case Qt::ImHints:
        return int(Qt::ImhFormattedNumbersOnly);
    case Qt::ImSurroundingText:
        return m_model.text();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return int(m_model.text().size());
    default:
        return QWidget::inputMethodQuery(query);
    }
}

// ---- focus and caret --------------------------------------------------------------

void TLuNumEdit::focusInEvent(QFocusEvent *e)
{
    // Coming back from another window or from a popup is no new entry; the first
    // focus of a window that opens with the box focused is.
    const bool returning = e->reason() == Qt::ActiveWindowFocusReason
                           || e->reason() == Qt::PopupFocusReason;
    if (!(returning && m_entered)) {
        m_entered = true;
        const QPointer<TLuNumEdit> self(this);
        Q_EMIT entered();
        if (!self)
            return;
        if (m_autoSelect)
            selectAll();
    }
    makeCaret();
    updateCaret();
}

void TLuNumEdit::focusOutEvent(QFocusEvent *e)
{
    const bool leavingWindow = e->reason() == Qt::ActiveWindowFocusReason
                               || e->reason() == Qt::PopupFocusReason;
    if (!leavingWindow && m_entered) {
        m_entered = false;
        const QPointer<TLuNumEdit> self(this);
        Q_EMIT exited();
        if (!self)
            return;
        if (m_model.leave())
            update();
        if (m_hideSelection)
            clearSelect();
    }
    killCaret();
}

void TLuNumEdit::makeCaret()
{
    m_caretExists = true;
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash > 0)
        m_caretTimer.start(flash / 2, this);
    update();
}

void TLuNumEdit::updateCaret()
{
    if (!hasFocus() || !m_caretExists)
        return;
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash > 0)
        m_caretTimer.start(flash / 2, this);
    update();
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImFont);
}

void TLuNumEdit::killCaret()
{
    m_caretExists = false;
    m_caretOn = false;
    m_caretTimer.stop();
    update();
}

void TLuNumEdit::timerEvent(QTimerEvent *e)
{
    if (e->timerId() == m_caretTimer.timerId()) {
        m_caretOn = !m_caretOn;
        update();
        return;
    }
    QWidget::timerEvent(e);
}

// ---- mouse ------------------------------------------------------------------------

void TLuNumEdit::mouseDownAction(Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                 const QPoint &pos)
{
    if (button == Qt::LeftButton && !m_dblClickFlag) {
        // Only a click into the active application takes the focus.
        if (QApplication::activeWindow())
            setFocus(Qt::MouseFocusReason);
        clearSelect();
    }
    const QPointer<TLuNumEdit> self(this);
    Q_EMIT mouseDown(button, shift, pos);
    if (self)
        m_dblClickFlag = false;
}

void TLuNumEdit::mousePressEvent(QMouseEvent *e)
{
    mouseDownAction(e->button(), e->modifiers(), e->position().toPoint());
    e->accept();
}

void TLuNumEdit::mouseDoubleClickEvent(QMouseEvent *e)
{
    // The double click selects first; its own button-down then keeps the selection.
    if (e->button() == Qt::LeftButton) {
        const QPointer<TLuNumEdit> self(this);
        selectAll();
        Q_EMIT doubleClicked();
        if (!self)
            return;
        m_dblClickFlag = true;
    }
    mouseDownAction(e->button(), e->modifiers(), e->position().toPoint());
    e->accept();
}

void TLuNumEdit::mouseMoveEvent(QMouseEvent *e)
{
    const int x = e->position().toPoint().x();
    if ((e->buttons() & Qt::LeftButton) && x >= m_drawRect.left()
        && x <= m_drawRect.left() + m_drawRect.width())
        selectAll();
    Q_EMIT mouseMoved(e->buttons(), e->modifiers(), e->position().toPoint());
    e->accept();
}

void TLuNumEdit::mouseReleaseEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    const QPointer<TLuNumEdit> self(this);
    Q_EMIT mouseUp(e->button(), e->modifiers(), pos);
    if (self && e->button() == Qt::LeftButton && rect().contains(pos))
        Q_EMIT clicked();
    e->accept();
}

// ---- context menu -------------------------------------------------------------------

void TLuNumEdit::contextMenuEvent(QContextMenuEvent *e)
{
    if (!m_popupMenu) {
        e->ignore();
        return;
    }
    if (m_popupMenu == m_editPopup)
        popupUpdate();
    m_popupMenu->popup(e->globalPos());
    e->accept();
}

void TLuNumEdit::popupUpdate()
{
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    const bool clipboardText = data && data->hasText();
    const bool all = m_model.allSelected();
    m_editPopupItems[0]->setEnabled(m_model.canUndo() && !m_readOnly);
    m_editPopupItems[2]->setEnabled(all && !m_readOnly);
    m_editPopupItems[3]->setEnabled(all);
    m_editPopupItems[4]->setEnabled(clipboardText && !m_readOnly);
    m_editPopupItems[5]->setEnabled(all && !m_readOnly);
    m_editPopupItems[7]->setEnabled(!all && !m_model.text().isEmpty());
}

void TLuNumEdit::popupItemClick(int tag)
{
    switch (tag) {
    case 0:
        undo();
        break;
    case 2:
        cutToClipboard();
        break;
    case 3:
        copyToClipboard();
        break;
    case 4:
        pasteFromClipboard();
        break;
    case 5:
        clear();
        break;
    case 7:
        selectAll();
        break;
    default:
        break;
    }
}

// ---- painting and sizing -----------------------------------------------------------

void TLuNumEdit::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor background = color();
    painter.fillRect(rect(), background);
    if (m_borderStyle == TBorderStyle::bsSingle) {
        if (m_ctl3D) {
            qDrawWinPanel(&painter, rect(), palette(), true);
        } else {
            painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }
    painter.setClipRect(clientRect());

    const QString shown = m_model.valText();
    const int w = painter.fontMetrics().horizontalAdvance(shown);
    const QPoint origin = textOrigin(w);
    m_drawRect = QRect(origin, QSize(w, m_fontHeight));

    QColor back = background;
    QColor fore = palette().color(QPalette::Active, QPalette::Text);
    if (!isEnabled()) {
        fore = m_disabledColor;
    } else if (m_model.allSelected()) {
        back = palette().color(QPalette::Active, QPalette::Highlight);
        fore = palette().color(QPalette::Active, QPalette::HighlightedText);
    }
    painter.fillRect(m_drawRect, back);
    painter.setPen(fore);
    painter.drawText(m_drawRect, Qt::AlignCenter | Qt::TextSingleLine, shown);

    if (m_caretExists && m_caretOn && hasFocus()) {
        const QRect caret(caretPosition(), QSize(m_caretWidth, m_fontHeight));
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(caret, Qt::white);
    }
}

void TLuNumEdit::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    update();
    if (hasFocus())
        updateCaret();
}

void TLuNumEdit::changeEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::FontChange:
        if (m_nowInit)
            break;
        if (hasFocus())
            killCaret();
        measureFont();
        adjustHeight();
        if (hasFocus()) {
            makeCaret();
            updateCaret();
        }
        update();
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

} // namespace numedit
