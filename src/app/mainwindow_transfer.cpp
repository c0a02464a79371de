// The text transfer: order text in the paste box fills the destination fields.
#include "mainwindow.h"

#include "platform/guard.h"
#include "platform/messagebox.h"
#include "transfer/pipeline.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

void TForm_Main::connectTransfer()
{
    connect(BitBtn_1, &QPushButton::clicked, this, platform::guardedSlot([this] { BitBtn_1Click(); }));
}

void TForm_Main::BitBtn_1Click()
{
    const transfer::TransferResult result =
        transfer::TransferText(transfer::SplitPasteLines(Memo1->toPlainText()));
    Memo1->setPlainText(result.pasteBox.join(QLatin1Char('\n')));
    if (!result.foundText) {
        platform::notify(transfer::noTextNotice());
        Edit_Warning();
        return;
    }
    Edit_Cls();
    Edit_Zip->setText(result.fields.zip);
    Edit_Add1->setText(result.fields.add1);
    Edit_Add2->setText(result.fields.add2);
    Edit_Custo1->setText(result.fields.custo1);
    Edit_tel->setText(result.fields.tel);
    Edit_Zip->setFocus();
    Edit_Warning();
}
