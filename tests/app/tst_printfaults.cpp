// Printing when CUPS lets the program down, on a private cupsd: the only printer is
// removed after the program has started, and cupsd stops while a slip is being printed.
// Each time the failure reaches an error box, the program goes on, nothing reports a
// print that did not happen, and the entries are still saved at exit.

#include "appfixture.h"
#include "printer-cups/systemprinterbackend.h"

#include "app/settingsfile.h"
#include "printer-ui/ovsystemwatcher.h"

#include "privatecupsd.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
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

    int jobsOf(const QString &printer, const QString &state = QString())
    {
        int count = 0;
        for (const auto &job : m_cupsd.jobs())
            count += job.printer == printer && (state.isEmpty() || job.state == state) ? 1 : 0;
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
        // The pre-print check's lines come first; the question is the last line.
        QCOMPARE(boxes.questions.size(), 1);
        QVERIFY(boxes.questions.first().endsWith(u"印刷しますか?"_s));
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

    // A queue added or removed while the F7 dialog or the registration's dialog is
    // open: the change is taken in after the dialog has closed, and the printer
    // chosen in it stays.
    void printerListChangesWhileDialogOpen_data()
    {
        QTest::addColumn<bool>("registration");
        QTest::addColumn<bool>("add");
        QTest::newRow("F7, queue added") << false << true;
        QTest::newRow("F7, queue removed") << false << false;
        QTest::newRow("registration, queue added") << true << true;
        QTest::newRow("registration, queue removed") << true << false;
    }
    void printerListChangesWhileDialogOpen()
    {
        QFETCH(bool, registration);
        QFETCH(bool, add);
        const QString spare = u"Spare"_s;
        testsupport::PrivateCupsd::Printer printer;
        printer.name = kPrinter;
        QVERIFY2(m_cupsd.addPrinter(printer), qPrintable(m_cupsd.lastError()));
        QVERIFY(m_cupsd.setDefaultPrinter(kPrinter));
        printer.name = spare;
        if (add)
            m_cupsd.removePrinter(spare);
        else
            QVERIFY(m_cupsd.addPrinter(printer));
        ScriptedBoxes boxes;
        Program program(m_work.path());
        TForm_Main &w = *program.window;
        OvSystemChangeWatcher watcher(OvPrinter(), nullptr);
        QSignalSpy checked(&watcher, &OvSystemChangeWatcher::checked);

        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            opened = dialog != nullptr;
            if (!dialog)
                return;
            QVERIFY(add ? m_cupsd.addPrinter(printer) : m_cupsd.removePrinter(spare));
            QVERIFY(watcher.checkNow());
            QTRY_VERIFY_WITH_TIMEOUT(!watcher.checkRunning(), 10000);
            QTest::qWait(100); // the answer reaches the event loop of the dialog
            dialog->accept();
        });
        if (registration)
            QTest::mouseClick(w.BitBtn_PrnSet, Qt::LeftButton);
        else
            QTest::keyClick(w.Edit_Add1, Qt::Key_F7);
        QVERIFY(opened);
        QVERIFY(checked.size() > 0 || checked.wait(10000));
        QCOMPARE(OvPrinter().PrinterNames().contains(spare), add);
        QCOMPARE(w.ComboBox1->currentText(), kPrinter);
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        m_cupsd.removePrinter(spare);
    }

    // cupsd hangs between the question and the job (it accepts and answers
    // nothing): the print fails within its bound with a message naming the server,
    // and prints again once cupsd answers.
    void cupsdHangsWhilePrinting()
    {
        testsupport::PrivateCupsd::Printer printer;
        printer.name = kPrinter;
        QVERIFY2(m_cupsd.addPrinter(printer), qPrintable(m_cupsd.lastError()));
        QVERIFY(m_cupsd.setDefaultPrinter(kPrinter));
        BoxesWithAction boxes;
        Program program(m_work.path());
        TForm_Main &w = *program.window;
        QCOMPARE(w.ComboBox1->currentText(), kPrinter);
        const QString completed = u"completed"_s;
        const int before = jobsOf(kPrinter, completed);

        boxes.onQuestion = [this] { m_cupsd.pause(); };
        QElapsedTimer clock;
        clock.start();
        pressF11(w);
        const qint64 took = clock.elapsed();
        m_cupsd.resume();
        QVERIFY2(took < 10000, qPrintable(QString::number(took)));
        QCOMPARE(boxes.errors.size(), 1);
        QVERIFY2(boxes.errors.first().contains(m_cupsd.server()), qPrintable(boxes.errors.first()));
        // A job the scheduler opens late gets no pages: nothing is printed.
        QTest::qWait(1000);
        QCOMPARE(jobsOf(kPrinter, completed), before);

        boxes.clear();
        boxes.onQuestion = nullptr;
        pressF11(w);
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        QTRY_COMPARE_WITH_TIMEOUT(jobsOf(kPrinter, completed), before + 1, 20000);
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
        // The pre-print check's lines come first; the question is the last line.
        QCOMPARE(boxes.questions.size(), 1);
        QVERIFY(boxes.questions.first().endsWith(u"印刷しますか?"_s));
        QCOMPARE(boxes.errors.size(), 1);
        QVERIFY(w.isVisible());

        boxes.clear();
        boxes.onQuestion = nullptr;
        pressF11(w);
        QCOMPARE(boxes.errors.size(), 1);

        // A scheduler that does not answer is no sign that its queues are gone: the
        // slip does not move to the PDF printer.
        OvPrinter().SystemChangeHook();
        QCOMPARE(w.ComboBox1->currentText(), kPrinter);

        w.Edit_G1->setText(u"りんご"_s);
        program.window->close();
        QCOMPARE(boxes.errors.size(), 1);
        QCOMPARE(app::SettingsFile(m_work.filePath(u"mekira_RErorezev.ini"_s)).load().g1, u"りんご"_s);
    }
};

QTEST_MAIN(PrintFaultsTest)
#include "tst_printfaults.moc"
