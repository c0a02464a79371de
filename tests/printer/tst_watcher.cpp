// The change watcher: the spooler is asked off the UI thread, the answer is handed
// back and checked there; a slow spooler never blocks the event loop.

#include "fakeprinterbackend.h"
#include "printer/ovprinters.h"
#include "printer-ui/ovsystemwatcher.h"

#include "platform-ui/messagebox.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QtTest>

namespace {

class RecordingBoxes : public platform::MessageBoxes
{
public:
    QStringList errors;
    bool question(const QString &) override { return false; }
    void notice(const QString &) override {}
    void error(const QString &text) override { errors.append(text); }
};

} // namespace

class WatcherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void slowSpoolerDoesNotBlock();
    void periodicChecks();
    void destroyedWhileChecking();
    void failingHandlerIsShown();
    void checkWaitsForDialogs_data();
    void checkWaitsForDialogs();

private:
    FakePrinterBackend *m_fake = nullptr;
    std::unique_ptr<OvPrinterScope> m_scope;
    int m_calls = 0;
};

void WatcherTest::init()
{
    auto backend = std::make_unique<FakePrinterBackend>();
    backend->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("A")));
    m_fake = backend.get();
    m_scope = std::make_unique<OvPrinterScope>(std::move(backend));
    m_calls = 0;
    OvPrinter().SetOnSystemChanged([this](TOvPrinter *) { ++m_calls; });
}

void WatcherTest::cleanup()
{
    m_scope.reset();
}

void WatcherTest::slowSpoolerDoesNotBlock()
{
    OvSystemChangeWatcher watcher;
    QSignalSpy checked(&watcher, &OvSystemChangeWatcher::checked);
    m_fake->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("B")));
    m_fake->setProbeDelay(600);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(watcher.checkNow());
    QVERIFY(clock.elapsed() < 200);
    QVERIFY(watcher.checkRunning());
    QVERIFY(!watcher.checkNow()); // one check at a time

    // The event loop keeps running while the spooler is slow.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QVERIFY(checked.wait(5000));
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QCOMPARE(m_calls, 1);
    QVERIFY(!watcher.checkRunning());
    QCOMPARE(OvPrinter().PrinterNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    // Nothing new: no call.
    m_fake->setProbeDelay(0);
    QVERIFY(watcher.checkNow());
    QVERIFY(checked.wait(5000));
    QCOMPARE(m_calls, 1);
}

void WatcherTest::periodicChecks()
{
    OvSystemChangeWatcher watcher;
    QSignalSpy checked(&watcher, &OvSystemChangeWatcher::checked);
    watcher.start(30);
    QVERIFY(watcher.isActive());
    QTRY_VERIFY_WITH_TIMEOUT(checked.size() >= 3, 5000);
    QCOMPARE(m_calls, 0);
    m_fake->setExtraPorts({QStringLiteral("COM1:")});
    QTRY_COMPARE_WITH_TIMEOUT(m_calls, 1, 5000);
    watcher.stop();
    QVERIFY(!watcher.isActive());
    QTest::qWait(100);
    const int after = int(checked.size());
    QTest::qWait(150);
    QCOMPARE(int(checked.size()), after);
    QCOMPARE(m_calls, 1);
}

void WatcherTest::destroyedWhileChecking()
{
    m_fake->setProbeDelay(300);
    {
        OvSystemChangeWatcher watcher;
        m_fake->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("B")));
        QVERIFY(watcher.checkNow());
    }
    // The late answer goes nowhere.
    QTest::qWait(600);
    QCOMPARE(m_calls, 0);
    QCOMPARE(OvPrinter().PrinterNames(), QStringList{QStringLiteral("A")});
}

void WatcherTest::failingHandlerIsShown()
{
    RecordingBoxes boxes;
    platform::setMessageBoxes(&boxes);
    OvPrinter().SetOnSystemChanged([](TOvPrinter *sender) { sender->Index(); });
    m_fake->removePrinter(0);
    OvSystemChangeWatcher watcher;
    QSignalSpy checked(&watcher, &OvSystemChangeWatcher::checked);
    QVERIFY(watcher.checkNow());
    QVERIFY(checked.wait(5000));
    platform::setMessageBoxes(nullptr);
    QCOMPARE(boxes.errors, QStringList{QStringLiteral("TOvPrinter.CheckNoPrinter: No Printer.")});
    QVERIFY(!watcher.checkRunning());
}

// A check whose answer arrives while a modal dialog is open, or while the layer is
// busy, changes nothing then; it is made again once the dialog has closed.
void WatcherTest::checkWaitsForDialogs_data()
{
    QTest::addColumn<bool>("modal");
    QTest::newRow("modal dialog") << true;
    QTest::newRow("layer busy") << false;
}

void WatcherTest::checkWaitsForDialogs()
{
    QFETCH(bool, modal);
    OvSystemChangeWatcher watcher;
    QSignalSpy checked(&watcher, &OvSystemChangeWatcher::checked);
    m_fake->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("B")));
    QStringList namesInside;
    const auto inside = [&] {
        QVERIFY(watcher.checkNow());
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.checkRunning(), 5000);
        QTest::qWait(50);
        QVERIFY(watcher.checkDeferred());
        namesInside = OvPrinter().PrinterNames();
    };
    if (modal) {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            inside();
            dialog.accept();
        });
        dialog.exec();
    } else {
        const TOvPrinter::BusyScope busy(OvPrinter());
        inside();
    }
    QCOMPARE(namesInside, QStringList{QStringLiteral("A")});
    QCOMPARE(m_calls, 0);
    QVERIFY(checked.wait(5000));
    QCOMPARE(m_calls, 1);
    QCOMPARE(OvPrinter().PrinterNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

QTEST_MAIN(WatcherTest)
#include "tst_watcher.moc"
