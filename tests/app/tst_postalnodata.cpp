#include "appfixture.h"

#include "app/postalfields.h"

#include <QLabel>

// Without postal data (the file is damaged) the window works and says so once.
class PostalNoDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Before the directory's first use: the program's data file is this damaged one.
        m_data = std::make_unique<QTemporaryDir>();
        const QString path = m_data->filePath(QStringLiteral("postal.bin"));
        writeFileBytes(path, QByteArray(100, '\x07'));
        qputenv("MEKIRA_POSTAL_DATA", path.toLocal8Bit());
    }

    void saysOnceAndGoesOn()
    {
        QTemporaryDir dir;
        writeFileBytes(dir.filePath(QStringLiteral("my0.txt")), "\r\n\r\n\r\n\r\n\r\n");
        ScriptedBoxes boxes;
        WindowFixture fixture(dir.path());
        fixture.start();
        TForm_Main &w = fixture.w();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        w.Edit_Zip->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(w.Edit_Zip, QStringLiteral("1510053"));
        QTest::keyClick(w.Edit_Zip, Qt::Key_Return);
        QTRY_COMPARE(w.Panel_HelpMess->text(), PostalFields::kUnavailableMessage);
        QCOMPARE(w.Edit_Zip->text(), QStringLiteral("151-0053")); // the form needs no data
        QVERIFY(w.Edit_Add1->text().isEmpty());

        w.Edit_Add1->setText(QStringLiteral("大阪府大阪市北区梅田1"));
        w.Edit_Zip->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.Edit_Zip, Qt::Key_Return);
        QApplication::processEvents();
        QVERIFY(w.Panel_HelpMess->text() != PostalFields::kUnavailableMessage);

        boxes.answers.enqueue(false);
        w.SpeedButton_F11Click();
        // The pre-print check's lines come first; the question is the last line.
        QCOMPARE(boxes.questions.size(), 1);
        QVERIFY(boxes.questions.first().endsWith(QStringLiteral("印刷しますか?")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_data;
};

QTEST_MAIN(PostalNoDataTest)
#include "tst_postalnodata.moc"
