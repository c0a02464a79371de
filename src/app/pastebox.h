#pragma once

#include <QPlainTextEdit>
#include <QString>

// The paste box above the destination. Once a transfer has used its text, the next
// paste is the next order: it replaces the whole text (one step for Ctrl+Z) instead
// of landing beside the order already sent. Typing is never changed.
class PasteBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PasteBox(QWidget *parent = nullptr);

    // The text has been transferred; any change of it ends that.
    void markUsed();
    bool holdsUsedText() const { return m_used; }

    // Scrolls so that the text from `from` to `to` is in view, its start if not all.
    void showRange(int from, int to);

    // What the box, the line under it and the help line say for the transfer in use:
    // the classic transfer reads the first lines only, the smart one the whole text.
    static QString hintText(bool smart);
    static QString toolTipText(bool smart);
    static QString helpText(bool smart);

protected:
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool m_used = false;
};
