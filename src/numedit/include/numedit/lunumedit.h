#pragma once

#include "numedit/numeditmodel.h"

#include <QBasicTimer>
#include <QColor>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QMenu;

namespace numedit {

// Single-line box for integers and fixed-point numbers. It keeps its value as text
// (text(), e.g. "-12" or "1234.5"), draws the display itself (valText(), e.g.
// "¥1,234.50円") and edits only at the end of the value: digits, the point and the
// sign are typed, Backspace/Delete remove the last character, and the selection is
// either empty or the whole value. One-step undo that redoes, its own context menu.
class TLuNumEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int integerLength READ integerLength WRITE setIntegerLength)
    Q_PROPERTY(int decimalLength READ decimalLength WRITE setDecimalLength)
    Q_PROPERTY(bool minus READ minus WRITE setMinus)
    Q_PROPERTY(bool comma READ comma WRITE setComma)
    Q_PROPERTY(bool decimalFixed READ decimalFixed WRITE setDecimalFixed)
    Q_PROPERTY(QString leftMark READ leftMark WRITE setLeftMark)
    Q_PROPERTY(QString rightMark READ rightMark WRITE setRightMark)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString valText READ valText)
    Q_PROPERTY(TAlignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(TVertAlignment vertAlignment READ vertAlignment WRITE setVertAlignment)
    Q_PROPERTY(int topMargin READ topMargin WRITE setTopMargin)
    Q_PROPERTY(int bottomMargin READ bottomMargin WRITE setBottomMargin)
    Q_PROPERTY(int leftMargin READ leftMargin WRITE setLeftMargin)
    Q_PROPERTY(int rightMargin READ rightMargin WRITE setRightMargin)
    Q_PROPERTY(bool autoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(TBorderStyle borderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool ctl3D READ ctl3D WRITE setCtl3D)
    Q_PROPERTY(bool autoSelect READ autoSelect WRITE setAutoSelect)
    Q_PROPERTY(QColor disabledColor READ disabledColor WRITE setDisabledColor)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(bool errorBeep READ errorBeep WRITE setErrorBeep)
    Q_PROPERTY(bool imageCopy READ imageCopy WRITE setImageCopy)
    Q_PROPERTY(bool hideSelection READ hideSelection WRITE setHideSelection)
    Q_PROPERTY(bool enterFocusMove READ enterFocusMove WRITE setEnterFocusMove)
    Q_PROPERTY(bool arrowFocusMove READ arrowFocusMove WRITE setArrowFocusMove)
    Q_PROPERTY(bool readOnly READ readOnly WRITE setReadOnly)
    Q_PROPERTY(bool modified READ modified WRITE setModified)
    Q_PROPERTY(bool canUndo READ canUndo)
    Q_PROPERTY(int selStart READ selStart)
    Q_PROPERTY(int selLength READ selLength)
    Q_PROPERTY(bool imeEnabled READ imeEnabled WRITE setImeEnabled)
    Q_PROPERTY(bool tabStop READ tabStop WRITE setTabStop)

public:
    enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum class TVertAlignment { taTopJustify, taBottomJustify, taVCenter };
    Q_ENUM(TVertAlignment)
    enum class TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    // Key-down event, run before the box acts on the key: the handler may change the
    // key; setting it to 0 consumes the key (and its character).
    using KeyDownHandler =
        std::function<void(TLuNumEdit &sender, int &key, Qt::KeyboardModifiers shift)>;
    // Typed-character event, run before the box acts on the character: the handler
    // may change it; a null character is consumed.
    using KeyPressHandler = std::function<void(TLuNumEdit &sender, QChar &key)>;
    // The sound of refused input.
    using Beeper = std::function<void()>;

    explicit TLuNumEdit(QWidget *parent = nullptr);
    ~TLuNumEdit() override;

    // Value and display.
    QString text() const { return m_model.text(); }
    void setText(const QString &value);
    QString valText() const { return m_model.valText(); }

    int integerLength() const { return m_model.format().integerLength; }
    void setIntegerLength(int length);
    int decimalLength() const { return m_model.format().decimalLength; }
    void setDecimalLength(int length);
    bool minus() const { return m_model.format().minus; }
    void setMinus(bool minus);
    bool comma() const { return m_model.format().comma; }
    void setComma(bool comma);
    bool decimalFixed() const { return m_model.format().decimalFixed; }
    void setDecimalFixed(bool fixed);
    QString leftMark() const { return m_model.format().leftMark; }
    void setLeftMark(const QString &mark);
    QString rightMark() const { return m_model.format().rightMark; }
    void setRightMark(const QString &mark);

    // Layout.
    TAlignment alignment() const { return m_alignment; }
    void setAlignment(TAlignment alignment);
    TVertAlignment vertAlignment() const { return m_vertAlignment; }
    void setVertAlignment(TVertAlignment alignment);
    int topMargin() const { return m_topMargin; }
    void setTopMargin(int margin);
    int bottomMargin() const { return m_bottomMargin; }
    void setBottomMargin(int margin);
    int leftMargin() const { return m_leftMargin; }
    void setLeftMargin(int margin);
    int rightMargin() const { return m_rightMargin; }
    void setRightMargin(int margin);
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);
    TBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(TBorderStyle style);
    bool ctl3D() const { return m_ctl3D; }
    void setCtl3D(bool ctl3D);

    // Look.
    QColor color() const;
    void setColor(const QColor &color);
    QColor disabledColor() const { return m_disabledColor; }
    void setDisabledColor(const QColor &color);

    // Behaviour switches.
    bool autoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool autoSelect);
    bool errorBeep() const { return m_errorBeep; }
    void setErrorBeep(bool beep) { m_errorBeep = beep; }
    bool imageCopy() const { return m_imageCopy; }
    void setImageCopy(bool imageCopy) { m_imageCopy = imageCopy; }
    bool hideSelection() const { return m_hideSelection; }
    void setHideSelection(bool hide) { m_hideSelection = hide; }
    bool enterFocusMove() const { return m_enterFocusMove; }
    void setEnterFocusMove(bool move) { m_enterFocusMove = move; }
    bool arrowFocusMove() const { return m_arrowFocusMove; }
    void setArrowFocusMove(bool move) { m_arrowFocusMove = move; }
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Whether text from the input method is taken (the quantity box turns it off).
    bool imeEnabled() const;
    void setImeEnabled(bool enabled);
    // Whether Tab stops here; a click focuses the box either way.
    bool tabStop() const;
    void setTabStop(bool tabStop);

    // Edit state.
    bool modified() const { return m_model.modified(); }
    void setModified(bool modified) { m_model.setModified(modified); }
    bool canUndo() const { return m_model.canUndo(); }
    int selStart() const { return m_model.selStart(); }
    int selLength() const { return m_model.selLength(); }

    // The context menu a right click opens: the built-in one until another is set;
    // nullptr opens none. Not owned when set from outside.
    QMenu *popupMenu() const;
    void setPopupMenu(QMenu *menu);
    // The built-in menu and its eight entries (tags 0 to 7, separators at 1 and 6).
    QMenu *editPopup() const { return m_editPopup; }
    QAction *editPopupItem(int tag) const;

    void setOnKeyDown(KeyDownHandler handler) { m_onKeyDown = std::move(handler); }
    void setOnKeyPress(KeyPressHandler handler) { m_onKeyPress = std::move(handler); }
    // Replaces the desktop beep (tests count beeps); an empty beeper restores it.
    void setBeeper(Beeper beeper) { m_beeper = std::move(beeper); }

    // Pixel measures behind the width limit.
    int fontHeight() const { return m_fontHeight; }
    int displayWidth(const QString &valueText) const;
    int availableWidth() const;
    bool textFits(const QString &valueText) const;
    // Where the display was last drawn, and where the caret stands.
    QRect drawRect() const { return m_drawRect; }
    QPoint caretPosition() const;

    QSize sizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

public Q_SLOTS:
    void clear();
    void clearSelect();
    void clearSelection();
    void clearUndo();
    void copyToClipboard();
    void cutToClipboard();
    void pasteFromClipboard();
    void selectAll();
    void undo();
    // Moves the focus to the next or previous control in the window's tab order
    // (what Enter and the arrows do with the focus-move switches); a box that is a
    // window of its own does nothing.
    void focusNextControl();
    void focusPreviousControl();

Q_SIGNALS:
    void changed();       // after an edit by the user, never after a property write
    void entered();       // the focus came into the box
    void exited();        // the focus left the box
    void clicked();
    void doubleClicked();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &pos);
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, const QPoint &pos);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &pos);
    void keyUp(int key, Qt::KeyboardModifiers shift);

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;
    void timerEvent(QTimerEvent *e) override;

    virtual void makeCaret();
    virtual void updateCaret();
    virtual void killCaret();
    virtual void adjustHeight();

private:
    bool keyDown(int key, Qt::KeyboardModifiers shift);
    bool keyPress(QChar c);
    bool windowTakesDialogKey(int key) const;
    void moveFocus(bool next);
    void mouseDownAction(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &pos);
    void popupUpdate();
    void popupItemClick(int tag);
    void apply(NumEditModel::Outcome outcome);
    void refresh();
    void beep();
    void measureFont();
    int borderWidth() const;
    QRect clientRect() const;
    QPoint textOrigin(int textWidth) const;
    NumEditModel::FitsTest fitsTest() const;

    NumEditModel m_model;
    TAlignment m_alignment = TAlignment::taRightJustify;
    TVertAlignment m_vertAlignment = TVertAlignment::taVCenter;
    int m_topMargin = 2;
    int m_bottomMargin = 2;
    int m_leftMargin = 2;
    int m_rightMargin = 2;
    bool m_autoSize = true;
    TBorderStyle m_borderStyle = TBorderStyle::bsSingle;
    bool m_ctl3D = true;
    bool m_autoSelect = true;
    QColor m_disabledColor;
    bool m_errorBeep = true;
    bool m_imageCopy = false;
    bool m_hideSelection = true;
    bool m_enterFocusMove = false;
    bool m_arrowFocusMove = false;
    bool m_readOnly = false;

    bool m_nowInit = true;
    int m_fontHeight = 0;
    int m_caretWidth = 1;
    bool m_caretExists = false;
    bool m_caretOn = false;
    QBasicTimer m_caretTimer;
    bool m_dblClickFlag = false;
    bool m_entered = false; // the box is its window's entered control
    QRect m_drawRect;

    QMenu *m_editPopup = nullptr;
    std::array<QAction *, 8> m_editPopupItems{};
    QPointer<QMenu> m_popupMenu;

    KeyDownHandler m_onKeyDown;
    KeyPressHandler m_onKeyPress;
    Beeper m_beeper;
};

} // namespace numedit
