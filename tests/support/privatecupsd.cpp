#include "privatecupsd.h"

#include <csignal>
#include <sys/types.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cups/cups.h>

#include <cstdlib>

namespace testsupport {

namespace {

struct PageSize
{
    const char *name;
    const char *text;
    int width; // points
    int height;
};

// PPD page sizes the fixture knows, in points.
constexpr PageSize kPageSizes[] = {
    {"A3", "A3", 842, 1191},
    {"A4", "A4", 595, 842},
    {"A5", "A5", 420, 595},
    {"B4", "JIS B4", 729, 1032},
    {"B5", "JIS B5", 516, 729},
    {"Letter", "US Letter", 612, 792},
    {"Legal", "US Legal", 612, 1008},
    {"Postcard", "Postcard", 283, 420},
    {"Env10", "Envelope #10", 297, 684},
    {"DL", "Envelope DL", 312, 624},
};

const PageSize *findPageSize(const QString &name)
{
    for (const PageSize &size : kPageSizes) {
        if (name == QLatin1String(size.name))
            return &size;
    }
    return nullptr;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size();
}

int freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

} // namespace

PrivateCupsd::PrivateCupsd() = default;

PrivateCupsd::~PrivateCupsd()
{
    stop();
}

bool PrivateCupsd::fail(const QString &message)
{
    m_error = message;
    const QString log = errorLog();
    if (!log.isEmpty())
        m_error += QStringLiteral("\n--- cupsd error log ---\n") + log.right(4000);
    return false;
}

QString PrivateCupsd::server() const
{
    return QStringLiteral("localhost:%1").arg(m_port);
}

QString PrivateCupsd::root() const
{
    return m_dir ? m_dir->path() : QString();
}

QString PrivateCupsd::errorLog() const
{
    if (!m_dir)
        return {};
    QFile file(root() + QStringLiteral("/log/error_log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool PrivateCupsd::running() const
{
    return m_process && m_process->state() == QProcess::Running;
}

bool PrivateCupsd::start()
{
    // The free port is picked before cupsd binds it; another process may win the
    // race, so try a few ports.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce())
            return true;
    }
    return false;
}

bool PrivateCupsd::startOnce()
{
    stop();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/mekira-cupsd-XXXXXX"));
    if (!m_dir->isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    // For a look at the logs and spool after a failed run.
    if (qEnvironmentVariableIsSet("MEKIRA_KEEP_CUPSD"))
        m_dir->setAutoRemove(false);
    const QString base = m_dir->path();
    // cupsd drops to its User for filters and backends: the folders it writes to must
    // be open to that user.
    QFile::setPermissions(base, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                    | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                    | QFileDevice::ReadOther | QFileDevice::ExeOther);
    for (const char *sub : {"etc", "etc/ppd", "etc/ssl", "spool", "spool/tmp", "cache", "state", "log", "out"}) {
        const QString path = base + QLatin1Char('/') + QLatin1String(sub);
        if (!QDir().mkpath(path))
            return fail(QStringLiteral("cannot create %1").arg(path));
    }
    for (const char *open : {"spool/tmp", "log", "out", "cache", "state"}) {
        QFile::setPermissions(base + QLatin1Char('/') + QLatin1String(open),
                              QFileDevice::Permissions(0x7777));
    }

    m_port = freePort();
    if (m_port == 0)
        return fail(QStringLiteral("no free port"));

    const QByteArray cupsdConf = QStringLiteral(
        "LogLevel warn\n"
        "Listen 127.0.0.1:%1\n"
        "Browsing No\n"
        "BrowseLocalProtocols none\n"
        "DefaultAuthType None\n"
        "DefaultEncryption Never\n"
        "WebInterface No\n"
        "JobRetryLimit 0\n"
        "PreserveJobHistory Yes\n"
        "MaxJobs 0\n"
        "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Policy default>\n"
        "  JobPrivateAccess all\n  JobPrivateValues none\n"
        "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
        "  <Limit All>\n    Order deny,allow\n    Allow all\n  </Limit>\n"
        "</Policy>\n").arg(m_port).toUtf8();
    const QByteArray filesConf = QStringLiteral(
        "ServerRoot %1/etc\n"
        "RequestRoot %1/spool\n"
        "TempDir %1/spool/tmp\n"
        "CacheDir %1/cache\n"
        "StateDir %1/state\n"
        "ServerKeychain %1/etc/ssl\n"
        "AccessLog %1/log/access_log\n"
        "ErrorLog %1/log/error_log\n"
        "PageLog %1/log/page_log\n"
        "Printcap %1/state/printcap\n"
        "FileDevice Yes\n"
        "User lp\n"
        "Group lp\n"
        "SystemGroup root\n").arg(base).toUtf8();
    const QString conf = base + QStringLiteral("/etc/cupsd.conf");
    const QString files = base + QStringLiteral("/etc/cups-files.conf");
    if (!writeFile(conf, cupsdConf) || !writeFile(files, filesConf))
        return fail(QStringLiteral("cannot write the configuration"));

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(QStringLiteral("/usr/sbin/cupsd"),
                     {QStringLiteral("-f"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files});
    if (!m_process->waitForStarted(5000))
        return fail(QStringLiteral("cupsd did not start: %1").arg(m_process->errorString()));
    if (!waitUntilAnswering(15000)) {
        const QString output = QString::fromUtf8(m_process->readAll());
        fail(QStringLiteral("cupsd does not answer on port %1\n%2").arg(m_port).arg(output));
        const QString message = m_error;
        stop();
        m_error = message;
        return false;
    }
    qputenv("CUPS_SERVER", server().toUtf8());
    cupsSetServer(server().toUtf8().constData());
    return true;
}

bool PrivateCupsd::waitUntilAnswering(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process->state() != QProcess::Running)
            return false;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (socket.waitForConnected(200)) {
            socket.disconnectFromHost();
            // Accepting connections precedes answering IPP by a moment.
            http_t *http = httpConnect2("127.0.0.1", m_port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER,
                                        1, 2000, nullptr);
            if (http) {
                ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
                ipp_t *response = cupsDoRequest(http, request, "/");
                // Any answer will do: with no printers yet it is "not found".
                const bool ok = response != nullptr;
                ippDelete(response);
                httpClose(http);
                if (ok)
                    return true;
            }
        }
        QThread::msleep(100);
    }
    return false;
}

void PrivateCupsd::pause()
{
    if (running())
        ::kill(pid_t(m_process->processId()), SIGSTOP);
}

void PrivateCupsd::resume()
{
    if (running())
        ::kill(pid_t(m_process->processId()), SIGCONT);
}

void PrivateCupsd::stop()
{
    resume();
    if (m_process) {
        if (m_process->state() == QProcess::Running) {
            m_process->terminate();
            if (!m_process->waitForFinished(5000)) {
                m_process->kill();
                m_process->waitForFinished(2000);
            }
        }
        m_process.reset();
    }
    m_dir.reset();
}

QByteArray PrivateCupsd::makePpd(const Printer &printer)
{
    const QString defaultSize = printer.defaultPageSize.isEmpty() ? printer.pageSizes.value(0)
                                                                  : printer.defaultPageSize;
    const QString defaultSlot = printer.defaultInputSlot.isEmpty() ? printer.inputSlots.value(0)
                                                                   : printer.defaultInputSlot;
    const int defaultDpi = printer.defaultResolution ? printer.defaultResolution
                                                     : printer.resolutions.value(0, 300);
    QString ppd;
    ppd += QStringLiteral("*PPD-Adobe: \"4.3\"\n"
                          "*FormatVersion: \"4.3\"\n"
                          "*FileVersion: \"1.0\"\n"
                          "*LanguageVersion: English\n"
                          "*LanguageEncoding: ISOLatin1\n"
                          "*PCFileName: \"MEKTEST.PPD\"\n"
                          "*Manufacturer: \"Mekira Test\"\n"
                          "*Product: \"(Mekira Test Printer)\"\n"
                          "*ModelName: \"Mekira Test Printer\"\n"
                          "*ShortNickName: \"Mekira Test Printer\"\n"
                          "*NickName: \"Mekira Test Printer\"\n"
                          "*PSVersion: \"(3010.000) 0\"\n"
                          "*LanguageLevel: \"3\"\n"
                          "*ColorDevice: False\n"
                          "*DefaultColorSpace: Gray\n"
                          "*FileSystem: False\n"
                          "*Throughput: \"1\"\n"
                          "*LandscapeOrientation: Plus90\n"
                          "*TTRasterizer: Type42\n"
                          "*cupsVersion: 2.4\n"
                          "*cupsManualCopies: False\n"
                          // pdftopdf turns a job into vnd.cups-pdf; "-" hands that on. A job
                          // with no filter at all would never reach a file device.
                          "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n");

    ppd += QStringLiteral("*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
                          "*DefaultPageSize: %1\n").arg(defaultSize);
    for (const QString &name : printer.pageSizes) {
        const PageSize *size = findPageSize(name);
        if (size)
            ppd += QStringLiteral("*PageSize %1/%2: \"<</PageSize[%3 %4]>>setpagedevice\"\n")
                       .arg(name, QLatin1String(size->text)).arg(size->width).arg(size->height);
    }
    ppd += QStringLiteral("*CloseUI: *PageSize\n");
    ppd += QStringLiteral("*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
                          "*DefaultPageRegion: %1\n").arg(defaultSize);
    for (const QString &name : printer.pageSizes) {
        const PageSize *size = findPageSize(name);
        if (size)
            ppd += QStringLiteral("*PageRegion %1/%2: \"<</PageSize[%3 %4]>>setpagedevice\"\n")
                       .arg(name, QLatin1String(size->text)).arg(size->width).arg(size->height);
    }
    ppd += QStringLiteral("*CloseUI: *PageRegion\n");
    ppd += QStringLiteral("*DefaultImageableArea: %1\n*DefaultPaperDimension: %1\n").arg(defaultSize);
    for (const QString &name : printer.pageSizes) {
        const PageSize *size = findPageSize(name);
        if (!size)
            continue;
        // 1/4 inch unprintable margin on every side.
        ppd += QStringLiteral("*ImageableArea %1/%2: \"18 18 %3 %4\"\n")
                   .arg(name, QLatin1String(size->text)).arg(size->width - 18).arg(size->height - 18);
        ppd += QStringLiteral("*PaperDimension %1/%2: \"%3 %4\"\n")
                   .arg(name, QLatin1String(size->text)).arg(size->width).arg(size->height);
    }
    if (!printer.inputSlots.isEmpty()) {
        ppd += QStringLiteral("*OpenUI *InputSlot/Media Source: PickOne\n*OrderDependency: 20 AnySetup *InputSlot\n"
                              "*DefaultInputSlot: %1\n").arg(defaultSlot);
        for (int i = 0; i < printer.inputSlots.size(); ++i)
            ppd += QStringLiteral("*InputSlot %1/%1: \"<</MediaPosition %2>>setpagedevice\"\n")
                       .arg(printer.inputSlots.at(i)).arg(i);
        ppd += QStringLiteral("*CloseUI: *InputSlot\n");
    }
    ppd += QStringLiteral("*OpenUI *Resolution/Resolution: PickOne\n*OrderDependency: 20 AnySetup *Resolution\n"
                          "*DefaultResolution: %1dpi\n").arg(defaultDpi);
    for (const int dpi : printer.resolutions)
        ppd += QStringLiteral("*Resolution %1dpi/%1 DPI: \"<</HWResolution[%1 %1]>>setpagedevice\"\n").arg(dpi);
    ppd += QStringLiteral("*CloseUI: *Resolution\n");
    ppd += QStringLiteral("*DefaultFont: Courier\n*Font Courier: Standard \"(001.004)\" Standard ROM\n");
    return ppd.toLatin1();
}

bool PrivateCupsd::runClient(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), server());
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(1000);
        m_error = QStringLiteral("%1 did not finish").arg(program);
        return false;
    }
    const QString text = QString::fromUtf8(process.readAll());
    if (output)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2 failed: %3").arg(program, arguments.join(QLatin1Char(' ')), text);
        return false;
    }
    return true;
}

QString PrivateCupsd::outputPath(const QString &name) const
{
    return root() + QStringLiteral("/out/") + name + QStringLiteral(".pdf");
}

QByteArray PrivateCupsd::readOutput(const QString &name) const
{
    QFile file(outputPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool PrivateCupsd::addPrinter(const Printer &printer)
{
    const QString ppdPath = root() + QStringLiteral("/") + printer.name + QStringLiteral(".ppd");
    if (!writeFile(ppdPath, makePpd(printer)))
        return fail(QStringLiteral("cannot write %1").arg(ppdPath));
    const QString out = outputPath(printer.name);
    // The file device writes as cupsd's user: let it create and replace the file.
    writeFile(out, QByteArray());
    QFile::setPermissions(out, QFileDevice::Permissions(0x6666));
    const QString info = printer.info.isEmpty() ? printer.name : printer.info;
    return runClient(QStringLiteral("lpadmin"),
                     {QStringLiteral("-h"), server(), QStringLiteral("-p"), printer.name,
                      QStringLiteral("-v"), QStringLiteral("file://") + out, QStringLiteral("-P"), ppdPath,
                      QStringLiteral("-D"), info, QStringLiteral("-E")});
}

bool PrivateCupsd::removePrinter(const QString &name)
{
    return runClient(QStringLiteral("lpadmin"), {QStringLiteral("-h"), server(), QStringLiteral("-x"), name});
}

bool PrivateCupsd::setDefaultPrinter(const QString &name)
{
    return runClient(QStringLiteral("lpadmin"), {QStringLiteral("-h"), server(), QStringLiteral("-d"), name});
}

QList<PrivateCupsd::Job> PrivateCupsd::jobs()
{
    QList<Job> result;
    http_t *http = httpConnect2("127.0.0.1", m_port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (!http)
        return result;
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOBS);
    const QByteArray uri = QStringLiteral("ipp://localhost:%1/").arg(m_port).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 0);
    static const char *const attrs[] = {"job-id", "job-name", "job-state", "job-printer-uri",
                                        "media", "media-source", "printer-resolution"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(attrs)), nullptr, attrs);
    ipp_t *response = cupsDoRequest(http, request, "/");
    Job job;
    bool inJob = false;
    const auto flush = [&] {
        if (inJob && job.id)
            result.append(job);
        job = Job{};
    };
    for (ipp_attribute_t *attr = response ? ippFirstAttribute(response) : nullptr; attr;
         attr = ippNextAttribute(response)) {
        if (!ippGetName(attr)) {
            flush();
            inJob = false;
            continue;
        }
        if (ippGetGroupTag(attr) != IPP_TAG_JOB)
            continue;
        inJob = true;
        const QByteArray name = ippGetName(attr);
        if (name == "job-id") {
            job.id = ippGetInteger(attr, 0);
        } else if (name == "job-name") {
            job.title = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (name == "job-state") {
            const int state = ippGetInteger(attr, 0);
            job.state = QString::fromUtf8(ippEnumString("job-state", state));
        } else if (name == "job-printer-uri") {
            job.printer = QString::fromUtf8(ippGetString(attr, 0, nullptr)).section(QLatin1Char('/'), -1);
        } else if (name == "media") {
            job.media = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (name == "media-source") {
            job.mediaSource = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        } else if (name == "printer-resolution") {
            int y = 0;
            ipp_res_t units;
            const int x = ippGetResolution(attr, 0, &y, &units);
            job.resolution = QStringLiteral("%1x%2dpi").arg(x).arg(y);
        }
    }
    flush();
    ippDelete(response);
    httpClose(http);
    return result;
}

bool PrivateCupsd::waitForCompletedJobs(int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        int completed = 0;
        for (const Job &job : jobs()) {
            if (job.state == QLatin1String("completed"))
                ++completed;
        }
        if (completed >= count)
            return true;
        QThread::msleep(100);
    }
    return fail(QStringLiteral("fewer than %1 jobs completed in time").arg(count));
}

} // namespace testsupport
