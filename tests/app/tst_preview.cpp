// The preview window on the main window, and what the help line says after a print.

#include "appfixture.h"
#include "printer-cups/systemprinterbackend.h"

#include "printing/previewwindow.h"
#include "printing/slippreview.h"

#include "../printing/pdfwords.h"

#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class PreviewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_work = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { m_work.reset(); }

    void followsTheWindow()
    {
        ScriptedBoxes boxes;
        WindowFixture fixture(m_work->path());
        fixture.start();
        TForm_Main &w = fixture.w();
        QTest::mouseClick(w.SpeedButton_F[4], Qt::LeftButton);
        printing::SlipPreviewWindow *window = w.previewWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(!window->isModal());
        QCOMPARE(window->preview()->binding(), w.PrinterBinding());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        PaintCounter counter;
        window->preview()->installEventFilter(&counter);
        QApplication::processEvents();
        counter.paints = 0;

        // Three changes in one turn of the event loop: one repaint with all three.
        w.Edit_Custo1->setText(u"見本太郎"_s);
        w.CheckBox_My->setChecked(false);
        w.CheckBox_t3->setChecked(true);
        QTRY_COMPARE(counter.paints, 1);
        QApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        QCOMPARE(window->preview()->slip().destination.name, u"見本太郎"_s);
        QVERIFY(!window->preview()->slip().printSender);
        QCOMPARE(window->preview()->slip().timeSlot, slip::TimeSlot::Afternoon14To16);

        // A feed with other margins: the preview takes them.
        {
            QFile file(m_work->filePath(u"mekira_q610.ini"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[\x98\x41\x91\xb1(\x82\x53\x83\x43\x83\x93\x83\x60)]\r\nPrnNoIndex=1\r\nmekiraPrn_Top=30\r\nmekiraPrn_Left=-12\r\n");
        }
        w.ComboBox_SEL->setCurrentIndex(1);
        QTRY_COMPARE(window->preview()->binding().topMargin, u"30"_s);
        QCOMPARE(window->preview()->binding().leftMargin, u"-12"_s);
        QCOMPARE(w.ComboBox1->currentText(), u"Printer B"_s);
    }

    void overflowNamedOnTheHelpLine()
    {
        ScriptedBoxes boxes;
        WindowFixture fixture(m_work->path());
        fixture.start();
        TForm_Main &w = fixture.w();
        w.SpeedButton_F5Click();
        // Typing goes on in the main window: the focus comes back there first.
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::qWait(50);
        w.Edit_G2->setText(u"東"_s.repeated(30));
        QTRY_COMPARE(w.Panel_HelpMess->text(), u"枠に収まりません：品名2"_s);
        // Forty characters are drawn smaller and fit; fifty do not.
        w.Edit_Add1->setText(u"東"_s.repeated(50));
        QTRY_COMPARE(w.Panel_HelpMess->text(), u"枠に収まりません：お届け先住所1、品名2"_s);
        // A picture to look at: the two lines in red.
        const QString folder = qEnvironmentVariable("MEKIRA_TEST_OUTPUT", QDir::tempPath());
        QDir().mkpath(folder);
        w.previewWindow()->setZoom(printing::SlipPreview::Zoom::Actual);
        QVERIFY(w.previewWindow()->grab().save(folder + u"/preview-window.png"_s));
        w.Edit_G2->clear();
        w.Edit_Add1->clear();
        QTRY_VERIFY(!w.Panel_HelpMess->text().startsWith(u"枠に収まりません"_s));
    }

    void printedNamesPrinterAndFeed()
    {
        ScriptedBoxes boxes;
        RecordingShell shell;
        WindowFixture fixture(m_work->path());
        fixture.start();
        TForm_Main &w = fixture.w();
        w.CheckBox_t1->setFocus();
        QTest::keyClick(w.CheckBox_t1, Qt::Key_F11);
        // The pre-print check's lines come first; the question is the last line.
        QCOMPARE(boxes.questions.size(), 1);
        QVERIFY(boxes.questions.first().endsWith(u"印刷しますか?"_s));
        QCOMPARE(w.Panel_HelpMess->text(), u"印刷しました：Printer A（手差し）"_s);
        // No file to open for a real printer.
        QTest::mouseClick(w.Panel_HelpMess, Qt::LeftButton);
        QVERIFY(shell.opened.isEmpty());
    }

    // The built-in PDF printer: the help line names the file and opens it when
    // clicked; the preview's PDF button writes a file beside it.
    void pdfPrinterFileOpensFromTheHelpLine()
    {
        qputenv("CUPS_SERVER", "127.0.0.1:1"); // refused: the PDF printer is the only one
        const QString previous = QDir::currentPath();
        QDir::setCurrent(m_work->path());
        {
            OvPrinterScope printers(createSystemPrinterBackend());
            ScriptedBoxes boxes;
            RecordingShell shell;
            TForm_Main w;
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(w.workingDirectory() == QDir::currentPath(), 5000);
            QApplication::processEvents();
            QCOMPARE(w.ComboBox1->currentText(), u"PDF 出力"_s);
            boxes.clear(); // no sender saved yet: the start tells so

            QTest::mouseClick(w.SpeedButton_F[10], Qt::LeftButton);
            const QStringList files = QDir(m_work->filePath(u"pdf"_s)).entryList({u"*.pdf"_s});
            QCOMPARE(files.size(), 1);
            const QString file = m_work->filePath(u"pdf/"_s + files.first());
            QCOMPARE(w.Panel_HelpMess->text(),
                     u"印刷しました：PDF 出力（手差し）　%1（クリックで開きます）"_s.arg(QDir::toNativeSeparators(file)));
            QTest::mouseClick(w.Panel_HelpMess, Qt::LeftButton);
            QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(file)});

            w.SpeedButton_F5Click();
            QTest::mouseClick(w.previewWindow()->pdfButton, Qt::LeftButton);
            QTRY_COMPARE(QDir(m_work->filePath(u"pdf"_s)).entryList({u"*.pdf"_s}).size(), 2);
            QVERIFY(w.Panel_HelpMess->text().startsWith(u"PDF に出力しました："_s));
            QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        }
        QDir::setCurrent(previous);
        qunsetenv("CUPS_SERVER");
    }

    // On the built-in PDF printer: a postal code pasted and printed at once fills its
    // boxes with its digits, おところ③ follows おところ②, and an overflow is named first.
    void pastedCodeAndThirdLineOnPaper()
    {
        qputenv("CUPS_SERVER", "127.0.0.1:1");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(m_work->path());
        {
            OvPrinterScope printers(createSystemPrinterBackend());
            ScriptedBoxes boxes;
            TForm_Main w;
            w.show();
            QTRY_VERIFY_WITH_TIMEOUT(w.workingDirectory() == QDir::currentPath(), 5000);
            QApplication::processEvents();
            QDir(m_work->filePath(u"pdf"_s)).removeRecursively();
            boxes.clear();

            w.Edit_Zip->setText(u"〒151-0053"_s); // pasted; the box has not tidied it
            w.Edit_Add1->setText(u"東京都渋谷区代々木"_s + u"東"_s.repeated(41));
            w.Edit_Add2->setText(u"見本ハイツ"_s);
            w.Edit_Add3->setText(u"２０３号室"_s);
            w.Edit_Custo1->setText(u"見本 太郎"_s);
            w.SpeedButton_F11Click();
            QCOMPARE(boxes.questions.size(), 1);
            QVERIFY2(boxes.questions.first().startsWith(u"おところ① が枠に入りません（50 文字）\n"_s),
                     qPrintable(boxes.questions.first()));

            const QStringList files = QDir(m_work->filePath(u"pdf"_s)).entryList({u"*.pdf"_s});
            QCOMPARE(files.size(), 1);
            QFile pdf(m_work->filePath(u"pdf/"_s + files.first()));
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QString error;
            const QList<PdfPage> pages = readPdfWords(pdf.readAll(), &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(pages.size(), 1);
            QStringList digits;
            QString text;
            for (const PdfWord &word : pages.first().words) {
                text += word.text;
                if (word.text.size() == 1 && word.text.at(0).isDigit())
                    digits << word.text;
            }
            QCOMPARE(digits.mid(0, 7), (QStringList{u"1"_s, u"5"_s, u"1"_s, u"0"_s, u"0"_s, u"5"_s, u"3"_s}));
            QVERIFY2(text.contains(u"見本ハイツ"_s) && text.contains(u"２０３号室"_s), qPrintable(text));
        }
        QDir::setCurrent(previous);
        qunsetenv("CUPS_SERVER");
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<QTemporaryDir> m_work;
};

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
