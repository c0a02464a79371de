// The ten sender profiles and the sender print switch.
#include "mainwindow.h"

#include "senderprofile.h"

#include "platform/error.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

namespace {

const QColor kSwitchedOff(128, 128, 128);

} // namespace

void TForm_Main::connectProfiles()
{
    using platform::guardedSlot;
    connect(BitBtn_My, &QPushButton::clicked, this, guardedSlot([this] { BitBtn_MyClick(); }));
    connect(PageControl_My, &QTabBar::currentChanged, this, guardedSlot([this] { PageControl_MyChange(); }));
    // With no profile selected the tab strip still shows a current tab: clicking it
    // selects its profile.
    connect(PageControl_My, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == PageControl_My->currentIndex() && index != m_selectedProfile)
            platform::guarded([this] { PageControl_MyChange(); });
    });
    connect(CheckBox_My, &QCheckBox::clicked, this, guardedSlot([this] { CheckBox_MyClick(); }));
    connect(CheckBox_Date_1, &QCheckBox::clicked, this, guardedSlot([this] { CheckBox_MyClick(); }));
}

void TForm_Main::Edit_Cls_My()
{
    for (QLineEdit *edit : senderEdits())
        edit->clear();
}

void TForm_Main::PageControl_MyChange()
{
    m_selectedProfile = PageControl_My->currentIndex();
    SpeedButton_readMyClick();
}

void TForm_Main::SpeedButton_readMyClick()
{
    if (m_selectedProfile < 0 || m_selectedProfile >= app::SenderProfileStore::kCount) {
        platform::notify(QStringLiteral("TabErr"));
        return;
    }
    // Nothing is set until the whole file is read: on failure the fields keep their text.
    const app::SenderProfile p = app::SenderProfileStore(workingDirectory()).load(m_selectedProfile);
    Edit_MyZip->setText(p.zip);
    Edit_MyADD1->setText(p.address1);
    Edit_MyADD2->setText(p.address2);
    Edit_My->setText(p.name);
    Edit_MyTEL->setText(p.tel);
}

void TForm_Main::BitBtn_MyClick()
{
    if (!platform::ask(QStringLiteral("ご依頼主を登録しますか?"))) {
        Edit_MyZip->setFocus();
        return;
    }
    if (m_selectedProfile < 0 || m_selectedProfile >= app::SenderProfileStore::kCount)
        throw platform::Error(QStringLiteral("TabErr"));
    const app::SenderProfile p{Edit_MyZip->text(), Edit_MyADD1->text(), Edit_MyADD2->text(),
                               Edit_My->text(), Edit_MyTEL->text()};
    app::SenderProfileStore(workingDirectory()).save(m_selectedProfile, p);
    platform::notify(QStringLiteral("ご依頼主を登録しました"));
    Panel_HelpMess->setText(QStringLiteral("    "));
    Edit_MyZip->setFocus();
}

void TForm_Main::CheckBox_MyClick()
{
    const QColor background = CheckBox_My->isChecked() ? QPalette().color(QPalette::Base) : kSwitchedOff;
    for (QLineEdit *edit : senderEdits()) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, background);
        edit->setPalette(palette);
    }
}
