// The printer-setup dialog behind TOvPrinterSetupDialog: it lists every visible
// printer of the layer in the layer's order, opens on the current one, and on OK makes
// the chosen printer, paper size and paper source current; Cancel changes nothing.

#include "fakeprinterbackend.h"
#include "printer-ui/ovprintdialogs.h"
#include "printer/ovprinters.h"
#include "printer-ui/ovprintersetupform.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs TOvPrinterSetupDialog with Qt's default runner; `steps` act on the open form.
bool executeWith(const std::function<void(OvPrinterSetupForm &)> &steps)
{
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto *form = qobject_cast<OvPrinterSetupForm *>(QApplication::activeModalWidget());
        opened = form != nullptr;
        if (form)
            steps(*form);
        if (form && form->isVisible())
            form->reject();
    });
    const bool confirmed = TOvPrinterSetupDialog().Execute();
    return opened && confirmed;
}

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

} // namespace

class SetupFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        auto fake = std::make_unique<FakePrinterBackend>();
        fake->addPrinter(FakePrinterBackend::standardPrinter(u"Alpha"_s));
        auto hidden = FakePrinterBackend::standardPrinter(u"Ghost"_s);
        hidden.attributes = OvPrinterAttributeHidden;
        fake->addPrinter(hidden);
        fake->addPrinter(FakePrinterBackend::standardPrinter(u"Beta"_s));
        m_fake = fake.get();
        m_scope = std::make_unique<OvPrinterScope>(std::move(fake));
    }
    void cleanup() { m_scope.reset(); }

    void listsVisiblePrintersInJapanese()
    {
        OvPrinter().SetIndex(1);
        OvPrinterSetupForm form(OvPrinter());
        QCOMPARE(form.windowTitle(), u"プリンタの設定"_s);
        QCOMPARE(itemsOf(form.printerBox()), (QStringList{u"Alpha"_s, u"Beta"_s}));
        QCOMPARE(form.printerBox()->currentText(), u"Beta"_s);
        QCOMPARE(itemsOf(form.paperBox()), OvPrinter().PaperSizeNames());
        QCOMPARE(form.paperBox()->currentIndex(), OvPrinter().PaperSizeIndex());
        const auto *buttons = form.findChild<QDialogButtonBox *>();
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), u"キャンセル"_s);
        // Another printer starts with its own defaults unless the user picks others.
        form.printerBox()->setCurrentIndex(0);
        QCOMPARE(form.paperBox()->itemText(0), u"（プリンタの既定）"_s);
        QCOMPARE(form.paperBox()->currentIndex(), 0);
    }

    void choiceBecomesCurrent_data()
    {
        QTest::addColumn<int>("printerRow");
        QTest::addColumn<int>("paperRow"); // -1: leave as offered
        QTest::addColumn<int>("binRow");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("paperNumber");
        QTest::addColumn<int>("binNumber");
        // Papers A4 (9), A5 (11), Letter (1); bins upper (1), manual (4).
        QTest::newRow("same printer, A5 from the manual feed") << 0 << 1 << 1 << 0 << 11 << 4;
        QTest::newRow("other printer with its defaults") << 1 << -1 << -1 << 1 << 9 << 1;
        QTest::newRow("other printer, Letter") << 1 << 3 << -1 << 1 << 1 << 1;
    }
    void choiceBecomesCurrent()
    {
        QFETCH(int, printerRow);
        QFETCH(int, paperRow);
        QFETCH(int, binRow);
        OvPrinter().SetIndex(0);
        QVERIFY(executeWith([&](OvPrinterSetupForm &form) {
            form.printerBox()->setCurrentIndex(printerRow);
            if (paperRow >= 0)
                form.paperBox()->setCurrentIndex(paperRow);
            if (binRow >= 0)
                form.binBox()->setCurrentIndex(binRow);
            form.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        }));
        QTEST(OvPrinter().Index(), "index");
        QTEST(OvPrinter().PaperSizeNumber(), "paperNumber");
        QTEST(OvPrinter().BinNumber(), "binNumber");
    }

    void cancelChangesNothing()
    {
        OvPrinter().SetIndex(0);
        OvPrinter().SetPaperSizeNumber(1);
        QVERIFY(!executeWith([](OvPrinterSetupForm &form) {
            form.printerBox()->setCurrentIndex(1);
            form.paperBox()->setCurrentIndex(2);
        }));
        QCOMPARE(OvPrinter().Index(), 0);
        QVERIFY(OvPrinter().Modified());
        QCOMPARE(OvPrinter().PaperSizeNumber(), 1);
    }

private:
    FakePrinterBackend *m_fake = nullptr;
    std::unique_ptr<OvPrinterScope> m_scope;
};

QTEST_MAIN(SetupFormTest)
#include "tst_setupform.moc"
