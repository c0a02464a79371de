// The printer binding of each paper feed in the main window: start-up order, feed
// changes, the printer registration, the print-position dialog opened modally, and
// what the registered margins do to the next print. Fake printers "Printer A" and
// "Printer B"; every window starts in a temporary working folder.

#include "appfixture.h"
#include "printer-ui/ovprintdialogs.h"

#include "numedit/lunumedit.h"
#include "platform/codepage.h"
#include "slip/printerbinding.h"
#include "printing/printpositiondialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPicture>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using numedit::TLuNumEdit;
using printing::TForm_SLIP97YPrn;

namespace {

const QString kManual = u"手差し"_s;
const QString kContinuous = u"連続(４インチ)"_s;

QByteArray section(const QString &feed, const QString &name, const QString &index, const QString &top,
                   const QString &left)
{
    return platform::encodeCp932(u"[%1]\r\nPrnName=%2\r\nPrnNoIndex=%3\r\nmekiraPrn_Top=%4\r\n"
                                  "mekiraPrn_Left=%5\r\n"_s.arg(feed, name, index, top, left));
}

// The printer-setup dialog answered from a script: cancel, or choose a position.
class SetupAnswer : public OvDialogRunner
{
public:
    int choose = -1;
    int shown = 0;
    bool run(OvDialogKind, OvPrinterBackend &backend, QWidget *) override
    {
        ++shown;
        if (choose < 0)
            return false;
        static_cast<FakePrinterBackend &>(backend).selectDirectly(choose);
        return true;
    }
};

} // namespace

class PrinterBindingTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;
    std::unique_ptr<WindowFixture> m_fixture;
    SetupAnswer *m_setup = nullptr;
    std::unique_ptr<OvDialogRunner> m_previousRunner;

    QString file(const QString &name) const { return m_dir->filePath(name); }
    QString bindingPath() const { return file(u"mekira_q610.ini"_s); }
    TForm_Main &w() { return m_fixture->w(); }

    // Starts (again) with an empty sender profile, so that no box is expected.
    void start()
    {
        writeFileBytes(file(u"my0.txt"_s), "\r\n\r\n\r\n\r\n\r\n");
        m_fixture->start();
        m_boxes->clear();
    }
    void restart()
    {
        m_fixture->close();
        start();
    }

    void checkBinding(const QString &index, const QString &top, const QString &left)
    {
        const slip::PrinterBinding &b = w().PrinterBinding();
        QCOMPARE((QStringList{b.printerIndex, b.topMargin, b.leftMargin}), (QStringList{index, top, left}));
        QCOMPARE(w().Label_Prn_Top->text(), top);
        QCOMPARE(w().Label_Prn_Left->text(), left);
    }

    // Opens the dialog as the button does (modally) and runs `steps` in it; the
    // dialog is closed afterwards in any case so that a failed step cannot hang.
    void inDialog(const std::function<void(TForm_SLIP97YPrn &)> &steps)
    {
        bool ran = false;
        QTimer::singleShot(0, &w(), [&] {
            TForm_SLIP97YPrn *dialog = w().Form_SLIP97YPrn;
            ran = QApplication::activeModalWidget() == dialog;
            if (ran)
                steps(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mouseClick(w().BitBtn_PrnSet2, Qt::LeftButton);
        QVERIFY2(ran, "the dialog did not open modally");
        QVERIFY(!w().Form_SLIP97YPrn->isVisible());
    }

    static void type(TLuNumEdit *box, const QString &keys)
    {
        box->setFocus();
        box->selectAll();
        if (keys.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, keys);
    }

    // Registers margins through the dialog, answering Yes.
    void registerMargins(const QString &top, const QString &left)
    {
        inDialog([&](TForm_SLIP97YPrn &d) {
            type(d.LuNumEdit_TOP, top);
            type(d.LuNumEdit_LEFT, left);
            QTest::mouseClick(d.BitBtn_MRGN, Qt::LeftButton);
        });
    }

    void chooseFeed(int index)
    {
        // As the user picks it from the list: a change event.
        w().ComboBox_SEL->setCurrentIndex(index);
        QCOMPARE(w().ComboBox_SEL->currentIndex(), index);
    }

    void print()
    {
        m_boxes->answers.enqueue(true);
        QTest::keyClick(w().Edit_Add1, Qt::Key_F11);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_boxes = std::make_unique<ScriptedBoxes>();
        m_fixture = std::make_unique<WindowFixture>(m_dir->path());
        auto runner = std::make_unique<SetupAnswer>();
        m_setup = runner.get();
        m_previousRunner = setOvDialogRunner(std::move(runner));
    }
    void cleanup()
    {
        m_fixture.reset();
        setOvDialogRunner(std::move(m_previousRunner));
        m_boxes.reset();
        m_dir.reset();
    }

    // --- start-up --------------------------------------------------------------------

    void startWithoutBindingFile()
    {
        // The settings file's binding is in force only until the feed's is loaded.
        writeFileBytes(file(u"mekira_RErorezev.ini"_s),
                       "[mekira_RErorezevPrn]\r\nRErorezevprnno=1\r\nmekira_RErorezevPrn_Top=30\r\n"
                       "mekira_RErorezevPrn_Left=40\r\n");
        start();
        QCOMPARE(w().ComboBox_SEL->currentText(), kManual);
        checkBinding(u"0"_s, u"0"_s, u"0"_s);
        QCOMPARE(OvPrinter().Index(), 0);
        QCOMPARE(w().ComboBox1->currentText(), u"Printer A"_s);
        QVERIFY(m_boxes->errors.isEmpty());
        QVERIFY(!QFile::exists(bindingPath()));
    }

    void startLoadsStoredFeed()
    {
        writeFileBytes(file(u"mekira_RErorezev.ini"_s), "[mekira_RErorezevPrn]\r\nComboBox_SEL=1\r\n");
        writeFileBytes(bindingPath(), section(kManual, u"Printer A"_s, u"0"_s, u"5"_s, u"6"_s)
                                          + section(kContinuous, u"Printer B"_s, u"1"_s, u"12"_s, u"-8"_s));
        start();
        QCOMPARE(w().ComboBox_SEL->currentText(), kContinuous);
        checkBinding(u"1"_s, u"12"_s, u"-8"_s);
        QCOMPARE(w().ComboBox1->currentText(), u"Printer B"_s);
    }

    // A stored feed that is neither item: the load reads the section with the empty
    // name (defaults), then the first item is shown without loading it.
    void startWithUnknownFeed()
    {
        writeFileBytes(file(u"mekira_RErorezev.ini"_s), "[mekira_RErorezevPrn]\r\nComboBox_SEL=4\r\n");
        writeFileBytes(bindingPath(), section(kManual, u"Printer B"_s, u"1"_s, u"5"_s, u"6"_s));
        start();
        QCOMPARE(w().ComboBox_SEL->currentIndex(), 0);
        checkBinding(u"0"_s, u"0"_s, u"0"_s);
        // Choosing the feed again later loads it.
        chooseFeed(1);
        chooseFeed(0);
        checkBinding(u"1"_s, u"5"_s, u"6"_s);
    }

    void startStopsAtBadPrinterIndex()
    {
        writeFileBytes(bindingPath(), section(kManual, u"Gone"_s, u"one"_s, u"5"_s, u"6"_s));
        writeFileBytes(file(u"my0.txt"_s), "111-2222\r\n\r\n\r\n\r\n\r\n");
        m_fixture->start();
        QCOMPARE(m_boxes->errors, QStringList{u"'one' は有効な整数値ではありません."_s});
        checkBinding(u"one"_s, u"5"_s, u"6"_s);
        // The start sequence ended at the load: the sender profile was not read.
        QCOMPARE(w().Edit_MyZip->text(), QString());
    }

    // --- feed changes ------------------------------------------------------------------

    void feedChangesReloadEachTime()
    {
        start();
        writeFileBytes(bindingPath(), section(kContinuous, u"Printer B"_s, u"1"_s, u"12"_s, u"-8"_s));
        chooseFeed(1);
        checkBinding(u"1"_s, u"12"_s, u"-8"_s);
        QCOMPARE(w().ComboBox1->currentText(), u"Printer B"_s);
        chooseFeed(0);
        checkBinding(u"0"_s, u"0"_s, u"0"_s);
        QCOMPARE(w().ComboBox1->currentText(), u"Printer A"_s);
        writeFileBytes(bindingPath(), section(kContinuous, u"Printer A"_s, u"0"_s, u"3"_s, QString()));
        chooseFeed(1);
        checkBinding(u"0"_s, u"3"_s, QString());
    }

    // --- print-position dialog -----------------------------------------------------------

    void registerMarginsForContinuousFeed()
    {
        start();
        chooseFeed(1);
        registerMargins(u"12"_s, u"-8"_s);
        QCOMPARE(m_boxes->questions, QStringList{u"印字位置調整の余白を登録しますか?"_s});
        checkBinding(u"0"_s, u"12"_s, u"-8"_s);
        QCOMPARE(fileBytes(bindingPath()),
                 QByteArray("[\x98\x41\x91\xb1(\x82\x53\x83\x43\x83\x93\x83\x60)]\r\n"
                            "PrnName=Printer A\r\nPrnNoIndex=0\r\nmekiraPrn_Top=12\r\nmekiraPrn_Left=-8\r\n"));
        chooseFeed(0);
        checkBinding(u"0"_s, u"0"_s, u"0"_s);
        chooseFeed(1);
        checkBinding(u"0"_s, u"12"_s, u"-8"_s);
    }

    void dialogOpensCentredWithBindingMargins()
    {
        writeFileBytes(bindingPath(), section(kManual, u"Printer B"_s, u"1"_s, u"7"_s, u"-3"_s));
        start();
        inDialog([&](TForm_SLIP97YPrn &d) {
            QCOMPARE(d.LuNumEdit_TOP->text(), u"7"_s);
            QCOMPARE(d.LuNumEdit_LEFT->text(), u"-3"_s);
            QCOMPARE(d.frameGeometry().size(), TForm_SLIP97YPrn::kOuterSize);
            const QPoint offset = d.frameGeometry().center() - w().frameGeometry().center();
            QVERIFY(offset.manhattanLength() <= 2);
            QTRY_COMPARE(QApplication::focusWidget(), d.LuNumEdit_TOP);
        });
        QVERIFY(m_boxes->questions.isEmpty());
    }

    void noInDialogWritesNothing()
    {
        start();
        inDialog([&](TForm_SLIP97YPrn &d) {
            type(d.LuNumEdit_TOP, u"44"_s);
            m_boxes->answers.enqueue(false);
            QTest::mouseClick(d.BitBtn_MRGN, Qt::LeftButton);
            QVERIFY(d.isVisible());
            QCOMPARE(d.LuNumEdit_TOP->text(), u"44"_s);
        });
        QCOMPARE(m_boxes->questions.size(), 1);
        checkBinding(u"0"_s, u"0"_s, u"0"_s);
        QVERIFY(!QFile::exists(bindingPath()));
    }

    void emptyTopMarginPrintsAsZero()
    {
        start();
        print();
        QCOMPARE(m_fixture->printers->printedPages().size(), 1);
        const QPicture atZero = m_fixture->printers->printedPages().first();

        registerMargins(QString(), u"0"_s);
        QVERIFY(fileBytes(bindingPath()).contains("mekiraPrn_Top=\r\n"));
        restart();
        checkBinding(u"0"_s, QString(), u"0"_s);
        print();
        QVERIFY(m_boxes->errors.isEmpty());
        QCOMPARE(m_fixture->printers->printedPages().size(), 2);
        const QPicture atEmpty = m_fixture->printers->printedPages().last();
        QCOMPARE(atEmpty.boundingRect(), atZero.boundingRect());
        QCOMPARE(QByteArray(atEmpty.data(), atEmpty.size()), QByteArray(atZero.data(), atZero.size()));
    }

    void fractionalMarginRefusedWhenPrinting()
    {
        start();
        registerMargins(u"1.5"_s, u"2"_s);
        QVERIFY(fileBytes(bindingPath()).contains("mekiraPrn_Top=1.5\r\n"));
        checkBinding(u"0"_s, u"1.5"_s, u"2"_s);
        m_fixture->printers->clearJobLog();
        print();
        QCOMPARE(m_boxes->errors, QStringList{u"'1.5' は有効な整数値ではありません."_s});
        // Refused before a job is opened: nothing reaches the printer.
        QVERIFY(m_fixture->printers->jobLog().isEmpty());
        QVERIFY(m_fixture->printers->printedPages().isEmpty());
    }

    void failedWriteInDialogKeepsItOpen()
    {
        start();
        QVERIFY(QDir(m_dir->path()).mkdir(u"mekira_q610.ini"_s));
        inDialog([&](TForm_SLIP97YPrn &d) {
            type(d.LuNumEdit_TOP, u"12"_s);
            QTest::mouseClick(d.BitBtn_MRGN, Qt::LeftButton);
            QVERIFY(d.isVisible());
            QCOMPARE(d.LuNumEdit_TOP->text(), u"12"_s);
        });
        QCOMPARE(m_boxes->errors, QStringList{bindingPath() + u" に書き込めません."_s});
        checkBinding(u"0"_s, u"0"_s, u"0"_s);
    }

    // --- printer registration --------------------------------------------------------------

    void printerRegistration_data()
    {
        QTest::addColumn<int>("choose");
        QTest::addColumn<QString>("name");
        QTest::newRow("cancelled: current printer written") << -1 << u"Printer A"_s;
        QTest::newRow("Printer B chosen") << 1 << u"Printer B"_s;
    }
    void printerRegistration()
    {
        QFETCH(int, choose);
        QFETCH(QString, name);
        writeFileBytes(bindingPath(), section(kContinuous, u"Printer A"_s, u"0"_s, u"12"_s, u"-8"_s));
        start();
        chooseFeed(1);
        m_setup->choose = choose;
        QTest::mouseClick(w().BitBtn_PrnSet, Qt::LeftButton);
        QCOMPARE(m_setup->shown, 1);
        QVERIFY(m_boxes->questions.isEmpty()); // nothing asked, nothing shown
        QVERIFY(m_boxes->notices.isEmpty());
        QVERIFY(m_boxes->errors.isEmpty());
        const QString index = QString::number(qMax(choose, 0));
        checkBinding(index, u"12"_s, u"-8"_s);
        QCOMPARE(w().ComboBox1->currentText(), name);
        QCOMPARE(fileBytes(bindingPath()), section(kContinuous, name, index, u"12"_s, u"-8"_s));
    }

    void failedWriteOfPrinterRegistration()
    {
        start();
        QVERIFY(QDir(m_dir->path()).mkdir(u"mekira_q610.ini"_s));
        QTest::mouseClick(w().BitBtn_PrnSet, Qt::LeftButton);
        QCOMPARE(m_boxes->errors, QStringList{bindingPath() + u" に書き込めません."_s});
    }

    // --- printers added or removed between runs ----------------------------------------------

    void registeredPrinterRemoved()
    {
        start();
        m_setup->choose = 1;
        QTest::mouseClick(w().BitBtn_PrnSet, Qt::LeftButton);
        checkBinding(u"1"_s, u"0"_s, u"0"_s);

        m_fixture->close();
        m_fixture->printers->removePrinter(1);
        OvPrinter().SystemChangeHook();
        start();
        // Index 1 is out of range now: the first printer prints, without a message.
        checkBinding(u"1"_s, u"0"_s, u"0"_s);
        QCOMPARE(OvPrinter().Index(), 0);
        QVERIFY(m_boxes->errors.isEmpty());
        // The registration opens the setup dialog on the first printer.
        m_setup->choose = -1;
        QTest::mouseClick(w().BitBtn_PrnSet, Qt::LeftButton);
        QCOMPARE(fileBytes(bindingPath()), section(kManual, u"Printer A"_s, u"0"_s, u"0"_s, u"0"_s));
    }

    void printerInsertedBeforeRegisteredOne()
    {
        start();
        chooseFeed(1);
        m_setup->choose = 1;
        QTest::mouseClick(w().BitBtn_PrnSet, Qt::LeftButton);
        registerMargins(u"12"_s, u"-8"_s);
        const QByteArray stored = fileBytes(bindingPath());
        QCOMPARE(stored, section(kContinuous, u"Printer B"_s, u"1"_s, u"12"_s, u"-8"_s));

        m_fixture->close();
        m_fixture->printers->removePrinter(1);
        m_fixture->printers->addPrinter(FakePrinterBackend::standardPrinter(u"Printer New"_s));
        m_fixture->printers->addPrinter(FakePrinterBackend::standardPrinter(u"Printer B"_s));
        OvPrinter().SystemChangeHook();
        start();
        // Found again by its name, not sent to the printer now at index 1.
        checkBinding(u"2"_s, u"12"_s, u"-8"_s);
        QCOMPARE(w().ComboBox1->currentText(), u"Printer B"_s);
        QCOMPARE(OvPrinter().Index(), 2);
        QCOMPARE(fileBytes(bindingPath()), stored); // loading writes nothing

        print();
        QVERIFY(m_boxes->errors.isEmpty());
        QCOMPARE(m_fixture->printers->currentPosition(), 2);
        QCOMPARE(m_fixture->printers->printedPages().size(), 1);
    }

    // Printers added or removed while the program runs keep the printer chosen with
    // F7 while it exists; once it is gone the feed's printer takes over.
    void f7ChoiceSurvivesPrinterListChange_data()
    {
        QTest::addColumn<bool>("keepChosen");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::newRow("chosen printer still there") << true << u"Printer B"_s << 2;
        QTest::newRow("chosen printer removed") << false << u"Printer A"_s << 0;
    }
    void f7ChoiceSurvivesPrinterListChange()
    {
        QFETCH(bool, keepChosen);
        QFETCH(QString, shown);
        QFETCH(int, position);
        start();
        m_setup->choose = 1;
        QTest::keyClick(w().Edit_Add1, Qt::Key_F7);
        QCOMPARE(w().ComboBox1->currentText(), u"Printer B"_s);

        m_fixture->printers->removePrinter(1);
        m_fixture->printers->addPrinter(FakePrinterBackend::standardPrinter(u"Printer New"_s));
        if (keepChosen)
            m_fixture->printers->addPrinter(FakePrinterBackend::standardPrinter(u"Printer B"_s));
        OvPrinter().SystemChangeHook();
        QCOMPARE(w().ComboBox1->currentText(), shown);
        print();
        QVERIFY(m_boxes->errors.isEmpty());
        QCOMPARE(m_fixture->printers->currentPosition(), position);
        QCOMPARE(m_fixture->printers->printedPages().size(), 1);
    }

    // F7 changes the binding's printer, not the file: the next load brings the
    // feed's printer back.
    void f7DoesNotTouchBindingFile()
    {
        writeFileBytes(bindingPath(), section(kManual, u"Printer A"_s, u"0"_s, u"4"_s, u"5"_s));
        start();
        m_setup->choose = 1;
        QTest::keyClick(w().Edit_Add1, Qt::Key_F7);
        checkBinding(u"1"_s, u"4"_s, u"5"_s);
        QCOMPARE(fileBytes(bindingPath()), section(kManual, u"Printer A"_s, u"0"_s, u"4"_s, u"5"_s));
        chooseFeed(1);
        chooseFeed(0);
        checkBinding(u"0"_s, u"4"_s, u"5"_s);
    }

    // Cancelled or not, F7 stores the printer that is current afterwards.
    void f7CancelledStillWritesThePrinterIndex()
    {
        writeFileBytes(file(u"mekira_RErorezev.ini"_s), "[mekira_RErorezevPrn]\r\nRErorezevprnno=1\r\n");
        start();
        m_setup->choose = -1;
        QTest::keyClick(w().Edit_G1, Qt::Key_F7);
        QCOMPARE(m_setup->shown, 1);
        QCOMPARE(m_fixture->printers->currentPosition(), 1);
        QVERIFY(fileBytes(file(u"mekira_RErorezev.ini"_s)).contains("RErorezevprnno=1\r\n"));
        checkBinding(u"1"_s, u"0"_s, u"0"_s);
        QVERIFY(m_boxes->errors.isEmpty());
    }

    // A stored printer that is gone: the range error, no dialog, nothing written.
    void f7WithStoredIndexOutOfRange()
    {
        writeFileBytes(file(u"mekira_RErorezev.ini"_s), "[mekira_RErorezevPrn]\r\nRErorezevprnno=5\r\n");
        start();
        const QByteArray before = fileBytes(file(u"mekira_RErorezev.ini"_s));
        QTest::keyClick(w().Edit_G1, Qt::Key_F7);
        QCOMPARE(m_setup->shown, 0);
        QCOMPARE(m_boxes->errors, QStringList{u"TOvPrinter.SetIndex: Index is out of Range."_s});
        QCOMPARE(fileBytes(file(u"mekira_RErorezev.ini"_s)), before);
    }
};

QTEST_MAIN(PrinterBindingTest)
#include "tst_printerbinding.moc"
