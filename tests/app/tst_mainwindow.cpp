#include "appfixture.h"

#include "app/appconfig.h"
#include "app/application.h"
#include "app/settingsfile.h"
#include "database/connection.h"
#include "database/database.h"
#include "history/unrecordedjournal.h"
#include "numedit/lunumedit.h"
#include "platform/codepage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QToolButton>

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;

    QString file(const QString &name) const { return m_dir->filePath(name); }
    QString settingsPath() const { return file(app::SettingsFile::fileName()); }
    void saveProfile0() { writeFileBytes(file(u"my0.txt"_qs), "\r\n\r\n\r\n\r\n\r\n"); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_boxes = std::make_unique<ScriptedBoxes>();
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
    }
    void cleanup()
    {
        m_fixture.reset();
        m_boxes.reset();
        m_dir.reset();
    }

    void firstStartInAnEmptyFolder()
    {
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        QCOMPARE(w.windowTitle(), u"mekira　送り状印刷　< VOzevozov　> ver"_qs + QStringLiteral(MEKIRA_VERSION));
        QCOMPARE(w.size(), QSize(682, 663));
        // The only box: the missing profile of the first tab.
        QCOMPARE(m_boxes->errors.size(), 1);
        QVERIFY(m_boxes->errors.first().contains(u"my0.txt"_qs));
        for (QLineEdit *e : {w.Edit_Zip, w.Edit_Add1, w.Edit_Add2, w.Edit_Custo1, w.Edit_tel, w.Edit_G1,
                             w.Edit_G2, w.Edit_G3, w.Edit_MyZip, w.Edit_MyADD1, w.Edit_MyADD2, w.Edit_My,
                             w.Edit_MyTEL})
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
        QCOMPARE(w.LuNumEdit_KOSUU->text(), u"1"_qs);
        QCOMPARE(w.PageControl_My->currentIndex(), 0);
        QCOMPARE(w.ComboBox_SEL->currentText(), u"手差し"_qs);
        QCOMPARE(w.DateTimePicker_1->date(), QDate::currentDate());
        QVERIFY(w.CheckBox_My->isChecked());
        QVERIFY(w.CheckBox_Date_1->isChecked());
        for (QCheckBox *slot : w.timeSlots())
            QVERIFY(!slot->isChecked());
        QCOMPARE(w.StatusBar1->currentMessage(), u"  "_qs);
        QCOMPARE(QApplication::focusWidget(), w.Edit_Zip);
        QVERIFY(!QFile::exists(settingsPath()));

        m_fixture->close();
        const QByteArray bytes = fileBytes(settingsPath());
        QCOMPARE(bytes, QByteArray("[mekira_RErorezevPrn]\r\nAddr_Font=1\r\nE_ZIP=\r\nE_AD1=\r\nE_AD2=\r\n"
                                   "E_CUS=\r\nE_TEL=\r\nE_G1=\r\nE_G2=\r\nE_G3=\r\nKOSUU=1\r\nde_date1=\r\n"
                                   "de_date2=\r\nOP023My=\r\nOP023MyZip=\r\nOP023MyADD1=\r\nOP023MyADD2=\r\n"
                                   "OP023MyTEL=\r\nComboBox_SEL=0\r\nTab_My=0\r\nTransferMode=smart\r\nE_AD3=\r\n"));
    }

    // Titles as given, the mail button's tooltip, the time slots clear of their frame's title.
    void captionsAndTooltips()
    {
        app::setUpApplication(*qApp);
        // The desktop appends a non-empty display name to every window title.
        QVERIFY(QGuiApplication::applicationDisplayName().isEmpty());
        QCOMPARE(QGuiApplication::desktopFileName(), u"mekira"_qs);
        // The window icon is read from the resources (as PNG, without format detection).
        QCOMPARE(QGuiApplication::windowIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        QCOMPARE(w.BitBtn_SendMail->toolTip(), app::config::supportMailAddress());

        QStyleOptionGroupBox frame;
        frame.initFrom(w.GroupBox_Time);
        frame.text = w.GroupBox_Time->title();
        frame.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect title = w.GroupBox_Time->style()->subControlRect(QStyle::CC_GroupBox, &frame,
                                                                     QStyle::SC_GroupBoxLabel, w.GroupBox_Time);
        QRect previous = title;
        for (QCheckBox *slot : w.timeSlots()) {
            // Where the box draws its caption's letters.
            const int textHeight = slot->fontMetrics().tightBoundingRect(slot->text()).height();
            const QRect text(slot->x(), slot->y() + (slot->height() - textHeight) / 2, slot->width(), textHeight);
            QVERIFY2(!text.intersects(previous), qPrintable(slot->objectName() + QDebug::toString(text) + QDebug::toString(previous)));
            QVERIFY(w.GroupBox_Time->rect().contains(slot->geometry()));
            previous = text;
        }
    }

    void functionKeysAfterStart()
    {
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        for (int i = 0; i < 12; ++i) {
            QToolButton *b = w.SpeedButton_F[i];
            if (i == 1) {
                QCOMPARE(b->text(), u"中止"_qs);
                QVERIFY(b->isEnabled());
            } else if (i == 4) {
                QCOMPARE(b->text(), u"プレビュー"_qs);
                QVERIFY(b->isEnabled());
            } else if (i == 10) {
                QCOMPARE(b->text(), u"印刷"_qs);
                QVERIFY(b->isEnabled());
            } else if (i == 7) {
                QCOMPARE(b->text(), u"注文一覧"_qs);
                QVERIFY(b->isEnabled());
            } else if (i == 8) {
                QCOMPARE(b->text(), u"発送履歴"_qs);
                QVERIFY(b->isEnabled());
            } else {
                QCOMPARE(b->text(), QStringLiteral("F%1").arg(i + 1));
                QVERIFY(!b->isEnabled());
            }
            // Every label fits its key, with the frame's room on both sides, and the keys
            // stay apart.
            QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 6 <= b->width(),
                     qPrintable(QStringLiteral("%1: %2 in %3").arg(b->text())
                                    .arg(b->fontMetrics().horizontalAdvance(b->text())).arg(b->width())));
            if (i > 0)
                QVERIFY(w.SpeedButton_F[i - 1]->geometry().right() < b->geometry().left());
        }
        QVERIFY(m_boxes->errors.isEmpty());
    }

    void storedValuesComeBack()
    {
        saveProfile0();
        writeFileBytes(settingsPath(),
                       platform::encodeCp932(u"[mekira_RErorezevPrn]\r\nE_ZIP=１２３－４５６７\r\nE_AD1=東京都\r\n"
                                             "E_TEL=０３－１２３４\r\nE_G1=本\r\nKOSUU=2\r\nComboBox_SEL=7\r\n"
                                             "op023myzip=999\r\nTab_My=0\r\nde_date1=12\r\n"_qs));
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        QCOMPARE(w.Edit_Zip->text(), u"123-4567"_qs);
        QCOMPARE(w.Edit_tel->text(), u"03-1234"_qs);
        QCOMPARE(w.Edit_Add1->text(), u"東京都"_qs);
        QCOMPARE(w.Edit_G1->text(), u"本"_qs);
        QCOMPARE(w.LuNumEdit_KOSUU->text(), u"2"_qs);
        QCOMPARE(w.Edit_de_date1->text(), u"12"_qs);
        QCOMPARE(w.ComboBox_SEL->currentIndex(), 0); // a stored feed of 7 starts with 手差し
        // The profile file wins over the stored sender fields.
        QCOMPARE(w.Edit_MyZip->text(), QString());
    }

    // Values the window cannot show as stored go back as stored when left alone; full-width
    // spaces and rare kanji come back whole and are written back the same.
    void untouchedValuesAreWrittenBackAsStored_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("font index outside the list") << u"Addr_Font"_qs << u"7"_qs << QString();
        QTest::newRow("quantity with leading zeros") << u"KOSUU"_qs << u"0012"_qs << u"12"_qs;
        QTest::newRow("full-width spaces") << u"E_CUS"_qs << u"　見本　"_qs << u"　見本　"_qs;
        QTest::newRow("kanji beyond CP932") << u"E_AD1"_qs << u"&#x20BB7;田町"_qs << u"𠮷田町"_qs;
    }
    void untouchedValuesAreWrittenBackAsStored()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        saveProfile0();
        const QByteArray line = platform::encodeCp932(key + u'=' + stored) + "\r\n";
        writeFileBytes(settingsPath(), "[mekira_RErorezevPrn]\r\n" + line);
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        if (key == u"KOSUU"_qs)
            QCOMPARE(w.LuNumEdit_KOSUU->text(), shown);
        else if (!shown.isEmpty())
            QCOMPARE(w.findChild<QLineEdit *>(key == u"E_CUS"_qs ? u"Edit_Custo1"_qs : u"Edit_Add1"_qs)->text(), shown);
        m_fixture->close();
        QVERIFY2(fileBytes(settingsPath()).contains("\r\n" + line), fileBytes(settingsPath()).constData());
    }

    void senderFieldsFromSettingsStayWhenTheProfileIsMissing()
    {
        writeFileBytes(settingsPath(), "[mekira_RErorezevPrn]\r\nOP023MyZip=100-0001\r\nTab_My=4\r\n");
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        QCOMPARE(w.PageControl_My->currentIndex(), 4);
        QCOMPARE(w.Edit_MyZip->text(), u"100-0001"_qs);
        QCOMPARE(m_boxes->errors.size(), 1);
        QVERIFY(m_boxes->errors.first().contains(u"my4.txt"_qs));
    }

    // おところ③ is kept like the other address lines, under its own key after the others.
    void add3IsKept()
    {
        saveProfile0();
        m_fixture->start();
        commitText(m_fixture->w().Edit_Add3, u"三行目"_qs);
        commitText(m_fixture->w().Edit_Add1, u"一行目"_qs);
        m_fixture->close();
        const QString text = platform::decodeCp932(fileBytes(settingsPath()));
        QVERIFY(text.contains(u"E_AD1=一行目\r\n"_qs));
        QVERIFY(text.contains(u"TransferMode=smart\r\nE_AD3=三行目\r\n"_qs));
        m_fixture->start();
        QCOMPARE(m_fixture->w().Edit_Add3->text(), u"三行目"_qs);
        QCOMPARE(m_fixture->w().Edit_Add1->text(), u"一行目"_qs);
    }

    void closingBeforeTheFieldsAreLoadedKeepsTheStoredEntries()
    {
        writeFileBytes(settingsPath(), "[mekira_RErorezevPrn]\r\nE_ZIP=100-0001\r\n");
        m_fixture->window = std::make_unique<TForm_Main>();
        m_fixture->window->close(); // never shown: the start sequence has not run
        m_fixture->window.reset();
        QCOMPARE(fileBytes(settingsPath()), QByteArray("[mekira_RErorezevPrn]\r\nE_ZIP=100-0001\r\n"));
    }

    void closeBoxSavesWithoutAQuestion()
    {
        saveProfile0();
        m_fixture->start();
        m_fixture->w().Edit_G2->setText(u"みかん"_qs);
        m_fixture->close();
        QVERIFY(m_boxes->questions.isEmpty());
        QVERIFY(platform::decodeCp932(fileBytes(settingsPath())).contains(u"E_G2=みかん\r\n"_qs));
    }

    void quitQuestion()
    {
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        w.Edit_G1->setFocus();
        m_boxes->answers.enqueue(false);
        QTest::keyClick(w.Edit_G1, Qt::Key_F2);
        QCOMPARE(m_boxes->questions, QStringList{u"終了しますか?"_qs});
        QVERIFY(w.isVisible());
        QCOMPARE(QApplication::focusWidget(), w.Edit_Zip);
        QVERIFY(!QFile::exists(settingsPath()));

        m_boxes->answers.enqueue(true);
        QTest::mouseClick(w.SpeedButton_F[1], Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(QFile::exists(settingsPath()));
    }

    void sharedKeyMap()
    {
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        w.Edit_Add1->setFocus();
        QTest::keyClick(w.Edit_Add1, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), w.Edit_Add2);
        QTest::keyClick(w.Edit_Add2, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.Edit_Add3);
        QTest::keyClick(w.Edit_Add3, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(QApplication::focusWidget(), w.Edit_Custo1);
        QTest::keyClick(w.Edit_Custo1, Qt::Key_A);
        QCOMPARE(w.Edit_Custo1->text(), u"a"_qs);
        QCOMPARE(QApplication::focusWidget(), w.Edit_Custo1);
        QTest::keyClick(w.Edit_MyTEL, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), w.Edit_Custo1);
    }

    void keysOnOtherControlsReachNoHandler()
    {
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        for (QWidget *control : QList<QWidget *>{w.CheckBox_t1, w.ComboBox_SEL, w.PageControl_My, w.Memo1}) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_F2);
        }
        QVERIFY(m_boxes->questions.isEmpty());
        QVERIFY(w.isVisible());
    }

    // F11 asks once and prints from whatever control has the focus.
    void f11FromEveryKindOfControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("paste box") << u"Memo1"_qs;
        QTest::newRow("check box") << u"CheckBox_t1"_qs;
        QTest::newRow("tab strip") << u"PageControl_My"_qs;
        QTest::newRow("drop-down") << u"ComboBox_SEL"_qs;
        QTest::newRow("button") << u"BitBtn_My"_qs;
        QTest::newRow("date box") << u"DateTimePicker_1"_qs;
        QTest::newRow("line edit") << u"Edit_Add1"_qs;
    }
    void f11FromEveryKindOfControl()
    {
        QFETCH(QString, control);
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        auto *widget = w.findChild<QWidget *>(control);
        QVERIFY(widget);
        widget->setFocus();
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        m_boxes->answers.enqueue(false); // "No": nothing printed, the focus goes to Edit_G1
        QTest::keyClick(focus, Qt::Key_F11);
        // An empty slip: the pre-print check names what is missing before the question.
        QCOMPARE(m_boxes->questions,
                 QStringList{u"おなまえがありません\nおところがありません\n郵便番号がありません\n印刷しますか?"_qs});
        QCOMPARE(QApplication::focusWidget(), w.Edit_G1);
    }

    // Every slip sent goes into the history; so do the slips an earlier run sent but
    // could not record, at the next start.
    void printedSlipsReachTheHistory()
    {
        saveProfile0();
        history::PrintedSlip earlier;
        earlier.slip.destination.name = u"前回 印刷"_qs;
        earlier.printer = u"Printer A"_qs;
        const history::UnrecordedJournal journal(history::UnrecordedJournal::defaultPath(m_dir->path()));
        QVERIFY(journal.save({{u"earlier-job"_qs, {earlier}, QDateTime::currentDateTime(), u"A"_qs}}));
        m_fixture->start();
        // Read through the program's own connection: a second one opened while the
        // program creates the book would wait for that under a loaded machine.
        const auto names = [&] {
            return m_fixture->w().orderBook().call<QStringList>([](database::Connection &c) {
                QStringList found;
                if (!c.database().tables().contains(u"history"_qs))
                    return found;
                QSqlQuery q = c.exec(u"SELECT custo1 FROM history ORDER BY custo1"_qs);
                while (q.next())
                    found << q.value(0).toString();
                return found;
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList{u"前回 印刷"_qs}, 10000);
        QTRY_VERIFY(!journal.exists());
        TForm_Main &w = m_fixture->w();
        w.Edit_Custo1->setText(u"今回 印刷"_qs);
        QTest::keyClick(w.Edit_Custo1, Qt::Key_F11);
        QCOMPARE(m_fixture->printers->printedPages().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(names(), (QStringList{u"今回 印刷"_qs, u"前回 印刷"_qs}), 10000);
    }

    void tabOrderFollowsTheForm()
    {
        saveProfile0();
        m_fixture->start();
        TForm_Main &w = m_fixture->w();
        const QList<QWidget *> order = QList<QWidget *>{
            w.Edit_Zip, w.Edit_Add1, w.Edit_Add2, w.Edit_Add3, w.Edit_Custo1, w.Edit_tel, w.CheckBox_Date_1,
            w.Edit_de_date1, w.Edit_de_date2, w.DateTimePicker_1, w.Edit_G1, w.Edit_G2, w.Edit_G3,
            w.ComboBox_SEL, w.CheckBox_t1, w.CheckBox_t2, w.CheckBox_t3, w.CheckBox_t4, w.CheckBox_t5,
            w.CheckBox_t6, w.PageControl_My, w.CheckBox_My, w.Edit_MyZip, w.Edit_MyADD1, w.Edit_MyADD2,
            w.Edit_My, w.Edit_MyTEL, w.BitBtn_My, w.BitBtn_SendMail, w.Edit_Zip};
        w.Edit_Zip->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            // A date box passes the focus to its inner line edit.
            while (focus && focus->parentWidget() && !order.contains(focus))
                focus = focus->parentWidget();
            QVERIFY2(focus == order.at(i),
                     qPrintable(order.at(i)->objectName() + u" expected, got "_qs
                                + (focus ? focus->objectName() + u" "_qs + QString::fromLatin1(focus->metaObject()->className()) : u"none"_qs)));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
