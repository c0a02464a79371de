#pragma once

#include "app/mainwindow.h"

#include "platform-ui/messagebox.h"
#include "fakeprinterbackend.h"
#include "printer/ovprinters.h"
#include "platform-ui/shell.h"

#include "filebytes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Message boxes that answer questions from a script (Yes when the script is empty)
// and note every box shown, in order.
class ScriptedBoxes : public platform::MessageBoxes
{
public:
    ScriptedBoxes() { platform::setMessageBoxes(this); }
    ~ScriptedBoxes() override { platform::setMessageBoxes(nullptr); }

    bool question(const QString &text) override
    {
        questions.append(text);
        return answers.isEmpty() ? true : answers.dequeue();
    }
    void notice(const QString &text) override { notices.append(text); }
    void error(const QString &text) override { errors.append(text); }
    // Answered from `choiceAnswers` when given: the first button whose text is one of
    // the answer's, and the tick; else as a yes/no question.
    int choose(platform::Choice &choice) override
    {
        choices.append(choice);
        if (choiceAnswers.isEmpty())
            return MessageBoxes::choose(choice);
        const auto [buttons, tick] = choiceAnswers.dequeue();
        choice.checked = tick;
        for (const QString &button : buttons) {
            if (const qsizetype at = choice.buttons.indexOf(button); at >= 0)
                return at == choice.buttons.size() - 1 ? -1 : int(at);
        }
        return -1;
    }
    // Print every order, with or without the main window's date for those without.
    void printAll(bool tick = false) { choiceAnswers.enqueue({{QStringLiteral("すべて印刷"), QStringLiteral("印刷")}, tick}); }

    void clear()
    {
        questions.clear();
        notices.clear();
        errors.clear();
    }

    QQueue<bool> answers;
    QQueue<std::pair<QStringList, bool>> choiceAnswers;
    QList<platform::Choice> choices;
    QStringList questions;
    QStringList notices;
    QStringList errors;
};

// A shell that keeps the links it was asked to open.
class RecordingShell : public platform::Shell
{
public:
    RecordingShell() { platform::setShell(this); }
    ~RecordingShell() override { platform::setShell(nullptr); }
    void open(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};

// A main window started in a working folder of its own, as the program starts it.
class WindowFixture
{
public:
    // The printers are a fake: "Printer A" and "Printer B", the first the default.
    explicit WindowFixture(const QString &folder) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(folder);
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("Printer A")));
        fake->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("Printer B")));
        fake->setDefaultPrinter(0);
        printers = fake.get();
        m_scope = std::make_unique<OvPrinterScope>(std::move(fake));
    }
    ~WindowFixture()
    {
        window.reset();
        m_scope.reset();
        QDir::setCurrent(m_previous);
    }

    void start()
    {
        window = std::make_unique<TForm_Main>();
        window->show();
        // The start sequence runs from the event loop once the window is shown.
        QTRY_VERIFY_WITH_TIMEOUT(window->workingDirectory() == QDir::currentPath(), 5000);
        QApplication::processEvents();
    }
    TForm_Main &w() { return *window; }

    // Closes the window as its close box does.
    void close()
    {
        window->close();
        window.reset();
    }

    std::unique_ptr<TForm_Main> window;
    FakePrinterBackend *printers = nullptr;

private:
    QString m_previous;
    std::unique_ptr<OvPrinterScope> m_scope;
};


// Types Japanese text as an input method commits it (QTest::keyClicks cannot).
inline void commitText(QWidget *widget, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}
