// The program meets files it did not write or cannot write: a read-only folder, a
// settings file of garbage, of ten megabytes on one line or in UTF-8, a profile that is
// a folder. Each time it keeps running, shows the errors it should, loses no entry it
// could keep and leaves no stored file damaged.

#include "appfixture.h"

#include "app/settingsfile.h"

#include "filebytes.h"
#include "filepermissions.h"

#include <QDirIterator>
#include <QPushButton>
#include <QLineEdit>
#include <QRandomGenerator>

#include <map>

using namespace Qt::StringLiterals;

namespace {

const QString kSettings = u"mekira_RErorezev.ini"_s;
const QString kProfile = u"my0.txt"_s;

// Every file of a folder with its bytes.
std::map<QString, QByteArray> snapshot(const QString &folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QString path = it.next();
        files[it.fileName()] = fileBytes(path);
    }
    return files;
}

void setReadOnly(const QString &folder, bool readOnly)
{
    const QFile::Permissions file = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions dir = file | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        QFile::setPermissions(it.next(), readOnly ? file : file | QFile::WriteOwner);
    QFile::setPermissions(folder, readOnly ? dir : dir | QFile::WriteOwner);
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// A few entries a user would have typed.
void typeEntries(TForm_Main &w)
{
    w.Edit_Zip->setText(u"123-4567"_s);
    w.Edit_Add1->setText(u"東京都架空区見本町１－２－３"_s);
    w.Edit_Custo1->setText(u"見本　花子"_s);
    w.Edit_G1->setText(u"髙橋商店の品"_s);
}

void checkEntries(TForm_Main &w)
{
    QCOMPARE(w.Edit_Zip->text(), u"123-4567"_s);
    QCOMPARE(w.Edit_Add1->text(), u"東京都架空区見本町１－２－３"_s);
    QCOMPARE(w.Edit_Custo1->text(), u"見本　花子"_s);
    QCOMPARE(w.Edit_G1->text(), u"髙橋商店の品"_s);
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedBoxes> m_boxes;

    QString folder() const { return m_dir->path(); }
    QString file(const QString &name) const { return m_dir->filePath(name); }

    // One run of the program in the test's folder, closed by its close box.
    template<typename Use>
    void run(Use use)
    {
        WindowFixture f(folder());
        f.start();
        use(f.w());
        f.close();
    }

    // The file written by the run, then the run reading it back sees the entries.
    void checkEntriesSurviveRestart()
    {
        m_boxes->clear();
        run([](TForm_Main &w) { checkEntries(w); });
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_boxes = std::make_unique<ScriptedBoxes>();
    }
    void cleanup()
    {
        setReadOnly(folder(), false);
        m_boxes.reset();
        m_dir.reset();
    }

    // Nothing can be written: every save names the file it could not write, the
    // program still ends, and what was stored before stays as it was.
    void readOnlyFolder_data()
    {
        QTest::addColumn<bool>("firstStart");
        QTest::newRow("entries stored before") << false;
        QTest::newRow("first start, empty folder") << true;
    }
    void readOnlyFolder()
    {
        QFETCH(bool, firstStart);
        if (!firstStart) {
            writeFileBytes(file(kProfile), "\r\n\r\n\r\n\r\n\r\n");
            run([](TForm_Main &w) { typeEntries(w); });
        }
        const auto before = snapshot(folder());
        setReadOnly(folder(), true);
        const FilePermissionsObeyed obeyed;
        m_boxes->clear();

        WindowFixture f(folder());
        f.start();
        if (firstStart) {
            QCOMPARE(m_boxes->errors.size(), 1); // no profile yet
            QVERIFY(m_boxes->errors.first().contains(kProfile));
        } else {
            QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
            checkEntries(f.w());
        }
        m_boxes->clear();
        f.w().Edit_MyZip->setText(u"999-9999"_s);
        QTest::mouseClick(f.w().BitBtn_My, Qt::LeftButton);
        QCOMPARE(m_boxes->errors, QStringList{file(kProfile) + u" に書き込めません."_s});
        QVERIFY(f.w().isVisible());

        m_boxes->clear();
        f.close();
        QCOMPARE(m_boxes->errors, QStringList{file(kSettings) + u" に書き込めません."_s});
        QVERIFY(snapshot(folder()) == before);
    }

    // Random bytes, NUL, CR and LF among them: the program starts, saves its entries
    // after them and reads them back; not one byte of the garbage is lost.
    void settingsFileOfGarbage()
    {
        writeFileBytes(file(kProfile), "\r\n\r\n\r\n\r\n\r\n");
        const QByteArray garbage = randomBytes(256 * 1024, 20261209);
        writeFileBytes(file(kSettings), garbage);
        run([](TForm_Main &w) { typeEntries(w); });
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        const QByteArray after = fileBytes(file(kSettings));
        QVERIFY(after.startsWith(garbage));
        QVERIFY(after.contains("\r\n[mekira_RErorezevPrn]\r\n"));
        checkEntriesSurviveRestart();
        QVERIFY(fileBytes(file(kSettings)).startsWith(garbage));
    }

    // Ten megabytes without a line end before anything the program wrote.
    void settingsFileOfTenMegabytesOnOneLine()
    {
        writeFileBytes(file(kProfile), "\r\n\r\n\r\n\r\n\r\n");
        QByteArray line;
        line.reserve(10 * 1024 * 1024);
        while (line.size() < 10 * 1024 * 1024)
            line.append("\x82\xa0", 2); // "あ"
        writeFileBytes(file(kSettings), line);
        run([](TForm_Main &w) {
            QCOMPARE(w.Edit_Zip->text(), QString());
            typeEntries(w);
        });
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        QVERIFY(fileBytes(file(kSettings)).startsWith(line + "\r\n[mekira_RErorezevPrn]\r\n"));
        checkEntriesSurviveRestart();
    }

    // Edited in a UTF-8 editor: the file is read as CP932, as always, so its Japanese
    // values come in as other characters; nothing fails, every line the program does
    // not own stays byte for byte, and what it saves reads back the same next time.
    void settingsFileInUtf8()
    {
        writeFileBytes(file(kProfile), "\r\n\r\n\r\n\r\n\r\n");
        const QByteArray comment = u"; 手で直した\r\n"_s.toUtf8();
        const QString text = u"[mekira_RErorezevPrn]\r\nE_ZIP=123-4567\r\nE_AD1=東京都架空区見本町\r\n"
                             u"メモ=残す\r\n"_s;
        writeFileBytes(file(kSettings), comment + text.toUtf8());
        QString add1;
        run([&add1](TForm_Main &w) {
            QCOMPARE(w.Edit_Zip->text(), u"123-4567"_s);
            add1 = w.Edit_Add1->text();
            QVERIFY(!add1.isEmpty());
        });
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        const QByteArray after = fileBytes(file(kSettings));
        QVERIFY(after.startsWith(comment + "[mekira_RErorezevPrn]\r\nE_ZIP=123-4567\r\nE_AD1="));
        QVERIFY(after.contains(u"\r\nメモ=残す\r\n"_s.toUtf8()));
        m_boxes->clear();
        run([&add1](TForm_Main &w) {
            QCOMPARE(w.Edit_Zip->text(), u"123-4567"_s);
            QCOMPARE(w.Edit_Add1->text(), add1);
        });
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
    }

    // "my0.txt" is a folder: loading and saving it fail with an error box, the program
    // goes on, the folder stays, and the settings are saved at exit as usual.
    void profileFileIsAFolder()
    {
        QVERIFY(QDir(folder()).mkdir(kProfile));
        WindowFixture f(folder());
        f.start();
        QCOMPARE(m_boxes->errors.size(), 1);
        QVERIFY(m_boxes->errors.first().contains(kProfile));
        QCOMPARE(f.w().Edit_MyZip->text(), QString());

        m_boxes->clear();
        f.w().Edit_MyZip->setText(u"999-9999"_s);
        QTest::mouseClick(f.w().BitBtn_My, Qt::LeftButton);
        QCOMPARE(m_boxes->errors, QStringList{file(kProfile) + u" に書き込めません."_s});
        QVERIFY(QFileInfo(file(kProfile)).isDir());
        QVERIFY(f.w().isVisible());
        QCOMPARE(f.w().Edit_MyZip->text(), u"999-9999"_s);

        m_boxes->clear();
        typeEntries(f.w());
        f.close();
        QVERIFY2(m_boxes->errors.isEmpty(), qPrintable(m_boxes->errors.join(u'\n')));
        QVERIFY(QFileInfo(file(kProfile)).isDir());
        QCOMPARE(app::SettingsFile(file(kSettings)).load().zip, u"123-4567"_s);
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
