#include "privatepostgres.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QThread>

#include <algorithm>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace testsupport {

namespace {

int freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

// PostgreSQL will not run as root: as root the server runs as "nobody".
const passwd *serverAccount()
{
    return geteuid() == 0 ? getpwnam("nobody") : nullptr;
}

} // namespace

PrivatePostgres::PrivatePostgres() = default;

PrivatePostgres::~PrivatePostgres()
{
    stop();
}

QString PrivatePostgres::binDir()
{
    const QString fromEnvironment = qEnvironmentVariable("MEKIRA_POSTGRES_BIN");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    // Debian installs the server programs by major version; take the newest.
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(found.begin(), found.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &version : found) {
        const QString bin = versions.filePath(version + QStringLiteral("/bin"));
        if (QFileInfo::exists(bin + QStringLiteral("/postgres")))
            return bin;
    }
    return {};
}

bool PrivatePostgres::isInstalled()
{
    const QString bin = binDir();
    return !bin.isEmpty() && QFileInfo(bin + QStringLiteral("/initdb")).isExecutable()
           && QFileInfo(bin + QStringLiteral("/postgres")).isExecutable();
}

bool PrivatePostgres::fail(const QString &message)
{
    m_error = message;
    const QString text = log();
    if (!text.isEmpty())
        m_error += QStringLiteral("\n--- server log ---\n") + text.right(4000);
    return false;
}

QString PrivatePostgres::log() const
{
    if (!m_dir)
        return {};
    QString text;
    for (const char *name : {"initdb.log", "server.log"}) {
        QFile file(m_dir->filePath(QLatin1String(name)));
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}

bool PrivatePostgres::running() const
{
    return m_server && m_server->state() == QProcess::Running;
}

QString PrivatePostgres::url(const QString &database) const
{
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user()).arg(m_port).arg(database);
}

QStringList PrivatePostgres::asServerUser(const QString &program, const QStringList &arguments) const
{
    const passwd *account = serverAccount();
    if (!account)
        return QStringList{program} + arguments;
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(account->pw_uid),
                       QStringLiteral("--regid=%1").arg(account->pw_gid), QStringLiteral("--clear-groups"),
                       program}
           + arguments;
}

bool PrivatePostgres::run(const QString &program, const QStringList &arguments, int timeoutMs, QString *output)
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return fail(QStringLiteral("%1 did not finish in %2 ms").arg(program).arg(timeoutMs));
    }
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return fail(QStringLiteral("%1 %2 failed:\n%3").arg(program, arguments.join(QLatin1Char(' ')), text));
    return true;
}

bool PrivatePostgres::initialize()
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/mekira-postgres-XXXXXX"));
    if (!m_dir->isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    if (qEnvironmentVariableIsSet("MEKIRA_KEEP_POSTGRES"))
        m_dir->setAutoRemove(false);
    if (!QDir(m_dir->path()).mkdir(QStringLiteral("socket")))
        return fail(QStringLiteral("cannot create the socket folder"));
    if (const passwd *account = serverAccount()) {
        for (const QString &path : {m_dir->path(), m_dir->filePath(QStringLiteral("socket"))}) {
            if (::chown(QFile::encodeName(path).constData(), account->pw_uid, account->pw_gid) != 0)
                return fail(QStringLiteral("cannot hand %1 to the server's user").arg(path));
        }
    }
    QString output;
    const QStringList command = asServerUser(
        binDir() + QStringLiteral("/initdb"),
        {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-U"), user(),
         QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
         QStringLiteral("--locale=C"), QStringLiteral("--no-sync")});
    const bool ok = run(command.first(), command.mid(1), 60000, &output);
    QFile logFile(m_dir->filePath(QStringLiteral("initdb.log")));
    if (logFile.open(QIODevice::WriteOnly))
        logFile.write(output.toUtf8());
    return ok;
}

bool PrivatePostgres::start(int timeoutMs)
{
    if (running())
        return true;
    if (!isInstalled())
        return fail(QStringLiteral("PostgreSQL is not installed (no initdb/postgres in /usr/lib/postgresql/*/bin)"));
    const bool fresh = !m_dir;
    if (fresh && !initialize())
        return false;
    // The free port is picked before the server binds it; another process may win the
    // race, so a fresh server tries a few. A restart keeps its port: clients know it.
    // After kill() the old server's sessions may hold its memory a moment longer.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (fresh)
            m_port = freePort();
        if (m_port == 0)
            return fail(QStringLiteral("no free port"));
        if (launch(timeoutMs))
            return true;
        QThread::msleep(500);
    }
    return false;
}

bool PrivatePostgres::launch(int timeoutMs)
{
    m_server = std::make_unique<QProcess>();
    m_server->setWorkingDirectory(m_dir->path());
    m_server->setStandardOutputFile(m_dir->filePath(QStringLiteral("server.log")), QIODevice::Append);
    m_server->setProcessChannelMode(QProcess::MergedChannels);
    const QStringList command = asServerUser(
        binDir() + QStringLiteral("/postgres"),
        {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-p"),
         QString::number(m_port), QStringLiteral("-k"), m_dir->filePath(QStringLiteral("socket")),
         QStringLiteral("-c"), QStringLiteral("listen_addresses=127.0.0.1"), QStringLiteral("-c"),
         m_durable ? QStringLiteral("fsync=on") : QStringLiteral("fsync=off"), QStringLiteral("-c"), QStringLiteral("max_connections=60")});
    m_server->start(command.first(), command.mid(1));
    if (!m_server->waitForStarted(5000))
        return fail(QStringLiteral("the server did not start: %1").arg(m_server->errorString()));
    if (!waitUntilReady(timeoutMs)) {
        const QString message = QStringLiteral("the server does not accept connections on port %1").arg(m_port);
        fail(message);
        const QString error = m_error;
        if (m_server->state() == QProcess::Running) {
            m_server->kill();
            m_server->waitForFinished(2000);
        }
        m_server.reset();
        m_error = error;
        return false;
    }
    return true;
}

bool PrivatePostgres::waitUntilReady(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QString isReady = binDir() + QStringLiteral("/pg_isready");
    while (!deadline.hasExpired()) {
        if (m_server->state() != QProcess::Running)
            return false;
        QProcess probe;
        probe.start(isReady, {QStringLiteral("-q"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"), user(),
                              QStringLiteral("-t"), QStringLiteral("2")});
        if (probe.waitForFinished(3000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return true;
        if (probe.state() != QProcess::NotRunning) {
            probe.kill();
            probe.waitForFinished(1000);
        }
        QThread::msleep(100);
    }
    return false;
}

QString PrivatePostgres::createDatabase(const QString &name)
{
    const QString psql = binDir() + QStringLiteral("/psql");
    const QStringList connection{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                 QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                                 QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port),
                                 QStringLiteral("-U"), user(), QStringLiteral("-d"), QStringLiteral("postgres")};
    if (!run(psql,
             connection
                 + QStringList{QStringLiteral("-c"), QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name),
                               QStringLiteral("-c"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name)},
             30000))
        return {};
    return url(name);
}

void PrivatePostgres::stop()
{
    if (!m_server)
        return;
    if (m_server->state() == QProcess::Running) {
        // SIGINT is the fast shutdown; SIGTERM would wait for every client to leave.
        if (m_paused)
            resume();
        ::kill(pid_t(m_server->processId()), SIGINT);
        if (!m_server->waitForFinished(15000)) {
            m_server->kill();
            m_server->waitForFinished(2000);
        }
    }
    m_server.reset();
}

QList<qint64> PrivatePostgres::serverProcesses() const
{
    QList<qint64> pids;
    if (!m_dir)
        return pids;
    QFile pidFile(m_dir->filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return pids;
    const qint64 postmaster = pidFile.readLine().trimmed().toLongLong();
    if (postmaster <= 0)
        return pids;
    pids << postmaster;
    // Its children: the sessions, the writer, the checkpointer, ...
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // "pid (name) state ppid ...": the name may hold blanks, so read after its ')'.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == postmaster)
            pids << pid;
    }
    return pids;
}

void PrivatePostgres::pause()
{
    for (const qint64 pid : serverProcesses())
        ::kill(pid_t(pid), SIGSTOP);
    m_paused = true;
}

void PrivatePostgres::resume()
{
    for (const qint64 pid : serverProcesses())
        ::kill(pid_t(pid), SIGCONT);
    m_paused = false;
}

void PrivatePostgres::kill()
{
    if (!m_server)
        return;
    if (m_server->state() == QProcess::Running) {
        m_server->kill();
        m_server->waitForFinished(5000);
    }
    m_server.reset();
}

} // namespace testsupport
