// Printing when CUPS lets the program down, on a private cupsd: the only printer is
// removed after the program has started, and cupsd stops while a slip is being printed.
// Each time the failure reaches an error box, the program goes on, nothing reports a
// print that did not happen, and the entries are still saved at exit.

#include "appfixture.h"

#include "app/settingsfile.h"

#include "privatecupsd.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Answers Yes and runs an action the moment the print question is asked, that is,
// between the user's F11 and the job.
class BoxesWithAction : public ScriptedBoxes
{
public:
    std::function<void()> onQuestion;
    bool question(const QString &text) override
    {
        if (onQuestion)
            onQuestion();
        return ScriptedBoxes::question(text);
    }
};

const QString kPrinter = u"OnlySlip"_s;

} // namespace

class PrintFaultsTest : public QObject
{
    Q_OBJECT

private:
    testsupport::PrivateCupsd m_cupsd;
    QTemporaryDir m_work;
    QString m_previousDir;

    // One run of the program on the system's printers (the private cupsd).
    struct Program
    {
        explicit Program(const QString &folder)
        {
            printers = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
            window = std::make_unique<TForm_Main>();
            window->show();
            QTRY_VERIFY_WITH_TIMEOUT(window->workingDirectory() == folder, 5000);
            QApplication::processEvents();
        }
        ~Program()
        {
            if (window)
                window->close();
            window.reset();
            printers.reset();
        }
        std::unique_ptr<OvPrinterScope> printers;
        std::unique_ptr<TForm_Main> window;
    };

    void pressF11(TForm_Main &w) { QTest::mouseClick(w.SpeedButton_F[10], Qt::LeftButton); }

    int jobsOf(const QString &printer)
    {
        int count = 0;
        for (const auto &job : m_cupsd.jobs())
            count += job.printer == printer ? 1 : 0;
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // cupsd first: libcups reads the server once.
        QVERIFY2(m_cupsd.start(), qPrintable(m_cupsd.lastError()));
        testsupport::PrivateCupsd::Printer printer;
        printer.name = kPrinter;
        QVERIFY2(m_cupsd.addPrinter(printer), qPrintable(m_cupsd.lastError()));
        QVERIFY2(m_cupsd.setDefaultPrinter(kPrinter), qPrintable(m_cupsd.lastError()));
        QVERIFY(m_work.isValid());
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
        writeFileBytes(m_work.filePath(u"my0.txt"_s), "\r\n\r\n\r\n\r\n\r\n");
    }
    void cleanupTestCase()
    {
        QDir::setCurrent(m_previousDir);
        m_cupsd.stop();
    }

    // The slip prints while the printer is there; removed behind the program's back,
    // the next F11 shows why nothing printed.
    void onlyPrinterRemovedBeforeF11()
    {
        BoxesWithAction boxes;
        Program program(m_work.path());
        TForm_Main &w = *program.window;
        QCOMPARE(w.ComboBox1->currentText(), kPrinter);
        w.Edit_Custo1->setText(u"見本　花子"_s);

        pressF11(w);
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        QVERIFY(m_cupsd.waitForCompletedJobs(1));
        QCOMPARE(jobsOf(kPrinter), 1);

        QVERIFY2(m_cupsd.removePrinter(kPrinter), qPrintable(m_cupsd.lastError()));
        boxes.clear();
        pressF11(w);
        QCOMPARE(boxes.questions, QStringList{u"印刷しますか?"_s});
        QCOMPARE(boxes.errors.size(), 1);
        QVERIFY2(boxes.errors.first().contains(kPrinter), qPrintable(boxes.errors.first()));
        QVERIFY(w.isVisible());
        QCOMPARE(w.Edit_Custo1->text(), u"見本　花子"_s);

        // Once the program has noticed (its watcher asks CUPS every few seconds), the
        // display shows where the next slip goes: no CUPS printer is left, so the
        // built-in PDF printer, and F11 prints there without an error.
        OvPrinter().SystemChangeHook();
        QCOMPARE(w.ComboBox1->currentText(), u"PDF 出力"_s);
        boxes.clear();
        pressF11(w);
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        QCOMPARE(QDir(m_work.filePath(u"pdf"_s)).entryList(QDir::Files).size(), 1);

        program.window->close();
        QVERIFY(boxes.errors.isEmpty());
        QCOMPARE(app::SettingsFile(m_work.filePath(u"mekira_RErorezev.ini"_s)).load().custo1, u"見本　花子"_s);
    }

    // cupsd goes away between the question and the job: an error box, no hang, and
    // the next F11 fails the same way instead of claiming a print.
    void cupsdStopsWhilePrinting()
    {
        testsupport::PrivateCupsd::Printer printer;
        printer.name = kPrinter;
        QVERIFY2(m_cupsd.addPrinter(printer), qPrintable(m_cupsd.lastError()));
        BoxesWithAction boxes;
        Program program(m_work.path());
        TForm_Main &w = *program.window;

        boxes.onQuestion = [this] { m_cupsd.stop(); };
        pressF11(w);
        QCOMPARE(boxes.questions, QStringList{u"印刷しますか?"_s});
        QCOMPARE(boxes.errors.size(), 1);
        QVERIFY(w.isVisible());

        boxes.clear();
        boxes.onQuestion = nullptr;
        pressF11(w);
        QCOMPARE(boxes.errors.size(), 1);

        w.Edit_G1->setText(u"りんご"_s);
        program.window->close();
        QCOMPARE(boxes.errors.size(), 1);
        QCOMPARE(app::SettingsFile(m_work.filePath(u"mekira_RErorezev.ini"_s)).load().g1, u"りんご"_s);
    }
};

QTEST_MAIN(PrintFaultsTest)
#include "tst_printfaults.moc"
