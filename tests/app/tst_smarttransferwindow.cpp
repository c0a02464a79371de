// The transfer button with the smart transfer: the paste box keeps the text and marks
// what was read and what was left, doubtful fields are coloured and say why, the next
// order pasted over a used text replaces it, and the context menu's check item
// switches to the classic transfer, which is kept at exit.
#include "appfixture.h"

#include "transfer/smarttransfer.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

class SmartTransferWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;

    TForm_Main &w() { return m_fixture->w(); }
    // The marks in the paste box: unused lines (grey text) or the others.
    QStringList marks(bool unused)
    {
        QStringList out;
        for (const QTextEdit::ExtraSelection &mark : w().Memo1->extraSelections())
            if (mark.format.hasProperty(QTextFormat::ForegroundBrush) == unused)
                out << mark.cursor.selectedText();
        return out;
    }
    void paste(const QString &text)
    {
        QApplication::clipboard()->setText(text);
        w().Memo1->paste();
    }
    QString settingsPath() const { return m_dir->filePath(u"mekira_RErorezev.ini"_qs); }
    void start()
    {
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
        m_fixture->start();
        m_boxes->clear();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeFileBytes(m_dir->filePath(u"my0.txt"_qs), "\r\n\r\n\r\n\r\n\r\n");
        m_boxes = std::make_unique<ScriptedBoxes>();
    }
    void cleanup()
    {
        m_fixture.reset();
        m_boxes.reset();
        m_dir.reset();
    }

    void wholeMailFillsTheFieldsAndMarksWhatWasRead()
    {
        start();
        QVERIFY(w().smartTransfer());
        QVERIFY(w().Action_SmartTransfer->isChecked());
        const QString mail = u"山田 太郎 様\n\nご注文ありがとうございます。\n\n【ご注文者】\n山田 太郎\n"
                             "〒390-0811 長野県松本市中央2-4-10\n\n【お届け先】\n〒020-0022\n"
                             "岩手県盛岡市大通3-1-23 クリスタルビル4F\n山田 花子 様\nTEL：019-623-4567\n"
                             "【ご注文内容】\nりんご 5kg 3,980円\n"_qs;
        w().Memo1->setPlainText(mail);
        w().Edit_Add3->setText(u"そのまま"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);

        QCOMPARE(w().Edit_Zip->text(), u"020-0022"_qs);
        QCOMPARE(w().Edit_Add1->text(), u"岩手県盛岡市大通3-1-23"_qs);
        QCOMPARE(w().Edit_Add2->text(), u"クリスタルビル4F"_qs);
        QCOMPARE(w().Edit_Custo1->text(), u"山田 花子"_qs);
        QCOMPARE(w().Edit_tel->text(), u"019-623-4567"_qs);
        QCOMPARE(w().Edit_Add3->text(), u"そのまま"_qs);
        QCOMPARE(w().Memo1->toPlainText(), mail);
        QCOMPARE(marks(false), (QStringList{u"020-0022"_qs, u"岩手県盛岡市大通3-1-23"_qs, u"クリスタルビル4F"_qs,
                                            u"山田 花子"_qs, u"019-623-4567"_qs}));
        // The buyer's address is an address no field used.
        QCOMPARE(marks(true), QStringList{u"〒390-0811 長野県松本市中央2-4-10"_qs});
        QCOMPARE(QApplication::focusWidget(), w().Edit_Zip);
        QVERIFY(m_boxes->notices.isEmpty());

        // Typing in the paste box takes the marks away.
        w().Memo1->appendPlainText(u"追記"_qs);
        QVERIFY(w().Memo1->extraSelections().isEmpty());
    }

    void doubtfulFieldIsColouredAndSaysWhy()
    {
        start();
        const QColor normal = w().Edit_Custo1->palette().color(QPalette::Base);
        w().Memo1->setPlainText(u"〒020-0022\n岩手県盛岡市大通3-1-23\nTEL 019-623-4567\n"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);

        QCOMPARE(w().Edit_Custo1->text(), QString());
        QCOMPARE(w().transferDoubt(w().Edit_Custo1), transfer::doubt::noName());
        QVERIFY(w().Edit_Custo1->palette().color(QPalette::Base) != normal);
        QCOMPARE(w().Panel_HelpMess->text(), transfer::doubt::noName());
        w().Edit_Add1->setFocus();
        w().Edit_Custo1->setFocus();
        QCOMPARE(w().Panel_HelpMess->text(), transfer::doubt::noName());

        // Typing the name ends the doubt; the field's own help line comes back.
        QTest::keyClicks(w().Edit_Custo1, u"x"_qs);
        QCOMPARE(w().transferDoubt(w().Edit_Custo1), QString());
        QCOMPARE(w().Edit_Custo1->palette().color(QPalette::Base), normal);
        w().Edit_tel->setFocus();
        w().Edit_Custo1->setFocus();
        QCOMPARE(w().Panel_HelpMess->text(), u"お届け先のおなまえを入力して下さい"_qs);
    }

    void nothingFoundGivesTheNotice()
    {
        start();
        w().Edit_Zip->setText(u"100-0001"_qs);
        w().Memo1->setPlainText(u"こんにちは！\nbuyer@example.jp\n"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QCOMPARE(m_boxes->notices, QStringList{u"転送テキストがありません"_qs});
        QCOMPARE(w().Edit_Zip->text(), u"100-0001"_qs);
        QCOMPARE(w().Memo1->toPlainText(), u"こんにちは！\nbuyer@example.jp\n"_qs);
    }

    // The everyday round: transfer, paste the next order over the used text, transfer
    // again. Ctrl+Z gives the first order back; typed text is kept.
    void nextOrderPastedOverTheUsedText()
    {
        start();
        const QString first = u"〒630-8122\n奈良県奈良市三条本町6-11\nサンライズ三条203\n吉岡 まどか 様\n"_qs;
        const QString second = u"〒154-0024\n東京都世田谷区三軒茶屋2-14-3グランハイツ三茶305号室\n松下 真由美 様\n"_qs;
        w().Memo1->setFocus();
        paste(first);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QCOMPARE(w().Edit_Custo1->text(), u"吉岡 まどか"_qs);

        paste(second);
        QCOMPARE(w().Memo1->toPlainText(), second);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QCOMPARE(w().Edit_Zip->text(), u"154-0024"_qs);
        QCOMPARE(w().Edit_Add1->text(), u"東京都世田谷区三軒茶屋2-14-3"_qs);
        QCOMPARE(w().Edit_Add2->text(), u"グランハイツ三茶305号室"_qs);
        QCOMPARE(w().Edit_Custo1->text(), u"松下 真由美"_qs);

        w().Memo1->undo();
        QCOMPARE(w().Memo1->toPlainText(), first);

        // Once the user types, a paste goes where the cursor is.
        w().Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(w().Memo1, u"x"_qs);
        paste(u"y"_qs);
        QCOMPARE(w().Memo1->toPlainText(), first + u"xy"_qs);
    }

    // A building line that cannot be placed is marked and makes おところ② doubtful; an
    // order without a postal code leaves 郵便番号 coloured, also after leaving it.
    void nothingIsLeftOutSilently()
    {
        start();
        const QColor normal = w().Edit_Add2->palette().color(QPalette::Base);
        w().Memo1->setPlainText(u"ルミエール船橋506\n千葉県船橋市本町4-38-12\n吉田 真理 様\n"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);

        QCOMPARE(w().Edit_Add2->text(), QString());
        QVERIFY(w().transferDoubt(w().Edit_Add2).contains(u"ルミエール船橋506"_qs));
        QVERIFY(w().Edit_Add2->palette().color(QPalette::Base) != normal);
        QCOMPARE(marks(true), QStringList{u"ルミエール船橋506"_qs});
        QVERIFY(marks(false).contains(u"ルミエール船橋506"_qs));

        QCOMPARE(w().Edit_Zip->text(), QString());
        QCOMPARE(w().transferDoubt(w().Edit_Zip), transfer::doubt::noZip());
        QCOMPARE(QApplication::focusWidget(), w().Edit_Zip);
        w().Edit_Add1->setFocus();
        QVERIFY(w().Edit_Zip->palette().color(QPalette::Base) != normal);
    }

    // The delivery block at the end of a long mail is scrolled into view.
    void firstMarkIsScrolledIntoView()
    {
        start();
        QString mail;
        for (int i = 0; i < 40; ++i)
            mail += u"ご注文ありがとうございます。商品の説明 %1 行目\n"_qs.arg(i);
        mail += u"【お届け先】\n〒630-8122\n奈良県奈良市三条本町6-11\n吉岡 まどか 様\n"_qs;
        w().Memo1->setPlainText(mail);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QTextCursor zip(w().Memo1->document());
        zip.setPosition(int(mail.indexOf(u"630-8122"_qs)));
        QVERIFY(w().Memo1->viewport()->rect().contains(w().Memo1->cursorRect(zip)));
    }

    void lineLimitIsTheClassicTransfers_data()
    {
        QTest::addColumn<bool>("smart");
        QTest::addColumn<bool>("limit");
        QTest::newRow("smart") << true << false;
        QTest::newRow("classic") << false << true;
    }
    void lineLimitIsTheClassicTransfers()
    {
        QFETCH(bool, smart);
        QFETCH(bool, limit);
        start();
        w().setSmartTransfer(smart);
        QCOMPARE(w().Label8->text().contains(u"行以内"_qs), limit);
        QCOMPARE(w().Memo1->toolTip().contains(u"行以内"_qs), limit);
        w().Edit_Zip->setFocus();
        QTest::mouseClick(w().Memo1->viewport(), Qt::LeftButton);
        QCOMPARE(w().Panel_HelpMess->text().contains(u"行以内"_qs), limit);
    }

    void contextMenuChoosesTheClassicTransferKeptAtExit()
    {
        start();
        w().Action_SmartTransfer->trigger();
        QVERIFY(!w().smartTransfer());
        w().Memo1->setPlainText(u"\n\nお届け先：見本　花子 様\n〒１２３－４５６７\n"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        // The classic transfer compacts the box to seven lines.
        QCOMPARE(w().Memo1->toPlainText(), u"見本　花子\n123-4567\n\n\n\n\n"_qs);
        QCOMPARE(w().Edit_Custo1->text(), u"見本　花子"_qs);

        m_fixture->close();
        QVERIFY(fileBytes(settingsPath()).endsWith("Tab_My=0\r\nTransferMode=classic\r\nE_AD3=\r\n"));
        m_fixture.reset();
        start();
        QVERIFY(!w().smartTransfer());
        QVERIFY(!w().Action_SmartTransfer->isChecked());
    }
};

QTEST_MAIN(SmartTransferWindowTest)
#include "tst_smarttransferwindow.moc"
