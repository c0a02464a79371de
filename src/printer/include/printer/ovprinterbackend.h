#pragma once

// What the printer layer needs from the system: the spooler (printer and port
// lists, driver validation, device capabilities) and the printer object that owns
// the current printer, its settings block, the drawing canvas and the job.
// The program uses the CUPS back end (with the built-in PDF printer); tests use
// FakePrinterBackend.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>

class QPainter;
class QPaintDevice;
class QPrinter;

// Attribute bit of a printer record: the printer is hidden from the user.
inline constexpr quint32 OvPrinterAttributeHidden = 0x20;

// One printer as the spooler enumerates it.
struct OvPrinterRecord
{
    QString name;
    quint32 attributes = 0;

    friend bool operator==(const OvPrinterRecord &, const OvPrinterRecord &) = default;
};

// Device settings block. Every block starts with this fixed record; a back end may
// append dmDriverExtra bytes of its own after it. Flag bits of dmFields say which
// members the driver supports.
struct OvDevMode
{
    char16_t dmDeviceName[32];
    quint16 dmSpecVersion;
    quint16 dmDriverVersion;
    quint16 dmSize;        // sizeof(OvDevMode)
    quint16 dmDriverExtra; // bytes that follow the record
    quint32 dmFields;
    qint16 dmOrientation;  // 1 portrait, 2 landscape
    qint16 dmPaperSize;    // paper number, 256 = user-defined size
    qint16 dmPaperLength;  // user-defined size, 1/10 mm
    qint16 dmPaperWidth;   // user-defined size, 1/10 mm
    qint16 dmScale;        // percent
    qint16 dmCopies;
    qint16 dmDefaultSource; // bin number
    qint16 dmPrintQuality;  // x dpi when positive
    qint16 dmColor;         // 1 monochrome, 2 colour
    qint16 dmDuplex;        // 1 simplex, 2 vertical, 3 horizontal
    qint16 dmYResolution;
    qint16 dmTTOption;
    qint16 dmCollate;       // 0 off, 1 on
    char16_t dmFormName[32];
    quint16 dmLogPixels;
    quint32 dmMediaType;
    quint32 dmDitherType;
};
static_assert(std::is_trivially_copyable_v<OvDevMode>);

// dmFields flag bits.
namespace OvDm {
inline constexpr quint32 Orientation = 0x1;
inline constexpr quint32 PaperSize = 0x2;
inline constexpr quint32 PaperLength = 0x4;
inline constexpr quint32 PaperWidth = 0x8;
inline constexpr quint32 Scale = 0x10;
inline constexpr quint32 Copies = 0x100;
inline constexpr quint32 DefaultSource = 0x200;
inline constexpr quint32 PrintQuality = 0x400;
inline constexpr quint32 Color = 0x800;
inline constexpr quint32 Duplex = 0x1000;
inline constexpr quint32 YResolution = 0x2000;
inline constexpr quint32 TTOption = 0x4000;
inline constexpr quint32 Collate = 0x8000;
inline constexpr quint32 FormName = 0x10000;
inline constexpr quint32 LogPixels = 0x20000;
inline constexpr quint32 MediaType = 0x2000000;
inline constexpr quint32 DitherType = 0x4000000;
} // namespace OvDm

// Paper number of a user-defined size.
inline constexpr qint16 OvUserPaperSize = 256;

// Reading and writing the record at the head of a block of any size: bytes the
// block lacks read as 0 and are never written.
OvDevMode ovReadDevMode(const QByteArray &block);
void ovWriteDevMode(QByteArray &block, const OvDevMode &mode);
// A zeroed record with dmSize set, as a block with `driverExtra` zero bytes after it.
QByteArray ovNewDevModeBlock(quint16 driverExtra = 0);

// The current device of the printer object. An empty settings block means the
// printer object holds none yet.
struct OvDeviceRecord
{
    QString device;
    QString driver;
    QString port;
    QByteArray settings;
};

struct OvNumberedName
{
    quint16 number = 0;
    QString name;

    friend bool operator==(const OvNumberedName &, const OvNumberedName &) = default;
};

// Answers of the device-capability query for one printer and settings block. A count
// of -1 is the driver's error, 0 an empty list; when the count is above 0 the list
// holds that many items (a fetch that delivers fewer is a failed fetch).
struct OvCapabilities
{
    int paperCount = -1;
    QList<OvNumberedName> papers;
    int binCount = -1;
    QList<OvNumberedName> bins;
    int resolutionCount = -1;
    bool resolutionFetchFailed = false;
    QList<QPoint> resolutions; // (x dpi, y dpi)
    int maxCopies = -1;
};

// Device-context metrics of the printer object, in the driver's units.
struct OvDeviceMetrics
{
    int horzRes = 0;       // printable width, pixels
    int vertRes = 0;       // printable height, pixels
    int horzSizeMm = 0;    // printable width, millimetres
    int vertSizeMm = 0;
    int logPixelsX = 0;    // dots per inch
    int logPixelsY = 0;
    int physicalWidth = 0; // whole page, pixels
    int physicalHeight = 0;
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int bitsPixel = 0;
    int planes = 0;
};

// Result of letting the driver validate a settings block.
enum class OvValidateResult {
    Ok,
    CannotOpen, // no printer of that name
    Rejected,   // the driver refused the block
};

// What a change check learns about the system, gathered off the UI thread.
struct OvSystemState
{
    bool ok = false; // false: the spooler did not answer, nothing is known
    QList<OvPrinterRecord> printers;
    QStringList ports;
};

class OvPrinterBackend
{
public:
    virtual ~OvPrinterBackend() = default;

    // --- spooler
    // Printers in enumeration order. Raises EOvSystemError when enumeration fails.
    virtual QList<OvPrinterRecord> enumPrinters() = 0;
    // Port names as the spooler reports them (duplicates possible).
    virtual QStringList enumPorts() = 0;
    // Lets the driver check and complete `block` in place.
    virtual OvValidateResult validateSettings(const QString &device, QByteArray &block) = 0;
    virtual OvCapabilities deviceCapabilities(const OvDeviceRecord &device) = 0;
    // A function that may run on another thread and gathers printers and ports.
    virtual std::function<OvSystemState()> systemProbe() const = 0;
    // True when enumerating may wait on another process: the layer then takes its
    // first snapshot at its first use instead of when it is created, so that creating
    // it never waits.
    virtual bool enumeratesLazily() const { return false; }

    // --- printer object
    // Its list is the same enumeration as enumPrinters(); positions agree.
    // Current position; selects the system's default printer first if none is.
    virtual int printerIndex() = 0;
    // -1 selects the default printer; another position selects it with its default
    // settings; writing the current position changes nothing.
    virtual void setPrinterIndex(int position) = 0;
    virtual OvDeviceRecord currentDevice() = 0;
    // Makes the record current; an empty settings block loads the printer's defaults.
    virtual void setCurrentDevice(const OvDeviceRecord &device) = 0;
    virtual OvDeviceMetrics metrics() = 0;
    // Throws the printer object away; the next use enumerates anew and selects the
    // default printer.
    virtual void discard() = 0;

    // --- job; canvas() is valid between beginDoc() and endDoc()/abort()
    virtual QPainter *canvas() = 0;
    virtual QPaintDevice *handle() = 0;
    virtual bool printing() const = 0;
    virtual void beginDoc(const QString &title) = 0;
    virtual void newPage() = 0;
    virtual void endDoc() = 0;
    virtual void abort() = 0;
    // The file the last ended job was written to, when the printer writes files (the
    // built-in PDF printer); empty otherwise.
    virtual QString lastJobFile() const { return {}; }

    // --- system dialogs
    // A QPrinter set up with the current printer and settings for Qt's dialogs, or
    // nullptr when the back end has none to offer. Owned by the back end.
    virtual QPrinter *dialogPrinter() = 0;
    // Makes the printer and settings chosen in a confirmed dialog current.
    virtual void adoptDialogPrinter(const QPrinter &printer) = 0;
};
