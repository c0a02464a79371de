#include "appfixture.h"

#include "app/senderprofile.h"
#include "platform/codepage.h"
#include "platform/error.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>

#include "filesizelimit.h"

class ProfilesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;

    TForm_Main &w() { return m_fixture->w(); }
    QString file(const QString &name) const { return m_dir->filePath(name); }
    void saveFirstProfile() { writeFileBytes(file(u"my0.txt"_qs), "\r\n\r\n\r\n\r\n\r\n"); }
    QStringList senderTexts()
    {
        QStringList texts;
        for (QLineEdit *e : w().senderEdits())
            texts.append(e->text());
        return texts;
    }
    void fillSender(const QStringList &texts)
    {
        for (int i = 0; i < 5; ++i)
            w().senderEdits().at(i)->setText(texts.at(i));
    }

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

    void firstStartThenSaveThenRestart()
    {
        m_fixture->start();
        QCOMPARE(m_boxes->errors.size(), 1);
        QVERIFY(m_boxes->errors.first().contains(u"my0.txt"_qs));
        fillSender({u"100-0001"_qs, u"東京都架空区見本１－１"_qs, u"見本ビル２階"_qs, u"見本商店"_qs, u"03-0000-0000"_qs});

        QTest::mouseClick(w().BitBtn_My, Qt::LeftButton);
        QCOMPARE(m_boxes->questions, QStringList{u"ご依頼主を登録しますか?"_qs});
        QCOMPARE(m_boxes->notices, QStringList{u"ご依頼主を登録しました"_qs});
        // The blank help line is replaced at once by that of the field the focus returns to.
        QCOMPARE(w().Panel_HelpMess->text(), u"ご依頼主の郵便番号を入力して下さい"_qs);
        QCOMPARE(QApplication::focusWidget(), w().Edit_MyZip);
        QCOMPARE(fileBytes(file(u"my0.txt"_qs)),
                 platform::encodeCp932(u"100-0001\r\n東京都架空区見本１－１\r\n見本ビル２階\r\n見本商店\r\n03-0000-0000\r\n"_qs));

        m_fixture->close();
        m_boxes->clear();
        m_fixture->start();
        QVERIFY(m_boxes->errors.isEmpty());
        QCOMPARE(senderTexts().at(3), u"見本商店"_qs);
    }

    void answeringNoWritesNothing()
    {
        m_fixture->start();
        m_boxes->answers.enqueue(false);
        QTest::mouseClick(w().BitBtn_My, Qt::LeftButton);
        QVERIFY(!QFile::exists(file(u"my0.txt"_qs)));
        QVERIFY(m_boxes->notices.isEmpty());
        QCOMPARE(QApplication::focusWidget(), w().Edit_MyZip);
    }

    void tabChangeLoadsAndDiscardsEdits()
    {
        writeFileBytes(file(u"my0.txt"_qs), "1\r\na\r\nb\r\nc\r\nd\r\n");
        writeFileBytes(file(u"my1.txt"_qs), "2\r\ne\r\nf\r\n"); // three lines
        m_fixture->start();
        w().Edit_My->setText(u"edited"_qs);
        w().PageControl_My->setCurrentIndex(1);
        QCOMPARE(senderTexts(), (QStringList{u"2"_qs, u"e"_qs, u"f"_qs, QString(), QString()}));
        w().PageControl_My->setCurrentIndex(0);
        QCOMPARE(senderTexts(), (QStringList{u"1"_qs, u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}));
        QVERIFY(m_boxes->errors.isEmpty());
    }

    void missingProfileKeepsFieldsAndSavesUnderTheNewTab()
    {
        writeFileBytes(file(u"my0.txt"_qs), "1\r\na\r\nb\r\nc\r\nd\r\n");
        m_fixture->start();
        w().PageControl_My->setCurrentIndex(2);
        QCOMPARE(m_boxes->errors.size(), 1);
        QVERIFY(m_boxes->errors.first().contains(u"my2.txt"_qs));
        QCOMPARE(senderTexts(), (QStringList{u"1"_qs, u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}));
        QTest::mouseClick(w().BitBtn_My, Qt::LeftButton);
        QCOMPARE(fileBytes(file(u"my2.txt"_qs)), QByteArray("1\r\na\r\nb\r\nc\r\nd\r\n"));
        m_fixture->close();
        QVERIFY(fileBytes(file(u"mekira_RErorezev.ini"_qs)).contains("Tab_My=2\r\n"));
    }

    void emptyProfileAndExtraLines()
    {
        writeFileBytes(file(u"my0.txt"_qs), "\r\n\r\n\r\n\r\n\r\n");
        writeFileBytes(file(u"my1.txt"_qs), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
        m_fixture->start();
        QCOMPARE(senderTexts(), QStringList(5, QString()));
        w().PageControl_My->setCurrentIndex(1);
        QCOMPARE(senderTexts(), (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs}));
    }

    void storedTabOutsideTheTenGivesTabErr()
    {
        writeFileBytes(file(u"mekira_RErorezev.ini"_qs), "[mekira_RErorezevPrn]\r\nTab_My=12\r\nOP023My=kept\r\n");
        m_fixture->start();
        QCOMPARE(m_boxes->notices, QStringList{u"TabErr"_qs});
        QVERIFY(m_boxes->errors.isEmpty());
        QCOMPARE(w().Edit_My->text(), u"kept"_qs);
        // Saving without a selected profile writes nothing and says so.
        QTest::mouseClick(w().BitBtn_My, Qt::LeftButton);
        QCOMPARE(m_boxes->errors, QStringList{u"TabErr."_qs});
        QVERIFY(QDir(m_dir->path()).entryList({u"my*.txt"_qs}).isEmpty());
        // Clicking the tab shown as current loads its profile.
        writeFileBytes(file(u"my0.txt"_qs), "0\r\n\r\n\r\n\r\n\r\n");
        QTest::mouseClick(w().PageControl_My, Qt::LeftButton, {}, w().PageControl_My->tabRect(0).center());
        QCOMPARE(w().selectedProfile(), 0);
        QCOMPARE(w().Edit_MyZip->text(), u"0"_qs);
        // Picking a tab selects a profile again.
        w().PageControl_My->setCurrentIndex(3);
        QCOMPARE(w().selectedProfile(), 3);
    }

    // With no profile selected at exit the next start opens the first one without TabErr.
    void storedTabOutsideTheTenIsNotWrittenBack()
    {
        saveFirstProfile();
        writeFileBytes(file(u"mekira_RErorezev.ini"_qs), "[mekira_RErorezevPrn]\r\nTab_My=12\r\n");
        m_fixture->start();
        m_fixture->close();
        QVERIFY(fileBytes(file(u"mekira_RErorezev.ini"_qs)).contains("Tab_My=0\r\n"));
        m_boxes->clear();
        m_fixture->start();
        QVERIFY(m_boxes->notices.isEmpty());
        QCOMPARE(w().selectedProfile(), 0);
    }

    // A sender with a kanji CP932 lacks and a pasted line end is saved as one line per
    // field and comes back as typed.
    void rareKanjiAndPastedLineEndsSurviveSaving()
    {
        saveFirstProfile();
        m_fixture->start();
        QGuiApplication::clipboard()->setText(u"𠮷田商店\r\n"_qs);
        w().Edit_My->clear();
        w().Edit_My->paste();
        w().Edit_MyADD1->setText(u"&#x20BB7;は文字参照"_qs);
        QTest::mouseClick(w().BitBtn_My, Qt::LeftButton);
        const QByteArray bytes = fileBytes(file(u"my0.txt"_qs));
        QCOMPARE(bytes.count("\r\n"), 5);
        QVERIFY(bytes.contains("\r\n&#x20BB7;" + platform::encodeCp932(u"田商店"_qs) + "\r\n"));
        m_fixture->close();
        QVERIFY(fileBytes(file(u"mekira_RErorezev.ini"_qs)).contains("OP023My=&#x20BB7;"));
        m_fixture->start();
        QCOMPARE(w().Edit_My->text(), u"𠮷田商店"_qs);
        QCOMPARE(w().Edit_MyADD1->text(), u"&#x20BB7;は文字参照"_qs);
    }

    void bytesOutsideCp932AndLongLines()
    {
        QByteArray longLine(100000, 'a');
        writeFileBytes(file(u"my0.txt"_qs), QByteArray::fromHex("41ff42") + "\r\n" + longLine + "\r\n");
        const app::SenderProfile p = app::SenderProfileStore(m_dir->path()).load(0);
        QCOMPARE(p.zip, u"A\uFFFDB"_qs);
        QCOMPARE(p.address1.size(), 100000);
        m_fixture->start();
        QVERIFY(m_boxes->errors.isEmpty());
        QCOMPARE(w().Edit_MyZip->text(), u"A\uFFFDB"_qs.left(8));
    }

    void failedSaveKeepsTheOldProfile()
    {
        writeFileBytes(file(u"my0.txt"_qs), "old\r\n\r\n\r\n\r\n\r\n");
        m_fixture->start();
        fillSender({u"new"_qs, QString(300, QChar(u'x')), QString(), QString(), QString()});
        {
            const FileSizeLimit diskFillsUp(64);
            QTest::mouseClick(w().BitBtn_My, Qt::LeftButton);
        }
        QCOMPARE(m_boxes->errors.size(), 1);
        QVERIFY(m_boxes->errors.first().contains(file(u"my0.txt"_qs)));
        QVERIFY(m_boxes->notices.isEmpty());
        QCOMPARE(fileBytes(file(u"my0.txt"_qs)), QByteArray("old\r\n\r\n\r\n\r\n\r\n"));
    }
};

QTEST_MAIN(ProfilesTest)
#include "tst_profiles.moc"
