// Printer list and selection on the scripted back end: hidden printers, the index,
// port names, the change check and the failure texts of the selection.

#include "fakeprinterbackend.h"
#include "printer/ovprinters.h"

#include <QtTest>

namespace {

using Printer = FakePrinterBackend::Printer;

Printer hidden(const QString &name)
{
    Printer p = FakePrinterBackend::standardPrinter(name);
    p.attributes = OvPrinterAttributeHidden;
    return p;
}

// A TOvPrinter over a fake with the given printers; the fake stays reachable.
struct Rig
{
    FakePrinterBackend *fake = nullptr;
    std::unique_ptr<TOvPrinter> printer;

    explicit Rig(const QList<Printer> &printers, int defaultPosition = 0)
    {
        auto backend = std::make_unique<FakePrinterBackend>();
        for (const Printer &p : printers)
            backend->addPrinter(p);
        backend->setDefaultPrinter(defaultPosition);
        fake = backend.get();
        printer = std::make_unique<TOvPrinter>(std::move(backend));
    }
    TOvPrinter *operator->() const { return printer.get(); }
};

QList<Printer> aHb()
{
    return {FakePrinterBackend::standardPrinter(QStringLiteral("A")), hidden(QStringLiteral("H")),
            FakePrinterBackend::standardPrinter(QStringLiteral("B"))};
}

template<typename E, typename F>
QString messageOf(F &&f)
{
    try {
        f();
    } catch (const E &e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}

} // namespace

class SelectionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void snapshotCompare_data();
    void snapshotCompare();
    void snapshotOutOfRange();

    void hiddenPrintersSkipped();
    void indexWriteAndRead_data();
    void indexWriteAndRead();
    void indexRangeErrors_data();
    void indexRangeErrors();
    void indexOfHiddenCurrentIsIllegal();
    void indexAssertsWhenDeviceUnknown();
    void sameIndexKeepsChanges();
    void otherIndexDropsChanges();
    void caseDifferentNamesAreDifferentPrinters();

    void noPrinterEverywhere_data();
    void noPrinterEverywhere();
    void noPrinterResetsCapabilityCache();
    void operationsWithoutPrinterCheck();

    void portNamesDeduplicated();
    void portWriteSetsModified();
    void portAppliedWithSettings();

    void systemChangeNothingChanged();
    void systemChangePrinterAdded();
    void systemChangePortOnly();
    void systemChangeUnansweredStateIgnored();
    void enumerationFailureRaises();

    void jobForwarded();
    void abortKeepsNothing();
    void globalInstance();
    void assertionFormat();
};

void SelectionTest::snapshotCompare_data()
{
    QTest::addColumn<QList<OvPrinterRecord>>("left");
    QTest::addColumn<QList<OvPrinterRecord>>("right");
    QTest::addColumn<bool>("equal");
    const OvPrinterRecord a{QStringLiteral("A"), 0};
    const OvPrinterRecord b{QStringLiteral("B"), 0};
    QTest::newRow("both empty") << QList<OvPrinterRecord>{} << QList<OvPrinterRecord>{} << true;
    QTest::newRow("same") << QList{a, b} << QList{a, b} << true;
    QTest::newRow("other order") << QList{a, b} << QList{b, a} << false;
    QTest::newRow("count differs") << QList{a} << QList{a, b} << false;
    QTest::newRow("case differs") << QList{a} << QList{OvPrinterRecord{QStringLiteral("a"), 0}} << false;
    QTest::newRow("hidden bit differs") << QList{a} << QList{OvPrinterRecord{QStringLiteral("A"), 0x20}} << false;
}

void SelectionTest::snapshotCompare()
{
    QFETCH(QList<OvPrinterRecord>, left);
    QFETCH(QList<OvPrinterRecord>, right);
    QFETCH(bool, equal);
    QCOMPARE(TOvAllPrintersInfo(left).Compare(TOvAllPrintersInfo(right)), equal);
    QCOMPARE(TOvAllPrintersInfo(right).Compare(TOvAllPrintersInfo(left)), equal);
}

void SelectionTest::snapshotOutOfRange()
{
    const TOvAllPrintersInfo info(QList<OvPrinterRecord>{{QStringLiteral("A"), 0x20}});
    QCOMPARE(info.Count(), 1u);
    QCOMPARE(info.Name(0), QStringLiteral("A"));
    QCOMPARE(info.Attributes(0), 0x20u);
    // Past the end: nothing rather than a crash.
    QCOMPARE(info.Name(5), QString());
    QCOMPARE(info.Attributes(5), 0u);
}

void SelectionTest::hiddenPrintersSkipped()
{
    Rig rig(aHb());
    QCOMPARE(rig->PrinterNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    rig->SetIndex(1);
    QCOMPARE(rig.fake->currentPosition(), 2);
    QCOMPARE(rig->Index(), 1);
    rig->SetIndex(0);
    QCOMPARE(rig.fake->currentPosition(), 0);
    QCOMPARE(rig->Index(), 0);
}

void SelectionTest::indexWriteAndRead_data()
{
    QTest::addColumn<int>("defaultPosition");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("index");
    QTest::newRow("first") << 0 << 0 << 0 << 0;
    QTest::newRow("after hidden") << 0 << 1 << 2 << 1;
    QTest::newRow("default is B") << 2 << -1 << 2 << 1;
    QTest::newRow("default is A") << 0 << -1 << 0 << 0;
}

void SelectionTest::indexWriteAndRead()
{
    QFETCH(int, defaultPosition);
    QFETCH(int, value);
    QFETCH(int, position);
    QFETCH(int, index);
    Rig rig(aHb(), defaultPosition);
    // Start away from the target so that the write really selects.
    rig.fake->selectDirectly(position == 0 ? 2 : 0);
    rig->SetIndex(value);
    QCOMPARE(rig.fake->currentPosition(), position);
    QCOMPARE(rig->Index(), index);
}

void SelectionTest::indexRangeErrors_data()
{
    QTest::addColumn<int>("value");
    QTest::newRow("two visible, index 2") << 2;
    QTest::newRow("index 3 = enumeration size") << 3;
    QTest::newRow("-2") << -2;
    QTest::newRow("far below") << -100;
}

void SelectionTest::indexRangeErrors()
{
    QFETCH(int, value);
    Rig rig(aHb());
    rig->SetIndex(1);
    rig->SetCopies(3);
    const int stores = rig.fake->storeCount();
    QCOMPARE(messageOf<EOVPrinterRangeError>([&] { rig->SetIndex(value); }),
             QStringLiteral("TOvPrinter.SetIndex: Index is out of Range"));
    // A failed write changed nothing.
    QCOMPARE(rig.fake->currentPosition(), 2);
    QCOMPARE(rig.fake->storeCount(), stores);
    QVERIFY(rig->Modified());
    QCOMPARE(rig->Copies(), quint16(3));
}

void SelectionTest::indexOfHiddenCurrentIsIllegal()
{
    Rig rig(aHb());
    rig.fake->selectDirectly(1);
    QCOMPARE(messageOf<EOvPrinterIllegalIndex>([&] { rig->Index(); }),
             QStringLiteral("TOvPrinter.GetIndex: Printers.PrinterIndex is Illegal"));
    // Writing an index reads it first, so the hidden printer blocks that too.
    QVERIFY_THROWS_EXCEPTION(EOvPrinterIllegalIndex, rig->SetIndex(0));
}

void SelectionTest::indexAssertsWhenDeviceUnknown()
{
    Rig rig(aHb());
    rig->SetIndex(0);
    // The printer object holds a device the snapshot does not know (renamed behind
    // the layer's back).
    rig.fake->printerAt(0).name = QStringLiteral("Renamed");
    OvDeviceRecord record = rig.fake->currentDevice();
    record.device = QStringLiteral("Renamed");
    rig.fake->setCurrentDevice(record);
    QCOMPARE(messageOf<EOvAssertionFailed>([&] { rig->Index(); }),
             QStringLiteral("アサートの失敗 (OvPrinters, 1210 行)"));
}

void SelectionTest::sameIndexKeepsChanges()
{
    Rig rig(aHb());
    rig->SetIndex(1);
    rig->SetCopies(5);
    rig->SetPaperSizeNumber(11);
    QVERIFY(rig->Modified());
    const int stores = rig.fake->storeCount();
    rig->SetIndex(1);
    QVERIFY(rig->Modified());
    QCOMPARE(rig->Copies(), quint16(5));
    QCOMPARE(rig->PaperSizeNumber(), 11);
    QCOMPARE(rig.fake->storeCount(), stores);
}

void SelectionTest::otherIndexDropsChanges()
{
    Rig rig(aHb());
    rig->SetIndex(0);
    rig->SetCopies(5);
    // Selecting another printer drops the pending change and loads B's defaults.
    rig->SetIndex(1);
    QVERIFY(!rig->Modified());
    QCOMPARE(rig->Copies(), quint16(1));
    QCOMPARE(rig.fake->currentSettings(), rig.fake->printerAt(2).defaultSettings);
}

void SelectionTest::caseDifferentNamesAreDifferentPrinters()
{
    Rig rig({FakePrinterBackend::standardPrinter(QStringLiteral("slip")),
             FakePrinterBackend::standardPrinter(QStringLiteral("SLIP"))});
    QCOMPARE(rig->PrinterNames().size(), 2);
    rig->SetIndex(1);
    QCOMPARE(rig.fake->currentPosition(), 1);
    QCOMPARE(rig->Index(), 1);
    rig->SetIndex(0);
    QCOMPARE(rig->Index(), 0);
}

void SelectionTest::noPrinterEverywhere_data()
{
    QTest::addColumn<bool>("onlyHidden");
    QTest::newRow("none installed") << false;
    QTest::newRow("only hidden") << true;
}

void SelectionTest::noPrinterEverywhere()
{
    QFETCH(bool, onlyHidden);
    Rig rig(onlyHidden ? QList<Printer>{hidden(QStringLiteral("H1")), hidden(QStringLiteral("H2"))}
                       : QList<Printer>{});
    const QString text = QStringLiteral("TOvPrinter.CheckNoPrinter: No Printer");
    const QList<std::function<void()>> calls = {
        [&] { rig->Index(); },
        [&] { rig->SetIndex(0); },
        [&] { rig->SetIndex(-1); },
        [&] { rig->PrinterNames(); },
        [&] { rig->Port(); },
        [&] { rig->SetPort(QStringLiteral("X")); },
        [&] { rig->PrintCaps(); },
        [&] { rig->PaperSizeNames(); },
        [&] { rig->PaperSizeIndex(); },
        [&] { rig->BinNames(); },
        [&] { rig->BinIndex(); },
        [&] { rig->DPI(); },
        [&] { rig->Scale(); },
        [&] { rig->MMPaperExtent(); },
        [&] { rig->Copies(); },
        [&] { rig->Quality(); },
    };
    for (const auto &call : calls)
        QCOMPARE(messageOf<EOvPrinterNoPrinter>(call), text);
    // The class split: callers may catch the family.
    QVERIFY_THROWS_EXCEPTION(EOvPrinter, rig->Index());
}

void SelectionTest::noPrinterResetsCapabilityCache()
{
    Rig rig({FakePrinterBackend::standardPrinter(QStringLiteral("A"))});
    QCOMPARE(rig->NumPaperSizes(), 3);
    // The only printer disappears and a new one under the same position arrives
    // with other papers: a changed list must not leave stale capabilities behind.
    rig.fake->removePrinter(0);
    rig->SystemChangeHook();
    QVERIFY_THROWS_EXCEPTION(EOvPrinterNoPrinter, rig->NumPaperSizes());
    Printer other = FakePrinterBackend::standardPrinter(QStringLiteral("C"));
    other.capabilities.papers = {{43, QStringLiteral("Postcard")}};
    other.capabilities.paperCount = 1;
    rig.fake->addPrinter(other);
    rig->SystemChangeHook();
    QCOMPARE(rig->PaperSizeNames(), QStringList{QStringLiteral("Postcard")});
}

void SelectionTest::operationsWithoutPrinterCheck()
{
    Rig rig({});
    rig.fake->setExtraPorts({QStringLiteral("LPT1:")});
    QCOMPARE(rig->PortNames(), QStringList{QStringLiteral("LPT1:")});
    QVERIFY(!rig->Modified());
    rig->ApplySettings(); // nothing to apply: no printer check either
    rig->DiscardModification();
    QCOMPARE(rig.fake->storeCount(), 0);
}

void SelectionTest::portNamesDeduplicated()
{
    Rig rig({FakePrinterBackend::standardPrinter(QStringLiteral("A"))});
    rig.fake->printerAt(0).port = QStringLiteral("USB001");
    rig.fake->setExtraPorts({QStringLiteral("usb001"), QStringLiteral("LPT1:"), QStringLiteral("USB001"),
                             QStringLiteral("lpt1:"), QStringLiteral("FILE:")});
    QCOMPARE(rig->PortNames(),
             (QStringList{QStringLiteral("USB001"), QStringLiteral("LPT1:"), QStringLiteral("FILE:")}));
    // Refilled, not appended to.
    QCOMPARE(rig->PortNames().size(), 3);
}

void SelectionTest::portWriteSetsModified()
{
    Rig rig({FakePrinterBackend::standardPrinter(QStringLiteral("A"))});
    QCOMPARE(rig->Port(), QStringLiteral("A:"));
    rig->SetPort(QStringLiteral("A:"));
    QVERIFY(!rig->Modified());
    rig->SetPort(QStringLiteral("a:")); // exact comparison: another text
    QVERIFY(rig->Modified());
    QCOMPARE(rig->Port(), QStringLiteral("a:"));
}

void SelectionTest::portAppliedWithSettings()
{
    Rig rig({FakePrinterBackend::standardPrinter(QStringLiteral("A"))});
    rig->SetPort(QStringLiteral("USB002"));
    rig->ApplySettings();
    QCOMPARE(rig.fake->lastStored().port, QStringLiteral("USB002"));
    QCOMPARE(rig->Port(), QStringLiteral("USB002"));
    QVERIFY(!rig->Modified());
}

void SelectionTest::systemChangeNothingChanged()
{
    Rig rig(aHb());
    int calls = 0;
    rig->SetOnSystemChanged([&](TOvPrinter *sender) {
        QCOMPARE(sender, rig.printer.get());
        ++calls;
    });
    rig->PortNames();
    rig->SystemChangeHook();
    rig->SystemChangeHook(rig.fake->systemProbe()());
    QCOMPARE(calls, 0);
    QCOMPARE(rig.fake->discardCount(), 0);
}

void SelectionTest::systemChangePrinterAdded()
{
    for (const bool fromWorker : {false, true}) {
        Rig rig(aHb());
        int calls = 0;
        rig->SetOnSystemChanged([&](TOvPrinter *) { ++calls; });
        rig->SetCopies(4);
        QVERIFY(rig->Modified());
        rig.fake->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("C")));
        if (fromWorker)
            rig->SystemChangeHook(rig.fake->systemProbe()());
        else
            rig->SystemChangeHook();
        QCOMPARE(calls, 1);
        QVERIFY(!rig->Modified());
        QCOMPARE(rig.fake->discardCount(), 1);
        QCOMPARE(rig->PrinterNames(),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        // The new snapshot is kept: a second check finds nothing.
        rig->SystemChangeHook();
        QCOMPARE(calls, 1);
    }
}

void SelectionTest::systemChangePortOnly()
{
    Rig rig(aHb());
    int calls = 0;
    rig->SetOnSystemChanged([&](TOvPrinter *) { ++calls; });
    rig->PortNames();
    rig->SetCopies(4);
    rig.fake->setExtraPorts({QStringLiteral("COM1:")});
    rig->SystemChangeHook();
    QCOMPARE(calls, 1);
    QVERIFY(rig->Modified()); // a port change leaves the private copy alone
    QCOMPARE(rig.fake->discardCount(), 0);
    // Port renamed in place (same count): still a change.
    rig.fake->setExtraPorts({QStringLiteral("COM2:")});
    rig->SystemChangeHook(rig.fake->systemProbe()());
    QCOMPARE(calls, 2);
    // Unchanged again: no call.
    rig->SystemChangeHook(rig.fake->systemProbe()());
    QCOMPARE(calls, 2);
}

void SelectionTest::systemChangeUnansweredStateIgnored()
{
    Rig rig(aHb());
    int calls = 0;
    rig->SetOnSystemChanged([&](TOvPrinter *) { ++calls; });
    rig->SystemChangeHook(OvSystemState{}); // spooler did not answer
    QCOMPARE(calls, 0);
    QCOMPARE(rig->PrinterNames().size(), 2);
}

void SelectionTest::enumerationFailureRaises()
{
    auto backend = std::make_unique<FakePrinterBackend>();
    backend->setEnumerationFails(true);
    QVERIFY_THROWS_EXCEPTION(EOvSystemError, TOvPrinter printer(std::move(backend)));
    Rig rig(aHb());
    rig.fake->setEnumerationFails(true);
    QVERIFY_THROWS_EXCEPTION(EOvSystemError, rig->PortNames());
}

void SelectionTest::jobForwarded()
{
    Rig rig(aHb());
    QVERIFY(!rig->Printing());
    QVERIFY(!rig->Canvas());
    rig->BeginDoc(QStringLiteral("mekira_RErorezev  "));
    QVERIFY(rig->Printing());
    QVERIFY(rig->Canvas());
    QVERIFY(rig->Canvas()->isActive());
    rig->Canvas()->drawText(10, 20, QStringLiteral("〒100-0001"));
    rig->Newpage();
    rig->Canvas()->drawLine(0, 0, 5, 5);
    rig->EndDoc();
    QVERIFY(!rig->Printing());
    QCOMPARE(rig.fake->jobLog(),
             (QStringList{QStringLiteral("BeginDoc:mekira_RErorezev  "), QStringLiteral("NewPage"),
                          QStringLiteral("EndDoc")}));
    QCOMPARE(rig.fake->printedTitles(), QStringList{QStringLiteral("mekira_RErorezev  ")});
    QCOMPARE(rig.fake->printedPages().size(), 2);
    QVERIFY(rig.fake->printedPages().first().size() > 0);
}

void SelectionTest::abortKeepsNothing()
{
    Rig rig(aHb());
    rig->BeginDoc(QStringLiteral("T"));
    rig->Canvas()->drawText(0, 0, QStringLiteral("x"));
    rig->Abort();
    QVERIFY(!rig->Printing());
    QCOMPARE(rig.fake->jobLog(), (QStringList{QStringLiteral("BeginDoc:T"), QStringLiteral("Abort")}));
    QVERIFY(rig.fake->printedPages().isEmpty());
}

void SelectionTest::globalInstance()
{
    QVERIFY(!OvPrinterExists());
    {
        auto backend = std::make_unique<FakePrinterBackend>();
        backend->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("A")));
        OvPrinterScope scope(std::move(backend));
        QVERIFY(OvPrinterExists());
        QCOMPARE(&OvPrinter(), &scope.printer());
        QCOMPARE(OvPrinter().PrinterNames(), QStringList{QStringLiteral("A")});
        OvPrinter().SetCopies(2);
    }
    QVERIFY(!OvPrinterExists());
}

void SelectionTest::assertionFormat()
{
    QCOMPARE(EOvAssertionFailed(930).message(), QStringLiteral("アサートの失敗 (OvPrinters, 930 行)"));
    QCOMPARE(EOvAssertionFailed(2087, QStringLiteral("TOvPrinter.ApplySettings; No Setteing Info")).message(),
             QStringLiteral("TOvPrinter.ApplySettings; No Setteing Info (OvPrinters, 2087 行)"));
    QCOMPARE(EOvAssertionFailed(960).line(), 960);
}

QTEST_MAIN(SelectionTest)
#include "tst_selection.moc"
