#include "platform/codepage.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform-ui/messagebox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class CodePageTest : public QObject
{
    Q_OBJECT

    // Every byte below 0x80, in order: each reads as the same character.
    static QByteArray asciiBytes()
    {
        QByteArray bytes;
        for (int b = 0; b < 0x80; ++b)
            bytes.append(char(b));
        return bytes;
    }

private Q_SLOTS:
    void decodingNeverFails_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("abc") << u"abc"_qs;
        QTest::newRow("backslash and tilde") << QByteArray("C:\\a~b") << u"C:\\a~b"_qs;
        QTest::newRow("every ASCII byte") << asciiBytes() << QString::fromLatin1(asciiBytes());
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("kanji") << QByteArray::fromHex("8ca9967b") << u"見本"_qs;
        QTest::newRow("half-width kana") << QByteArray::fromHex("b6de") << u"ｶﾞ"_qs;
        QTest::newRow("undefined single bytes") << QByteArray::fromHex("41ff42") << u"A\uFFFDB"_qs;
        QTest::newRow("lone lead byte at end") << QByteArray::fromHex("4181") << u"A\uFFFD"_qs;
        QTest::newRow("real SUB byte stays") << QByteArray::fromHex("1aff") << u"\u001A\uFFFD"_qs;
        // A lead byte followed by a byte that cannot be its second byte stands alone.
        QTest::newRow("stray lead byte before LF") << QByteArray::fromHex("2a8a0a40") << u"*\uFFFD\n@"_qs;
        QTest::newRow("stray lead byte before =") << QByteArray::fromHex("813d31") << u"\uFFFD=1"_qs;
        QTest::newRow("stray lead byte before 7F") << QByteArray::fromHex("e07f") << u"\uFFFD\u007F"_qs;
        // ICU's table swaps these three; Windows keeps every ASCII byte as it is.
        QTest::newRow("control bytes 1A 1C 7F") << QByteArray::fromHex("1a1c7f41") << u"\u001A\u001C\u007FA"_qs;
        QTest::newRow("control byte among kanji") << QByteArray::fromHex("8ca91c967b") << u"見\u001C本"_qs;
        QTest::newRow("control byte beside garbage") << QByteArray::fromHex("7fff1c") << u"\u007F\uFFFD\u001C"_qs;
    }
    void decodingNeverFails()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(platform::decodeCp932(bytes), text);
    }

    void unmappedCharactersBecomeQuestionMarks()
    {
        QCOMPARE(platform::encodeCp932(u"髙①～€"_qs), QByteArray::fromHex("fbfc874081603f"));
        QCOMPARE(platform::encodeCp932(u"\U0001F600x"_qs), QByteArray("?x"));
        QCOMPARE(platform::encodeCp932(QString(QChar(0xD800)) + u"y"_qs), QByteArray("?y"));
    }

    // The stored form of a value in the settings and profile files.
    void storedValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("CP932 text as it is") << u"見本　髙①&<>"_qs << u"見本　髙①&<>"_qs << u"見本　髙①&<>"_qs;
        QTest::newRow("beyond the first plane") << u"𠮷田"_qs << u"&#x20BB7;田"_qs << u"𠮷田"_qs;
        QTest::newRow("first plane, not CP932") << u"€剝"_qs << u"&#x20AC;&#x525D;"_qs << u"€剝"_qs;
        QTest::newRow("typed reference to a lacking character")
            << u"a&#x20BB7;"_qs << u"a&#x26;#x20BB7;"_qs << u"a&#x20BB7;"_qs;
        QTest::newRow("typed escape of the ampersand") << u"&#x26;"_qs << u"&#x26;#x26;"_qs << u"&#x26;"_qs;
        QTest::newRow("typed reference to a held character") << u"&#x41;&#65;"_qs << u"&#x41;&#65;"_qs << u"&#x41;&#65;"_qs;
        QTest::newRow("line breaks become blanks") << u"a\r\nb\nc\rd"_qs << u"a b c d"_qs << u"a b c d"_qs;
        QTest::newRow("broken pair is written as ?") << u"x\xD800y"_qs << u"x\xD800y"_qs << u"x?y"_qs;
    }
    void storedValues()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        QFETCH(QString, readBack);
        QCOMPARE(platform::toStoredValue(value), stored);
        QCOMPARE(platform::fromStoredValue(platform::decodeCp932(platform::encodeCp932(stored))), readBack);
    }

    // What the reader makes of references written by other hands.
    void readsReferences_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("value");
        QTest::newRow("lower-case hex") << u"&#x20bb7;"_qs << u"𠮷"_qs;
        QTest::newRow("capital X") << u"&#X20AC;"_qs << u"€"_qs;
        QTest::newRow("no semicolon") << u"&#x20BB7"_qs << u"&#x20BB7"_qs;
        QTest::newRow("seven digits") << u"&#x0020BB7;"_qs << u"&#x0020BB7;"_qs;
        QTest::newRow("beyond Unicode") << u"&#x110000;"_qs << u"&#x110000;"_qs;
        QTest::newRow("surrogate") << u"&#xD800;"_qs << u"&#xD800;"_qs;
        QTest::newRow("no digits") << u"&#x;"_qs << u"&#x;"_qs;
    }
    void readsReferences()
    {
        QFETCH(QString, stored);
        QFETCH(QString, value);
        QCOMPARE(platform::fromStoredValue(stored), value);
    }

    void controlCharactersEncodeAsTheirOwnByte()
    {
        QCOMPARE(platform::encodeCp932(u"\u001A\u001C\u007F"_qs), QByteArray::fromHex("1a1c7f"));
        QCOMPARE(platform::encodeCp932(u"見\u007F€"_qs), QByteArray::fromHex("8ca97f3f"));
        QCOMPARE(platform::decodeCp932(platform::encodeCp932(u"a\u001Cb"_qs)), u"a\u001Cb"_qs);
    }

    // Megabytes of bytes that are mostly not CP932: every character is decided and the
    // result matches a character-by-character decode of a sample of it.
    void largeGarbageDecodesWhole()
    {
        QByteArray garbage(4 * 1024 * 1024, Qt::Uninitialized);
        quint32 seed = 12345;
        for (char &c : garbage) {
            seed = seed * 1664525u + 1013904223u;
            c = char(seed >> 24);
        }
        const QString text = platform::decodeCp932(garbage);
        QVERIFY(text.size() > garbage.size() / 2);
        QVERIFY(text.size() <= garbage.size());
        QVERIFY(text.contains(QChar(QChar::ReplacementCharacter)));
        // Decoding a piece that starts on a character boundary gives the same characters.
        const QByteArray head = garbage.left(4096);
        const QString headText = platform::decodeCp932(head);
        QCOMPARE(text.left(headText.size() - 1), headText.left(headText.size() - 1));
        // Re-encoding and decoding again changes nothing more.
        const QString again = platform::decodeCp932(platform::encodeCp932(text));
        QCOMPARE(again.size(), text.size());
        QCOMPARE(platform::encodeCp932(again), platform::encodeCp932(text));
    }

    void linesFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"my0.txt"_qs);
        platform::writeCp932Lines(path, {u"100-0001"_qs, QString(), u"見本商店"_qs});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("100-0001\r\n\r\n") + QByteArray::fromHex("8ca9967b8fa49358") + "\r\n");
        QCOMPARE(platform::readCp932Lines(path), (QStringList{u"100-0001"_qs, QString(), u"見本商店"_qs}));
    }

    void missingFileRaisesNamingIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"my3.txt"_qs);
        try {
            platform::readCp932Lines(path);
            QFAIL("no error raised");
        } catch (const platform::EFileError &e) {
            QVERIFY(e.message().contains(path));
        }
    }

    void strictIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << u"0"_qs << true << 0;
        QTest::newRow("leading spaces") << u"  12"_qs << true << 12;
        QTest::newRow("trailing space") << u"12 "_qs << false << 0;
        QTest::newRow("plus") << u"+7"_qs << true << 7;
        QTest::newRow("minus") << u"-8"_qs << true << -8;
        QTest::newRow("min") << u"-2147483648"_qs << true << INT_MIN;
        QTest::newRow("max") << u"2147483647"_qs << true << INT_MAX;
        QTest::newRow("over max") << u"2147483648"_qs << false << 0;
        QTest::newRow("hex dollar") << u"$FF"_qs << true << 255;
        QTest::newRow("hex 0x") << u"0x10"_qs << true << 16;
        QTest::newRow("hex X") << u"Xa"_qs << true << 10;
        QTest::newRow("hex pattern") << u"$FFFFFFFF"_qs << true << -1;
        QTest::newRow("nine hex digits") << u"$100000000"_qs << false << 0;
        QTest::newRow("nine hex digits with leading zero") << u"$000000001"_qs << false << 0;
        QTest::newRow("letters after") << u"12a"_qs << false << 0;
        QTest::newRow("fraction") << u"1.5"_qs << false << 0;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("sign only") << u"-"_qs << false << 0;
        QTest::newRow("full-width digits") << u"１２"_qs << false << 0;
        QTest::newRow("tab before") << u"\t1"_qs << false << 0;
    }
    void strictIntegers()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int result = 0;
        QCOMPARE(platform::tryStrToInt(text, result), ok);
        if (ok)
            QCOMPARE(result, value);
        else
            QVERIFY_THROWS_EXCEPTION(platform::EConvertError, platform::StrToInt(text));
    }

    void errorBoxAppendsFullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Japanese") << u"ファイルがありません"_qs << u"ファイルがありません."_qs;
        QTest::newRow("ends with stop") << u"Index is out of Range."_qs << u"Index is out of Range."_qs;
        QTest::newRow("ends with minus (45)") << u"abc-"_qs << u"abc-"_qs;
        QTest::newRow("ends with slash (47)") << u"abc/"_qs << u"abc/."_qs;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("Japanese full stop") << u"書き込めません。"_qs << u"書き込めません。"_qs;
        QTest::newRow("Japanese question") << u"印刷しますか？"_qs << u"印刷しますか？"_qs;
    }
    void errorBoxAppendsFullStop()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(platform::errorBoxText(message), shown);
    }
};

QTEST_GUILESS_MAIN(CodePageTest)
#include "tst_codepage.moc"
