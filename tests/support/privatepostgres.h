#pragma once

// A private PostgreSQL server for tests: initdb into a temporary folder, the server
// on a free port of 127.0.0.1 with its Unix socket in that folder, trust login for
// the user "mekira". Tests run as root and PostgreSQL refuses to run as root, so the
// server runs as the unprivileged user "nobody", which owns the folder.
//
//   PrivatePostgres pg;
//   MEKIRA_START_POSTGRES(pg);                 // skips loudly without PostgreSQL
//   const QString url = pg.createDatabase(QStringLiteral("orders"));
//   ... connect with url ("postgresql://mekira@127.0.0.1:<port>/orders") ...
//   pg.stop(); pg.start();                     // the data survives a restart
//
// The server is stopped (fast shutdown) and the folder removed at destruction.

#include <QProcess>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

class PrivatePostgres
{
public:
    PrivatePostgres();
    ~PrivatePostgres();
    PrivatePostgres(const PrivatePostgres &) = delete;
    PrivatePostgres &operator=(const PrivatePostgres &) = delete;

    // True when the server programs are installed; without them start() cannot work.
    static bool isInstalled();
    static QString binDir();

    // First call: initdb, then start. Later calls (after stop()): start again on the
    // same port with the same data. Waits until the server accepts connections.
    bool start(int timeoutMs = 30000);
    // Fast shutdown: open sessions are ended, committed data stays.
    void stop();
    // The server's process dies at once (a crash or power cut for its clients).
    void kill();
    bool running() const;
    // Every process of the server stops (SIGSTOP) and goes on (SIGCONT): a server that
    // stops answering without closing a connection, as when paused or cut off.
    void pause();
    void resume();
    // Durable: fsync on, as an installed server runs (for benchmarks); the tests run
    // without it, since the machine itself never crashes under them.
    void setDurable(bool durable) { m_durable = durable; }

    // Creates a database (dropped first when present); returns its address.
    QString createDatabase(const QString &name);
    QString url(const QString &database) const;

    QString lastError() const { return m_error; }
    int port() const { return m_port; }
    QString user() const { return QStringLiteral("mekira"); }
    QString log() const;

private:
    bool initialize();
    bool launch(int timeoutMs);
    bool waitUntilReady(int timeoutMs);
    bool fail(const QString &message);
    // Runs one server program as the server's user with a bounded time.
    bool run(const QString &program, const QStringList &arguments, int timeoutMs, QString *output = nullptr);
    QList<qint64> serverProcesses() const;
    QStringList asServerUser(const QString &program, const QStringList &arguments) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_server;
    int m_port = 0;
    bool m_durable = false;
    bool m_paused = false;
    QString m_error;
};

} // namespace testsupport

// Starts the server or ends the test function: a skip that says so loudly when
// PostgreSQL is not installed, a failure with the server's log when it is installed
// but does not start.
#define MEKIRA_START_POSTGRES(pg)                                                                     \
    do {                                                                                              \
        if (!testsupport::PrivatePostgres::isInstalled())                                             \
            QSKIP("*** PostgreSQL is not installed (package postgresql): the shared order book "      \
                  "tests did NOT run ***");                                                           \
        QVERIFY2((pg).start(), qPrintable((pg).lastError()));                                         \
    } while (false)
