#include "app/settingsfile.h"

#include "platform/codepage.h"
#include "platform/error.h"

#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using app::SettingsFile;
using app::StoredSettings;


class SettingsFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The order book: the environment before the settings file, else the SQLite file.
    void orderBookEnvironmentBeforeSettings()
    {
        QTemporaryDir dir;
        const app::SettingsFile settings(dir.filePath(app::SettingsFile::fileName()));
        qunsetenv("MEKIRA_DATABASE");
        QCOMPARE(settings.orderBook(dir.path()).sqlitePath, QDir(dir.path()).absoluteFilePath(u"mekira.db"_qs));
        QFile ini(dir.filePath(app::SettingsFile::fileName()));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[mekira_RErorezevPrn]\r\nDatabase=postgresql://a@settings/one\r\n");
        ini.close();
        QCOMPARE(settings.orderBook(dir.path()).host, u"settings"_qs);
        qputenv("MEKIRA_DATABASE", "postgresql://b@environment/two");
        QCOMPARE(settings.orderBook(dir.path()).host, u"environment"_qs);
        qunsetenv("MEKIRA_DATABASE");
    }
    void missingFileGivesDefaults()
    {
        QTemporaryDir dir;
        const StoredSettings s = SettingsFile(dir.filePath(SettingsFile::fileName())).load();
        QCOMPARE(s.printerIndex, -1);
        QCOMPARE(s.printerTop, 0);
        QCOMPARE(s.printerLeft, 0);
        QCOMPARE(s.tabMy, 0);
        QCOMPARE(s.addrFont, 1);
        QCOMPARE(s.kosuu, u"1"_qs);
        QCOMPARE(s.comboBoxSel, 0);
        QVERIFY(s.zip.isEmpty() && s.myZip.isEmpty() && s.g1.isEmpty());
    }

    void saveWritesTheNineteenKeysInOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(SettingsFile::fileName());
        StoredSettings s;
        s.addrFont = 2;
        s.zip = u"123-4567"_qs;
        s.add1 = u"東京都架空区見本町１－２－３"_qs;
        s.custo1 = u"見本　花子"_qs;
        s.tel = u"090-0000-1111"_qs;
        s.add3 = u"見本ハイツ２０３"_qs;
        s.g1 = u"りんご"_qs;
        s.kosuu = u"3"_qs;
        s.deDate1 = u"12"_qs;
        s.deDate2 = u"24"_qs;
        s.my = u"見本商店"_qs;
        s.myZip = u"100-0001"_qs;
        s.comboBoxSel = 1;
        s.tabMy = 9;
        SettingsFile(path).save(s);

        const QByteArray expected = platform::encodeCp932(
            u"[mekira_RErorezevPrn]\r\n"
            "Addr_Font=2\r\nE_ZIP=123-4567\r\nE_AD1=東京都架空区見本町１－２－３\r\nE_AD2=\r\n"
            "E_CUS=見本　花子\r\nE_TEL=090-0000-1111\r\nE_G1=りんご\r\nE_G2=\r\nE_G3=\r\nKOSUU=3\r\n"
            "de_date1=12\r\nde_date2=24\r\nOP023My=見本商店\r\nOP023MyZip=100-0001\r\nOP023MyADD1=\r\n"
            "OP023MyADD2=\r\nOP023MyTEL=\r\nComboBox_SEL=1\r\nTab_My=9\r\nTransferMode=smart\r\n"
            "E_AD3=見本ハイツ２０３\r\n"_qs);
        QCOMPARE(fileBytes(path), expected);

        const StoredSettings back = SettingsFile(path).load();
        QCOMPARE(back.add1, s.add1);
        QCOMPARE(back.add3, s.add3);
        QCOMPARE(back.custo1, s.custo1);
        QCOMPARE(back.myZip, s.myZip);
        QCOMPARE(back.tabMy, 9);
        QCOMPARE(back.comboBoxSel, 1);
    }

    void saveKeepsPrinterKeysAndOtherSections()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(SettingsFile::fileName());
        writeFileBytes(path, "[mekira_RErorezevPrn]\r\nRErorezevprnno=2\r\nmekira_RErorezevPrn_Top=5\r\n"
                         "E_ZIP=old\r\n[Other]\r\nX=1\r\n");
        StoredSettings s;
        s.zip = u"new"_qs;
        SettingsFile(path).save(s);
        const StoredSettings back = SettingsFile(path).load();
        QCOMPARE(back.printerIndex, 2);
        QCOMPARE(back.printerTop, 5);
        QCOMPARE(back.zip, u"new"_qs);
        QVERIFY(fileBytes(path).endsWith("Tab_My=0\r\nTransferMode=smart\r\nE_AD3=\r\n[Other]\r\nX=1\r\n"));
    }

    void oldSpellingsAndBadIntegers()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(SettingsFile::fileName());
        writeFileBytes(path, "[MEKIRA_REROREZEVPRN]\r\nop023myzip = 100-0001 \r\nAddr_Font=big\r\n"
                         "ComboBox_SEL=7\r\nRErorezevprnno=x\r\nmekira_RErorezevPrn_Left=-8\r\n");
        const StoredSettings s = SettingsFile(path).load();
        QCOMPARE(s.myZip, u"100-0001"_qs);
        QCOMPARE(s.addrFont, 1);
        QCOMPARE(s.comboBoxSel, 7); // the window falls back to the first feed
        QCOMPARE(s.printerIndex, -1);
        QCOMPARE(s.printerLeft, -8);
    }

    void printerIndexOfF7()
    {
        QTemporaryDir dir;
        const SettingsFile file(dir.filePath(SettingsFile::fileName()));
        QCOMPARE(file.readPrinterIndex(), -1);
        file.writePrinterIndex(3);
        QCOMPARE(file.readPrinterIndex(), 3);
        QCOMPARE(file.load().printerIndex, 3);
    }

    void failedSaveRaisesWithThePath()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"missing/"_qs + SettingsFile::fileName());
        try {
            SettingsFile(path).save(StoredSettings());
            QFAIL("no error raised");
        } catch (const platform::EFileError &e) {
            QCOMPARE(e.message(), path + u" に書き込めません"_qs);
        }
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
