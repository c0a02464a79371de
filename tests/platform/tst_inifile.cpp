#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/inifile.h"

#include "filebytes.h"
#include "filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::IniFile;

class IniFileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name = QStringLiteral("test.ini")) const { return m_dir.filePath(name); }


private Q_SLOTS:
    void init() { QFile::remove(path()); }

    void missingFileSectionOrKeyReadsDefault()
    {
        const IniFile ini(path());
        QCOMPARE(ini.readString(u"S"_qs, u"K"_qs, u"dflt"_qs), u"dflt"_qs);
        QCOMPARE(ini.readInteger(u"S"_qs, u"K"_qs, -1), -1);
        QVERIFY(writeFileBytes(path(), "[Other]\r\nK=1\r\n[S]\r\nX=2\r\n"));
        QCOMPARE(ini.readInteger(u"Missing"_qs, u"K"_qs, 7), 7);
        QCOMPARE(ini.readInteger(u"S"_qs, u"K"_qs, 7), 7);
        QCOMPARE(ini.readInteger(u"S"_qs, u"X"_qs, 7), 2);
        QVERIFY(!QFile::exists(path(u"never.ini"_qs)));
    }

    void namesMatchRegardlessOfCaseAndBlanks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("lower-case key") << QByteArray("[Sec]\r\nop023myzip=123\r\n") << u"Sec"_qs << u"OP023MyZIP "_qs;
        QTest::newRow("key with blanks in file") << QByteArray("[Sec]\r\n  OP023MyZip  = 123\r\n") << u"Sec"_qs << u"OP023MyZip"_qs;
        QTest::newRow("section case and blanks") << QByteArray("[ sEc ]\r\nK=123\r\n") << u"SEC"_qs << u" k "_qs;
    }
    void namesMatchRegardlessOfCaseAndBlanks()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QVERIFY(writeFileBytes(path(), file));
        QCOMPARE(IniFile(path()).readString(section, key), u"123"_qs);
    }

    void integerKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << u"12"_qs << 12;
        QTest::newRow("negative") << u"-8"_qs << -8;
        QTest::newRow("hex") << u"$10"_qs << 16;
        QTest::newRow("trailing letters") << u"12a"_qs << 1;
        QTest::newRow("word") << u"abc"_qs << 1;
        QTest::newRow("empty") << QString() << 1;
        QTest::newRow("too large") << u"4294967296"_qs << 1;
        QTest::newRow("fraction") << u"1.5"_qs << 1;
    }
    void integerKeys()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const IniFile ini(path());
        ini.writeString(u"S"_qs, u"Addr_Font"_qs, text);
        QCOMPARE(ini.readInteger(u"S"_qs, u"Addr_Font"_qs, 1), expected);
    }

    void longValueIsCut()
    {
        const IniFile ini(path());
        const QString value(3000, QChar(u'あ'));
        ini.writeString(u"S"_qs, u"K"_qs, value);
        const QString read = ini.readString(u"S"_qs, u"K"_qs);
        QCOMPARE(read.size(), 2047);
        QCOMPARE(read, value.left(2047));
    }

    void cp932RoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("name with ideographic space") << u"見本　花子"_qs << QByteArray::fromHex("8ca9967b814089d48e71");
        QTest::newRow("variant kanji") << u"髙"_qs << QByteArray::fromHex("fbfc");
        QTest::newRow("circled digit") << u"①"_qs << QByteArray::fromHex("8740");
        QTest::newRow("wave dash as Windows writes it") << u"～"_qs << QByteArray::fromHex("8160");
    }
    void cp932RoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, bytes);
        const IniFile ini(path());
        ini.writeString(u"S"_qs, u"K"_qs, value);
        QCOMPARE(fileBytes(path()), QByteArray("[S]\r\nK=") + bytes + "\r\n");
        QCOMPARE(ini.readString(u"S"_qs, u"K"_qs), value);
    }

    // A character CP932 lacks is stored as a reference and comes back; full-width spaces
    // around a value stay, ASCII blanks go; a line break never reaches the file.
    void valuesComeBackWhole_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("lacking characters") << u"a€b😀c"_qs << QByteArray("K=a&#x20AC;b&#x1F600;c") << u"a€b😀c"_qs;
        QTest::newRow("full-width spaces around")
            << u"　見本　"_qs << QByteArray::fromHex("4b3d81408ca9967b8140") << u"　見本　"_qs;
        QTest::newRow("ASCII blanks around") << u" \tv "_qs << QByteArray("K= \tv ") << u"v"_qs;
        QTest::newRow("line break") << u"a\r\n[X]"_qs << QByteArray("K=a [X]") << u"a [X]"_qs;
    }
    void valuesComeBackWhole()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        QFETCH(QString, readBack);
        const IniFile ini(path());
        ini.writeString(u"S"_qs, u"K"_qs, value);
        QCOMPARE(fileBytes(path()), QByteArray("[S]\r\n") + line + "\r\n");
        QCOMPARE(ini.readString(u"S"_qs, u"K"_qs), readBack);
    }

    void writeKeepsOtherLines()
    {
        QVERIFY(writeFileBytes(path(), "; written by hand\r\n[First]\r\nA=1\r\n\r\n[mekira]\r\nKeep=x\r\nE_ZIP=old\r\n"
                           "; comment in section\r\nLast=y\r\n\r\n[Third]\r\nB=2\r\n"));
        const IniFile ini(path());
        ini.writeString(u"MEKIRA"_qs, u"e_zip"_qs, u"123-4567"_qs);
        ini.writeString(u"mekira"_qs, u"New"_qs, u"n"_qs);
        ini.writeString(u"Fourth"_qs, u"C"_qs, u"3"_qs);
        QCOMPARE(fileBytes(path()),
                 QByteArray("; written by hand\r\n[First]\r\nA=1\r\n\r\n[mekira]\r\nKeep=x\r\ne_zip=123-4567\r\n"
                            "; comment in section\r\nLast=y\r\nNew=n\r\n\r\n[Third]\r\nB=2\r\n"
                            "[Fourth]\r\nC=3\r\n"));
    }

    // Lines the program does not write go back byte for byte, even those that are no
    // CP932 at all, with their own line ends.
    void writeKeepsForeignBytesAndLineEnds()
    {
        const QByteArray head = QByteArray("\xff\xfe") + QByteArray(1, '\0') + "garbage\x81\r[S]\n";
        const QByteArray tail = "\r\n\x8c\xa9=\xff\x1a\r\n[T]\rX=1";
        QVERIFY(writeFileBytes(path(), head + "K=old" + tail));
        const IniFile ini(path());
        ini.writeString(u"s"_qs, u"k"_qs, u"見本"_qs);
        QCOMPARE(fileBytes(path()), head + "k=\x8c\xa9\x96\x7b" + tail);
        ini.writeString(u"T"_qs, u"Y"_qs, u"2"_qs);
        QVERIFY(fileBytes(path()).endsWith("[T]\rX=1\r\nY=2\r\n"));
        ini.writeString(u"U"_qs, u"Z"_qs, u"3"_qs);
        QVERIFY(fileBytes(path()).endsWith("Y=2\r\n[U]\r\nZ=3\r\n"));
        QCOMPARE(ini.readString(u"S"_qs, u"K"_qs), u"見本"_qs);
        QCOMPARE(ini.readString(u"S"_qs, u"見"_qs), u"\uFFFD\u001A"_qs);
    }

    // Several entries in one write end as the same bytes as one write per entry, from
    // every kind of starting file.
    void severalEntriesAsOneWrite_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("keys in place and a foreign section")
            << QByteArray("; by hand\r\n[S]\r\nB=old\r\nkeep=1\r\n\r\n[T]\r\nX=1");
        QTest::newRow("section last, no line end") << QByteArray("[T]\r\nX=1\r\n[s]\nA=0");
        QTest::newRow("byte-order mark on the key") << QByteArray("\xEF\xBB\xBF" "A=0\r\n[S]\r\n");
    }
    void severalEntriesAsOneWrite()
    {
        QFETCH(QByteArray, before);
        const QList<std::pair<QString, QString>> entries{
            {u"A"_qs, u"見本"_qs}, {u"B"_qs, u"𠮷"_qs}, {u"C"_qs, QString()}, {u"A"_qs, u"again"_qs}};
        const QTemporaryDir dir;
        const QString oneByOne = dir.filePath(u"one.ini"_qs);
        const QString together = dir.filePath(u"together.ini"_qs);
        if (!before.isNull()) {
            QVERIFY(writeFileBytes(oneByOne, before));
            QVERIFY(writeFileBytes(together, before));
        }
        for (const auto &[key, value] : entries)
            IniFile(oneByOne).writeString(u"S"_qs, key, value);
        IniFile(together).writeStrings(u"S"_qs, entries);
        QCOMPARE(fileBytes(together), fileBytes(oneByOne));
        QCOMPARE(IniFile(together).readString(u"S"_qs, u"A"_qs), u"again"_qs);
    }

    void lastLineWithoutLineEnd()
    {
        QVERIFY(writeFileBytes(path(), "[S]\r\nK=1\r\n[T]\r\nX=1"));
        const IniFile ini(path());
        ini.writeString(u"S"_qs, u"K"_qs, u"2"_qs);
        QCOMPARE(fileBytes(path()), QByteArray("[S]\r\nK=2\r\n[T]\r\nX=1"));
        ini.writeString(u"T"_qs, u"X"_qs, u"3"_qs);
        QCOMPARE(fileBytes(path()), QByteArray("[S]\r\nK=2\r\n[T]\r\nX=3\r\n"));
    }

    // The file is CP932 whatever its bytes: a value whose CP932 bytes happen to be valid
    // UTF-8 (half-width kana, for one) reads back as written, and a UTF-8 file's lines
    // that are not written stay as they were.
    void alwaysCp932()
    {
        QVERIFY(writeFileBytes(path(), "[mekira_RErorezevPrn]\r\nE_ZIP=060-0042\r\n"));
        const IniFile ini(path());
        ini.writeString(u"mekira_RErorezevPrn"_qs, u"E_AD2"_qs, u"ﾆｼ1-2"_qs);
        QCOMPARE(ini.readString(u"mekira_RErorezevPrn"_qs, u"E_AD2"_qs), u"ﾆｼ1-2"_qs);

        const QByteArray utf8 = u"[手差し]\r\nメモ=残す\r\nPrnName=x\r\n"_qs.toUtf8();
        QVERIFY(writeFileBytes(path(), utf8));
        QVERIFY(ini.readString(u"手差し"_qs, u"PrnName"_qs).isEmpty()); // its section is not found
        ini.writeString(u"手差し"_qs, u"PrnName"_qs, u"髙橋"_qs);
        QCOMPARE(fileBytes(path()),
                 utf8 + "[\x8e\xe8\x8d\xb7\x82\xb5]\r\nPrnName=\xfb\xfc\x8b\xb4\r\n");
        QCOMPARE(ini.readString(u"手差し"_qs, u"PrnName"_qs), u"髙橋"_qs);
    }

    void byteOrderMarkBeforeFirstSection()
    {
        QVERIFY(writeFileBytes(path(), "\xEF\xBB\xBF[S]\r\nK=v\r\n"));
        QCOMPARE(IniFile(path()).readString(u"S"_qs, u"K"_qs), u"v"_qs);
    }

    // Ten megabytes on one line, before and inside the section: reads and writes still
    // find their keys and keep the line whole.
    void tenMegabyteLine()
    {
        const QByteArray big(10 * 1024 * 1024, 'x');
        QVERIFY(writeFileBytes(path(), big + "\r\n[S]\r\nK=1\r\nBig=" + big + "\r\n"));
        const IniFile ini(path());
        QCOMPARE(ini.readString(u"S"_qs, u"K"_qs), u"1"_qs);
        QCOMPARE(ini.readString(u"S"_qs, u"Big"_qs).size(), IniFile::kMaxValueLength);
        ini.writeString(u"S"_qs, u"K"_qs, u"2"_qs);
        QCOMPARE(fileBytes(path()), big + "\r\n[S]\r\nK=2\r\nBig=" + big + "\r\n");
    }

    void readsFileWithLfLineEnds()
    {
        QVERIFY(writeFileBytes(path(), "[S]\nK=v\n"));
        QCOMPARE(IniFile(path()).readString(u"S"_qs, u"K"_qs), u"v"_qs);
    }

    // A disk that fills up half way: the file-size limit makes the write fail even
    // for root, which read-only folders would not stop.
    void failedWriteLeavesOldFileWhole()
    {
        const IniFile ini(path());
        ini.writeString(u"S"_qs, u"Other"_qs, u"kept"_qs);
        ini.writeString(u"S"_qs, u"K"_qs, u"old"_qs);
        const QByteArray before = fileBytes(path());

        bool raised = false;
        {
            FileSizeLimit limit(64);
            try {
                ini.writeString(u"S"_qs, u"K"_qs, QString(500, QLatin1Char('x')));
            } catch (const platform::EFileError &e) {
                raised = true;
                QCOMPARE(e.message(), path() + u" に書き込めません"_qs);
            }
        }
        QVERIFY(raised);
        QCOMPARE(fileBytes(path()), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"test.ini"_qs});
    }

    void failedWriteIntoMissingFolderNamesTheFile()
    {
        const QString file = m_dir.filePath(u"no/such/folder/settings.ini"_qs);
        try {
            IniFile(file).writeString(u"S"_qs, u"K"_qs, u"v"_qs);
            QFAIL("no error raised");
        } catch (const platform::EFileError &e) {
            QCOMPARE(e.message(), file + u" に書き込めません"_qs);
        }
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "tst_inifile.moc"
