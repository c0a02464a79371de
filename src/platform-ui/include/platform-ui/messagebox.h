#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QWidget;

namespace platform {

// A question with several answers, a list to show on request and a tick.
struct Choice
{
    QString text;
    QString details;       // shown behind a 「詳細」 button when not empty
    QStringList buttons;   // the answers, left to right; the last one cancels
    int defaultButton = 0;
    QString checkText;     // a tick box under the text when not empty
    bool checked = false;  // the tick, before and after
};

// The program's modal boxes: all captioned with the application title, no icon.
// The program installs the real one; tests install a scripted one that answers
// questions and records every box.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // Yes/No question; Yes is the default button. True only for Yes.
    virtual bool question(const QString &text) = 0;
    // A choice between two answers named by their buttons; true for `first`. Boxes
    // that know no named buttons ask it as a Yes/No question.
    virtual bool choice(const QString &text, const QString &first, const QString &second)
    {
        Q_UNUSED(second);
        Q_UNUSED(first);
        return question(text);
    }
    // Notice with one OK button.
    virtual void notice(const QString &text) = 0;
    // Error box (the text as given; see errorBoxText).
    virtual void error(const QString &text) = 0;
    // The index of the answer chosen; -1 when the box was closed. Boxes that only know
    // yes and no take yes as the default answer and leave the tick as it is.
    virtual int choose(Choice &choice)
    {
        return question(choice.text) ? choice.defaultButton : -1;
    }
};

// The application title: caption of every box and the name a second start looks for.
QString applicationTitle();

// The text an error box shows for a failure message: "." is appended when the code of
// the last character is above 46 (the code of ".") and is no Japanese sentence end.
QString errorBoxText(const QString &message);

// The boxes in use. Never null: a QMessageBox-backed implementation until one is set.
MessageBoxes &messageBoxes();
// Installs another implementation (not owned); nullptr restores the real boxes.
void setMessageBoxes(MessageBoxes *boxes);

// Shortcuts through messageBoxes().
inline bool ask(const QString &text) { return messageBoxes().question(text); }
inline void notify(const QString &text) { messageBoxes().notice(text); }
inline void showError(const QString &message) { messageBoxes().error(errorBoxText(message)); }
inline int choose(Choice &choice) { return messageBoxes().choose(choice); }

} // namespace platform
