#include "appfixture.h"

#include <QClipboard>

#include "app/appconfig.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrlQuery>

namespace {
const QString kWarning = u"警告:おところ①の文字数が多すぎます。　おところ②へ分割してください"_qs;
}

class NavigationTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<RecordingShell> m_shell;
    std::unique_ptr<WindowFixture> m_fixture;

    TForm_Main &w() { return m_fixture->w(); }
    static QWidget *focused()
    {
        QWidget *focus = QApplication::focusWidget();
        // A date box passes the focus to its inner line edit.
        if (focus && qobject_cast<QDateEdit *>(focus->parentWidget()))
            return focus->parentWidget();
        return focus;
    }
    void press(int key)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeFileBytes(m_dir->filePath(u"my0.txt"_qs), "\r\n\r\n\r\n\r\n\r\n");
        m_boxes = std::make_unique<ScriptedBoxes>();
        m_shell = std::make_unique<RecordingShell>();
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
        m_fixture->start();
        m_boxes->clear();
    }
    void cleanup()
    {
        m_fixture.reset();
        m_shell.reset();
        m_boxes.reset();
        m_dir.reset();
    }

    void enterPaths()
    {
        // Destination: straight from the telephone to the goods, then the paper feed.
        w().Edit_Zip->setFocus();
        const QList<QWidget *> destination = {w().Edit_Add1, w().Edit_Add2, w().Edit_Add3, w().Edit_Custo1,
                                              w().Edit_tel,  w().Edit_G1,   w().Edit_G2,   w().Edit_G3,
                                              w().ComboBox_SEL};
        for (QWidget *next : destination) {
            press(Qt::Key_Return);
            QCOMPARE(focused(), next);
        }
        press(Qt::Key_Return);
        QCOMPARE(focused(), w().ComboBox_SEL);

        // Dates.
        w().Edit_de_date1->setFocus();
        for (QWidget *next : QList<QWidget *>{w().Edit_de_date2, w().DateTimePicker_1, w().Edit_G1}) {
            press(Qt::Key_Return);
            QCOMPARE(focused(), next);
        }

        // Sender: ends on the save button, where Enter asks to save.
        w().Edit_MyZip->setFocus();
        for (QWidget *next : QList<QWidget *>{w().Edit_MyADD1, w().Edit_MyADD2, w().Edit_My, w().Edit_MyTEL,
                                              w().BitBtn_My}) {
            press(Qt::Key_Return);
            QCOMPARE(focused(), next);
        }
        m_boxes->answers.enqueue(false);
        press(Qt::Key_Return);
        QCOMPARE(m_boxes->questions, QStringList{u"ご依頼主を登録しますか?"_qs});
        QCOMPARE(focused(), w().Edit_MyZip);
    }

    void upArrow()
    {
        w().Edit_Zip->setFocus();
        press(Qt::Key_Up);
        QCOMPARE(focused(), w().Edit_Zip); // the postal code keeps the focus
        w().Edit_tel->setFocus();
        press(Qt::Key_Up);
        QCOMPARE(focused(), w().CheckBox_Date_1); // next in tab order, not the goods
        w().Edit_G2->setFocus();
        press(Qt::Key_Up);
        QCOMPARE(focused(), w().Edit_G3);
        w().Edit_MyADD2->setFocus();
        press(Qt::Key_Up);
        QCOMPARE(focused(), w().Edit_My);
    }

    void helpLines_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("help");
        QTest::newRow("zip") << u"Edit_Zip"_qs << u"お届け先の郵便番号を入力して下さい"_qs;
        QTest::newRow("add1") << u"Edit_Add1"_qs << u"お届け先のおところ①を入力して下さい"_qs;
        QTest::newRow("add2") << u"Edit_Add2"_qs << u"お届け先のおところを入力して下さい"_qs;
        QTest::newRow("add3") << u"Edit_Add3"_qs << u"お届け先のおところを入力して下さい"_qs;
        QTest::newRow("name") << u"Edit_Custo1"_qs << u"お届け先のおなまえを入力して下さい"_qs;
        QTest::newRow("tel") << u"Edit_tel"_qs << u"お届け先のでんわを入力して下さい"_qs;
        QTest::newRow("goods 3") << u"Edit_G3"_qs << u"品名を入力して下さい"_qs;
        QTest::newRow("sender zip") << u"Edit_MyZip"_qs << u"ご依頼主の郵便番号を入力して下さい"_qs;
        QTest::newRow("sender add1") << u"Edit_MyADD1"_qs << u"ご依頼主のおところ①を入力して下さい"_qs;
        QTest::newRow("sender add2") << u"Edit_MyADD2"_qs << u"ご依頼主のおところ②を入力して下さい"_qs;
        QTest::newRow("sender name") << u"Edit_My"_qs << u"ご依頼主のおなまえを入力して下さい"_qs;
        QTest::newRow("sender tel") << u"Edit_MyTEL"_qs << u"ご依頼主のでんわを入力して下さい"_qs;
    }
    void helpLines()
    {
        QFETCH(QString, field);
        QFETCH(QString, help);
        auto *edit = w().findChild<QLineEdit *>(field);
        QVERIFY(edit);
        edit->setText(u"abc"_qs);
        // Arrive by Tab from the control before it: the caret still ends up at the end.
        QWidget *before = edit->previousInFocusChain();
        while (!(before->focusPolicy() & Qt::TabFocus) || !before->isVisible())
            before = before->previousInFocusChain();
        before->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(w().Panel_HelpMess->text(), help);
        QVERIFY(!edit->hasSelectedText());
        QCOMPARE(edit->cursorPosition(), 3);
    }

    void helpLineStaysOnControlsWithoutHelp()
    {
        w().Edit_G1->setFocus();
        w().CheckBox_t3->setFocus();
        QCOMPARE(w().Panel_HelpMess->text(), u"品名を入力して下さい"_qs);
        w().Memo1->setFocus();
        // The smart transfer reads whole mails: no line limit to tell.
        QCOMPARE(w().Panel_HelpMess->text(), u"注文メールを丸ごと貼り付けてください。次の注文は、転送した文章に重ねて貼り付けられます"_qs);
    }

    void longAddressWarning()
    {
        w().Edit_Add1->setText(QString(40, QChar(u'あ')));
        w().Edit_Add2->setFocus();
        QCOMPARE(w().Label_Warning->text(), QString());
        w().Edit_Add1->setText(QString(41, QChar(u'a')));
        w().Edit_Custo1->setFocus();
        QCOMPARE(w().Label_Warning->text(), QString()); // only address lines re-evaluate it
        w().Edit_Add3->setFocus();
        QCOMPARE(w().Label_Warning->text(), kWarning);
        // Shortening it does not take the warning away until an address line is entered.
        w().Edit_Add1->setFocus();
        QTest::keyClick(w().Edit_Add1, Qt::Key_Backspace);
        QCOMPARE(w().Label_Warning->text(), kWarning);
        w().Edit_Add2->setFocus();
        QCOMPARE(w().Label_Warning->text(), QString());
    }

    void destinationClear()
    {
        w().Edit_Zip->setText(u"123-4567"_qs);
        w().Edit_Add1->setText(QString(41, QChar(u'x')));
        w().Edit_Add3->setText(u"三"_qs);
        w().Edit_G1->setText(u"本"_qs);
        w().Edit_Add1->setFocus();
        QCOMPARE(w().Label_Warning->text(), kWarning);

        m_boxes->answers.enqueue(false);
        QTest::mouseClick(w().BitBtn_CLS, Qt::LeftButton);
        QCOMPARE(m_boxes->questions.last(), u"お届け先をクリアますか?"_qs);
        QCOMPARE(w().Edit_Zip->text(), u"123-4567"_qs);

        m_boxes->answers.enqueue(true);
        QTest::mouseClick(w().BitBtn_CLS, Qt::LeftButton);
        QVERIFY(w().Edit_Zip->text().isEmpty() && w().Edit_Add1->text().isEmpty());
        QCOMPARE(w().Label_Warning->text(), QString());
        QCOMPARE(w().Edit_Add3->text(), u"三"_qs);
        QCOMPARE(w().Edit_G1->text(), u"本"_qs);
    }

    void postalCodeAndTelephoneStayHalfWidth()
    {
        w().Edit_Zip->setFocus();
        commitText(w().Edit_Zip, u"１２３－"_qs);
        QCOMPARE(w().Edit_Zip->text(), u"123-"_qs);
        QCOMPARE(w().Edit_Zip->cursorPosition(), 4);
        // Typed in the middle: the caret stays after what was typed.
        w().Edit_Zip->setCursorPosition(1);
        commitText(w().Edit_Zip, u"９"_qs);
        QCOMPARE(w().Edit_Zip->text(), u"1923-"_qs);
        QCOMPARE(w().Edit_Zip->cursorPosition(), 2);
        w().Edit_tel->setText(u"ＴＥＬ０３（１２３４）"_qs);
        QCOMPARE(w().Edit_tel->text(), u"TEL03(1234)"_qs);
    }

    // Hyphen look-alikes after digits become "-" as they are typed; a long-vowel mark
    // in a word stays (half-width, as everything in these boxes).
    void numberBoxesWriteHyphens_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("code, long vowel") << u"Edit_Zip"_qs << u"151ー0053"_qs << u"151-0053"_qs;
        QTest::newRow("code, full width") << u"Edit_Zip"_qs << u"１５１－００５３"_qs << u"151-0053"_qs;
        QTest::newRow("code, hyphen u+2010") << u"Edit_Zip"_qs << u"151‐0053"_qs << u"151-0053"_qs;
        QTest::newRow("code, mark and blank") << u"Edit_Zip"_qs << u"〒151　0053"_qs << u"〒151 0053"_qs;
        QTest::newRow("telephone, long vowels") << u"Edit_tel"_qs << u"090ー1234ー5678"_qs << u"090-1234-5678"_qs;
        QTest::newRow("telephone, full width, minus signs") << u"Edit_tel"_qs << u"０３−１２３４−５６７８"_qs
                                                            << u"03-1234-5678"_qs;
        QTest::newRow("telephone, en dash") << u"Edit_tel"_qs << u"03–1234"_qs << u"03-1234"_qs;
        QTest::newRow("word keeps its mark") << u"Edit_tel"_qs << u"ケータイ090"_qs << u"ｹｰﾀｲ090"_qs;
    }
    void numberBoxesWriteHyphens()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QLineEdit *edit = w().findChild<QLineEdit *>(box);
        QVERIFY(edit);
        edit->setFocus();
        commitText(edit, typed);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(edit->cursorPosition(), int(shown.size()));
    }

    void timeSlotsAreSingleChoice()
    {
        QTest::mouseClick(w().CheckBox_t1, Qt::LeftButton);
        QTest::mouseClick(w().CheckBox_t3, Qt::LeftButton);
        QList<bool> states;
        for (QCheckBox *box : w().timeSlots())
            states.append(box->isChecked());
        QCOMPARE(states, (QList<bool>{false, false, true, false, false, false}));
        QTest::mouseClick(w().CheckBox_t3, Qt::LeftButton);
        for (QCheckBox *box : w().timeSlots())
            QVERIFY(!box->isChecked());
    }

    void pasteBoxColour()
    {
        const QColor silver(192, 192, 192);
        QCOMPARE(w().Memo1->palette().color(QPalette::Base), silver);
        w().Memo1->setPlainText(u"x"_qs);
        QVERIFY(w().Memo1->palette().color(QPalette::Base) != silver);
        w().Memo1->setPlainText(u"\n"_qs);
        QVERIFY(w().Memo1->palette().color(QPalette::Base) != silver); // a line break is content
        QTest::mouseClick(w().BitBtn_MemoCLS, Qt::LeftButton);
        QCOMPARE(w().Memo1->toPlainText(), QString());
        QCOMPARE(w().Memo1->palette().color(QPalette::Base), silver);
        QVERIFY(m_boxes->questions.isEmpty());
    }

    void links()
    {
        QTest::mouseClick(w().BitBtn_WebHelp, Qt::LeftButton);
        QTest::mouseClick(w().BitBtn_SendMail, Qt::LeftButton);
        QCOMPARE(m_shell->opened.size(), 2);
        QCOMPARE(m_shell->opened.at(0), QUrl(app::config::makerWebPage()));
        const QUrl mail = m_shell->opened.at(1);
        QCOMPARE(mail.scheme(), u"mailto"_qs);
        QCOMPARE(mail.path(), app::config::supportMailAddress());
        const QUrlQuery query(mail);
        QCOMPARE(query.queryItemValue(u"subject"_qs, QUrl::FullyDecoded), u"mekiraへの問い合わせ"_qs);
        QVERIFY(query.hasQueryItem(u"cc"_qs) && query.queryItemValue(u"cc"_qs).isEmpty());
        QVERIFY(query.hasQueryItem(u"bcc"_qs) && query.queryItemValue(u"bcc"_qs).isEmpty());
        QVERIFY(mail.toEncoded().endsWith("&cc=&bcc=&"));
    }

    void senderSwitchColours()
    {
        const QColor grey(128, 128, 128);
        QTest::mouseClick(w().CheckBox_My, Qt::LeftButton);
        QVERIFY(!w().CheckBox_My->isChecked());
        for (QLineEdit *e : w().senderEdits())
            QCOMPARE(e->palette().color(QPalette::Base), grey);
        QTest::mouseClick(w().CheckBox_Date_1, Qt::LeftButton);
        for (QLineEdit *e : w().senderEdits())
            QCOMPARE(e->palette().color(QPalette::Base), grey);
        QTest::mouseClick(w().CheckBox_My, Qt::LeftButton);
        for (QLineEdit *e : w().senderEdits())
            QVERIFY(e->palette().color(QPalette::Base) != grey);
    }

    void characterLimitsHoldForTypingOnly()
    {
        w().Edit_Zip->setFocus();
        QTest::keyClicks(w().Edit_Zip, u"12345678901234567890"_qs);
        QCOMPARE(w().Edit_Zip->text(), u"1234567890123456"_qs);
        w().Edit_de_date1->setFocus();
        QTest::keyClicks(w().Edit_de_date1, u"123"_qs);
        QCOMPARE(w().Edit_de_date1->text(), u"12"_qs);
        w().Edit_Custo1->setFocus();
        commitText(w().Edit_Custo1, QString(85, QChar(u'名')));
        QCOMPARE(w().Edit_Custo1->text(), QString(80, QChar(u'名'))); // cut at the limit

        // What the program writes is kept whole, and can still be shortened by hand.
        const QString longName = QString(90, QChar(u'名'));
        w().Edit_Custo1->setText(longName);
        QCOMPARE(w().Edit_Custo1->text(), longName);
        w().Edit_Custo1->end(false);
        QTest::keyClick(w().Edit_Custo1, Qt::Key_Backspace);
        QCOMPARE(w().Edit_Custo1->text().size(), 89);
        QTest::keyClick(w().Edit_Custo1, Qt::Key_A);
        QCOMPARE(w().Edit_Custo1->text().size(), 89);
    }

    // A paste keeps its first line and is cut at the box's limit.
    void pastesKeepOneLineWithinTheLimit_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        QTest::newRow("copied line end") << u"Edit_Add1"_qs << QString() << 0 << u"東京都見本町\r\n"_qs << u"東京都見本町"_qs;
        QTest::newRow("block keeps its first line") << u"Edit_G1"_qs << u"[]"_qs << 1 << u"\n一行目\n二行目"_qs << u"[一行目]"_qs;
        QTest::newRow("only a line end") << u"Edit_My"_qs << u"見本"_qs << 2 << u"\r\n"_qs << u"見本"_qs;
        QTest::newRow("cut at the limit") << u"Edit_Zip"_qs << QString() << 0 << u"12345678901234567890"_qs << u"1234567890123456"_qs;
        QTest::newRow("cut to the room left") << u"Edit_MyZip"_qs << u"100-"_qs << 4 << u"00012345"_qs << u"100-0001"_qs;
        QTest::newRow("program text over the limit") << u"Edit_de_date1"_qs << u"123"_qs << 3 << u"4"_qs << u"123"_qs;
    }
    void pastesKeepOneLineWithinTheLimit()
    {
        QFETCH(QString, box);
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(QString, clipboard);
        QFETCH(QString, after);
        auto *edit = w().findChild<QLineEdit *>(box);
        edit->setText(before);
        edit->setCursorPosition(caret);
        QGuiApplication::clipboard()->setText(clipboard);
        edit->paste();
        QCOMPARE(edit->text(), after);
        edit->setText(u"a\nb"_qs); // what the program sets loses its line breaks too
        QVERIFY(!edit->text().contains(u'\n'));
    }

    void inputMethodStates()
    {
        for (QLineEdit *off : {w().Edit_Zip, w().Edit_tel, w().Edit_MyZip, w().Edit_MyTEL})
            QVERIFY2(!off->testAttribute(Qt::WA_InputMethodEnabled), qPrintable(off->objectName()));
        for (QLineEdit *on : {w().Edit_Add1, w().Edit_Custo1, w().Edit_My, w().Edit_G1})
            QVERIFY2(on->testAttribute(Qt::WA_InputMethodEnabled), qPrintable(on->objectName()));
    }
};

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
