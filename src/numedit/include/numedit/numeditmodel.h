#pragma once

#include "numedit/numvalue.h"

#include <QString>

#include <functional>
#include <optional>

namespace numedit {

// What the box holds and how an edit changes it, without a window: the value text,
// its display text, the all-or-nothing selection, the one-step undo and the
// modified flag. The box turns the outcome of each edit into a beep, a repaint and
// its change notice.
class NumEditModel
{
public:
    // How an edit by the user ended.
    enum class Outcome {
        Ignored,   // nothing committed (the value may have been cleared); no notice
        Committed, // the value was committed; the change notice follows
        Refused,   // the input was refused; the box beeps
    };

    // Whether a value text would still fit the box's width when displayed.
    using FitsTest = std::function<bool(const QString &valueText)>;

    NumEditModel();

    const NumFormat &format() const { return m_format; }
    const QString &text() const { return m_text; }
    const QString &valText() const { return m_valText; }
    const QString &undoBuffer() const { return m_undoBuffer; }
    bool canUndo() const { return m_canUndo; }
    bool modified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Selection: nothing, or the whole display.
    bool allSelected() const { return selLength() != 0; }
    int selStart() const { return 0; }
    int selLength() const { return m_selLength; }
    // Selects the display as it stands: an empty display selects nothing.
    void selectAll() { m_selLength = int(m_valText.size()); }
    void clearSelect() { m_selLength = 0; }

    // Writing the value from outside: filtered and trimmed; undo, selection and the
    // modified flag stay. Returns false when v already is the value text.
    bool setText(const QString &v);

    // Limits: a negative length is ignored; a change refilters the live value.
    // Each returns whether the setting changed.
    bool setIntegerLength(int length);
    bool setDecimalLength(int length);
    bool setMinus(bool minus);
    // Display settings: a change reformats the value.
    bool setComma(bool comma);
    bool setDecimalFixed(bool fixed);
    bool setLeftMark(const QString &mark);
    bool setRightMark(const QString &mark);

    // Empties the value after saving it for undo; drops the selection and the
    // modified flag. No change notice.
    void clear();

    // A typed character: "-" toggles the sign, "." adds the point, a digit is added
    // at the end; anything else is refused.
    Outcome typeCharacter(QChar c, const FitsTest &fits);
    Outcome insertDigit(QChar c, const FitsTest &fits);
    Outcome insertPoint(const FitsTest &fits);
    Outcome toggleMinus(const FitsTest &fits);
    // Backspace/Delete: on a selection the value is cleared without notice.
    Outcome deleteLast();

    // The clipboard text for copy and cut: only when all is selected.
    std::optional<QString> copyText(bool imageCopy) const;
    // Cut: the text for the clipboard, and the value cleared; nothing when not
    // all is selected.
    std::optional<QString> cut(bool imageCopy);
    // Paste: replaces a selected value or is appended; never measured against the
    // width, and the modified flag stays.
    void paste(const QString &s);

    // Exchanges the value with the undo buffer, so a second undo redoes.
    Outcome undo();
    void clearUndo();

    // Leaving the box: a lone "-" is dropped. Returns whether the value changed.
    bool leave();

private:
    void saveUndo();
    void commit(const QString &t);
    void refilter();
    void reformat();

    NumFormat m_format;
    QString m_text;
    QString m_valText;
    QString m_undoBuffer;
    bool m_canUndo = false;
    bool m_modified = false;
    int m_selLength = 0; // 0, or the length of the selected display
};

} // namespace numedit
