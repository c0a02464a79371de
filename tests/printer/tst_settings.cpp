// Device settings, capability lists, metrics and ApplySettings on the scripted back
// end, with the failure texts of every member.

#include "fakeprinterbackend.h"
#include "printer-ui/ovprintdialogs.h"
#include "printer/ovprinters.h"

#include <QtTest>

#include <cstring>
#include <map>

namespace {

using Printer = FakePrinterBackend::Printer;
using Call = std::function<void(TOvPrinter &)>;

constexpr quint32 kAllFields = OvDm::Orientation | OvDm::PaperSize | OvDm::PaperLength | OvDm::PaperWidth
    | OvDm::Scale | OvDm::Copies | OvDm::DefaultSource | OvDm::PrintQuality | OvDm::Color | OvDm::Duplex
    | OvDm::YResolution | OvDm::Collate;

struct Rig
{
    FakePrinterBackend *fake = nullptr;
    std::unique_ptr<TOvPrinter> printer;

    explicit Rig(const Printer &p)
    {
        auto backend = std::make_unique<FakePrinterBackend>();
        backend->addPrinter(p);
        fake = backend.get();
        printer = std::make_unique<TOvPrinter>(std::move(backend));
    }
    TOvPrinter *operator->() const { return printer.get(); }
    TOvPrinter &operator*() const { return *printer; }
};

Printer standard()
{
    return FakePrinterBackend::standardPrinter(QStringLiteral("P"));
}

Printer withFields(quint32 fields)
{
    Printer p = standard();
    OvDevMode mode = ovReadDevMode(p.defaultSettings);
    mode.dmFields = fields;
    ovWriteDevMode(p.defaultSettings, mode);
    return p;
}

Printer withMode(const std::function<void(OvDevMode &)> &change)
{
    Printer p = standard();
    OvDevMode mode = ovReadDevMode(p.defaultSettings);
    change(mode);
    ovWriteDevMode(p.defaultSettings, mode);
    return p;
}

struct Outcome
{
    QString kind;
    QString message;
};

Outcome run(const Call &call, TOvPrinter &printer)
{
    try {
        call(printer);
    } catch (const EOvPrinterNotSupported &e) {
        return {QStringLiteral("NotSupported"), e.message()};
    } catch (const EOvPrinterNoInfo &e) {
        return {QStringLiteral("NoInfo"), e.message()};
    } catch (const EOVPrinterRangeError &e) {
        return {QStringLiteral("Range"), e.message()};
    } catch (const EOVPrinterPaperSizeError &e) {
        return {QStringLiteral("PaperSize"), e.message()};
    } catch (const EOvPrinterBinError &e) {
        return {QStringLiteral("Bin"), e.message()};
    } catch (const EOvPrinterNoUserPaperExtent &e) {
        return {QStringLiteral("NoUserPaperExtent"), e.message()};
    } catch (const platform::Error &e) {
        return {QStringLiteral("Other"), e.message()};
    }
    return {QStringLiteral("none"), QString()};
}

// Members by name, for the data tables.
const std::map<QString, Call> &members()
{
    static const std::map<QString, Call> table = {
        {"PaperSizeNumber", [](TOvPrinter &p) { p.PaperSizeNumber(); }},
        {"SetPaperSizeNumber", [](TOvPrinter &p) { p.SetPaperSizeNumber(11); }},
        {"HasPaperSizeNumber", [](TOvPrinter &p) { p.HasPaperSizeNumber(9); }},
        {"NumPaperSizes", [](TOvPrinter &p) { p.NumPaperSizes(); }},
        {"PaperSizeNumbers", [](TOvPrinter &p) { p.PaperSizeNumbers(0); }},
        {"PaperSizeNumbers(3)", [](TOvPrinter &p) { p.PaperSizeNumbers(3); }},
        {"PaperSizeNumbers(-1)", [](TOvPrinter &p) { p.PaperSizeNumbers(-1); }},
        {"PaperSizeNames", [](TOvPrinter &p) { p.PaperSizeNames(); }},
        {"PaperSizeIndex", [](TOvPrinter &p) { p.PaperSizeIndex(); }},
        {"SetPaperSizeIndex", [](TOvPrinter &p) { p.SetPaperSizeIndex(0); }},
        {"SetPaperSizeIndex(3)", [](TOvPrinter &p) { p.SetPaperSizeIndex(3); }},
        {"UserPaperExtent", [](TOvPrinter &p) { p.UserPaperExtent(); }},
        {"SetUserPaperExtent", [](TOvPrinter &p) { p.SetUserPaperExtent({1000, 1480}); }},
        {"BinNumber", [](TOvPrinter &p) { p.BinNumber(); }},
        {"SetBinNumber", [](TOvPrinter &p) { p.SetBinNumber(4); }},
        {"HasBinNumber", [](TOvPrinter &p) { p.HasBinNumber(1); }},
        {"NumBins", [](TOvPrinter &p) { p.NumBins(); }},
        {"BinNames", [](TOvPrinter &p) { p.BinNames(); }},
        {"BinIndex", [](TOvPrinter &p) { p.BinIndex(); }},
        {"SetBinIndex", [](TOvPrinter &p) { p.SetBinIndex(0); }},
        {"SetBinIndex(2)", [](TOvPrinter &p) { p.SetBinIndex(2); }},
        {"BinNumbers", [](TOvPrinter &p) { p.BinNumbers(0); }},
        {"BinNumbers(2)", [](TOvPrinter &p) { p.BinNumbers(2); }},
        {"Orientation", [](TOvPrinter &p) { p.Orientation(); }},
        {"SetOrientation", [](TOvPrinter &p) { p.SetOrientation(TOvPaperOrientation::ovOrLandScape); }},
        {"MaxCopies", [](TOvPrinter &p) { p.MaxCopies(); }},
        {"Copies", [](TOvPrinter &p) { p.Copies(); }},
        {"SetCopies", [](TOvPrinter &p) { p.SetCopies(2); }},
        {"SetCopies(0)", [](TOvPrinter &p) { p.SetCopies(0); }},
        {"Collate", [](TOvPrinter &p) { p.Collate(); }},
        {"SetCollate", [](TOvPrinter &p) { p.SetCollate(true); }},
        {"Color", [](TOvPrinter &p) { p.Color(); }},
        {"SetColor", [](TOvPrinter &p) { p.SetColor(true); }},
        {"Duplex", [](TOvPrinter &p) { p.Duplex(); }},
        {"SetDuplex", [](TOvPrinter &p) { p.SetDuplex(TOvDuplex::ovDupVertical); }},
        {"SetScale", [](TOvPrinter &p) { p.SetScale(50); }},
        {"Quality", [](TOvPrinter &p) { p.Quality(); }},
        {"SetQuality", [](TOvPrinter &p) { p.SetQuality({300, 300}); }},
        {"NumQualities", [](TOvPrinter &p) { p.NumQualities(); }},
        {"Qualities", [](TOvPrinter &p) { p.Qualities(0); }},
        {"Qualities(2)", [](TOvPrinter &p) { p.Qualities(2); }},
    };
    return table;
}

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notSupported_data();
    void notSupported();
    void noInfo_data();
    void noInfo();
    void outOfRange_data();
    void outOfRange();

    void modifiedRules_data();
    void modifiedRules();
    void readsShowUnappliedChanges();
    void paperIndexFirstBinIndexLast();
    void paperIndexWrite();
    void paperNumberNotInList();
    void userPaperExtent();
    void orientationDuplexMapping_data();
    void orientationDuplexMapping();
    void collateAndColorWrites_data();
    void collateAndColorWrites();
    void scaleWithoutCap();
    void qualityRead_data();
    void qualityRead();
    void qualityWrite();
    void namesCutToFieldWidth();
    void capabilitiesCachedPerPrinter();
    void availInfos();

    void applyWritesAndRevalidates();
    void applyNeverCopiesMoreThanTheCopy_data();
    void applyNeverCopiesMoreThanTheCopy();
    void applyAssertions_data();
    void applyAssertions();
    void applyStoresEvenWhenBlockEmpty();
    void loadAssertsOnEmptyBlock();
    void lockDeviceLoadsMissingBlock();
    void resolutionFetchFailure();

    void metrics();
    void mmPaperExtent_data();
    void mmPaperExtent();
    void metricsFollowAppliedSettingsOnly();

    void dialogs();
};

// ---------------------------------------------------------------- failure tables

void SettingsTest::notSupported_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("message");
    const QList<std::pair<const char *, const char *>> rows = {
        {"PaperSizeNumber", "TOvPrinter.GetPaperSizeNumber: PaperSize is not Supported"},
        {"SetPaperSizeNumber", "TOvPrinter.SetPaperSizeNumber: PaperSize is not Supported"},
        {"HasPaperSizeNumber", "TOvPrinter.HasPaperNumber: PaperSize is not Supported"},
        {"NumPaperSizes", "TOvPrinter.GetNumPaperSize: PaperSize is not Supported"},
        {"PaperSizeNumbers", "TOvPrinter.GetPaperSizeNumber: PaperSize is not Supported"},
        {"PaperSizeNames", "TOvPrinter.GetPaperSizeNames: PaperSize is not Supported"},
        {"PaperSizeIndex", "TOvPrinter.GetPaperSizeIndex: PaperSize is not Supported"},
        {"SetPaperSizeIndex", "TOvPrinter.SetPaperSizeIndex: PaperSize is not Supported"},
        {"SetUserPaperExtent", "TOvPrinter.SetpaperExtent: PaperSize is not Supported"},
        {"BinNumber", "TOvPrinter.GetBinNumber: Bin is not Supported"},
        {"SetBinNumber", "TOvPrinter.SetBinNumber: Bin is not Supported"},
        {"HasBinNumber", "TOvPrinter.SetBin: Bin is not Supported"},
        {"NumBins", "TOvPrinter.GetNumBins: Bin is not Supported"},
        {"BinNames", "TOvPrinter.GetBinNames: Bin is not Supported"},
        {"BinIndex", "TOvPrinter.GetBinIndex: Bin is not Supported"},
        {"SetBinIndex", "TOvPrinter.SetBinIndex: Bin is not Supported"},
        {"BinNumbers", "TOvPrinter.GetBunNumbers: Bin is not Supported"},
        {"Orientation", "TOvPrinter.GetOrientation: Orientation is not Supported"},
        {"SetOrientation", "TOvPrinter.SetOrientation: Orientation is not Supported"},
        {"MaxCopies", "TOvPrinter.GetMaxCopies: Copies is not Supported"},
        {"Copies", "TOvPrinter.GetCopies: Copies not Supported"},
        {"SetCopies", "TOvPrinter.SetCopies: Copies not Supported"},
        // The cap is checked before the value.
        {"SetCopies(0)", "TOvPrinter.SetCopies: Copies not Supported"},
        {"Collate", "TOvPrinter.GetCollate: Collate is not Supported"},
        {"SetCollate", "TOvPrinter.SetCollate: Collate is not Supported"},
        {"Color", "TOvPrinter.GetColor: Color is not Supported"},
        {"SetColor", "TOvPrinter.SetColor: Color is not Supported"},
        {"Duplex", "TOvPrinter.GetDuplex: Duplex is not Supported"},
        {"SetDuplex", "TOvPrinter.SetDuplex: Duplex is not Supported"},
        {"SetScale", "TOvPrinter.SetScale: Scale is not Supported"},
        {"Quality", "TOvPrinter.GetQuality: PrintQuality is not Supported"},
        {"SetQuality", "TOvPrinter.SetQuality: PrintQuality is not Supported"},
        {"NumQualities", "TOvPrinter.GetNumQualities: PrintQuality is not Supported"},
        {"Qualities", "TOvPrinter.GetQualities: PrintQuality is not Supported"},
    };
    for (const auto &[member, message] : rows)
        QTest::newRow(member) << QString::fromUtf8(member) << QString::fromUtf8(message);
}

void SettingsTest::notSupported()
{
    QFETCH(QString, member);
    QFETCH(QString, message);
    Rig rig(withFields(0));
    const Outcome outcome = run(members().at(member), *rig);
    QCOMPARE(outcome.kind, QStringLiteral("NotSupported"));
    QCOMPARE(outcome.message, message);
    QVERIFY(!rig->Modified());
}

void SettingsTest::noInfo_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("count"); // the driver's answer: 0 or -1
    QTest::addColumn<QString>("message");
    const QList<std::pair<const char *, const char *>> rows = {
        {"HasPaperSizeNumber", "TOvPrinter.HasPapserSizeNumber: No PaperSize Info Available"},
        {"NumPaperSizes", "TOvPrinter.GetNumPaperSizes: No Papersize Info Available"},
        {"PaperSizeNumbers", "TOvPrinter.GetNumPaperSizeNumbers: No Papersize Info Available"},
        {"PaperSizeNames", "TOvPrinter.GetPaperSizeNames: No Papersize Info Available"},
        {"PaperSizeIndex", "TOvPrinter.GetPaperSizeIndex: No Papersize Info Available"},
        {"SetPaperSizeIndex", "TOvPrinter.SetPaperSizeIndex: No Papersize Info Available"},
        {"HasBinNumber", "TOvPrinter.HasBinNumber: No Bin Info Available"},
        {"NumBins", "TOvPrinter.GetNumBins: No Bin Info Available"},
        {"BinNames", "TOvPrinter.GetBinNames: No Bin Info Available"},
        {"BinIndex", "TOvPrinter.GetBinIndex: No Bin Info Available"},
        {"SetBinIndex", "TOvPrinter.SetBinIndex: No Bin Info Available"},
        {"BinNumbers", "TOvPrinter.GetBinNumbers: No Bin Info Available"},
        {"MaxCopies", "TOvPrinter.GetMaxCopies: No MaxCopies Info Available"},
        {"NumQualities", "TOvPrinter.GetNumQualities: No Quality Info Available"},
        {"Qualities", "TOvPrinter.GetQualities: No Quality Info Available"},
    };
    for (const int count : {0, -1}) {
        for (const auto &[member, message] : rows)
            QTest::addRow("%s, driver answers %d", member, count)
                << QString::fromUtf8(member) << count << QString::fromUtf8(message);
    }
}

void SettingsTest::noInfo()
{
    QFETCH(QString, member);
    QFETCH(int, count);
    QFETCH(QString, message);
    Printer p = standard();
    p.capabilities.paperCount = count;
    p.capabilities.binCount = count;
    p.capabilities.resolutionCount = count;
    p.capabilities.maxCopies = count;
    Rig rig(p);
    const Outcome outcome = run(members().at(member), *rig);
    QCOMPARE(outcome.kind, QStringLiteral("NoInfo"));
    QCOMPARE(outcome.message, message);
    QCOMPARE(rig->AvailInfos(), TOvAvailInfos());
}

void SettingsTest::outOfRange_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("PaperSizeNumbers past end") << "PaperSizeNumbers(3)" << "Range"
                                               << "TOvPrinter.GetPaperNumbers: Index is our of range";
    QTest::newRow("PaperSizeNumbers negative") << "PaperSizeNumbers(-1)" << "Range"
                                               << "TOvPrinter.GetPaperNumbers: Index is our of range";
    QTest::newRow("SetPaperSizeIndex past end") << "SetPaperSizeIndex(3)" << "PaperSize"
                                                << "TOvPrinter:SetPaperSizeIndex: No such PaperSize Index";
    QTest::newRow("BinNumbers past end") << "BinNumbers(2)" << "Range"
                                         << "TOvPrinter.GetBunNumbers: Index is our of range";
    QTest::newRow("SetBinIndex past end") << "SetBinIndex(2)" << "Bin"
                                          << "TOvPrinter:SetBinIndex: No such Bin Index";
    QTest::newRow("Qualities past end") << "Qualities(2)" << "Range"
                                        << "TOvPrinter.GetQualities: Index is our of range";
    QTest::newRow("SetCopies 0") << "SetCopies(0)" << "Range" << "TOvPrinter.SetCopies: Too Small Copies";
    QTest::newRow("UserPaperExtent without user size")
        << "UserPaperExtent" << "NoUserPaperExtent"
        << "TOvPrinter.GetUserpaperExtent: Cannot Get User paper Extent";
}

void SettingsTest::outOfRange()
{
    QFETCH(QString, member);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Rig rig(standard());
    const Outcome outcome = run(members().at(member), *rig);
    QCOMPARE(outcome.kind, kind);
    QCOMPARE(outcome.message, message);
    QVERIFY(!rig->Modified());
    QCOMPARE(rig->PaperSizeNumber(), 9);
    QCOMPARE(rig->Copies(), quint16(1));
}

// ---------------------------------------------------------------- Modified

void SettingsTest::modifiedRules_data()
{
    QTest::addColumn<QString>("write");
    QTest::addColumn<bool>("modified");
    // Defaults of the standard printer: paper 9, bin 1, portrait, 1 copy, simplex,
    // scale 100, collate 0, monochrome, 600x600.
    const QList<std::tuple<const char *, bool>> rows = {
        {"Copies same", false},      {"Copies other", true},
        {"Orientation same", false}, {"Orientation other", true},
        {"Duplex same", false},      {"Duplex other", true},
        {"Scale same", false},       {"Scale other", true},
        {"BinNumber same", false},   {"BinNumber other", true},
        {"PaperSizeNumber same", false}, {"PaperSizeNumber other", true},
        {"Collate same", false},     {"Collate other", true},
        {"Color same", false},       {"Color other", true},
        {"Quality same", true},      {"UserPaperExtent any", true},
        {"PaperSizeIndex same", false}, {"BinIndex same", false},
    };
    for (const auto &[write, modified] : rows)
        QTest::newRow(write) << QString::fromUtf8(write) << modified;
}

void SettingsTest::modifiedRules()
{
    QFETCH(QString, write);
    QFETCH(bool, modified);
    static const std::map<QString, Call> writes = {
        {"Copies same", [](TOvPrinter &p) { p.SetCopies(1); }},
        {"Copies other", [](TOvPrinter &p) { p.SetCopies(2); }},
        {"Orientation same", [](TOvPrinter &p) { p.SetOrientation(TOvPaperOrientation::ovOrPortrait); }},
        {"Orientation other", [](TOvPrinter &p) { p.SetOrientation(TOvPaperOrientation::ovOrLandScape); }},
        {"Duplex same", [](TOvPrinter &p) { p.SetDuplex(TOvDuplex::ovDupSimplex); }},
        {"Duplex other", [](TOvPrinter &p) { p.SetDuplex(TOvDuplex::ovDupHorizontal); }},
        {"Scale same", [](TOvPrinter &p) { p.SetScale(100); }},
        {"Scale other", [](TOvPrinter &p) { p.SetScale(75); }},
        {"BinNumber same", [](TOvPrinter &p) { p.SetBinNumber(1); }},
        {"BinNumber other", [](TOvPrinter &p) { p.SetBinNumber(4); }},
        {"PaperSizeNumber same", [](TOvPrinter &p) { p.SetPaperSizeNumber(9); }},
        {"PaperSizeNumber other", [](TOvPrinter &p) { p.SetPaperSizeNumber(11); }},
        {"Collate same", [](TOvPrinter &p) { p.SetCollate(false); }},
        {"Collate other", [](TOvPrinter &p) { p.SetCollate(true); }},
        {"Color same", [](TOvPrinter &p) { p.SetColor(false); }},
        {"Color other", [](TOvPrinter &p) { p.SetColor(true); }},
        {"Quality same", [](TOvPrinter &p) { p.SetQuality({600, 600}); }},
        {"UserPaperExtent any", [](TOvPrinter &p) { p.SetUserPaperExtent({2100, 2970}); }},
        {"PaperSizeIndex same", [](TOvPrinter &p) { p.SetPaperSizeIndex(0); }},
        {"BinIndex same", [](TOvPrinter &p) { p.SetBinIndex(0); }},
    };
    Rig rig(standard());
    QVERIFY(!rig->Modified());
    writes.at(write)(*rig);
    QCOMPARE(rig->Modified(), modified);
    // Nothing reaches the printer before ApplySettings.
    QCOMPARE(rig.fake->currentSettings(), rig.fake->printerAt(0).defaultSettings);
    rig->DiscardModification();
    QVERIFY(!rig->Modified());
}

void SettingsTest::readsShowUnappliedChanges()
{
    Rig rig(standard());
    rig->SetCopies(7);
    rig->SetOrientation(TOvPaperOrientation::ovOrLandScape);
    QCOMPARE(rig->Copies(), quint16(7));
    QCOMPARE(rig->Orientation(), TOvPaperOrientation::ovOrLandScape);
    rig->DiscardModification();
    QCOMPARE(rig->Copies(), quint16(1));
    QCOMPARE(rig->Orientation(), TOvPaperOrientation::ovOrPortrait);
}

// ---------------------------------------------------------------- lists

void SettingsTest::paperIndexFirstBinIndexLast()
{
    Printer p = standard();
    p.capabilities.papers = {{9, QStringLiteral("A4")}, {8, QStringLiteral("A3")}, {9, QStringLiteral("A4 again")}};
    p.capabilities.bins = {{7, QStringLiteral("Auto")}, {15, QStringLiteral("Form")}, {7, QStringLiteral("Auto 2")}};
    p.capabilities.binCount = 3;
    OvDevMode mode = ovReadDevMode(p.defaultSettings);
    mode.dmDefaultSource = 7;
    ovWriteDevMode(p.defaultSettings, mode);
    Rig rig(p);
    QCOMPARE(rig->PaperSizeIndex(), 0);
    QCOMPARE(rig->BinIndex(), 2);
    QCOMPARE(rig->NumPaperSizes(), 3);
    QCOMPARE(rig->NumBins(), 3);
    QCOMPARE(rig->PaperSizeNumbers(2), 9);
    QCOMPARE(rig->BinNumbers(1), 15);
    QVERIFY(rig->HasPaperSizeNumber(8));
    QVERIFY(!rig->HasPaperSizeNumber(11));
    QVERIFY(rig->HasBinNumber(15));
    QVERIFY(!rig->HasBinNumber(1));
}

void SettingsTest::paperIndexWrite()
{
    Printer p = standard();
    p.capabilities.papers = {{9, QStringLiteral("A4")}, {8, QStringLiteral("A3")}, {9, QStringLiteral("A4")}};
    OvDevMode mode = ovReadDevMode(p.defaultSettings);
    mode.dmPaperSize = OvUserPaperSize; // currently a user size with its flag bits
    ovWriteDevMode(p.defaultSettings, mode);
    Rig rig(p);
    QVERIFY(rig->PrintCaps().testFlags(ovPcPaperlength | ovPcPaperWidth));
    rig->SetPaperSizeIndex(1);
    QCOMPARE(rig->PaperSizeNumber(), 8);
    QVERIFY(rig->Modified());
    QVERIFY(!rig->PrintCaps().testFlag(ovPcPaperlength));
    QVERIFY(!rig->PrintCaps().testFlag(ovPcPaperWidth));
    QCOMPARE(rig->PaperSizeIndex(), 1);
    QCOMPARE(run(members().at(QStringLiteral("SetPaperSizeIndex(3)")), *rig).kind, QStringLiteral("PaperSize"));
    QCOMPARE(rig->PaperSizeNumber(), 8);
}

void SettingsTest::paperNumberNotInList()
{
    Rig rig(withMode([](OvDevMode &m) {
        m.dmPaperSize = 70;
        m.dmDefaultSource = 15;
    }));
    QCOMPARE(run([](TOvPrinter &p) { p.PaperSizeIndex(); }, *rig).message,
             QStringLiteral("TOvPrinter.GetPaperSizeIndex: Cannot Get Paper Index"));
    QCOMPARE(run([](TOvPrinter &p) { p.BinIndex(); }, *rig).message,
             QStringLiteral("TOvPrinter.GetBinIndex: Cannot Get Bin Index"));
    // Writing a number is not checked against the list.
    rig->SetPaperSizeNumber(333);
    QCOMPARE(rig->PaperSizeNumber(), 333);
    // Large paper numbers (257 and up) round-trip through the list.
    Printer big = standard();
    big.capabilities.papers = {{9, QStringLiteral("A4")}, {40000, QStringLiteral("Custom")}};
    big.capabilities.paperCount = 2;
    Rig rig2(big);
    rig2->SetPaperSizeIndex(1);
    QCOMPARE(rig2->PaperSizeIndex(), 1);
    QCOMPARE(rig2->PaperSizeNumbers(1), 40000);
}

void SettingsTest::userPaperExtent()
{
    Rig rig(standard());
    rig->SetUserPaperExtent({1000, 1480});
    QCOMPARE(rig->PaperSizeNumber(), 256);
    QCOMPARE(rig->UserPaperExtent(), (TOvExtent{1000, 1480}));
    // Cut to 16 bits, as the block holds them.
    rig->SetUserPaperExtent({0x10000 + 5, 7});
    QCOMPARE(rig->UserPaperExtent(), (TOvExtent{5, 7}));
    // Back to a standard size: the extent is gone.
    rig->SetPaperSizeNumber(9);
    QCOMPARE(run(members().at(QStringLiteral("UserPaperExtent")), *rig).kind,
             QStringLiteral("NoUserPaperExtent"));
    // Paper number 256 without the length/width flags: no extent either.
    Rig plain(withMode([](OvDevMode &m) {
        m.dmPaperSize = 256;
        m.dmFields &= ~(OvDm::PaperLength | OvDm::PaperWidth);
    }));
    QCOMPARE(run(members().at(QStringLiteral("UserPaperExtent")), *plain).kind,
             QStringLiteral("NoUserPaperExtent"));
    // Without the paper-size flag the read fails the same way.
    Rig none(withFields(OvDm::PaperLength | OvDm::PaperWidth));
    QCOMPARE(run(members().at(QStringLiteral("UserPaperExtent")), *none).message,
             QStringLiteral("TOvPrinter.GetUserpaperExtent: Cannot Get User paper Extent"));
}

void SettingsTest::orientationDuplexMapping_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<TOvPaperOrientation>("orientation");
    QTest::addColumn<TOvDuplex>("duplex");
    QTest::newRow("1") << 1 << TOvPaperOrientation::ovOrPortrait << TOvDuplex::ovDupSimplex;
    QTest::newRow("2") << 2 << TOvPaperOrientation::ovOrLandScape << TOvDuplex::ovDupVertical;
    QTest::newRow("3") << 3 << TOvPaperOrientation::ovOrLandScape << TOvDuplex::ovDupHorizontal;
    QTest::newRow("0") << 0 << TOvPaperOrientation::ovOrLandScape << TOvDuplex::ovDupVertical;
    QTest::newRow("-1") << -1 << TOvPaperOrientation::ovOrLandScape << TOvDuplex::ovDupVertical;
}

void SettingsTest::orientationDuplexMapping()
{
    QFETCH(int, stored);
    QFETCH(TOvPaperOrientation, orientation);
    QFETCH(TOvDuplex, duplex);
    Rig rig(withMode([stored](OvDevMode &m) {
        m.dmOrientation = qint16(stored);
        m.dmDuplex = qint16(stored);
    }));
    QCOMPARE(rig->Orientation(), orientation);
    QCOMPARE(rig->Duplex(), duplex);
}

void SettingsTest::collateAndColorWrites_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("value");
    QTest::addColumn<int>("collateAfter");
    QTest::addColumn<int>("colorAfter");
    QTest::addColumn<bool>("modified");
    // Collate turns only 0 into 1 and 1 into 0; color only 1 into 2 and 2 into 1.
    QTest::newRow("1, true") << 1 << true << 1 << 2 << true;
    QTest::newRow("1, false") << 1 << false << 0 << 1 << true;
    QTest::newRow("2, false") << 2 << false << 2 << 1 << true;
    QTest::newRow("2, true") << 2 << true << 2 << 2 << false;
    QTest::newRow("0, true") << 0 << true << 1 << 0 << true;
    QTest::newRow("5, true") << 5 << true << 5 << 5 << false;
    QTest::newRow("5, false") << 5 << false << 5 << 5 << false;
}

void SettingsTest::collateAndColorWrites()
{
    QFETCH(int, stored);
    QFETCH(bool, value);
    QFETCH(int, collateAfter);
    QFETCH(int, colorAfter);
    QFETCH(bool, modified);
    Rig rig(withMode([stored](OvDevMode &m) {
        m.dmCollate = qint16(stored);
        m.dmColor = qint16(stored);
    }));
    rig->SetCollate(value);
    rig->SetColor(value);
    QCOMPARE(rig->Modified(), modified);
    QCOMPARE(rig->Collate(), collateAfter == 1);
    QCOMPARE(rig->Color(), colorAfter == 2);
    rig->ApplySettings();
    const OvDevMode applied = ovReadDevMode(rig.fake->currentSettings());
    QCOMPARE(int(applied.dmCollate), modified ? collateAfter : stored);
    QCOMPARE(int(applied.dmColor), modified ? colorAfter : stored);
}

void SettingsTest::scaleWithoutCap()
{
    Rig rig(withMode([](OvDevMode &m) {
        m.dmFields &= ~OvDm::Scale;
        m.dmScale = 50;
    }));
    QCOMPARE(rig->Scale(), quint16(100));
    QCOMPARE(run(members().at(QStringLiteral("SetScale")), *rig).message,
             QStringLiteral("TOvPrinter.SetScale: Scale is not Supported"));
    Rig scaled(withMode([](OvDevMode &m) { m.dmScale = 75; }));
    QCOMPARE(scaled->Scale(), quint16(75));
}

void SettingsTest::qualityRead_data()
{
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("yres");
    QTest::addColumn<bool>("yflag");
    QTest::addColumn<TOvExtent>("expected");
    QTest::newRow("positive with flag") << 600 << 300 << true << TOvExtent{600, 300};
    QTest::newRow("positive without flag") << 600 << 300 << false << TOvExtent{600, 0};
    QTest::newRow("quality code") << -4 << 300 << true << TOvExtent{-4, 0};
}

void SettingsTest::qualityRead()
{
    QFETCH(int, quality);
    QFETCH(int, yres);
    QFETCH(bool, yflag);
    QFETCH(TOvExtent, expected);
    Rig rig(withMode([=](OvDevMode &m) {
        m.dmPrintQuality = qint16(quality);
        m.dmYResolution = qint16(yres);
        if (!yflag)
            m.dmFields &= ~OvDm::YResolution;
    }));
    QCOMPARE(rig->Quality(), expected);
}

void SettingsTest::qualityWrite()
{
    Rig rig(standard());
    rig->SetQuality({-3, 500});
    QCOMPARE(rig->Quality(), (TOvExtent{-3, 0}));
    QVERIFY(!rig->PrintCaps().testFlag(ovPcYResolution));
    rig->SetQuality({300, 150});
    QCOMPARE(rig->Quality(), (TOvExtent{300, 150}));
    QVERIFY(rig->PrintCaps().testFlag(ovPcYResolution));
    QCOMPARE(rig->NumQualities(), 2);
    QCOMPARE(rig->Qualities(1), (TOvExtent{600, 600}));
}

void SettingsTest::namesCutToFieldWidth()
{
    Printer p = standard();
    const QString longName = QString(70, QLatin1Char('p'));
    p.capabilities.papers = {{9, longName}, {8, QString::fromUtf16(u"A3\0junk", 7)}};
    p.capabilities.paperCount = 2;
    p.capabilities.bins = {{1, QString(30, QLatin1Char('b'))}};
    p.capabilities.binCount = 1;
    Rig rig(p);
    QCOMPARE(rig->PaperSizeNames().at(0), QString(64, QLatin1Char('p')));
    QCOMPARE(rig->PaperSizeNames().at(1), QStringLiteral("A3"));
    QCOMPARE(rig->BinNames().at(0), QString(24, QLatin1Char('b')));
}

void SettingsTest::capabilitiesCachedPerPrinter()
{
    auto backend = std::make_unique<FakePrinterBackend>();
    backend->addPrinter(standard());
    Printer second = FakePrinterBackend::standardPrinter(QStringLiteral("Q"));
    second.capabilities.papers = {{43, QStringLiteral("Postcard")}};
    second.capabilities.paperCount = 1;
    backend->addPrinter(second);
    FakePrinterBackend *fake = backend.get();
    TOvPrinter printer(std::move(backend));

    QCOMPARE(printer.NumPaperSizes(), 3);
    const int queries = fake->capabilityQueries();
    printer.PaperSizeNames();
    printer.BinNames();
    printer.NumQualities();
    QCOMPARE(fake->capabilityQueries(), queries); // cached

    // The driver's list changes behind the layer: still the cached one...
    fake->printerAt(0).capabilities.papers.removeLast();
    fake->printerAt(0).capabilities.paperCount = 2;
    QCOMPARE(printer.NumPaperSizes(), 3);
    // ...until ForceUpdate.
    printer.ForceUpdate();
    QCOMPARE(printer.NumPaperSizes(), 2);

    // Another printer selected outside the layer: its own lists.
    fake->selectDirectly(1);
    QCOMPARE(printer.PaperSizeNames(), QStringList{QStringLiteral("Postcard")});
    printer.SetIndex(0);
    QCOMPARE(printer.NumPaperSizes(), 2);
}

void SettingsTest::availInfos()
{
    Printer p = standard();
    p.capabilities.binCount = 0;
    p.capabilities.maxCopies = 0;
    Rig rig(p);
    QCOMPARE(rig->AvailInfos(), ovAvPaperSize | ovAvQuality);
    Rig full(standard());
    QCOMPARE(full->AvailInfos(), ovAvPaperSize | ovAvBin | ovAvQuality | ovAvMaxCopies);
    QCOMPARE(full->MaxCopies(), quint16(99));
}

// ---------------------------------------------------------------- ApplySettings

void SettingsTest::applyWritesAndRevalidates()
{
    Printer p = standard();
    // The driver accepts at most 50 copies.
    p.adjust = [](QByteArray &block) {
        OvDevMode m = ovReadDevMode(block);
        m.dmCopies = std::min<qint16>(m.dmCopies, 50);
        ovWriteDevMode(block, m);
    };
    Rig rig(p);
    rig->SetCopies(80);
    rig->SetPaperSizeNumber(11);
    rig->ApplySettings();
    QVERIFY(!rig->Modified());
    QCOMPARE(rig.fake->validateCount(), 1);
    // The fresh copy shows the driver's value.
    QCOMPARE(rig->Copies(), quint16(50));
    QCOMPARE(rig->PaperSizeNumber(), 11);
    QCOMPARE(ovReadDevMode(rig.fake->currentSettings()).dmPaperSize, qint16(11));
    // Nothing modified: a second apply does nothing at all.
    rig->ApplySettings();
    QCOMPARE(rig.fake->validateCount(), 1);
}

void SettingsTest::applyNeverCopiesMoreThanTheCopy_data()
{
    QTest::addColumn<int>("copyExtra");
    QTest::addColumn<int>("blockExtra");
    QTest::newRow("same size") << 16 << 16;
    QTest::newRow("printer block larger") << 0 << 64;
    QTest::newRow("printer block smaller") << 64 << 0;
}

void SettingsTest::applyNeverCopiesMoreThanTheCopy()
{
    QFETCH(int, copyExtra);
    QFETCH(int, blockExtra);
    Printer p = standard();
    p.defaultSettings = FakePrinterBackend::settingsBlock(kAllFields, quint16(copyExtra));
    p.defaultSettings.replace(sizeof(OvDevMode), copyExtra, QByteArray(copyExtra, 'c'));
    Rig rig(p);
    rig->SetCopies(3); // the private copy has the size of the block it was taken from
    // The printer object's block is replaced behind the layer with one of another size.
    QByteArray other = FakePrinterBackend::settingsBlock(kAllFields, quint16(blockExtra));
    other.replace(sizeof(OvDevMode), blockExtra, QByteArray(blockExtra, 'x'));
    rig.fake->currentSettings() = other;
    rig->ApplySettings();
    const QByteArray stored = rig.fake->lastStored().settings;
    QCOMPARE(stored.size(), other.size()); // the printer's block keeps its size
    QCOMPARE(ovReadDevMode(stored).dmCopies, qint16(3));
    const int common = int(sizeof(OvDevMode)) + std::min(copyExtra, blockExtra);
    QCOMPARE(stored.mid(sizeof(OvDevMode), common - int(sizeof(OvDevMode))),
             QByteArray(common - int(sizeof(OvDevMode)), 'c'));
    // Bytes past the private copy are the printer's own, untouched.
    QCOMPARE(stored.mid(common), QByteArray(other.size() - common, 'x'));
}

void SettingsTest::applyAssertions_data()
{
    QTest::addColumn<int>("validation");
    QTest::addColumn<QString>("message");
    QTest::newRow("cannot open") << int(OvValidateResult::CannotOpen)
                                 << QStringLiteral("アサートの失敗 (OvPrinters, 930 行)");
    QTest::newRow("driver rejects") << int(OvValidateResult::Rejected)
                                    << QStringLiteral("アサートの失敗 (OvPrinters, 933 行)");
}

void SettingsTest::applyAssertions()
{
    QFETCH(int, validation);
    QFETCH(QString, message);
    Printer p = standard();
    p.validation = OvValidateResult(validation);
    Rig rig(p);
    rig->SetCopies(4);
    const Outcome outcome = run([](TOvPrinter &pr) { pr.ApplySettings(); }, *rig);
    QCOMPARE(outcome.message, message);
    // The record went back to the printer object all the same.
    QCOMPARE(rig.fake->storeCount(), 1);
    QCOMPARE(ovReadDevMode(rig.fake->currentSettings()).dmCopies, qint16(4));
    QVERIFY(!rig->Modified());
}

void SettingsTest::applyStoresEvenWhenBlockEmpty()
{
    Rig rig(standard());
    rig->SetCopies(4);
    // The printer object lost its block and its default is empty too.
    rig.fake->printerAt(0).defaultSettings.clear();
    rig.fake->dropCurrentSettings();
    const Outcome outcome = run([](TOvPrinter &pr) { pr.ApplySettings(); }, *rig);
    QCOMPARE(outcome.message,
             QStringLiteral("TOvPrinter.ApplySettings; Devmode Size Should be greater than 0 (OvPrinters, 2094 行)"));
    QCOMPARE(rig.fake->storeCount(), 1);
    QVERIFY(rig->Modified()); // nothing was written: the change is still pending
}

void SettingsTest::loadAssertsOnEmptyBlock()
{
    Printer p = standard();
    p.defaultSettings.clear();
    Rig rig(p);
    QCOMPARE(run([](TOvPrinter &pr) { pr.PrintCaps(); }, *rig).message,
             QStringLiteral("アサートの失敗 (OvPrinters, 960 行)"));
}

void SettingsTest::lockDeviceLoadsMissingBlock()
{
    Rig rig(standard());
    rig.fake->dropCurrentSettings();
    QCOMPARE(rig->Copies(), quint16(1));
    QCOMPARE(rig.fake->currentSettings(), rig.fake->printerAt(0).defaultSettings);
}

void SettingsTest::resolutionFetchFailure()
{
    Printer p = standard();
    p.capabilities.resolutionFetchFailed = true;
    Rig rig(p);
    QCOMPARE(run([](TOvPrinter &pr) { pr.NumQualities(); }, *rig).message,
             QStringLiteral("アサートの失敗 (OvPrinters, 1098 行)"));
}

// ---------------------------------------------------------------- metrics

void SettingsTest::metrics()
{
    Printer p = standard();
    p.metrics = {4761, 6816, 201, 288, 600, 300, 4961, 7016, 100, 120, 8, 3};
    Rig rig(p);
    QCOMPARE(rig->PageExtent(), (TOvExtent{4761, 6816}));
    QCOMPARE(rig->MMPageExtent(), (TOvExtent{2010, 2880}));
    QCOMPARE(rig->DPI(), (TOvExtent{600, 300}));
    QCOMPARE(rig->PaperExtent(), (TOvExtent{4961, 7016}));
    QCOMPARE(rig->Offset(), (TOvExtent{100, 120}));
    QCOMPARE(rig->ColorBitCount(), 24);
}

void SettingsTest::mmPaperExtent_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("scale");
    QTest::addColumn<TOvExtent>("expected");
    QTest::newRow("A4 600dpi") << 4961 << 7016 << 600 << 100 << TOvExtent{2100, 2970};
    QTest::newRow("A4 600dpi at 50%") << 4961 << 7016 << 600 << 50 << TOvExtent{1050, 1485};
    QTest::newRow("postcard 300dpi") << 1181 << 1748 << 300 << 100 << TOvExtent{999, 1479};
    QTest::newRow("truncates") << 1 << 1 << 600 << 100 << TOvExtent{0, 0};
    QTest::newRow("large page, no overflow") << 60000 << 60000 << 600 << 400 << TOvExtent{101600, 101600};
    QTest::newRow("zero dpi") << 4961 << 7016 << 0 << 100 << TOvExtent{0, 0};
}

void SettingsTest::mmPaperExtent()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, dpi);
    QFETCH(int, scale);
    QFETCH(TOvExtent, expected);
    Printer p = standard();
    p.metrics.physicalWidth = width;
    p.metrics.physicalHeight = height;
    p.metrics.logPixelsX = dpi;
    p.metrics.logPixelsY = dpi;
    OvDevMode mode = ovReadDevMode(p.defaultSettings);
    mode.dmScale = qint16(scale);
    ovWriteDevMode(p.defaultSettings, mode);
    Rig rig(p);
    QCOMPARE(rig->MMPaperExtent(), expected);
}

void SettingsTest::metricsFollowAppliedSettingsOnly()
{
    Rig rig(standard());
    // Scale enters MMPaperExtent through the private copy, but the pixels come from
    // the printer object; an unapplied paper change leaves the paper extent alone.
    const TOvExtent before = rig->PaperExtent();
    rig->SetPaperSizeNumber(11);
    QCOMPARE(rig->PaperExtent(), before);
}

// ---------------------------------------------------------------- dialogs

namespace {

class ScriptedRunner : public OvDialogRunner
{
public:
    std::function<bool(OvDialogKind, OvPrinterBackend &)> answer;
    QList<OvDialogKind> shown;
    bool run(OvDialogKind kind, OvPrinterBackend &backend, QWidget *) override
    {
        shown.append(kind);
        return answer(kind, backend);
    }
};

} // namespace

void SettingsTest::dialogs()
{
    auto backend = std::make_unique<FakePrinterBackend>();
    backend->addPrinter(standard());
    backend->addPrinter(FakePrinterBackend::standardPrinter(QStringLiteral("Q")));
    FakePrinterBackend *fake = backend.get();
    OvPrinterScope scope(std::move(backend));
    auto runner = std::make_unique<ScriptedRunner>();
    ScriptedRunner *script = runner.get();
    auto previous = setOvDialogRunner(std::move(runner));

    // Cancelled: the wrapper is untouched, pending changes stay.
    OvPrinter().SetCopies(3);
    script->answer = [](OvDialogKind, OvPrinterBackend &b) {
        auto &f = static_cast<FakePrinterBackend &>(b);
        f.selectDirectly(1);
        f.selectDirectly(0);
        return false;
    };
    QVERIFY(!TOvPrinterSetupDialog().Execute());
    QVERIFY(OvPrinter().Modified());
    QCOMPARE(OvPrinter().Copies(), quint16(3));

    // Confirmed: printer Q with A5 becomes current and the wrapper follows.
    script->answer = [](OvDialogKind, OvPrinterBackend &b) {
        auto &f = static_cast<FakePrinterBackend &>(b);
        f.selectDirectly(1);
        OvDevMode m = ovReadDevMode(f.currentSettings());
        m.dmPaperSize = 11;
        ovWriteDevMode(f.currentSettings(), m);
        return true;
    };
    QVERIFY(TOvPrinterSetupDialog().Execute());
    QVERIFY(!OvPrinter().Modified());
    QCOMPARE(OvPrinter().Index(), 1);
    QCOMPARE(OvPrinter().PaperSizeIndex(), 1);
    QCOMPARE(OvPrinter().Copies(), quint16(1));

    QVERIFY(TOvPrintDialog().Execute());
    QCOMPARE(script->shown, (QList<OvDialogKind>{OvDialogKind::PrinterSetup, OvDialogKind::PrinterSetup,
                                                  OvDialogKind::Print}));
    Q_UNUSED(fake);
    setOvDialogRunner(std::move(previous));
}

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
