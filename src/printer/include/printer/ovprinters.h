#pragma once

// OvPrinters: the program's only road to the printers. TOvPrinter selects the
// current printer by an index that skips hidden printers, keeps a private copy of
// its device settings, answers its capabilities and metrics and forwards canvas and
// job control to the back end. One process-wide instance: OvPrinter().

#include "printer/ovprinterbackend.h"

#include "platform/error.h"

#include <QFlags>
#include <QPainter> // Canvas() is what callers draw on
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QPaintDevice;
class QWidget;

// ---------------------------------------------------------------- failures

// A job is asked for while another is still being sent (a batch of the order list).
inline const QString kPrinterBusyMessage =
    QStringLiteral("ほかの印刷の最中です。終わってからもう一度印刷してください。");

class EOvPrinter : public platform::Error
{
public:
    using platform::Error::Error;
};
class EOVPrinterRangeError : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOVPrinterPaperSizeError : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOvPrinterBinError : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOvPrinterNoPrinter : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOvPrinterNotSupported : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOvPrinterNoInfo : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOvPrinterIllegalIndex : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};
class EOvPrinterNoUserPaperExtent : public EOvPrinter
{
public:
    using EOvPrinter::EOvPrinter;
};

// A failed consistency check of this layer. The message reads
// "<text> (OvPrinters, <line> 行)"; text is "アサートの失敗" unless given.
class EOvAssertionFailed : public platform::Error
{
public:
    explicit EOvAssertionFailed(int line, const QString &text = QString());
    int line() const noexcept { return m_line; }

private:
    int m_line;
};

// The spooler could not enumerate printers or ports.
class EOvSystemError : public platform::Error
{
public:
    using platform::Error::Error;
};

// ---------------------------------------------------------------- types

enum TOvPrintCap : quint32 {
    ovPcOrientation = OvDm::Orientation,
    ovPcPaperSize = OvDm::PaperSize,
    ovPcPaperlength = OvDm::PaperLength,
    ovPcPaperWidth = OvDm::PaperWidth,
    ovPcScale = OvDm::Scale,
    ovPcCopies = OvDm::Copies,
    ovPcDefaultSource = OvDm::DefaultSource,
    ovPcPrintQuality = OvDm::PrintQuality,
    ovPcColor = OvDm::Color,
    ovPcDuplex = OvDm::Duplex,
    ovPcYResolution = OvDm::YResolution,
    ovPcTTOption = OvDm::TTOption,
    ovPcCollate = OvDm::Collate,
    ovPcFormName = OvDm::FormName,
    ovPcLogPixels = OvDm::LogPixels,
    ovPcMediaType = OvDm::MediaType,
    ovPcDitherType = OvDm::DitherType,
};
Q_DECLARE_FLAGS(TOvPrintCaps, TOvPrintCap)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOvPrintCaps)

enum TOvAvailInfo : quint32 {
    ovAvPaperSize = 0x1,
    ovAvBin = 0x2,
    ovAvQuality = 0x4,
    ovAvMaxCopies = 0x8,
};
Q_DECLARE_FLAGS(TOvAvailInfos, TOvAvailInfo)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOvAvailInfos)

enum class TOvPaperOrientation { ovOrPortrait = 1, ovOrLandScape = 2 };
enum class TOvDuplex { ovDupSimplex = 1, ovDupVertical = 2, ovDupHorizontal = 3 };

// A pair (horizontal, vertical).
struct TOvExtent
{
    int cx = 0;
    int cy = 0;

    friend bool operator==(const TOvExtent &, const TOvExtent &) = default;
};

// ---------------------------------------------------------------- snapshot

// The installed printers (name and attribute bits of each), taken in one
// enumeration; translates indexes and notices when the set of printers changes.
class TOvAllPrintersInfo
{
public:
    explicit TOvAllPrintersInfo(OvPrinterBackend &backend); // enumerates now
    explicit TOvAllPrintersInfo(QList<OvPrinterRecord> records);

    quint32 Count() const { return quint32(m_records.size()); }
    // Out-of-range positions give an empty name and no attributes.
    QString Name(quint32 position) const;
    quint32 Attributes(quint32 position) const;
    bool IsHidden(quint32 position) const { return Attributes(position) & OvPrinterAttributeHidden; }
    // Same printers, same order, same attribute words; names compare exactly.
    bool Compare(const TOvAllPrintersInfo &another) const;

private:
    QList<OvPrinterRecord> m_records;
};

// ---------------------------------------------------------------- the printer

class TOvPrinter
{
public:
    explicit TOvPrinter(std::unique_ptr<OvPrinterBackend> backend);
    ~TOvPrinter();
    TOvPrinter(const TOvPrinter &) = delete;
    TOvPrinter &operator=(const TOvPrinter &) = delete;

    OvPrinterBackend &backend() const { return *m_backend; }
    const TOvAllPrintersInfo &AllInfo() const { return info(); }

    // --- selection (index counts only visible printers; -1 = none / default)
    int Index();
    void SetIndex(int value);
    const QStringList &PrinterNames();
    const QStringList &PortNames();
    QString Port();
    void SetPort(const QString &port);

    // --- job control, forwarded (no printer check)
    QPainter *Canvas() const;      // valid between BeginDoc and EndDoc/Abort
    QPaintDevice *Handle() const;
    bool Printing() const;
    void BeginDoc(const QString &title);
    void Newpage();
    void EndDoc();
    void Abort();

    // --- private settings copy
    bool Modified() const { return m_modified; }
    void DiscardModification();
    void ForceUpdate();
    void ApplySettings();

    // --- change notification
    void SetOnSystemChanged(std::function<void(TOvPrinter *sender)> handler);
    // Runs the change check with a fresh look at the spooler made here.
    void SystemChangeHook();
    // Runs the change check with a state gathered elsewhere (OvSystemChangeWatcher);
    // a state that is not ok (the spooler did not answer) is ignored.
    void SystemChangeHook(const OvSystemState &fresh);

    // True while a dialog of the layer is open or an operation waits for the spooler:
    // a change check then waits, so that nothing the operation holds is replaced
    // under it.
    bool Busy() const { return m_busy > 0; }
    class BusyScope
    {
    public:
        explicit BusyScope(TOvPrinter &printer) : m_printer(printer) { ++m_printer.m_busy; }
        ~BusyScope() { --m_printer.m_busy; }
        BusyScope(const BusyScope &) = delete;
        BusyScope &operator=(const BusyScope &) = delete;

    private:
        TOvPrinter &m_printer;
    };

    // --- device settings
    TOvPrintCaps PrintCaps();
    int PaperSizeNumber();
    void SetPaperSizeNumber(int value);
    const QStringList &PaperSizeNames();
    int NumPaperSizes();
    int PaperSizeNumbers(int i);
    int GetPaperSizeNumbers(int i) { return PaperSizeNumbers(i); }
    int PaperSizeIndex();
    void SetPaperSizeIndex(int i);
    bool HasPaperSizeNumber(int number);
    TOvExtent UserPaperExtent();
    void SetUserPaperExtent(TOvExtent extent);

    int BinNumber();
    void SetBinNumber(int value);
    const QStringList &BinNames();
    int NumBins();
    int BinNumbers(int i);
    int GetBinNumbers(int i) { return BinNumbers(i); }
    int BinIndex();
    void SetBinIndex(int i);
    bool HasBinNumber(int number);

    TOvPaperOrientation Orientation();
    void SetOrientation(TOvPaperOrientation value);
    quint16 MaxCopies();
    quint16 Copies();
    void SetCopies(quint16 value);
    bool Collate();
    void SetCollate(bool value);
    bool Color();
    void SetColor(bool value);
    TOvDuplex Duplex();
    void SetDuplex(TOvDuplex value);
    quint16 Scale();
    void SetScale(quint16 value);
    TOvExtent Quality();
    void SetQuality(TOvExtent value);
    int NumQualities();
    TOvExtent Qualities(int i);
    TOvExtent GetQualities(int i) { return Qualities(i); }
    TOvAvailInfos AvailInfos();

    // --- metrics of the printer object (applied settings)
    TOvExtent PageExtent();
    TOvExtent MMPageExtent();
    TOvExtent DPI();
    TOvExtent PaperExtent();
    TOvExtent MMPaperExtent();
    TOvExtent Offset();
    int ColorBitCount();

private:
    TOvAllPrintersInfo &info() const;
    void CheckNoPrinter();
    void CheckPrintCap(TOvPrintCap cap, const char *message);
    OvDeviceRecord LockDevice();
    void StoreDevice(OvDeviceRecord &record);
    void LoadSettings();
    OvDevMode &Settings(); // loads the copy if absent
    void UpdateInfos();
    void LoadPaperInfo(const OvCapabilities &caps);
    void LoadBinInfo(const OvCapabilities &caps);
    void LoadQualityInfo(const OvCapabilities &caps);
    void LoadMaxCopiesInfo(const OvCapabilities &caps);
    void NeedInfo(TOvAvailInfo info, const char *message);
    void CommitSettings(); // writes m_mode back into m_settings
    static QStringList UniquePorts(const QStringList &spoolerPorts);
    void RunSystemChange(std::unique_ptr<TOvAllPrintersInfo> another, const QStringList &ports);

    std::unique_ptr<OvPrinterBackend> m_backend;
    mutable std::unique_ptr<TOvAllPrintersInfo> m_allInfo; // taken at the first use
    QList<quint16> m_paperNumbers;
    QStringList m_paperNames;
    QList<quint16> m_binNumbers;
    QStringList m_binNames;
    QList<QPoint> m_resolutions;
    QStringList m_printerNames;
    QStringList m_portNames;
    mutable QStringList m_knownPorts; // port list as of the last change check
    int m_maxCopies = 0;
    int m_index = -1;
    int m_busy = 0;
    std::function<void(TOvPrinter *)> m_onSystemChanged;
    TOvAvailInfos m_availInfos;
    bool m_modified = false;
    std::optional<QByteArray> m_settings; // private copy, exactly the block's size
    OvDevMode m_mode{};                   // decoded head of m_settings
    QString m_portName;
};

// ---------------------------------------------------------------- the instance

// The process-wide printer. Valid while an OvPrinterScope exists.
TOvPrinter &OvPrinter();
bool OvPrinterExists();

// Creates OvPrinter with the given back end for its lifetime. The program makes one
// in main() before any window with the system's back end (printer-cups);
// tests make one with a FakePrinterBackend.
class OvPrinterScope
{
public:
    explicit OvPrinterScope(std::unique_ptr<OvPrinterBackend> backend);
    ~OvPrinterScope();
    OvPrinterScope(const OvPrinterScope &) = delete;
    OvPrinterScope &operator=(const OvPrinterScope &) = delete;

    TOvPrinter &printer() const { return *m_printer; }

private:
    std::unique_ptr<TOvPrinter> m_printer;
};
