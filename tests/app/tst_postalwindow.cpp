#include "appfixture.h"

#include "app/postalfields.h"
#include "printer/ovprinters.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>

// The postal-code help in the main window: fills, lists, the check and the print question.
class PostalWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;

    TForm_Main &w() { return m_fixture->w(); }
    QLineEdit *box(const QString &name) { return w().findChild<QLineEdit *>(name); }

    // Types into a box and leaves it with Tab, as a user does.
    void typeAndLeave(QLineEdit *edit, const QString &text)
    {
        edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        commitText(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
        QApplication::processEvents();
        QApplication::processEvents();
    }
    QMenu *openList()
    {
        QMenu *menu = nullptr;
        [&] { QTRY_VERIFY((menu = w().findChild<QMenu *>(PostalFields::kChoicesName)) && menu->isVisible()); }();
        return menu;
    }
    bool coloured(QLineEdit *edit) { return edit->palette().color(QPalette::Base) != QPalette().color(QPalette::Base); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeFileBytes(m_dir->filePath(QStringLiteral("my0.txt")), "\r\n\r\n\r\n\r\n\r\n");
        m_boxes = std::make_unique<ScriptedBoxes>();
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
        m_fixture->start();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        m_boxes->clear();
    }
    void cleanup()
    {
        m_fixture.reset();
        m_boxes.reset();
        m_dir.reset();
    }

    void fillFromCode_data()
    {
        QTest::addColumn<QString>("zipBox");
        QTest::addColumn<QString>("addressBox");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shownCode");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::newRow("destination") << "Edit_Zip" << "Edit_Add1" << "1510053" << "151-0053" << "東京都渋谷区代々木" << "";
        QTest::newRow("full width") << "Edit_Zip" << "Edit_Add1" << "１５１ー００５２" << "151-0052" << "東京都渋谷区代々木神園町" << "";
        QTest::newRow("long vowel") << "Edit_Zip" << "Edit_Add1" << "151ー0053" << "151-0053" << "東京都渋谷区代々木" << "";
        QTest::newRow("hyphen u+2010") << "Edit_Zip" << "Edit_Add1" << "151‐0053" << "151-0053" << "東京都渋谷区代々木" << "";
        QTest::newRow("mark and blank") << "Edit_Zip" << "Edit_Add1" << "〒151 0053" << "151-0053" << "東京都渋谷区代々木" << "";
        QTest::newRow("sender, box-drawing line") << "Edit_MyZip" << "Edit_MyADD1" << "060─0001" << "060-0001"
                                                  << "北海道札幌市中央区北一条西" << "";
        QTest::newRow("large office") << "Edit_Zip" << "Edit_Add1" << "100-8926" << "100-8926"
                                      << "東京都千代田区霞が関２丁目１－２" << "総務省";
        QTest::newRow("sender") << "Edit_MyZip" << "Edit_MyADD1" << "0600001" << "060-0001" << "北海道札幌市中央区北一条西" << "";
        QTest::newRow("unknown code") << "Edit_Zip" << "Edit_Add1" << "1519999" << "151-9999" << "" << "";
    }
    void fillFromCode()
    {
        QFETCH(QString, zipBox);
        QFETCH(QString, addressBox);
        QFETCH(QString, typed);
        QFETCH(QString, shownCode);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QLineEdit *address = box(addressBox);
        typeAndLeave(box(zipBox), typed);
        QTRY_COMPARE(address->text(), line1);
        QCOMPARE(box(zipBox)->text(), shownCode);
        QCOMPARE(box(addressBox == u"Edit_Add1" ? u"Edit_Add2"_qs : u"Edit_MyADD2"_qs)->text(), line2);
        if (!line1.isEmpty()) {
            QCOMPARE(QApplication::focusWidget(), address);
            QCOMPARE(address->cursorPosition(), int(line1.size()));
        }
    }

    void filledAddressIsKept()
    {
        w().Edit_Add1->setText(QStringLiteral("大阪府大阪市北区梅田1-1"));
        typeAndLeave(w().Edit_Zip, QStringLiteral("1510053"));
        QApplication::processEvents();
        QCOMPARE(w().Edit_Add1->text(), QStringLiteral("大阪府大阪市北区梅田1-1"));
        QVERIFY(coloured(w().Edit_Zip));
        QCOMPARE(w().Panel_HelpMess->text(), QStringLiteral("151-0053 は 東京都渋谷区代々木 です"));
    }

    void listOfTowns_data()
    {
        QTest::addColumn<int>("downs"); // -1: Escape
        QTest::addColumn<QString>("line1");
        QTest::newRow("first") << 0 << "愛知県弥富市";
        QTest::newRow("second") << 1 << "三重県桑名郡木曽岬町";
        QTest::newRow("escape") << -1 << "";
    }
    void listOfTowns()
    {
        QFETCH(int, downs);
        QFETCH(QString, line1);
        typeAndLeave(w().Edit_Zip, QStringLiteral("4980000"));
        QMenu *menu = openList();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 2);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, downs < 0 ? Qt::Key_Escape : Qt::Key_Return);
        QTRY_VERIFY(!w().findChild<QMenu *>(PostalFields::kChoicesName));
        QCOMPARE(w().Edit_Add1->text(), line1);
        if (!line1.isEmpty())
            QCOMPARE(w().Edit_Add1->cursorPosition(), int(line1.size()));
    }

    void fillFromAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("listed"); // empty: filled without a list
        QTest::addColumn<QString>("code");
        QTest::newRow("one town") << "北海道札幌市中央区北一条西" << QStringList{} << "060-0001";
        QTest::newRow("two cities") << "府中市宮西町1-1" << QStringList{} << "183-0022";
        QTest::newRow("office and town")
            << "東京都千代田区霞が関2-1-2 総務省" << QStringList{"100-8926", "100-0013"} << "100-8926";
        QTest::newRow("nothing known") << "どこか" << QStringList{} << "";
    }
    void fillFromAddress()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, listed);
        QFETCH(QString, code);
        typeAndLeave(w().Edit_Add1, address);
        if (!listed.isEmpty()) {
            QMenu *menu = openList();
            QVERIFY(menu);
            QCOMPARE(menu->actions().size(), listed.size());
            for (int i = 0; i < listed.size(); ++i)
                QVERIFY(menu->actions()[i]->text().startsWith(listed[i]));
            QTest::keyClick(menu, Qt::Key_Return);
        }
        QTRY_COMPARE(w().Edit_Zip->text(), code);
        QVERIFY(!coloured(w().Edit_Zip));
    }

    void checkColoursAndMends()
    {
        w().Edit_Zip->setText(QStringLiteral("151-0053"));
        w().Edit_Add1->setText(QStringLiteral("東京都渋谷区代々木神園町1"));
        QVERIFY(coloured(w().Edit_Zip));
        QCOMPARE(w().Panel_HelpMess->text(), QStringLiteral("151-0053 は 東京都渋谷区代々木 です"));
        w().Edit_Add1->setText(QStringLiteral("東京都渋谷区代々木1-1"));
        QVERIFY(!coloured(w().Edit_Zip));
        QVERIFY(w().Panel_HelpMess->text() != QStringLiteral("151-0053 は 東京都渋谷区代々木 です"));
    }

    void printQuestion_data()
    {
        QTest::addColumn<QString>("zip");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("question");
        QTest::newRow("consistent") << "151-0053" << "東京都渋谷区代々木1-1" << "印刷しますか?";
        QTest::newRow("no code") << "" << "東京都渋谷区代々木1-1" << "郵便番号がありません\n印刷しますか?";
        QTest::newRow("mismatch") << "151-0053" << "大阪府大阪市北区梅田1"
                                  << "お届け先の郵便番号と住所が合っていません（151-0053 は 東京都渋谷区代々木 です）\n印刷しますか?";
        QTest::newRow("unknown code") << "151-9999" << "東京都渋谷区代々木1-1"
                                      << "お届け先の郵便番号 151-9999 は郵便番号データにありません\n印刷しますか?";
    }
    void printQuestion()
    {
        QFETCH(QString, zip);
        QFETCH(QString, address);
        QFETCH(QString, question);
        w().Edit_Zip->setText(zip);
        w().Edit_Add1->setText(address);
        w().Edit_Custo1->setText(QStringLiteral("見本 太郎"));
        m_boxes->answers.enqueue(false);
        w().SpeedButton_F11Click();
        QCOMPARE(m_boxes->questions, QStringList{question});
    }
};

QTEST_MAIN(PostalWindowTest)
#include "tst_postalwindow.moc"
