// The per-feed printer binding end to end on a private cupsd: a printer and margins
// are registered for each paper feed through the window's buttons and dialogs, the
// program is started again in the same working folder, and a slip printed on each
// feed must come out of that feed's printer with every text moved by its margins
// (read back from the PDF with poppler).

#include "appfixture.h"
#include "printer-cups/systemprinterbackend.h"
#include "printer-ui/ovprintdialogs.h"

#include "numedit/lunumedit.h"
#include "printing/printpositiondialog.h"

#include "privatecupsd.h"

#include "../printing/slipplaces.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using numedit::TLuNumEdit;
using slip::SlipRecord;

namespace {

// The printer-setup dialog: the user picks the printer of the given name and confirms.
class PickPrinter : public OvDialogRunner
{
public:
    QString name;
    bool run(OvDialogKind, OvPrinterBackend &backend, QWidget *) override
    {
        QPrinter *printer = backend.dialogPrinter();
        if (!printer)
            return false;
        printer->setPrinterName(name);
        backend.adoptDialogPrinter(*printer);
        return true;
    }
};

struct Feed
{
    int item;
    QString printer;
    int dpi;
    int top;
    int left;
};

const QList<Feed> &feeds()
{
    static const QList<Feed> list = {{0, u"SlipManual"_s, 300, 12, -8}, {1, u"SlipRoll"_s, 600, 30, 20}};
    return list;
}

void fill(TForm_Main &w, const SlipRecord &d)
{
    w.Edit_Zip->setText(d.destination.postalCode);
    w.Edit_Add1->setText(d.destination.address1);
    w.Edit_Add2->setText(d.destination.address2);
    w.Edit_Custo1->setText(d.destination.name);
    w.Edit_tel->setText(d.destination.telephone);
    w.Edit_MyZip->setText(d.sender.postalCode);
    w.Edit_MyADD1->setText(d.sender.address1);
    w.Edit_MyADD2->setText(d.sender.address2);
    w.Edit_My->setText(d.sender.name);
    w.Edit_MyTEL->setText(d.sender.telephone);
    w.CheckBox_My->setChecked(d.printSender);
    w.Edit_G1->setText(d.goods[0]);
    w.Edit_G2->setText(d.goods[1]);
    w.Edit_G3->setText(d.goods[2]);
    w.DateTimePicker_1->setDate(d.shippingDate);
    w.CheckBox_Date_1->setChecked(d.printShippingDate);
    w.Edit_de_date1->setText(d.deliveryMonth);
    w.Edit_de_date2->setText(d.deliveryDay);
    for (int i = 0; i < 6; ++i)
        w.timeSlots().at(i)->setChecked(slip::timeSlotNumber(d.timeSlot) == i + 1);
}

} // namespace

class PrinterBindingEndToEndTest : public QObject
{
    Q_OBJECT

private:
    testsupport::PrivateCupsd m_cupsd;
    QTemporaryDir m_work;
    QString m_previousDir;
    std::unique_ptr<OvPrinterScope> m_printers;
    std::unique_ptr<TForm_Main> m_window;
    PickPrinter *m_pick = nullptr;

    // One run of the program: the printer object, then the window and its start.
    void startProgram()
    {
        m_printers = std::make_unique<OvPrinterScope>(createSystemPrinterBackend());
        m_window = std::make_unique<TForm_Main>();
        m_window->show();
        QTRY_VERIFY_WITH_TIMEOUT(m_window->workingDirectory() == m_work.path(), 5000);
        QApplication::processEvents();
    }
    void stopProgram()
    {
        m_window->close();
        m_window.reset();
        m_printers.reset();
    }

    void registerFeed(const Feed &feed, ScriptedBoxes &boxes)
    {
        TForm_Main &w = *m_window;
        w.ComboBox_SEL->setCurrentIndex(feed.item);
        m_pick->name = feed.printer;
        QTest::mouseClick(w.BitBtn_PrnSet, Qt::LeftButton);
        QCOMPARE(w.ComboBox1->currentText(), feed.printer);

        bool typed = false;
        QTimer::singleShot(0, &w, [&] {
            printing::TForm_SLIP97YPrn *dialog = w.Form_SLIP97YPrn;
            if (QApplication::activeModalWidget() != dialog)
                return;
            for (auto [box, value] : {std::pair{dialog->LuNumEdit_TOP, feed.top},
                                      std::pair{dialog->LuNumEdit_LEFT, feed.left}}) {
                box->setFocus();
                box->selectAll();
                QTest::keyClicks(box, QString::number(value));
            }
            typed = true;
            QTest::mouseClick(dialog->BitBtn_MRGN, Qt::LeftButton);
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mouseClick(w.BitBtn_PrnSet2, Qt::LeftButton);
        QVERIFY(typed);
        QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
        QCOMPARE(w.Label_Prn_Top->text(), QString::number(feed.top));
        QCOMPARE(w.Label_Prn_Left->text(), QString::number(feed.left));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s);
        QFont::insertSubstitution(u"ＭＳ Ｐゴシック"_s, u"IPAPGothic"_s);
        QFont::insertSubstitution(u"Lucida Sans Unicode"_s, u"DejaVu Sans"_s);

        // cupsd first: libcups reads the server once.
        QVERIFY2(m_cupsd.start(), qPrintable(m_cupsd.lastError()));
        for (const Feed &feed : feeds()) {
            testsupport::PrivateCupsd::Printer printer;
            printer.name = feed.printer;
            printer.resolutions = {feed.dpi};
            QVERIFY2(m_cupsd.addPrinter(printer), qPrintable(m_cupsd.lastError()));
        }
        auto pick = std::make_unique<PickPrinter>();
        m_pick = pick.get();
        setOvDialogRunner(std::move(pick));

        QVERIFY(m_work.isValid());
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
        writeFileBytes(m_work.filePath(u"my0.txt"_s), "\r\n\r\n\r\n\r\n\r\n");
    }

    void cleanupTestCase()
    {
        if (m_window)
            stopProgram();
        setOvDialogRunner(nullptr);
        QDir::setCurrent(m_previousDir);
        m_cupsd.stop();
    }

    void registerThenPrintAfterRestart()
    {
        ScriptedBoxes boxes; // every question answered Yes
        startProgram();
        for (const Feed &feed : feeds()) {
            registerFeed(feed, boxes);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(boxes.questions, QStringList(2, u"印字位置調整の余白を登録しますか?"_s));
        stopProgram();

        startProgram();
        TForm_Main &w = *m_window;
        fill(w, slipplaces::slip());
        int completed = 0;
        // The last feed chosen is where the program starts again; go through both.
        for (const Feed &feed : QList<Feed>{feeds().at(1), feeds().at(0), feeds().at(1)}) {
            if (w.ComboBox_SEL->currentIndex() != feed.item)
                w.ComboBox_SEL->setCurrentIndex(feed.item);
            QCOMPARE(w.ComboBox1->currentText(), feed.printer);
            QCOMPARE(OvPrinter().PrinterNames().at(OvPrinter().Index()), feed.printer);
            QCOMPARE(OvPrinter().DPI(), (TOvExtent{feed.dpi, feed.dpi}));

            boxes.answers.enqueue(true);
            QTest::keyClick(w.Edit_Add1, Qt::Key_F11);
            QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join(u'\n')));
            QVERIFY2(m_cupsd.waitForCompletedJobs(++completed), qPrintable(m_cupsd.errorLog()));
            const auto jobs = m_cupsd.jobs();
            QCOMPARE(jobs.size(), completed);
            QCOMPARE(jobs.last().printer, feed.printer);
            slipplaces::checkPdf(m_cupsd.readOutput(feed.printer), feed.dpi, feed.top, feed.left);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_MAIN(PrinterBindingEndToEndTest)
#include "tst_printerbindingendtoend.moc"
