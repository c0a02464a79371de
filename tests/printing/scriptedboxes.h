#pragma once

#include "platform-ui/messagebox.h"

#include <QStringList>

// Message boxes that answer questions as told and note every box shown.
class ScriptedBoxes : public platform::MessageBoxes
{
public:
    ScriptedBoxes() { platform::setMessageBoxes(this); }
    ~ScriptedBoxes() override { platform::setMessageBoxes(nullptr); }

    bool question(const QString &text) override
    {
        questions.append(text);
        return answer;
    }
    void notice(const QString &text) override { notices.append(text); }
    void error(const QString &text) override { errors.append(text); }

    bool answer = true;
    QStringList questions;
    QStringList notices;
    QStringList errors;
};
