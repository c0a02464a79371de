// The printer binding's apply and the printer display on the fake back end.

#include "printing/printerdisplay.h"

#include "platform/error.h"
#include "fakeprinterbackend.h"
#include "printer/ovprinters.h"

#include <QComboBox>
#include <QPainter>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;
using slip::PrinterBinding;
using printing::PrinterDisplay;

namespace {

// The group box's widgets as the window would own them.
struct Panel
{
    QWidget window;
    QComboBox *printers = new QComboBox(&window);
    QComboBox *papers = new QComboBox(&window);
    QComboBox *bins = new QComboBox(&window);
    QLabel *top = new QLabel(&window);
    QLabel *left = new QLabel(&window);

    PrinterDisplay::Widgets widgets() { return {printers, papers, bins, top, left}; }
};

PrinterBinding bindingFor(const QString &index, const QString &top = u"0"_s,
                          const QString &left = u"0"_s)
{
    return {index, top, left};
}

// Three visible printers and a hidden one between the first two.
std::unique_ptr<FakePrinterBackend> threePrinters()
{
    auto fake = std::make_unique<FakePrinterBackend>();
    fake->addPrinter(FakePrinterBackend::standardPrinter(u"Alpha"_s));
    auto hidden = FakePrinterBackend::standardPrinter(u"Ghost"_s);
    hidden.attributes = OvPrinterAttributeHidden;
    fake->addPrinter(hidden);
    fake->addPrinter(FakePrinterBackend::standardPrinter(u"Beta"_s));
    fake->addPrinter(FakePrinterBackend::standardPrinter(u"Gamma"_s));
    return fake;
}

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

} // namespace

class PrinterDisplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxesAreDisplaysOnly()
    {
        Panel panel;
        PrinterDisplay display(panel.widgets(), nullptr);
        for (QComboBox *box : {panel.printers, panel.papers, panel.bins}) {
            QCOMPARE(box->focusPolicy(), Qt::NoFocus);
            QVERIFY(box->lineEdit());
            QVERIFY(box->lineEdit()->isReadOnly());
        }
        // The default binding's margins are on show from the start.
        QCOMPARE(panel.top->text(), u"0"_s);
        QCOMPARE(panel.left->text(), u"0"_s);
    }

    // Nothing the user does to a box changes what it shows: a registration stores
    // the printer shown, which must stay the printer that prints.
    void boxesIgnoreTheUser_data()
    {
        QTest::addColumn<int>("gesture");
        QTest::newRow("wheel down") << 0;
        QTest::newRow("wheel up") << 1;
        QTest::newRow("arrow keys") << 2;
        QTest::newRow("click and pick") << 3;
    }
    void boxesIgnoreTheUser()
    {
        QFETCH(int, gesture);
        TOvPrinter printer(threePrinters());
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);
        display.setBinding(bindingFor(u"1"_s));
        display.SpeedButton_PRNSETClick();
        panel.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel.window));
        const QList<int> before{panel.printers->currentIndex(), panel.papers->currentIndex(),
                                panel.bins->currentIndex()};
        for (QComboBox *box : {panel.printers, panel.papers, panel.bins}) {
            for (QWidget *target : {static_cast<QWidget *>(box), static_cast<QWidget *>(box->lineEdit())}) {
                const QPointF at = QPointF(target->rect().center());
                switch (gesture) {
                case 0:
                case 1: {
                    const QPoint delta(0, gesture == 0 ? -120 : 120);
                    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), delta, Qt::NoButton,
                                      Qt::NoModifier, Qt::NoScrollPhase, false);
                    QApplication::sendEvent(target, &wheel);
                    break;
                }
                case 2:
                    QTest::keyClick(target, Qt::Key_Down);
                    QTest::keyClick(target, Qt::Key_Up);
                    QTest::keyClick(target, Qt::Key_End);
                    break;
                default:
                    QTest::mouseClick(target, Qt::LeftButton, {}, at.toPoint());
                    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : target,
                                    Qt::Key_Down);
                    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : target,
                                    Qt::Key_Return);
                    break;
                }
            }
        }
        QCOMPARE((QList<int>{panel.printers->currentIndex(), panel.papers->currentIndex(),
                             panel.bins->currentIndex()}),
                 before);
        QCOMPARE(display.printerName(), u"Beta"_s);
    }

    void labelsFollowTheBinding()
    {
        Panel panel;
        PrinterDisplay display(panel.widgets(), nullptr);
        display.setBinding(bindingFor(u"2"_s, u"12"_s, u"-8"_s));
        QCOMPARE(panel.top->text(), u"12"_s);
        QCOMPARE(panel.left->text(), u"-8"_s);
        display.setMargins(QString(), u"5"_s);
        QCOMPARE(panel.top->text(), QString());
        QCOMPARE(panel.left->text(), u"5"_s);
        display.setPrinterIndex(u"1"_s);
        QCOMPARE(display.binding(), bindingFor(u"1"_s, QString(), u"5"_s));
    }

    void applyShowsTheBoundPrinter_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("backendPosition");
        QTest::newRow("first") << u"0"_s << 0 << 0;
        QTest::newRow("second skips the hidden one") << u"1"_s << 1 << 2;
        QTest::newRow("third") << u"2"_s << 2 << 3;
        QTest::newRow("default printer") << u"-1"_s << 2 << 3;
        QTest::newRow("hexadecimal") << u"$1"_s << 1 << 2;
    }
    void applyShowsTheBoundPrinter()
    {
        QFETCH(QString, index);
        QFETCH(int, shown);
        QFETCH(int, backendPosition);
        auto fake = threePrinters();
        fake->setDefaultPrinter(3);
        FakePrinterBackend *f = fake.get();
        TOvPrinter printer(std::move(fake));
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);
        display.setBinding(bindingFor(index));

        display.SpeedButton_PRNSETClick();
        QCOMPARE(f->currentPosition(), backendPosition);
        QCOMPARE(itemsOf(panel.printers), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
        QCOMPARE(panel.printers->currentIndex(), shown);
        QCOMPARE(display.printerName(), itemsOf(panel.printers).at(shown));
        QVERIFY(panel.printers->isEnabled());
        QCOMPARE(itemsOf(panel.papers), printer.PaperSizeNames());
        QCOMPARE(panel.papers->currentIndex(), printer.PaperSizeIndex());
        QVERIFY(panel.papers->currentIndex() >= 0);
        QCOMPARE(itemsOf(panel.bins), printer.BinNames());
        QCOMPARE(panel.bins->currentIndex(), printer.BinIndex());
        QVERIFY(panel.bins->currentIndex() >= 0);
    }

    // A registered printer that is gone: the first printer prints, and the display
    // shows that printer rather than the one shown before.
    void outOfRangeFallsBackToFirstAndShowsIt_data()
    {
        QTest::addColumn<QString>("index");
        QTest::newRow("beyond the list") << u"5"_s;
        QTest::newRow("below -1") << u"-2"_s;
        QTest::newRow("the hidden printer's count") << u"3"_s;
    }
    void outOfRangeFallsBackToFirstAndShowsIt()
    {
        QFETCH(QString, index);
        auto fake = threePrinters();
        FakePrinterBackend *f = fake.get();
        TOvPrinter printer(std::move(fake));
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);
        display.setBinding(bindingFor(u"2"_s));
        display.SpeedButton_PRNSETClick();
        QCOMPARE(panel.printers->currentText(), u"Gamma"_s);

        display.setPrinterIndex(index);
        display.SpeedButton_PRNSETClick(); // no error reaches the caller
        QCOMPARE(f->currentPosition(), 0);
        QCOMPARE(printer.Index(), 0);
        QCOMPARE(panel.printers->currentText(), u"Alpha"_s);
        QCOMPARE(display.printerName(), u"Alpha"_s);
        // The binding keeps its text; the next load or registration replaces it.
        QCOMPARE(display.binding().printerIndex, index);
    }

    void badIndexChangesNothing_data()
    {
        QTest::addColumn<QString>("index");
        QTest::newRow("letters") << u"abc"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("fraction") << u"1.0"_s;
    }
    void badIndexChangesNothing()
    {
        QFETCH(QString, index);
        auto fake = threePrinters();
        FakePrinterBackend *f = fake.get();
        TOvPrinter printer(std::move(fake));
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);
        display.setBinding(bindingFor(u"1"_s));
        display.SpeedButton_PRNSETClick();

        display.setPrinterIndex(index);
        QVERIFY_THROWS_EXCEPTION(platform::EConvertError, display.SpeedButton_PRNSETClick());
        QCOMPARE(f->currentPosition(), 2);
        QCOMPARE(panel.printers->currentText(), u"Beta"_s);
    }

    void noPrinterInstalled()
    {
        TOvPrinter printer(std::make_unique<FakePrinterBackend>());
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);
        display.setBinding(bindingFor(u"-1"_s));
        try {
            display.SpeedButton_PRNSETClick();
            QFAIL("the apply succeeded without a printer");
        } catch (const EOvPrinterNoPrinter &e) {
            QCOMPARE(e.message(), u"TOvPrinter.CheckNoPrinter: No Printer"_s);
        }
        QCOMPARE(panel.printers->count(), 0);
    }

    void printerWithoutBinsOrPapers()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        auto bare = FakePrinterBackend::standardPrinter(u"Bare"_s);
        bare.capabilities.binCount = 0;
        bare.capabilities.bins.clear();
        bare.capabilities.paperCount = -1;
        bare.capabilities.papers.clear();
        fake->addPrinter(FakePrinterBackend::standardPrinter(u"Full"_s));
        fake->addPrinter(bare);
        TOvPrinter printer(std::move(fake));
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);

        display.setBinding(bindingFor(u"0"_s));
        display.SpeedButton_PRNSETClick();
        QVERIFY(panel.bins->currentIndex() >= 0);
        QVERIFY(panel.papers->currentIndex() >= 0);

        display.setPrinterIndex(u"1"_s);
        display.SpeedButton_PRNSETClick();
        QCOMPARE(panel.printers->currentText(), u"Bare"_s);
        QCOMPARE(panel.papers->currentIndex(), -1);
        QCOMPARE(panel.papers->currentText(), QString());
        QCOMPARE(panel.bins->currentIndex(), -1);
        QCOMPARE(panel.bins->currentText(), QString());
    }

    // The printer box is disabled when the current printer cannot be shown, and
    // enabled again by the next apply that shows one.
    void disabledPrinterBoxComesBack()
    {
        auto fake = threePrinters();
        FakePrinterBackend *f = fake.get();
        TOvPrinter printer(std::move(fake));
        Panel panel;
        PrinterDisplay display(panel.widgets(), &printer);

        display.setBinding(bindingFor(u"0"_s));
        display.SpeedButton_PRNSETClick();
        QVERIFY(panel.printers->isEnabled());

        // -1 selects the system's default printer, here a hidden one that the
        // layer refuses to name.
        f->setDefaultPrinter(1);
        display.setPrinterIndex(u"-1"_s);
        display.SpeedButton_PRNSETClick();
        QCOMPARE(f->currentPosition(), 1);
        QVERIFY(!panel.printers->isEnabled());

        // Another printer is chosen outside the layer (the setup dialog, say).
        f->selectDirectly(2);
        display.setPrinterIndex(u"1"_s);
        display.SpeedButton_PRNSETClick();
        QVERIFY(panel.printers->isEnabled());
        QCOMPARE(panel.printers->currentText(), u"Beta"_s);
    }
};

QTEST_MAIN(PrinterDisplayTest)
#include "tst_printerdisplay.moc"
