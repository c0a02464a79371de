#pragma once

// The system's printers: the CUPS queues, followed by the built-in PDF printer that
// writes each job as a file into the folder "pdf" of the current directory. Pages are
// drawn with QPainter on a QPrinter in PDF form at the resolution of the settings
// block; for a CUPS queue the page is then sent with the chosen paper size, bin,
// resolution and copies as job options.

#include "printer-cups/cupscall.h"
#include "printer/ovprinterbackend.h"

#include <QBuffer>
#include <QHash>
#include <QMarginsF>
#include <QPageLayout>
#include <QSizeF>

#include <memory>
#include <optional>

class QPainter;
class QPdfWriter;
class QPrinter;

namespace printer {

struct LatestQueues;
struct QueueList;

// One paper size, bin or resolution as the back end knows it.
struct MediaEntry
{
    quint16 number = 0;
    QString keyword;        // PWG media name ("iso_a4_210x297mm"); empty for the user size
    QString name;           // shown to the user
    QSizeF sizeMm;          // portrait width x length
    QMarginsF marginsMm;    // unprintable margins
};

struct BinEntry
{
    quint16 number = 0;
    QString keyword;        // IPP media-source keyword
    QString name;
};

// Everything the back end knows about one queue's capabilities.
struct QueueCapabilities
{
    QList<MediaEntry> media;
    int defaultMedia = 0;   // position in media
    bool userSize = false;  // accepts paper number 256 with its own extent
    QList<BinEntry> bins;
    int defaultBin = 0;
    QList<int> resolutions; // square, dpi
    int defaultResolution = 300;
    int maxCopies = 1;
};

struct Queue
{
    QString name;
    quint32 attributes = 0;
    QString port;           // device URI, or "PDF:" for the PDF printer
    bool isDefault = false;
    bool isPdf = false;
};

// Windows paper and bin numbers for the standard PWG names; 0 when there is none.
quint16 standardPaperNumber(const QString &pwgName);
quint16 standardBinNumber(const QString &keyword);

// The built-in PDF printer.
QString pdfPrinterName();
QString pdfPrinterPort();
QueueCapabilities pdfPrinterCapabilities();
// A new, empty file in `folder` named by the date and time, never one that exists.
// Returns its absolute path, or an empty string when none could be created.
QString createPdfJobFile(const QString &folder);

// The settings block a queue starts with.
QByteArray defaultSettingsBlock(const QString &name, const QueueCapabilities &caps);
// Makes a block acceptable for the queue: unknown papers, bins and resolutions become
// the defaults, copies stay within 1..max, the flags show what the queue supports.
void validateBlock(QByteArray &block, const QueueCapabilities &caps);

class SystemPrinterBackend : public OvPrinterBackend
{
public:
    SystemPrinterBackend();
    ~SystemPrinterBackend() override;

    QList<OvPrinterRecord> enumPrinters() override;
    QStringList enumPorts() override;
    OvValidateResult validateSettings(const QString &device, QByteArray &block) override;
    OvCapabilities deviceCapabilities(const OvDeviceRecord &device) override;
    std::function<OvSystemState()> systemProbe() const override;
    bool enumeratesLazily() const override { return true; }
    int printerIndex() override;
    void setPrinterIndex(int position) override;
    OvDeviceRecord currentDevice() override;
    void setCurrentDevice(const OvDeviceRecord &device) override;
    OvDeviceMetrics metrics() override;
    void discard() override;
    QPainter *canvas() override;
    QPaintDevice *handle() override;
    bool printing() const override;
    void beginDoc(const QString &title) override;
    void newPage() override;
    void endDoc() override;
    void abort() override;
    QString lastJobFile() const override { return m_lastJobFile; }
    QPrinter *dialogPrinter() override;
    void adoptDialogPrinter(const QPrinter &printer) override;

    // The capabilities of a queue of the current list (cached per queue).
    const QueueCapabilities &capabilities(const QString &name);

private:
    const QList<Queue> &queues();
    int findQueue(const QString &name);
    void configurePrinter();
    std::unique_ptr<QPdfWriter> newWriter(QIODevice *output) const;
    void endJob(bool send);
    void writeJobFile(const QString &path, const QByteArray &pdf);
    void sendToQueue(const QByteArray &pdf);

    QByteArray m_server; // asked by every request, on threads of their own
    std::shared_ptr<LatestQueues> m_latest;
    std::unique_ptr<CupsCall<QueueList>> m_firstList;

    std::optional<QList<Queue>> m_queues;
    QHash<QString, QueueCapabilities> m_caps;
    int m_position = -1;
    OvDeviceRecord m_current;
    // Page and resolution of the current settings, and a writer that answers the
    // metrics for them; each job draws on a writer of its own into m_jobData.
    QPageLayout m_layout;
    int m_resolution = 300;
    QBuffer m_scratch;
    std::unique_ptr<QPdfWriter> m_writer;
    bool m_printerDirty = true;
    std::unique_ptr<QBuffer> m_jobData;
    std::unique_ptr<QPdfWriter> m_jobWriter;
    std::unique_ptr<QPainter> m_painter;
    QString m_jobFile; // the PDF printer's file, reserved when the job begins
    QString m_lastJobFile;
    QString m_jobTitle;
    bool m_jobToPdfFolder = false;
    std::unique_ptr<QPrinter> m_dialogPrinter;
};

} // namespace printer

// The system's printers: CUPS queues followed by the built-in PDF printer.
std::unique_ptr<OvPrinterBackend> createSystemPrinterBackend();
