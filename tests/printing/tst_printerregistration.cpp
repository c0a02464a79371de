// The printer-binding file and the per-feed commands on it (load, printer
// registration, print-position registration) on the fake printer back end, in a
// temporary working folder.

#include "registrationbench.h"
#include "printer-ui/ovprintdialogs.h"

#include "platform/codepage.h"
#include "platform/error.h"

#include "filebytes.h"
#include "filesizelimit.h"

using namespace Qt::StringLiterals;
using namespace registrationtest;

Q_DECLARE_METATYPE(FeedEntry)

namespace {


} // namespace

class PrinterRegistrationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- the file -----------------------------------------------------------------

    void fileReadsDefaults_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<FeedEntry>("want");
        const QByteArray section = platform::encodeCp932(u"[連続(４インチ)]\r\n"_s);
        QTest::newRow("no file") << QByteArray() << FeedEntry{{}, u"0"_s, u"0"_s, u"0"_s};
        QTest::newRow("other section only")
            << platform::encodeCp932(u"[手差し]\r\nPrnNoIndex=2\r\nmekiraPrn_Top=5\r\n"_s)
            << FeedEntry{{}, u"0"_s, u"0"_s, u"0"_s};
        QTest::newRow("all keys") << section + "PrnName=Printer C\r\nPrnNoIndex=2\r\n"
                                               "mekiraPrn_Top=12\r\nmekiraPrn_Left=-8\r\n"
                                  << FeedEntry{u"Printer C"_s, u"2"_s, u"12"_s, u"-8"_s};
        QTest::newRow("keys in any case, blanks around")
            << section + " prnnoindex = 1\r\nMEKIRAPRN_TOP=7\r\n mekiraprn_left =3\r\n"
            << FeedEntry{{}, u"1"_s, u"7"_s, u"3"_s};
        QTest::newRow("empty values stay empty")
            << section + "PrnName=\r\nPrnNoIndex=\r\nmekiraPrn_Top=\r\nmekiraPrn_Left=\r\n"
            << FeedEntry{{}, {}, {}, {}};
        QTest::newRow("texts as they are") << section + "PrnNoIndex=x1\r\nmekiraPrn_Top=1.5\r\n"
                                           << FeedEntry{{}, u"x1"_s, u"1.5"_s, u"0"_s};
    }
    void fileReadsDefaults()
    {
        QFETCH(QByteArray, contents);
        QFETCH(FeedEntry, want);
        Bench b;
        if (!contents.isEmpty())
            QVERIFY(writeFileBytes(b.path(), contents));
        QCOMPARE(b.file().read(kContinuous), want);
    }

    void fileWritesKeysInOrderInCp932()
    {
        Bench b;
        b.store(kContinuous, {u"Printer B"_s, u"1"_s, u"12"_s, u"-8"_s});
        b.store(kManual, {u"Printer A"_s, u"0"_s, QString(), u"3"_s});
        // A second registration replaces the values in place.
        b.store(kContinuous, {u"Printer C"_s, u"2"_s, u"4"_s, u"5"_s});
        const QByteArray want = QByteArray("[\x98\x41\x91\xb1(\x82\x53\x83\x43\x83\x93\x83\x60)]\r\n"
                                           "PrnName=Printer C\r\nPrnNoIndex=2\r\n"
                                           "mekiraPrn_Top=4\r\nmekiraPrn_Left=5\r\n"
                                           "[\x8e\xe8\x8d\xb7\x82\xb5]\r\n"
                                           "PrnName=Printer A\r\nPrnNoIndex=0\r\n"
                                           "mekiraPrn_Top=\r\nmekiraPrn_Left=3\r\n");
        QCOMPARE(fileBytes(b.path()), want);
        QCOMPARE(b.file().read(kManual), (FeedEntry{u"Printer A"_s, u"0"_s, QString(), u"3"_s}));
    }

    void printerFoundByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("want");
        QTest::newRow("name at its old place") << u"Beta"_s << u"1"_s << u"1"_s;
        QTest::newRow("printer inserted before it") << u"Beta"_s << u"0"_s << u"1"_s;
        QTest::newRow("printer removed before it") << u"Beta"_s << u"3"_s << u"1"_s;
        QTest::newRow("blanks around the stored name") << u"  Beta "_s << u"0"_s << u"1"_s;
        QTest::newRow("name gone: stored index") << u"Delta"_s << u"2"_s << u"2"_s;
        QTest::newRow("no name: stored index") << QString() << u"2"_s << u"2"_s;
        QTest::newRow("names compare exactly") << u"beta"_s << u"0"_s << u"0"_s;
        QTest::newRow("full-width space belongs to the name") << u"Beta\u3000"_s << u"0"_s << u"0"_s;
        QTest::newRow("name found, index not a number") << u"Gamma"_s << u"x"_s << u"2"_s;
        QTest::newRow("name gone, index not a number") << u"Delta"_s << u"x"_s << u"x"_s;
    }
    void printerFoundByName()
    {
        QFETCH(QString, name);
        QFETCH(QString, index);
        QFETCH(QString, want);
        const QStringList names = {u"Alpha"_s, u"Beta"_s, u"Gamma"_s};
        QCOMPARE(printing::currentPrinterIndex({name, index, u"0"_s, u"0"_s}, names), want);
        QCOMPARE(printing::currentPrinterIndex({name, index, u"0"_s, u"0"_s}, {}), index);
    }

    // --- load ---------------------------------------------------------------------

    void loadWithoutFile()
    {
        Bench b;
        b.display->setBinding({u"-1"_s, u"30"_s, u"40"_s});
        b.display->SpeedButton_PRNSETClick();
        QCOMPARE(OvPrinter().Index(), 1); // the default printer
        b.registration->load(kManual);
        b.checkShown({u"0"_s, u"0"_s, u"0"_s});
        QCOMPARE(OvPrinter().Index(), 0);
        QCOMPARE(b.printers->currentText(), u"Printer A"_s);
        QVERIFY(!QFile::exists(b.path())); // loading writes nothing
    }

    void loadSwitchesBetweenFeeds()
    {
        Bench b;
        b.store(kContinuous, {u"Printer C"_s, u"2"_s, u"12"_s, u"-8"_s});
        for (int round = 0; round < 2; ++round) {
            b.registration->load(kContinuous);
            b.checkShown({u"2"_s, u"12"_s, u"-8"_s});
            QCOMPARE(b.printers->currentText(), u"Printer C"_s);
            b.registration->load(kManual);
            b.checkShown({u"0"_s, u"0"_s, u"0"_s});
            QCOMPARE(b.printers->currentText(), u"Printer A"_s);
            // The file is read anew each time.
            b.store(kContinuous, {u"Printer B"_s, u"1"_s, u"12"_s, u"-8"_s});
            b.store(kContinuous, {u"Printer C"_s, u"2"_s, u"12"_s, u"-8"_s});
        }
        b.store(kManual, {u"Printer B"_s, u"1"_s, QString(), u"6"_s});
        b.registration->load(kManual);
        b.checkShown({u"1"_s, QString(), u"6"_s});
    }

    void loadFindsPrinterAgainByName()
    {
        Bench b;
        b.store(kManual, {u"Printer C"_s, u"2"_s, u"1"_s, u"2"_s});
        b.fake->removePrinter(0); // A removed: C is now at 1
        OvPrinter().SystemChangeHook();
        b.registration->load(kManual);
        QCOMPARE(b.display->binding().printerIndex, u"1"_s);
        QCOMPARE(b.printers->currentText(), u"Printer C"_s);

        // Two printers arrive before it: C moves on to 3.
        b.fake->removePrinter(1);
        for (const QString &name : {u"New 1"_s, u"New 2"_s, u"Printer C"_s})
            b.fake->addPrinter(FakePrinterBackend::standardPrinter(name));
        OvPrinter().SystemChangeHook();
        b.registration->load(kManual);
        QCOMPARE(b.display->binding().printerIndex, u"3"_s);
        QCOMPARE(OvPrinter().PrinterNames().at(OvPrinter().Index()), u"Printer C"_s);
        QCOMPARE(b.printers->currentText(), u"Printer C"_s);
    }

    void loadOfRemovedPrinterFallsBackToFirst()
    {
        Bench b;
        b.store(kManual, {u"Printer C"_s, u"2"_s, u"1"_s, u"2"_s});
        b.fake->removePrinter(2);
        OvPrinter().SystemChangeHook();
        b.registration->load(kManual);
        QCOMPARE(b.display->binding().printerIndex, u"2"_s); // kept as stored
        QCOMPARE(OvPrinter().Index(), 0);
    }

    void loadOfBadIndexFailsInTheApply()
    {
        Bench b;
        b.registration->load(kManual);
        OvPrinter().SetIndex(2);
        b.store(kContinuous, {u"Gone"_s, u"two"_s, u"1"_s, u"2"_s});
        QVERIFY_THROWS_EXCEPTION(platform::EConvertError, b.registration->load(kContinuous));
        // The binding took the texts; the printer stays.
        b.checkShown({u"two"_s, u"1"_s, u"2"_s});
        QCOMPARE(OvPrinter().Index(), 2);
    }

    void loadWithoutPrinters()
    {
        QTemporaryDir dir;
        OvPrinterScope scope(std::make_unique<FakePrinterBackend>());
        QWidget window;
        PrinterDisplay display({new QComboBox(&window), new QComboBox(&window), new QComboBox(&window),
                                new QLabel(&window), new QLabel(&window)});
        PrinterRegistration registration(display, [&] { return dir.path(); });
        PrinterBindingFile(dir.path()).write(kManual, {u"Printer A"_s, u"0"_s, u"3"_s, u"4"_s});
        QVERIFY_THROWS_EXCEPTION(EOvPrinterNoPrinter, registration.load(kManual));
        QCOMPARE(display.binding(), (PrinterBinding{u"0"_s, u"3"_s, u"4"_s}));
    }

    // --- printer registration -------------------------------------------------------

    void registerPrinter_data()
    {
        QTest::addColumn<FeedEntry>("stored");
        QTest::addColumn<int>("currentBefore"); // printer current before the command
        QTest::addColumn<int>("chosen");        // position picked in the dialog, -1: cancel
        QTest::addColumn<int>("openedOn");
        QTest::addColumn<int>("registered");
        const FeedEntry none{{}, u"0"_s, u"0"_s, u"0"_s};
        const FeedEntry onC{u"Printer C"_s, u"2"_s, u"12"_s, u"-8"_s};
        QTest::newRow("first registration, pick B") << none << 2 << 1 << 0 << 1;
        QTest::newRow("first registration, cancel") << none << 2 << -1 << 0 << 0;
        QTest::newRow("registered C, pick A") << onC << 1 << 0 << 2 << 0;
        QTest::newRow("registered C, cancel") << onC << 0 << -1 << 2 << 2;
        // Printer C gone: the apply falls back to the first printer, the dialog opens there.
        QTest::newRow("registered printer gone")
            << FeedEntry{u"Printer Z"_s, u"7"_s, u"1"_s, u"2"_s} << 2 << -1 << 0 << 0;
    }
    void registerPrinter()
    {
        QFETCH(FeedEntry, stored);
        QFETCH(int, currentBefore);
        QFETCH(int, chosen);
        QFETCH(int, openedOn);
        QFETCH(int, registered);

        Bench b;
        b.store(kContinuous, stored);
        b.store(kManual, {u"Printer B"_s, u"1"_s, u"9"_s, u"9"_s});
        const QByteArray manualBefore = fileBytes(b.path()).mid(fileBytes(b.path()).indexOf("[\x8e"));
        OvPrinter().SetIndex(currentBefore);
        SetupScriptScope scripted;
        SetupScript *setup = scripted.script;
        setup->answer = [chosen](FakePrinterBackend &f) {
            if (chosen < 0)
                return false;
            f.selectDirectly(chosen);
            return true;
        };

        TOvPrinterSetupDialog dialog;
        b.registration->registerPrinter(kContinuous, [&] { dialog.Execute(); });

        QCOMPARE(setup->openedOn, QList<int>{openedOn});
        const QString name = OvPrinter().PrinterNames().at(registered);
        QCOMPARE(OvPrinter().Index(), registered);
        QCOMPARE(b.printers->currentText(), name);
        b.checkShown({QString::number(registered), stored.topMargin, stored.leftMargin});
        QCOMPARE(b.file().read(kContinuous),
                 (FeedEntry{name, QString::number(registered), stored.topMargin, stored.leftMargin}));
        QVERIFY(fileBytes(b.path()).endsWith(manualBefore)); // the other feed is untouched
    }

    void registerPrinterWritesKeysInOrder()
    {
        Bench b;
        SetupScriptScope scripted;
        b.registration->registerPrinter(kManual, [] { TOvPrinterSetupDialog().Execute(); });
        QCOMPARE(fileBytes(b.path()), QByteArray("[\x8e\xe8\x8d\xb7\x82\xb5]\r\nPrnName=Printer A\r\n"
                                                 "PrnNoIndex=0\r\nmekiraPrn_Top=0\r\n"
                                                 "mekiraPrn_Left=0\r\n"));
    }

    // --- print-position registration -------------------------------------------------

    void registerMargins_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::newRow("12 and -8") << u"12"_s << u"-8"_s;
        QTest::newRow("empty top") << QString() << u"0"_s;
        QTest::newRow("fraction, not checked") << u"1.5"_s << u"-0"_s;
    }
    void registerMargins()
    {
        QFETCH(QString, top);
        QFETCH(QString, left);
        Bench b;
        b.store(kContinuous, {u"Printer C"_s, u"2"_s, u"3"_s, u"4"_s});
        b.registration->load(kContinuous);
        b.fake->clearJobLog();
        const int stores = b.fake->storeCount();

        b.registration->registerMargins(kContinuous, top, left);
        b.checkShown({u"2"_s, top, left});
        QCOMPARE(b.file().read(kContinuous), (FeedEntry{u"Printer C"_s, u"2"_s, top, left}));
        QCOMPARE(b.fake->storeCount(), stores); // the printer is not applied again
        b.registration->load(kManual);
        b.registration->load(kContinuous);
        b.checkShown({u"2"_s, top, left});
    }

    // The name and index written are those the display and binding hold, even when
    // another printer is current (the F7 choice changes the binding, not the file).
    void registerMarginsTakesPrinterFromDisplay()
    {
        Bench b;
        b.registration->load(kManual);
        b.display->setPrinterIndex(u"2"_s);
        b.display->SpeedButton_PRNSETClick();
        b.registration->registerMargins(kManual, u"1"_s, u"2"_s);
        QCOMPARE(b.file().read(kManual), (FeedEntry{u"Printer C"_s, u"2"_s, u"1"_s, u"2"_s}));
    }

    void failedWriteKeepsBinding()
    {
        Bench b;
        b.store(kManual, {u"Printer B"_s, u"1"_s, u"3"_s, u"4"_s});
        b.registration->load(kManual);
        const QByteArray before = fileBytes(b.path());
        bool raised = false;
        {
            // Room for the name and the index, not for the margins.
            FileSizeLimit limit(before.size() + 1);
            try {
                b.registration->registerMargins(kManual, u"123456"_s, u"654321"_s);
            } catch (const platform::EFileError &e) {
                raised = true;
                QCOMPARE(e.message(), b.path() + u" に書き込めません"_s);
            }
        }
        QVERIFY(raised);
        b.checkShown({u"1"_s, u"3"_s, u"4"_s});
        QCOMPARE(fileBytes(b.path()), before);
    }

    void failedWriteOfPrinterRegistrationNamesFile()
    {
        Bench b;
        QVERIFY(QDir(b.dir.path()).mkdir(u"mekira_q610.ini"_s)); // not a file
        SetupScriptScope scripted;
        try {
            b.registration->registerPrinter(kManual, [] { TOvPrinterSetupDialog().Execute(); });
            QFAIL("no error raised");
        } catch (const platform::EFileError &e) {
            QCOMPARE(e.message(), b.path() + u" に書き込めません"_s);
        }
    }
};

QTEST_MAIN(PrinterRegistrationTest)
#include "tst_printerregistration.moc"
