// The program as a user starts it: one instance per desktop, and a session end that
// saves the entries.
#include "platform-ui/singleinstance.h"

#include "filebytes.h"
#include "instanceprobe.h"
#include "privatepostgres.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <csignal>

class ProcessTest : public QObject
{
    Q_OBJECT

private:
    static QProcessEnvironment environment(const QString &display)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        // A display name of its own, so that the test meets no other running copy.
        env.insert(u"DISPLAY"_qs, display);
        env.remove(u"WAYLAND_DISPLAY"_qs);
        return env;
    }

    static void startIn(QProcess &process, const QString &folder, const QString &display)
    {
        process.setProcessEnvironment(environment(display));
        process.setWorkingDirectory(folder);
        process.start(QString::fromUtf8(MEKIRA_BINARY), {});
        QVERIFY(process.waitForStarted(5000));
    }

    static bool exists(const QString &path) { return QFile::exists(path); }

    // Two orders in the program's own format, beside a sender profile (so that the
    // start asks nothing).
    static void writeOrderFile(const QString &path)
    {
        QFile profile(QFileInfo(path).dir().filePath(u"my0.txt"_qs));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("100-0001\r\n\r\n\r\n\r\n\r\n");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("注文番号,郵便番号,おところ1,おところ2,おなまえ,でんわ,品名1,品名2,品名3\r\n"
                   "A-1,151-0053,東京都渋谷区代々木1-1,,山田 太郎,090-1111-2222,お菓子,,\r\n"
                   "A-2,100-0001,東京都千代田区千代田1-1,,佐藤 花子,03-0000-0000,お茶,,\r\n");
    }

    static bool waitUntilRunning(const QString &display)
    {
        return waitForInstance(instanceNameOn(display), [] { return true; }, 15000);
    }

private Q_SLOTS:
    // --help and --version print and end before the window system is opened: here no
    // display exists and X11 is asked for, so a program that opened it would abort.
    void printingOptionsNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("expectedLines");
        const QString version = u"mekira "_qs + QStringLiteral(MEKIRA_PROJECT_VERSION);
        QTest::newRow("--version") << u"--version"_qs << QStringList{version};
        QTest::newRow("-v") << u"-v"_qs << QStringList{version};
        // Qt names the program as it was called.
        const QStringList help{u"Usage: "_qs + QString::fromUtf8(MEKIRA_BINARY) + u" [options] [files...]"_qs, u"ゆうパックの送り状を印刷します。"_qs,
                               u"  -h, --help"_qs, u"  -v, --version"_qs, u"  files"_qs};
        QTest::newRow("--help") << u"--help"_qs << help;
        QTest::newRow("-h") << u"-h"_qs << help;
        QTest::newRow("after a file") << u"orders.csv --version"_qs << QStringList{version};
    }
    void printingOptionsNeedNoDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QStringList, expectedLines);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"DISPLAY"_qs);
        env.remove(u"WAYLAND_DISPLAY"_qs);
        env.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QString::fromUtf8(MEKIRA_BINARY), option.split(u' '));
        QVERIFY(program.waitForFinished(10000));
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 program.readAllStandardError().constData());
        // Each expected line whole, or followed by its explanation after spaces.
        const QStringList lines = output.split(u'\n');
        for (const QString &expected : expectedLines)
            QVERIFY2(std::any_of(lines.begin(), lines.end(),
                                 [&](const QString &line) {
                                     return line == expected || line.startsWith(expected + u' ');
                                 }),
                     qPrintable(expected + u" not in:\n"_qs + output));
    }

    void secondStartEndsAndLeavesTheFirstRunning()
    {
        QTemporaryDir dir;
        const QString display = u":test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        QFile profile(dir.filePath(u"my0.txt"_qs));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("\r\n\r\n\r\n\r\n\r\n");
        profile.close();

        QProcess first;
        startIn(first, dir.path(), display);
        QVERIFY(waitUntilRunning(display));

        QProcess second;
        startIn(second, dir.path(), display);
        QVERIFY(second.waitForFinished(5000));
        QVERIFY2(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0,
                 second.readAllStandardError().constData());
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(5000));
        QCOMPARE(first.exitCode(), 0);
    }

    // The order book on a PostgreSQL server that stopped answering (every process
    // paused) while the program imports: a termination still ends it within seconds, and
    // a start meanwhile or after gets a window of its own.
    void terminationWithAPausedServer()
    {
        testsupport::PrivatePostgres pg;
        MEKIRA_START_POSTGRES(pg);
        QTemporaryDir dir;
        const QString display = u":test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        writeOrderFile(dir.filePath(u"orders.csv"_qs));
        QProcess program;
        QProcessEnvironment env = environment(display);
        env.insert(u"MEKIRA_DATABASE"_qs, pg.createDatabase(u"paused"_qs));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(QString::fromUtf8(MEKIRA_BINARY), {dir.filePath(u"orders.csv"_qs)});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(waitUntilRunning(display));
        // Connected and imported; then the server stops answering and a second file is
        // handed over, whose import waits on it.
        {
            QSqlDatabase check = QSqlDatabase::addDatabase(u"QPSQL"_qs, u"check"_qs);
            check.setHostName(u"127.0.0.1"_qs);
            check.setPort(pg.port());
            check.setUserName(pg.user());
            check.setDatabaseName(u"paused"_qs);
            QVERIFY(check.open());
            const auto orders = [&check] {
                QSqlQuery q(check);
                return q.exec(u"SELECT COUNT(*) FROM orders"_qs) && q.next() ? q.value(0).toInt() : 0;
            };
            QTRY_COMPARE_WITH_TIMEOUT(orders(), 2, 15000);
            check.close();
        }
        QSqlDatabase::removeDatabase(u"check"_qs);
        pg.pause();
        QFile::copy(dir.filePath(u"orders.csv"_qs), dir.filePath(u"more.csv"_qs));
        QProcess handOver;
        handOver.setProcessEnvironment(env);
        handOver.start(QString::fromUtf8(MEKIRA_BINARY), {dir.filePath(u"more.csv"_qs)});
        QVERIFY(handOver.waitForFinished(5000));
        QTest::qWait(1000); // the import waits on the server
        QElapsedTimer timer;
        timer.start();
        ::kill(pid_t(program.processId()), SIGTERM);
        const bool ended = program.waitForFinished(15000);
        pg.resume();
        QVERIFY2(ended, "still running 15 s after SIGTERM");
        QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));

        QProcess next;
        startIn(next, dir.path(), display);
        QVERIFY(waitUntilRunning(display));
        QCOMPARE(next.state(), QProcess::Running);
        next.terminate();
        QVERIFY(next.waitForFinished(15000));
    }

    // The order book the program made, its side files and the folder of printed PDFs
    // are readable by their owner only.
    void orderBookIsOwnerOnly()
    {
        QTemporaryDir dir;
        const QString display = u":test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        writeOrderFile(dir.filePath(u"orders.csv"_qs));
        QProcess program;
        program.setProcessEnvironment(environment(display));
        program.setWorkingDirectory(dir.path());
        program.start(QString::fromUtf8(MEKIRA_BINARY), {dir.filePath(u"orders.csv"_qs)});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(waitUntilRunning(display));
        const QString book = dir.filePath(u"mekira.db"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(book), 15000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(15000));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
        for (const QString &name : QDir(dir.path()).entryList({u"mekira.db*"_qs}, QDir::Files))
            QVERIFY2((QFile::permissions(dir.filePath(name)) & others) == QFile::Permissions(), qPrintable(name));
    }

    void terminationSavesTheSettings()
    {
        QTemporaryDir dir;
        const QString display = u":test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        QFile profile(dir.filePath(u"my0.txt"_qs));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("100-0001\r\n\r\n\r\n\r\n\r\n");
        profile.close();

        QProcess program;
        startIn(program, dir.path(), display);
        QVERIFY(waitUntilRunning(display));
        QTest::qWait(2000); // the start sequence runs as soon as the window is shown
        QVERIFY(!exists(dir.filePath(u"mekira_RErorezev.ini"_qs)));
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QFile settings(dir.filePath(u"mekira_RErorezev.ini"_qs));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray bytes = settings.readAll();
        QVERIFY(bytes.contains("OP023MyZip=100-0001\r\n"));
        QVERIFY(bytes.endsWith("Tab_My=0\r\nTransferMode=smart\r\nE_AD3=\r\n"));
    }

    // Terminations that arrive while the settings are being written (a logout sends
    // more than one) neither cut the save short nor leave a half-written file: the save
    // goes to its end and the program ends once. Ten megabytes of someone else's
    // bytes in the file make each of the nineteen writes take long enough to be hit.
    void terminationDuringTheSave()
    {
        QTemporaryDir dir;
        const QString display = u":test-"_qs + QUuid::createUuid().toString(QUuid::Id128);
        const QString settingsPath = dir.filePath(u"mekira_RErorezev.ini"_qs);
        QVERIFY(writeFileBytes(dir.filePath(u"my0.txt"_qs), "100-0001\r\n\r\n\r\n\r\n\r\n"));
        QByteArray foreign(10 * 1024 * 1024, 'x');
        QVERIFY(writeFileBytes(settingsPath, foreign + "\r\n"));

        QProcess program;
        startIn(program, dir.path(), display);
        QVERIFY(waitUntilRunning(display));
        // The start sequence has run when the settings were read once per key.
        const qint64 startReads = 22 * foreign.size();
        QTRY_VERIFY_WITH_TIMEOUT(ioCounter(program.processId(), "rchar:") >= startReads, 30000);
        QTest::qWait(200);

        // Signals go in while the written bytes show the save under way: at least one
        // whole write done and most still to come.
        const qint64 writtenBefore = ioCounter(program.processId(), "wchar:");
        ::kill(pid_t(program.processId()), SIGTERM);
        int hitDuringSave = 0;
        QElapsedTimer timer;
        timer.start();
        while (program.state() == QProcess::Running && timer.elapsed() < 30000) {
            const qint64 written = ioCounter(program.processId(), "wchar:") - writtenBefore;
            if (written >= foreign.size() && written <= 12 * foreign.size() && hitDuringSave < 5) {
                ::kill(pid_t(program.processId()), SIGTERM);
                ++hitDuringSave;
            }
            program.waitForFinished(1);
        }
        QCOMPARE(program.state(), QProcess::NotRunning);
        QVERIFY(hitDuringSave > 0);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QByteArray bytes = fileBytes(settingsPath);
        QVERIFY(bytes.startsWith(foreign + "\r\n[mekira_RErorezevPrn]\r\n"));
        QVERIFY(bytes.endsWith("Tab_My=0\r\nTransferMode=smart\r\nE_AD3=\r\n"));
        QCOMPARE(bytes.count("[mekira_RErorezevPrn]"), 1);
        QCOMPARE(bytes.count("\r\nOP023MyZip=100-0001\r\n"), 1);
        QCOMPARE(bytes.count("\r\n"), 2 + 21);
        QCOMPARE(QDir(dir.path()).entryList({u"mekira_RErorezev.ini*"_qs}, QDir::Files),
                 QStringList{u"mekira_RErorezev.ini"_qs});
    }

private:
    // A counter of /proc/<pid>/io: "rchar:" bytes read so far, "wchar:" written.
    static qint64 ioCounter(qint64 pid, const QByteArray &name)
    {
        QFile io(u"/proc/%1/io"_qs.arg(pid));
        if (!io.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : io.readAll().split('\n')) {
            if (line.startsWith(name))
                return line.mid(name.size()).trimmed().toLongLong();
        }
        return 0;
    }
};

QTEST_GUILESS_MAIN(ProcessTest)
#include "tst_process.moc"
