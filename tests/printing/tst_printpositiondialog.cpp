// The print-position dialog driven without a person: shown non-modally, typed into
// with key events, answered by scripted message boxes.

#include "printing/printpositiondialog.h"

#include "numedit/lunumedit.h"
#include "registrationbench.h"
#include "scriptedboxes.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace registrationtest;
using numedit::TLuNumEdit;
using printing::TForm_SLIP97YPrn;

namespace {

// The dialog over a stand-in main window, for the feed the test chooses.
struct DialogBench
{
    Bench bench;
    ScriptedBoxes boxes;
    QWidget opener;
    QString feed = kContinuous;
    TForm_SLIP97YPrn *dialog = new TForm_SLIP97YPrn(*bench.registration, [this] { return feed; }, &opener);

    DialogBench()
    {
        opener.setGeometry(120, 80, 682, 663);
        opener.show();
    }

    void open()
    {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTRY_COMPARE(QApplication::focusWidget(), dialog->LuNumEdit_TOP);
    }

    // Types into a box as the user does: its whole value is selected on entering,
    // so the first character replaces it.
    void type(TLuNumEdit *box, const QString &keys)
    {
        box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box);
        box->selectAll();
        QTest::keyClicks(box, keys);
    }
};

} // namespace

class PrintPositionDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFont::insertSubstitution(u"ＭＳ Ｐゴシック"_s, u"IPAPGothic"_s);
    }

    void looks()
    {
        DialogBench d;
        d.open();
        TForm_SLIP97YPrn *w = d.dialog;
        QCOMPARE(w->windowTitle(), u"印字位置調整"_s);
        QCOMPARE(w->frameGeometry().size(), TForm_SLIP97YPrn::kOuterSize);
        QCOMPARE(w->minimumSize(), w->maximumSize()); // fixed frame
        QVERIFY(w->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
        QCOMPARE(w->font().family(), u"ＭＳ Ｐゴシック"_s);
        QCOMPARE(w->font().pixelSize(), 12);
        QCOMPARE(w->GroupBox1->title(), u"印字位置調整セット"_s);
        QCOMPARE(w->Label5->text(), u"TOPﾏｰｼﾞﾝ"_s);
        QCOMPARE(w->Label6->text(), u"LEFTﾏｰｼﾞﾝ"_s);
        for (const QLabel *label : {w->Label5, w->Label6})
            QVERIFY(label->alignment() & Qt::AlignRight);
        QCOMPARE(w->BitBtn_MRGN->text(), u"印字位置登録"_s);
        QVERIFY(!w->BitBtn_MRGN->icon().isNull());
        for (const TLuNumEdit *box : {w->LuNumEdit_TOP, w->LuNumEdit_LEFT}) {
            QVERIFY(!box->errorBeep());
            QCOMPARE(box->decimalLength(), 3); // defaults otherwise
            QVERIFY(box->minus());
        }
        // Everything the user needs lies inside the client area.
        const QRect client = w->rect();
        for (const QWidget *part : {static_cast<QWidget *>(w->GroupBox1), static_cast<QWidget *>(w->BitBtn_MRGN),
                                    static_cast<QWidget *>(w->BitBtn_Calib)})
            QVERIFY2(client.contains(part->geometry()), qPrintable(part->objectName()));
        // A picture for people to look at.
        const QString folder = qEnvironmentVariable("MEKIRA_TEST_OUTPUT", QDir::tempPath());
        QDir().mkpath(folder);
        QVERIFY(w->grab().save(folder + u"/print-position-dialog.png"_s));
        // Centred on the window that opened it.
        const QPoint offset = w->frameGeometry().center() - d.opener.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));
    }

    // Margins in millimetres beside the dots, converted at the feed printer's
    // resolution both ways; the binding keeps dots.
    void millimetres_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("dots");
        QTest::addColumn<double>("mm");
        QTest::addColumn<double>("typedMm");
        QTest::addColumn<QString>("typedDots");
        QTest::addColumn<QString>("total"); // after the typing, with the fixed 70 dots
        QTest::newRow("180 dpi") << 180 << u"71"_s << 10.0 << -1.5 << u"-11"_s
                                 << u"合計のずれ：上 0.0 mm・左 8.3 mm\n（左は固定の 70 ドット＝9.9 mm を含む。180 dpi で換算）"_s;
        QTest::newRow("300 dpi") << 300 << u"-59"_s << -5.0 << 2.5 << u"30"_s
                                 << u"合計のずれ：上 0.0 mm・左 8.5 mm\n（左は固定の 70 ドット＝5.9 mm を含む。300 dpi で換算）"_s;
        QTest::newRow("600 dpi") << 600 << u"118"_s << 5.0 << 0.5 << u"12"_s
                                 << u"合計のずれ：上 0.0 mm・左 3.5 mm\n（左は固定の 70 ドット＝3.0 mm を含む。600 dpi で換算）"_s;
    }
    void millimetres()
    {
        QFETCH(int, dpi);
        QFETCH(QString, dots);
        QFETCH(double, mm);
        QFETCH(double, typedMm);
        QFETCH(QString, typedDots);
        QFETCH(QString, total);
        DialogBench d;
        d.dialog->setResolutionSource([dpi] { return printing::EffectiveResolution{dpi, dpi}; });
        d.bench.display->setMargins(dots, u"0"_s);
        d.open();
        QCOMPARE(d.dialog->SpinBox_TOPmm->value(), mm);
        d.dialog->SpinBox_LEFTmm->setValue(typedMm);
        QCOMPARE(d.dialog->LuNumEdit_LEFT->text(), typedDots);
        d.type(d.dialog->LuNumEdit_TOP, u"0"_s);
        QCOMPARE(d.dialog->SpinBox_TOPmm->value(), 0.0);
        QCOMPARE(d.dialog->Label_Total->text(), total);

        // The calibration sheet is printed with the margins as typed.
        slip::PrinterBinding printed;
        d.dialog->setCalibrationPrinter([&](const slip::PrinterBinding &b) { printed = b; });
        QTest::mouseClick(d.dialog->BitBtn_Calib, Qt::LeftButton);
        QCOMPARE(printed.topMargin, u"0"_s);
        QCOMPARE(printed.leftMargin, typedDots);
        QCOMPARE(d.bench.display->binding().topMargin, dots); // nothing registered
    }

    void showsBindingMargins()
    {
        DialogBench d;
        d.bench.display->setMargins(u"12"_s, u"-8"_s);
        d.open();
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), u"12"_s);
        QCOMPARE(d.dialog->LuNumEdit_LEFT->text(), u"-8"_s);
        d.dialog->close();
        // Each showing starts again from the binding.
        d.bench.display->setMargins(QString(), u"5"_s);
        d.open();
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), QString());
        QCOMPARE(d.dialog->LuNumEdit_LEFT->text(), u"5"_s);
    }

    void focusKeys_data()
    {
        QTest::addColumn<bool>("inLeft");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focusAfter");
        QTest::newRow("top, Enter") << false << int(Qt::Key_Return) << u"LuNumEdit_LEFT"_s;
        QTest::newRow("top, keypad Enter") << false << int(Qt::Key_Enter) << u"LuNumEdit_LEFT"_s;
        QTest::newRow("top, Up stays") << false << int(Qt::Key_Up) << u"LuNumEdit_TOP"_s;
        QTest::newRow("top, Down stays") << false << int(Qt::Key_Down) << u"LuNumEdit_TOP"_s;
        QTest::newRow("left, Enter") << true << int(Qt::Key_Return) << u"BitBtn_MRGN"_s;
        QTest::newRow("left, Up moves forwards") << true << int(Qt::Key_Up) << u"BitBtn_MRGN"_s;
        QTest::newRow("left, Down stays") << true << int(Qt::Key_Down) << u"LuNumEdit_LEFT"_s;
    }
    void focusKeys()
    {
        QFETCH(bool, inLeft);
        QFETCH(int, key);
        QFETCH(QString, focusAfter);
        DialogBench d;
        d.bench.display->setMargins(u"12"_s, u"-8"_s);
        d.open();
        TLuNumEdit *box = inLeft ? d.dialog->LuNumEdit_LEFT : d.dialog->LuNumEdit_TOP;
        box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key(key));
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), focusAfter);
        // The keys type nothing and register nothing.
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), u"12"_s);
        QCOMPARE(d.dialog->LuNumEdit_LEFT->text(), u"-8"_s);
        QVERIFY(d.boxes.questions.isEmpty());
        QVERIFY(d.dialog->isVisible());
    }

    void typedValuesRegister_data()
    {
        QTest::addColumn<QString>("feed");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::newRow("12 and -8, continuous") << kContinuous << u"12"_s << u"-8"_s;
        QTest::newRow("manual feed") << kManual << u"3"_s << u"40"_s;
        QTest::newRow("fraction kept as typed") << kContinuous << u"1.5"_s << u"0"_s;
    }
    void typedValuesRegister()
    {
        QFETCH(QString, feed);
        QFETCH(QString, top);
        QFETCH(QString, left);
        DialogBench d;
        d.feed = feed;
        d.bench.store(feed, {u"Printer C"_s, u"2"_s, u"7"_s, u"7"_s});
        d.bench.registration->load(feed);
        d.open();
        d.type(d.dialog->LuNumEdit_TOP, top);
        d.type(d.dialog->LuNumEdit_LEFT, left);
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), top);
        QCOMPARE(d.dialog->LuNumEdit_LEFT->text(), left);

        QTest::mouseClick(d.dialog->BitBtn_MRGN, Qt::LeftButton);
        QCOMPARE(d.boxes.questions, QStringList{u"印字位置調整の余白を登録しますか?"_s});
        QVERIFY(d.boxes.errors.isEmpty());
        QVERIFY(!d.dialog->isVisible());
        QCOMPARE(d.dialog->result(), int(QDialog::Accepted));
        d.bench.checkShown({u"2"_s, top, left});
        QCOMPARE(d.bench.file().read(feed), (FeedEntry{u"Printer C"_s, u"2"_s, top, left}));
    }

    void enterOnTheButtonRegisters()
    {
        DialogBench d;
        d.open();
        QTest::keyClick(d.dialog->LuNumEdit_TOP, Qt::Key_Return);
        QTest::keyClick(d.dialog->LuNumEdit_LEFT, Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), d.dialog->BitBtn_MRGN);
        QTest::keyClick(d.dialog->BitBtn_MRGN, Qt::Key_Return);
        QCOMPARE(d.boxes.questions.size(), 1);
        QVERIFY(!d.dialog->isVisible());
        QCOMPARE(d.bench.file().read(kContinuous).topMargin, u"0"_s);
    }

    void noKeepsDialogOpen()
    {
        DialogBench d;
        d.bench.display->setMargins(u"12"_s, u"-8"_s);
        d.open();
        d.type(d.dialog->LuNumEdit_TOP, u"33"_s);
        d.boxes.answer = false;
        QTest::mouseClick(d.dialog->BitBtn_MRGN, Qt::LeftButton);
        QCOMPARE(d.boxes.questions.size(), 1);
        QVERIFY(d.dialog->isVisible());
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), u"33"_s);
        QCOMPARE(d.dialog->LuNumEdit_LEFT->text(), u"-8"_s);
        d.bench.checkShown({u"-1"_s, u"12"_s, u"-8"_s});
        QVERIFY(!QFile::exists(d.bench.path()));

        // Closed with its close box, then opened again: the binding's margins again.
        d.dialog->close();
        QVERIFY(!d.dialog->isVisible());
        d.bench.checkShown({u"-1"_s, u"12"_s, u"-8"_s});
        d.open();
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), u"12"_s);
        QVERIFY(!QFile::exists(d.bench.path()));
    }

    void escapeChangesNothing()
    {
        DialogBench d;
        d.open();
        d.type(d.dialog->LuNumEdit_LEFT, u"9"_s);
        QTest::keyClick(d.dialog->LuNumEdit_LEFT, Qt::Key_Escape);
        QVERIFY(!d.dialog->isVisible());
        QVERIFY(d.boxes.questions.isEmpty());
        d.bench.checkShown({u"-1"_s, u"0"_s, u"0"_s});
        QVERIFY(!QFile::exists(d.bench.path()));
    }

    void failedWriteKeepsDialogAndBinding()
    {
        DialogBench d;
        d.bench.display->setMargins(u"1"_s, u"2"_s);
        QVERIFY(QDir(d.bench.dir.path()).mkdir(u"mekira_q610.ini"_s)); // cannot be written
        d.open();
        d.type(d.dialog->LuNumEdit_TOP, u"12"_s);
        QTest::mouseClick(d.dialog->BitBtn_MRGN, Qt::LeftButton);
        QCOMPARE(d.boxes.errors, QStringList{d.bench.path() + u" に書き込めません."_s});
        QVERIFY(d.dialog->isVisible());
        QCOMPARE(d.dialog->LuNumEdit_TOP->text(), u"12"_s);
        d.bench.checkShown({u"-1"_s, u"1"_s, u"2"_s});
    }
};

QTEST_MAIN(PrintPositionDialogTest)
#include "tst_printpositiondialog.moc"
