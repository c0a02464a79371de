#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace platform {

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

} // namespace platform
