#include "platform-ui/messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

class WidgetMessageBoxes final : public MessageBoxes
{
public:
    bool question(const QString &text) override
    {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text,
                        QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    int choose(Choice &choice) override
    {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), choice.text, QMessageBox::NoButton,
                        QApplication::activeWindow());
        QList<QAbstractButton *> buttons;
        for (qsizetype i = 0; i < choice.buttons.size(); ++i) {
            const bool cancels = i == choice.buttons.size() - 1;
            buttons.append(box.addButton(choice.buttons.at(i), cancels ? QMessageBox::RejectRole
                                                                      : QMessageBox::AcceptRole));
        }
        if (!buttons.isEmpty()) {
            box.setDefaultButton(qobject_cast<QPushButton *>(buttons.value(choice.defaultButton)));
            box.setEscapeButton(buttons.last());
        }
        if (!choice.details.isEmpty())
            box.setDetailedText(choice.details);
        if (!choice.checkText.isEmpty()) {
            auto *tick = new QCheckBox(choice.checkText, &box);
            tick->setChecked(choice.checked);
            box.setCheckBox(tick);
        }
        box.exec();
        if (box.checkBox())
            choice.checked = box.checkBox()->isChecked();
        const int chosen = int(buttons.indexOf(box.clickedButton()));
        return chosen == buttons.size() - 1 ? -1 : chosen;
    }

    bool choice(const QString &text, const QString &first, const QString &second) override
    {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Yes | QMessageBox::No,
                        QApplication::activeWindow());
        box.button(QMessageBox::Yes)->setText(first);
        box.button(QMessageBox::No)->setText(second);
        // Neither is taken by a stray Enter: the person reads and picks one.
        box.setDefaultButton(static_cast<QPushButton *>(nullptr));
        box.setEscapeButton(static_cast<QAbstractButton *>(nullptr));
        return box.exec() == QMessageBox::Yes;
    }

    void notice(const QString &text) override { show(text); }
    void error(const QString &text) override { show(text); }

private:
    static void show(const QString &text)
    {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
};

WidgetMessageBoxes &widgetBoxes()
{
    static WidgetMessageBoxes boxes;
    return boxes;
}

MessageBoxes *g_installed = nullptr;

} // namespace

QString applicationTitle()
{
    return QStringLiteral("◇mekira_RErorezev");
}

QString errorBoxText(const QString &message)
{
    // A sentence that already ends in Japanese keeps its own stop (no "。.").
    static const QString sentenceEnds = QStringLiteral("。！？」）");
    if (!message.isEmpty() && message.back().unicode() > 46 && !sentenceEnds.contains(message.back()))
        return message + QLatin1Char('.');
    return message;
}

MessageBoxes &messageBoxes()
{
    return g_installed ? *g_installed : widgetBoxes();
}

void setMessageBoxes(MessageBoxes *boxes)
{
    g_installed = boxes;
}

} // namespace platform
