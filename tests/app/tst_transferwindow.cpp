#include "appfixture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

class TransferWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;

    TForm_Main &w() { return m_fixture->w(); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeFileBytes(m_dir->filePath(u"my0.txt"_qs), "\r\n\r\n\r\n\r\n\r\n");
        // These cases are the classic transfer's.
        writeFileBytes(m_dir->filePath(u"mekira_RErorezev.ini"_qs), "[mekira_RErorezevPrn]\r\nTransferMode=classic\r\n");
        m_boxes = std::make_unique<ScriptedBoxes>();
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
        m_fixture->start();
        m_boxes->clear();
    }
    void cleanup()
    {
        m_fixture.reset();
        m_boxes.reset();
        m_dir.reset();
    }

    void pastedOrderFillsTheDestination()
    {
        w().Edit_Add3->setText(u"そのまま"_qs);
        w().Edit_Custo1->setText(u"前の人"_qs);
        w().Memo1->setPlainText(u"お届け先：見本　花子 様\n〒１２３－４５６７\n東京都\n"
                                "架空区見本町１－２－３　サンプルハイツ１０１号\nTEL：０９０－００００－１１１１\n"
                                "hanako@example.jp\n"_qs);
        w().Edit_G1->setFocus();
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);

        QCOMPARE(w().Edit_Zip->text(), u"123-4567"_qs);
        QCOMPARE(w().Edit_Add1->text(), u"東京都架空区見本町１－２－３　サンプルハイツ１０１号"_qs);
        QCOMPARE(w().Edit_Add2->text(), QString());
        QCOMPARE(w().Edit_Custo1->text(), u"見本　花子"_qs);
        QCOMPARE(w().Edit_tel->text(), u"090-0000-1111"_qs);
        QCOMPARE(w().Edit_Add3->text(), u"そのまま"_qs);
        QCOMPARE(w().Memo1->toPlainText(),
                 u"見本　花子\n123-4567\n東京都\n架空区見本町１－２－３　サンプルハイツ１０１号\n"
                 "０９０－００００－１１１１\n\n"_qs);
        QCOMPARE(QApplication::focusWidget(), w().Edit_Zip);
        QCOMPARE(w().Label_Warning->text(), QString());
        QVERIFY(m_boxes->notices.isEmpty());

        // Again on the box it left: the same fields.
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QCOMPARE(w().Edit_Add1->text(), u"東京都架空区見本町１－２－３　サンプルハイツ１０１号"_qs);
        QCOMPARE(w().Edit_tel->text(), u"090-0000-1111"_qs);
    }

    void longFirstAddressWarns()
    {
        w().Memo1->setPlainText(u"〒100-0001\n"_qs + QString(41, QChar(u'町')) + u"\n見本 太郎\n"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QCOMPARE(w().Edit_Add1->text().size(), 41);
        QCOMPARE(w().Label_Warning->text(),
                 u"警告:おところ①の文字数が多すぎます。　おところ②へ分割してください"_qs);
    }

    void emptyBoxGivesTheNotice()
    {
        w().Edit_Zip->setText(u"100-0001"_qs);
        w().Memo1->setPlainText(u"  \n\nbuyer@example.jp\n"_qs);
        QTest::mouseClick(w().BitBtn_1, Qt::LeftButton);
        QCOMPARE(m_boxes->notices, QStringList{u"転送テキストがありません"_qs});
        QCOMPARE(w().Edit_Zip->text(), u"100-0001"_qs);
        QCOMPARE(w().Memo1->toPlainText(), QString());
        QCOMPARE(w().Memo1->palette().color(QPalette::Base), QColor(192, 192, 192));
    }
};

QTEST_MAIN(TransferWindowTest)
#include "tst_transferwindow.moc"
