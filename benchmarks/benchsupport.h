#pragma once

// Shared pieces of the benchmark programs: child processes timed from just before
// their start, their peak memory, medians, and a working folder as a user has it.

#include "probeclock.h"

#include "app/senderprofile.h"
#include "app/settingsfile.h"

#include "platform-ui/fonts.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// What a finished child left: its standard output, exit status, peak memory and the
// wall time from just before fork to its exit.
struct ChildResult
{
    std::string output;
    int status = -1;
    long maxRssKb = 0;
    double wallMs = 0;
};

// A started child whose standard output is collected.
class Child
{
public:
    // Starts `program` in `folder` with `extraEnv` ("NAME=value") added to this
    // process's environment; the start time is passed in kStartVariable.
    Child(const std::string &program, const std::vector<std::string> &args, const std::string &folder,
          const std::vector<std::string> &extraEnv = {})
    {
        int fds[2];
        if (pipe(fds) != 0) {
            std::perror("pipe");
            std::exit(2);
        }
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e)
            env.emplace_back(*e);
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        // The child changes folder before exec: a relative program path is resolved here.
        char resolved[PATH_MAX];
        const std::string path = realpath(program.c_str(), resolved) ? std::string(resolved) : program;
        std::vector<std::string> argv{path};
        argv.insert(argv.end(), args.begin(), args.end());

        m_start = monotonicNs();
        env.push_back(std::string(kStartVariable) + "=" + std::to_string(m_start));
        std::vector<char *> envp;
        for (std::string &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<char *> argp;
        for (std::string &a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);

        m_pid = fork();
        if (m_pid < 0) {
            std::perror("fork");
            std::exit(2);
        }
        if (m_pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            execve(path.c_str(), argp.data(), envp.data());
            _exit(127);
        }
        close(fds[1]);
        m_out = fds[0];
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    ~Child()
    {
        if (m_out >= 0)
            close(m_out);
    }

    pid_t pid() const { return m_pid; }

    void terminate() const { kill(m_pid, SIGTERM); }

    // Reads the output to its end and reaps the child.
    ChildResult wait()
    {
        ChildResult result;
        char buffer[4096];
        ssize_t n;
        while ((n = read(m_out, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0)
                result.output.append(buffer, std::size_t(n));
        rusage usage{};
        while (wait4(m_pid, &result.status, 0, &usage) < 0 && errno == EINTR) {
        }
        result.wallMs = double(monotonicNs() - m_start) / 1e6;
        result.maxRssKb = usage.ru_maxrss;
        return result;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    long long m_start = 0;
};

// The value of "key=<number>" in a probe's output, or -1.
inline double valueOf(const std::string &output, const std::string &key)
{
    const std::size_t at = output.find(key + "=");
    return at == std::string::npos ? -1 : std::atof(output.c_str() + at + key.size() + 1);
}

// A port bound here but never listened on: a CUPS_SERVER there refuses at once, so
// the built-in PDF printer is the only printer. Held open while the object lives.
class RefusedPort
{
public:
    RefusedPort()
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
            std::perror("refused port");
            std::exit(2);
        }
        m_port = ntohs(address.sin_port);
    }
    ~RefusedPort() { close(m_fd); }
    RefusedPort(const RefusedPort &) = delete;
    RefusedPort &operator=(const RefusedPort &) = delete;

    std::string cupsServer() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    int m_fd = -1;
    int m_port = 0;
};

// Sets CUPS_SERVER to a refused port while it lives, before the application is made.
class WithoutPrintServer
{
public:
    WithoutPrintServer() { setenv("CUPS_SERVER", m_refused.cupsServer().c_str(), 1); }

private:
    RefusedPort m_refused;
};

// The application of an in-process benchmark: no print server (the built-in PDF
// printer is the only printer), the program's font substitutions, and an empty
// working folder of its own as the current folder.
class BenchApplication : private WithoutPrintServer, public QApplication
{
public:
    BenchApplication(int &argc, char **argv) : QApplication(argc, argv)
    {
        platform::installFontSubstitutions();
        m_ready = m_work.isValid() && QDir::setCurrent(m_work.path());
    }

    bool isReady() const { return m_ready; }
    QString workPath() const { return m_work.path(); }

private:
    QTemporaryDir m_work;
    bool m_ready = false;
};

// A working folder as a user's looks after some use: the settings file with a slip
// in it, the printer on the PDF printer when `printerIndex` is 0, and sender profile 0.
inline void prepareWorkingFolder(const QString &folder, int printerIndex = -1)
{
    app::StoredSettings s;
    s.printerIndex = printerIndex;
    s.tabMy = 0;
    s.my = QStringLiteral("見本ショップ");
    s.myZip = QStringLiteral("890-0012");
    s.myAdd1 = QStringLiteral("鹿児島県見本市見本町1-2-3");
    s.myAdd2 = QStringLiteral("見本ビル2階");
    s.myTel = QStringLiteral("099-222-3333");
    s.zip = QStringLiteral("123-4567");
    s.add1 = QStringLiteral("東京都架空区見本町一丁目三番地");
    s.add2 = QStringLiteral("サンプルハイツ101号");
    s.custo1 = QStringLiteral("見本太郎");
    s.tel = QStringLiteral("03-1234-5678");
    s.g1 = QStringLiteral("書籍");
    s.g2 = QStringLiteral("衣類");
    s.g3 = QStringLiteral("ワレモノ注意");
    s.deDate1 = QStringLiteral("11");
    s.deDate2 = QStringLiteral("28");
    const app::SettingsFile settings(folder + QStringLiteral("/") + app::SettingsFile::fileName());
    settings.save(s);
    if (printerIndex >= 0)
        settings.writePrinterIndex(printerIndex);
    app::SenderProfileStore(folder).save(0, {s.myZip, s.myAdd1, s.myAdd2, s.my, s.myTel});
}

// The platform the children draw on, for the output.
inline std::string platformNote()
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    std::string note = platform && *platform ? platform : "(Qt's default)";
    if (note.rfind("xcb", 0) == 0) {
        const char *display = std::getenv("DISPLAY");
        note += std::string(" on DISPLAY ") + (display ? display : "?");
    }
    return note;
}

} // namespace bench
