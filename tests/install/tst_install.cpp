// `cmake --install` into a fresh prefix: the program, the launcher, the desktop entry
// and the icons land where a desktop looks for them, and the launcher runs the program
// in its own data folder, where it keeps its settings.
#include "instanceprobe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// The keys of the [Desktop Entry] group, as written.
QHash<QString, QString> readDesktopEntry(const QString &path)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inGroup = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inGroup = line == u"[Desktop Entry]"_s;
        else if (inGroup && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return keys;
}

bool waitUntilRunning(const QString &display, const QProcess &process)
{
    return waitForInstance(instanceNameOn(display), [&process] { return process.state() == QProcess::Running; },
                           20000);
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_prefix;

    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QString::fromUtf8(MEKIRA_CMAKE_COMMAND),
                      {u"--install"_s, QString::fromUtf8(MEKIRA_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }

    void filesAreInstalled_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << u"bin/mekira"_s << true;
        QTest::newRow("launcher") << u"bin/mekira-desktop"_s << true;
        QTest::newRow("desktop entry") << u"share/applications/mekira.desktop"_s << false;
        QTest::newRow("scalable icon") << u"share/icons/hicolor/scalable/apps/mekira.svg"_s << false;
        QTest::newRow("48 px icon") << u"share/icons/hicolor/48x48/apps/mekira.png"_s << false;
        QTest::newRow("256 px icon") << u"share/icons/hicolor/256x256/apps/mekira.png"_s << false;
        QTest::newRow("postal table") << u"share/mekira/postal.bin"_s << false;
        QTest::newRow("metainfo") << u"share/metainfo/jp.example.mekira.metainfo.xml"_s << false;
        QTest::newRow("copyright") << u"share/doc/mekira/copyright"_s << false;
        QTest::newRow("changelog") << u"share/doc/mekira/changelog.gz"_s << false;
        QTest::newRow("manual page") << u"share/man/man1/mekira.1.gz"_s << false;
        QTest::newRow("launcher's manual page") << u"share/man/man1/mekira-desktop.1.gz"_s << false;
    }
    void filesAreInstalled()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(installed(path));
        QVERIFY2(info.isFile(), qPrintable(info.filePath()));
        QVERIFY(info.size() > 0);
        QCOMPARE(info.isExecutable(), executable);
    }

    void iconsHaveTheirSizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("48") << 48;
        QTest::newRow("256") << 256;
    }
    void iconsHaveTheirSizes()
    {
        QFETCH(int, size);
        const QImage image(installed(u"share/icons/hicolor/%1x%1/apps/mekira.png"_s.arg(size)));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(size, size));
        // Drawn on a transparent ground: the corners are clear, the middle is not.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QVERIFY(qAlpha(image.pixel(size / 2, size / 2)) > 0);

        QFile svg(installed(u"share/icons/hicolor/scalable/apps/mekira.svg"_s));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(svg.readAll().contains("<svg"));
    }

    void desktopEntryNamesTheLauncher()
    {
        const QString path = installed(u"share/applications/mekira.desktop"_s);
        const QHash<QString, QString> entry = readDesktopEntry(path);
        QCOMPARE(entry.value(u"Type"_s), u"Application"_s);
        QVERIFY(!entry.value(u"Name"_s).isEmpty());
        QCOMPARE(entry.value(u"Name[ja]"_s), u"ゆうパック送り状印刷"_s);
        QVERIFY(!entry.value(u"Comment"_s).isEmpty());
        QVERIFY(!entry.value(u"Comment[ja]"_s).isEmpty());
        QCOMPARE(entry.value(u"Categories"_s), u"Office;"_s);
        QCOMPARE(entry.value(u"Icon"_s), u"mekira"_s);
        // The launcher by its absolute path under this prefix, as one quoted argument,
        // then the files the file manager opens with it.
        QCOMPARE(entry.value(u"Exec"_s), u'"' + installed(u"bin/mekira-desktop"_s) + u"\" %F"_s);
        QCOMPARE(entry.value(u"MimeType"_s), u"text/csv;text/tab-separated-values;"_s);

        const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {path});
        QVERIFY(validate.waitForFinished(30000));
        const QByteArray output = validate.readAll();
        QVERIFY2(validate.exitCode() == 0, output.constData());
        QVERIFY2(output.trimmed().isEmpty(), output.constData()); // no warnings either
    }

    // What a software centre shows: names and summaries in both languages, the launcher
    // it belongs to, the version of this build, and a file the AppStream tools accept.
    void metainfoDescribesTheProgram()
    {
        const QString path = installed(u"share/metainfo/jp.example.mekira.metainfo.xml"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString xml = QString::fromUtf8(file.readAll());
        for (const QString &part :
             {u"<name xml:lang=\"ja\">ゆうパック送り状印刷</name>"_s, u"<summary xml:lang=\"ja\">"_s,
              u"<launchable type=\"desktop-id\">mekira.desktop</launchable>"_s,
              u"<release version=\"%1\""_s.arg(QStringLiteral(MEKIRA_PROJECT_VERSION)),
              u"<content_rating type=\"oars-1.1\""_s, u"<screenshot type=\"default\">"_s})
            QVERIFY2(xml.contains(part), qPrintable(part));

        const QString validator = QStandardPaths::findExecutable(u"appstreamcli"_s);
        if (validator.isEmpty())
            QSKIP("appstreamcli is not installed (package appstream)");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {u"validate"_s, u"--no-net"_s, path});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }

    // The launcher makes the data folder when missing, runs the program there (it saves
    // its settings into its working folder when it is ended) and finds the program
    // beside itself, whatever PATH holds and wherever it is called from.
    void launcherRunsTheProgramInItsDataFolder_data()
    {
        QTest::addColumn<QString>("xdgDataHome"); // "<unset>", or relative to the temporary folder
        QTest::addColumn<QString>("expectedFolder"); // relative to the temporary folder
        QTest::addColumn<bool>("throughSymlink");
        QTest::newRow("default data home") << u"<unset>"_s << u"home/.local/share/mekira"_s << false;
        QTest::newRow("XDG_DATA_HOME set") << u"/data/home"_s << u"data/home/mekira"_s << false;
        // A relative XDG_DATA_HOME is invalid and ignored.
        QTest::newRow("XDG_DATA_HOME relative") << u"relative/data"_s << u"home/.local/share/mekira"_s << false;
        QTest::newRow("launcher linked elsewhere") << u"/data"_s << u"data/mekira"_s << true;
    }
    void launcherRunsTheProgramInItsDataFolder()
    {
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, expectedFolder);
        QFETCH(bool, throughSymlink);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        QVERIFY(QDir().mkpath(root.filePath(u"home"_s)));
        QVERIFY(QDir().mkpath(root.filePath(u"elsewhere"_s)));

        // A decoy "mekira" first on PATH: the launcher must not take it.
        QVERIFY(QDir().mkpath(root.filePath(u"decoy"_s)));
        const QString decoyMark = root.filePath(u"decoy-ran"_s);
        {
            QFile decoy(root.filePath(u"decoy/mekira"_s));
            QVERIFY(decoy.open(QIODevice::WriteOnly));
            decoy.write(("#!/bin/sh\ntouch '" + decoyMark + "'\nexit 3\n").toUtf8());
        }
        QVERIFY(QFile::setPermissions(root.filePath(u"decoy/mekira"_s),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QString launcher = installed(u"bin/mekira-desktop"_s);
        if (throughSymlink) {
            const QString link = root.filePath(u"elsewhere/start-mekira"_s);
            QVERIFY(QFile::link(launcher, link));
            launcher = link;
        }

        const QString display = u":install-"_s + QUuid::createUuid().toString(QUuid::Id128);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, root.filePath(u"home"_s));
        env.insert(u"PATH"_s, root.filePath(u"decoy"_s) + u":/usr/bin:/bin"_s);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"DISPLAY"_s, display);
        env.remove(u"WAYLAND_DISPLAY"_s);
        env.remove(u"XDG_DATA_HOME"_s);
        if (xdgDataHome != u"<unset>"_s)
            env.insert(u"XDG_DATA_HOME"_s, xdgDataHome.startsWith(u'/') ? root.path() + xdgDataHome : xdgDataHome);

        const QString folder = root.filePath(expectedFolder);
        QVERIFY(!QFileInfo::exists(folder));

        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(root.filePath(u"elsewhere"_s));
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(launcher, {});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY2(waitUntilRunning(display, program), "the program did not come up");
        QVERIFY(QFileInfo(folder).isDir());
        QTest::qWait(3000); // the start sequence runs once the window is shown

        // The launcher replaced itself by the program: the signal reaches the program,
        // which closes its window and saves the settings in its working folder. A first
        // start there has no sender profile and shows its error box: the signal ends the
        // program all the same.
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(QFileInfo::exists(folder + u"/mekira_RErorezev.ini"_s),
                 qPrintable(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u", ")));
        QVERIFY(!QFileInfo::exists(root.filePath(u"elsewhere/mekira_RErorezev.ini"_s)));
        QVERIFY(!QFileInfo::exists(root.filePath(u"home/mekira_RErorezev.ini"_s)));
        QVERIFY(!QFileInfo::exists(decoyMark));
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
