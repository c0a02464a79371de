#pragma once

// A private cupsd for tests: its own configuration, spool and logs under a temporary
// folder, listening on a free port of 127.0.0.1 only. Printers are added with a
// generated PPD that passes PDF through unchanged to a file:// device, so every job
// ends as a plain PDF file the test can read back.
//
//   PrivateCupsd cupsd;
//   QVERIFY2(cupsd.start(), qPrintable(cupsd.lastError()));   // sets CUPS_SERVER
//   QVERIFY(cupsd.addPrinter({.name = "Slip", .pageSizes = {"A4", "Postcard"}}));
//   ... print ...
//   QVERIFY(cupsd.waitForCompletedJobs(1));
//   QByteArray pdf = cupsd.readOutput("Slip");
//
// Start it before the first libcups call of the process: libcups reads CUPS_SERVER once.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

class PrivateCupsd
{
public:
    struct Printer
    {
        QString name;
        // PPD page size names: A3 A4 A5 B4 B5 Letter Legal Postcard Env10 DL
        QStringList pageSizes{QStringLiteral("A4")};
        QString defaultPageSize; // first of pageSizes when empty
        // PPD InputSlot choices, e.g. Upper Lower Manual Tractor; none: no InputSlot
        QStringList inputSlots;
        QString defaultInputSlot;
        QList<int> resolutions{300}; // dpi, square
        int defaultResolution = 0;   // first when 0
        QString info;                // printer-info; the name when empty
    };

    struct Job
    {
        int id = 0;
        QString printer;
        QString title;
        QString state; // "completed", "pending", ...
        QString media;
        QString mediaSource;
        QString resolution; // "600x600dpi"
    };

    PrivateCupsd();
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd &) = delete;
    PrivateCupsd &operator=(const PrivateCupsd &) = delete;

    // Writes the configuration, starts cupsd, waits until it answers, and sets
    // CUPS_SERVER for this process. False (with lastError()) on failure.
    bool start();
    void stop();
    bool running() const;
    // Stops and resumes cupsd without ending it: it still accepts connections but
    // answers nothing, as a hanging scheduler does.
    void pause();
    void resume();

    QString lastError() const { return m_error; }
    int port() const { return m_port; }
    QString server() const; // "localhost:<port>"
    QString root() const;   // the temporary folder

    bool addPrinter(const Printer &printer);
    bool removePrinter(const QString &name);
    bool setDefaultPrinter(const QString &name);
    // Where the file device of a printer writes each job.
    QString outputPath(const QString &name) const;
    QByteArray readOutput(const QString &name) const;
    // Waits until at least `count` jobs have completed (all printers).
    bool waitForCompletedJobs(int count, int timeoutMs = 20000);
    QList<Job> jobs(); // all jobs, completed ones included
    // Runs a CUPS command-line client against this server; false on a non-zero exit.
    bool runClient(const QString &program, const QStringList &arguments, QString *output = nullptr);
    QString errorLog() const;

    // A PPD whose filter hands PDF on unchanged.
    static QByteArray makePpd(const Printer &printer);

private:
    bool startOnce();
    bool fail(const QString &message);
    bool waitUntilAnswering(int timeoutMs);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace testsupport
