#include "printer/ovprinters.h"

#include <algorithm>
#include <cstring>

namespace {

// Location numbers of the consistency checks, reported with every assertion failure.
constexpr int kLineStoreOpen = 930;
constexpr int kLineStoreValidate = 933;
constexpr int kLineLoadSize = 960;
constexpr int kLineResolutions = 1098;
constexpr int kLineIndexName = 1210;
constexpr int kLineApplyNoSettings = 2087;
constexpr int kLineApplySize = 2094;

// Name fields of the driver's lists have a fixed width.
constexpr int kPaperNameUnits = 64;
constexpr int kBinNameUnits = 24;

QString fieldName(const QString &name, int units)
{
    QString text = name.left(units);
    const qsizetype nul = text.indexOf(QChar(0));
    return nul >= 0 ? text.left(nul) : text;
}

TOvPrinter *g_instance = nullptr;

} // namespace

// ---------------------------------------------------------------- failures

EOvAssertionFailed::EOvAssertionFailed(int line, const QString &text)
    : platform::Error(QStringLiteral("%1 (%2, %3 行)")
                          .arg(text.isEmpty() ? QStringLiteral("アサートの失敗") : text,
                               QStringLiteral("OvPrinters"))
                          .arg(line)),
      m_line(line)
{
}

// ---------------------------------------------------------------- settings blocks

OvDevMode ovReadDevMode(const QByteArray &block)
{
    OvDevMode mode;
    std::memset(&mode, 0, sizeof mode);
    std::memcpy(&mode, block.constData(), std::min<size_t>(sizeof mode, size_t(block.size())));
    return mode;
}

void ovWriteDevMode(QByteArray &block, const OvDevMode &mode)
{
    std::memcpy(block.data(), &mode, std::min<size_t>(sizeof mode, size_t(block.size())));
}

QByteArray ovNewDevModeBlock(quint16 driverExtra)
{
    QByteArray block(qsizetype(sizeof(OvDevMode)) + driverExtra, '\0');
    OvDevMode mode = ovReadDevMode(block);
    mode.dmSize = sizeof(OvDevMode);
    mode.dmDriverExtra = driverExtra;
    mode.dmSpecVersion = 0x401;
    ovWriteDevMode(block, mode);
    return block;
}

// ---------------------------------------------------------------- snapshot

TOvAllPrintersInfo::TOvAllPrintersInfo(OvPrinterBackend &backend)
    : m_records(backend.enumPrinters())
{
}

TOvAllPrintersInfo::TOvAllPrintersInfo(QList<OvPrinterRecord> records)
    : m_records(std::move(records))
{
}

QString TOvAllPrintersInfo::Name(quint32 position) const
{
    return position < Count() ? m_records.at(position).name : QString();
}

quint32 TOvAllPrintersInfo::Attributes(quint32 position) const
{
    return position < Count() ? m_records.at(position).attributes : 0;
}

bool TOvAllPrintersInfo::Compare(const TOvAllPrintersInfo &another) const
{
    if (Count() != another.Count())
        return false;
    for (quint32 i = 0; i < Count(); ++i) {
        if (Name(i) != another.Name(i) || Attributes(i) != another.Attributes(i))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- lifecycle

TOvPrinter::TOvPrinter(std::unique_ptr<OvPrinterBackend> backend)
    : m_backend(std::move(backend))
{
    if (!m_backend->enumeratesLazily())
        info();
}

// The system's spooler is first asked at the first use, not at creation: the
// program creates the printer before its window, which must not wait for it.
TOvAllPrintersInfo &TOvPrinter::info() const
{
    if (!m_allInfo) {
        auto first = std::make_unique<TOvAllPrintersInfo>(*m_backend);
        m_knownPorts = UniquePorts(m_backend->enumPorts());
        m_allInfo = std::move(first);
    }
    return *m_allInfo;
}

TOvPrinter::~TOvPrinter()
{
    // Pending changes are dropped; nothing is written to the printer.
    DiscardModification();
}

// ---------------------------------------------------------------- private helpers

void TOvPrinter::CheckNoPrinter()
{
    for (quint32 i = 0; i < info().Count(); ++i) {
        if (!info().IsHidden(i))
            return;
    }
    m_index = -1;
    throw EOvPrinterNoPrinter(QStringLiteral("TOvPrinter.CheckNoPrinter: No Printer"));
}

void TOvPrinter::CheckPrintCap(TOvPrintCap cap, const char *message)
{
    if (!PrintCaps().testFlag(cap))
        throw EOvPrinterNotSupported(QString::fromUtf8(message));
}

OvDeviceRecord TOvPrinter::LockDevice()
{
    OvDeviceRecord record = m_backend->currentDevice();
    if (record.settings.isEmpty()) {
        // A fresh printer object holds no block yet: selecting its position loads one.
        m_backend->setPrinterIndex(m_backend->printerIndex());
        record = m_backend->currentDevice();
    }
    return record;
}

void TOvPrinter::StoreDevice(OvDeviceRecord &record)
{
    // The record goes back to the printer object in every case; a failed check is
    // reported after that.
    const OvValidateResult result = m_backend->validateSettings(record.device, record.settings);
    m_backend->setCurrentDevice(record);
    if (result == OvValidateResult::CannotOpen)
        throw EOvAssertionFailed(kLineStoreOpen);
    if (result == OvValidateResult::Rejected)
        throw EOvAssertionFailed(kLineStoreValidate);
}

void TOvPrinter::LoadSettings()
{
    m_settings.reset();
    const OvDeviceRecord record = LockDevice();
    if (record.settings.size() <= 0)
        throw EOvAssertionFailed(kLineLoadSize);
    m_settings = record.settings;
    m_mode = ovReadDevMode(*m_settings);
    m_portName = record.port.left(511);
}

OvDevMode &TOvPrinter::Settings()
{
    if (!m_settings)
        LoadSettings();
    return m_mode;
}

void TOvPrinter::CommitSettings()
{
    ovWriteDevMode(*m_settings, m_mode);
    m_modified = true;
}

void TOvPrinter::UpdateInfos()
{
    const int position = m_backend->printerIndex();
    if (position == m_index)
        return;
    m_index = position;
    PrintCaps(); // printer check and the private copy
    m_availInfos = {};
    const OvDeviceRecord record = LockDevice();
    const OvCapabilities caps = m_backend->deviceCapabilities(record);
    LoadPaperInfo(caps);
    LoadBinInfo(caps);
    LoadQualityInfo(caps);
    LoadMaxCopiesInfo(caps);
}

void TOvPrinter::LoadPaperInfo(const OvCapabilities &caps)
{
    m_paperNumbers.clear();
    m_paperNames.clear();
    const int n = caps.paperCount;
    if (n == -1 || n == 0)
        return;
    m_availInfos |= ovAvPaperSize;
    for (int i = 0; i < n; ++i) {
        const OvNumberedName item = i < caps.papers.size() ? caps.papers.at(i) : OvNumberedName{};
        m_paperNumbers.append(item.number);
        m_paperNames.append(fieldName(item.name, kPaperNameUnits));
    }
}

void TOvPrinter::LoadBinInfo(const OvCapabilities &caps)
{
    m_binNumbers.clear();
    m_binNames.clear();
    const int n = caps.binCount;
    if (n == -1 || n == 0)
        return;
    m_availInfos |= ovAvBin;
    for (int i = 0; i < n; ++i) {
        const OvNumberedName item = i < caps.bins.size() ? caps.bins.at(i) : OvNumberedName{};
        m_binNumbers.append(item.number);
        m_binNames.append(fieldName(item.name, kBinNameUnits));
    }
}

void TOvPrinter::LoadQualityInfo(const OvCapabilities &caps)
{
    m_resolutions.clear();
    if (caps.resolutionCount <= 0)
        return;
    m_availInfos |= ovAvQuality;
    if (caps.resolutionFetchFailed || caps.resolutions.size() < caps.resolutionCount)
        throw EOvAssertionFailed(kLineResolutions);
    m_resolutions = caps.resolutions.first(caps.resolutionCount);
}

void TOvPrinter::LoadMaxCopiesInfo(const OvCapabilities &caps)
{
    m_maxCopies = 0;
    if (caps.maxCopies > 0) {
        m_maxCopies = caps.maxCopies;
        m_availInfos |= ovAvMaxCopies;
    }
}

void TOvPrinter::NeedInfo(TOvAvailInfo info, const char *message)
{
    UpdateInfos();
    if (!m_availInfos.testFlag(info))
        throw EOvPrinterNoInfo(QString::fromUtf8(message));
}

// ---------------------------------------------------------------- selection

int TOvPrinter::Index()
{
    CheckNoPrinter();
    const int p = m_backend->printerIndex();
    if (p == -1)
        return -1;
    if (p >= 0 && quint32(p) < info().Count() && info().IsHidden(quint32(p)))
        throw EOvPrinterIllegalIndex(
            QStringLiteral("TOvPrinter.GetIndex: Printers.PrinterIndex is Illegal"));
    const OvDeviceRecord record = LockDevice();
    int hiddenBefore = 0;
    for (quint32 i = 0; i < info().Count(); ++i) {
        if (info().Name(i) == record.device)
            return int(i) - hiddenBefore;
        if (info().IsHidden(i))
            ++hiddenBefore;
    }
    throw EOvAssertionFailed(kLineIndexName);
}

void TOvPrinter::SetIndex(int value)
{
    CheckNoPrinter();
    const auto rangeError = [] {
        return EOVPrinterRangeError(QStringLiteral("TOvPrinter.SetIndex: Index is out of Range"));
    };
    if (value < -1)
        throw rangeError();
    if (Index() == value)
        return;
    int target = -1;
    if (value != -1) {
        int visible = 0;
        for (quint32 i = 0; i < info().Count(); ++i) {
            if (info().IsHidden(i))
                continue;
            if (visible == value) {
                target = int(i);
                break;
            }
            ++visible;
        }
        if (target == -1)
            throw rangeError();
    }
    m_backend->setPrinterIndex(target);
    // Load the printer's defaults even when the position did not change.
    OvDeviceRecord record = m_backend->currentDevice();
    record.settings.clear();
    m_backend->setCurrentDevice(record);
    m_index = -1;
    UpdateInfos();
    DiscardModification();
}

const QStringList &TOvPrinter::PrinterNames()
{
    CheckNoPrinter();
    m_printerNames.clear();
    for (quint32 i = 0; i < info().Count(); ++i) {
        if (!info().IsHidden(i))
            m_printerNames.append(info().Name(i));
    }
    return m_printerNames;
}

QStringList TOvPrinter::UniquePorts(const QStringList &spoolerPorts)
{
    QStringList ports;
    for (const QString &port : spoolerPorts) {
        if (!ports.contains(port, Qt::CaseInsensitive))
            ports.append(port);
    }
    return ports;
}

const QStringList &TOvPrinter::PortNames()
{
    m_portNames = UniquePorts(m_backend->enumPorts());
    return m_portNames;
}

QString TOvPrinter::Port()
{
    CheckNoPrinter();
    Settings();
    return m_portName;
}

void TOvPrinter::SetPort(const QString &port)
{
    CheckNoPrinter();
    Settings();
    if (port == m_portName)
        return;
    m_portName = port;
    m_modified = true;
}

// ---------------------------------------------------------------- job control

QPainter *TOvPrinter::Canvas() const { return m_backend->canvas(); }
QPaintDevice *TOvPrinter::Handle() const { return m_backend->handle(); }
bool TOvPrinter::Printing() const { return m_backend->printing(); }
void TOvPrinter::BeginDoc(const QString &title) { m_backend->beginDoc(title); }
void TOvPrinter::Newpage() { m_backend->newPage(); }
void TOvPrinter::EndDoc() { m_backend->endDoc(); }
void TOvPrinter::Abort() { m_backend->abort(); }

// ---------------------------------------------------------------- settings copy

void TOvPrinter::DiscardModification()
{
    m_settings.reset();
    m_mode = {};
    m_modified = false;
}

void TOvPrinter::ForceUpdate()
{
    DiscardModification();
    m_index = -1;
    UpdateInfos();
}

void TOvPrinter::ApplySettings()
{
    if (!m_modified)
        return;
    if (!m_settings)
        throw EOvAssertionFailed(kLineApplyNoSettings,
                                 QStringLiteral("TOvPrinter.ApplySettings; No Setteing Info"));
    OvDeviceRecord record = LockDevice();
    // StoreDevice runs whatever happens in between; its own failure wins only when
    // nothing failed before it.
    std::exception_ptr failure;
    try {
        const qsizetype size = record.settings.size();
        if (size <= 0)
            throw EOvAssertionFailed(
                kLineApplySize,
                QStringLiteral("TOvPrinter.ApplySettings; Devmode Size Should be greater than 0"));
        // The block may have changed size since the copy was taken (printer switched
        // behind the layer's back): copy only what both hold.
        const qsizetype n = std::min(size, m_settings->size());
        std::memcpy(record.settings.data(), m_settings->constData(), size_t(n));
        record.port = m_portName.left(511);
        DiscardModification();
        m_index = -1;
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        StoreDevice(record);
    } catch (...) {
        if (!failure)
            throw;
    }
    if (failure)
        std::rethrow_exception(failure);
}

// ---------------------------------------------------------------- change check

void TOvPrinter::SetOnSystemChanged(std::function<void(TOvPrinter *)> handler)
{
    m_onSystemChanged = std::move(handler);
}

void TOvPrinter::SystemChangeHook()
{
    // The same question as the watcher's, so that a spooler that does not answer is
    // no change here either.
    SystemChangeHook(m_backend->systemProbe()());
}

void TOvPrinter::SystemChangeHook(const OvSystemState &fresh)
{
    if (!fresh.ok)
        return;
    auto another = std::make_unique<TOvAllPrintersInfo>(fresh.printers);
    RunSystemChange(std::move(another), fresh.ports);
}

void TOvPrinter::RunSystemChange(std::unique_ptr<TOvAllPrintersInfo> another,
                                 const QStringList &ports)
{
    // Ports are compared with those of the previous check (or of the start), not with
    // whatever PortNames last returned: a check that finds nothing new must stay quiet
    // even when nobody has read the port list yet.
    const QStringList fresh = UniquePorts(ports);
    if (!m_allInfo) {
        // A check before the first use: its list is the first one, and nobody has
        // seen another to be told of a change.
        m_backend->discard();
        m_allInfo = std::move(another);
        m_knownPorts = fresh;
        return;
    }
    if (!m_allInfo->Compare(*another)) {
        m_backend->discard();
        m_allInfo = std::move(another);
        m_index = -1;
        DiscardModification();
        m_knownPorts = fresh;
        if (m_onSystemChanged)
            m_onSystemChanged(this);
        return;
    }
    const bool changed = fresh != m_knownPorts;
    m_knownPorts = fresh;
    m_portNames = fresh;
    if (changed && m_onSystemChanged)
        m_onSystemChanged(this);
}

// ---------------------------------------------------------------- device settings

TOvPrintCaps TOvPrinter::PrintCaps()
{
    CheckNoPrinter();
    return TOvPrintCaps::fromInt(Settings().dmFields);
}

int TOvPrinter::PaperSizeNumber()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.GetPaperSizeNumber: PaperSize is not Supported");
    return Settings().dmPaperSize;
}

void TOvPrinter::SetPaperSizeNumber(int value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.SetPaperSizeNumber: PaperSize is not Supported");
    UpdateInfos();
    OvDevMode &mode = Settings();
    const auto v = qint16(value);
    if (v == mode.dmPaperSize)
        return;
    mode.dmPaperSize = v;
    if (v != OvUserPaperSize)
        mode.dmFields &= ~(OvDm::PaperLength | OvDm::PaperWidth);
    CommitSettings();
}

const QStringList &TOvPrinter::PaperSizeNames()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.GetPaperSizeNames: PaperSize is not Supported");
    NeedInfo(ovAvPaperSize, "TOvPrinter.GetPaperSizeNames: No Papersize Info Available");
    return m_paperNames;
}

int TOvPrinter::NumPaperSizes()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.GetNumPaperSize: PaperSize is not Supported");
    NeedInfo(ovAvPaperSize, "TOvPrinter.GetNumPaperSizes: No Papersize Info Available");
    return int(m_paperNames.size());
}

int TOvPrinter::PaperSizeNumbers(int i)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.GetPaperSizeNumber: PaperSize is not Supported");
    NeedInfo(ovAvPaperSize, "TOvPrinter.GetNumPaperSizeNumbers: No Papersize Info Available");
    if (i < 0 || i >= m_paperNumbers.size())
        throw EOVPrinterRangeError(QStringLiteral("TOvPrinter.GetPaperNumbers: Index is our of range"));
    return m_paperNumbers.at(i);
}

int TOvPrinter::PaperSizeIndex()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.GetPaperSizeIndex: PaperSize is not Supported");
    const int n = PaperSizeNumber();
    NeedInfo(ovAvPaperSize, "TOvPrinter.GetPaperSizeIndex: No Papersize Info Available");
    // Numbers are unsigned in the list, signed in the block: compare as 16-bit values.
    for (int i = 0; i < m_paperNumbers.size(); ++i) {
        if (qint16(m_paperNumbers.at(i)) == qint16(n))
            return i;
    }
    throw EOVPrinterPaperSizeError(QStringLiteral("TOvPrinter.GetPaperSizeIndex: Cannot Get Paper Index"));
}

void TOvPrinter::SetPaperSizeIndex(int i)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.SetPaperSizeIndex: PaperSize is not Supported");
    NeedInfo(ovAvPaperSize, "TOvPrinter.SetPaperSizeIndex: No Papersize Info Available");
    if (i < 0 || i >= m_paperNumbers.size())
        throw EOVPrinterPaperSizeError(QStringLiteral("TOvPrinter:SetPaperSizeIndex: No such PaperSize Index"));
    SetPaperSizeNumber(qint16(m_paperNumbers.at(i)));
}

bool TOvPrinter::HasPaperSizeNumber(int number)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.HasPaperNumber: PaperSize is not Supported");
    NeedInfo(ovAvPaperSize, "TOvPrinter.HasPapserSizeNumber: No PaperSize Info Available");
    return std::any_of(m_paperNumbers.cbegin(), m_paperNumbers.cend(),
                       [number](quint16 n) { return qint16(n) == qint16(number); });
}

TOvExtent TOvPrinter::UserPaperExtent()
{
    CheckNoPrinter();
    const TOvPrintCaps caps = PrintCaps();
    const bool userSize = caps.testFlag(ovPcPaperSize) && caps.testFlag(ovPcPaperlength)
        && caps.testFlag(ovPcPaperWidth) && PaperSizeNumber() == OvUserPaperSize;
    if (!userSize)
        throw EOvPrinterNoUserPaperExtent(
            QStringLiteral("TOvPrinter.GetUserpaperExtent: Cannot Get User paper Extent"));
    const OvDevMode &mode = Settings();
    return {mode.dmPaperWidth, mode.dmPaperLength};
}

void TOvPrinter::SetUserPaperExtent(TOvExtent extent)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPaperSize, "TOvPrinter.SetpaperExtent: PaperSize is not Supported");
    UpdateInfos();
    OvDevMode &mode = Settings();
    mode.dmPaperSize = OvUserPaperSize;
    mode.dmPaperWidth = qint16(extent.cx);
    mode.dmPaperLength = qint16(extent.cy);
    mode.dmFields |= OvDm::PaperLength | OvDm::PaperWidth;
    CommitSettings();
}

int TOvPrinter::BinNumber()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.GetBinNumber: Bin is not Supported");
    return Settings().dmDefaultSource;
}

void TOvPrinter::SetBinNumber(int value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.SetBinNumber: Bin is not Supported");
    UpdateInfos();
    OvDevMode &mode = Settings();
    const auto v = qint16(value);
    if (v == mode.dmDefaultSource)
        return;
    mode.dmDefaultSource = v;
    CommitSettings();
}

const QStringList &TOvPrinter::BinNames()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.GetBinNames: Bin is not Supported");
    NeedInfo(ovAvBin, "TOvPrinter.GetBinNames: No Bin Info Available");
    return m_binNames;
}

int TOvPrinter::NumBins()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.GetNumBins: Bin is not Supported");
    NeedInfo(ovAvBin, "TOvPrinter.GetNumBins: No Bin Info Available");
    return int(m_binNames.size());
}

int TOvPrinter::BinNumbers(int i)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.GetBunNumbers: Bin is not Supported");
    NeedInfo(ovAvBin, "TOvPrinter.GetBinNumbers: No Bin Info Available");
    if (i < 0 || i >= m_binNumbers.size())
        throw EOVPrinterRangeError(QStringLiteral("TOvPrinter.GetBunNumbers: Index is our of range"));
    return m_binNumbers.at(i);
}

int TOvPrinter::BinIndex()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.GetBinIndex: Bin is not Supported");
    const int n = BinNumber();
    NeedInfo(ovAvBin, "TOvPrinter.GetBinIndex: No Bin Info Available");
    // The bin family answers the last matching position.
    for (int i = int(m_binNumbers.size()) - 1; i >= 0; --i) {
        if (qint16(m_binNumbers.at(i)) == qint16(n))
            return i;
    }
    throw EOvPrinterBinError(QStringLiteral("TOvPrinter.GetBinIndex: Cannot Get Bin Index"));
}

void TOvPrinter::SetBinIndex(int i)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.SetBinIndex: Bin is not Supported");
    NeedInfo(ovAvBin, "TOvPrinter.SetBinIndex: No Bin Info Available");
    if (i < 0 || i >= m_binNumbers.size())
        throw EOvPrinterBinError(QStringLiteral("TOvPrinter:SetBinIndex: No such Bin Index"));
    SetBinNumber(qint16(m_binNumbers.at(i)));
}

bool TOvPrinter::HasBinNumber(int number)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDefaultSource, "TOvPrinter.SetBin: Bin is not Supported");
    NeedInfo(ovAvBin, "TOvPrinter.HasBinNumber: No Bin Info Available");
    return std::any_of(m_binNumbers.cbegin(), m_binNumbers.cend(),
                       [number](quint16 n) { return qint16(n) == qint16(number); });
}

TOvPaperOrientation TOvPrinter::Orientation()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcOrientation, "TOvPrinter.GetOrientation: Orientation is not Supported");
    return Settings().dmOrientation == 1 ? TOvPaperOrientation::ovOrPortrait
                                         : TOvPaperOrientation::ovOrLandScape;
}

void TOvPrinter::SetOrientation(TOvPaperOrientation value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcOrientation, "TOvPrinter.SetOrientation: Orientation is not Supported");
    OvDevMode &mode = Settings();
    const auto v = qint16(value == TOvPaperOrientation::ovOrPortrait ? 1 : 2);
    if (mode.dmOrientation == v)
        return;
    mode.dmOrientation = v;
    CommitSettings();
}

quint16 TOvPrinter::MaxCopies()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcCopies, "TOvPrinter.GetMaxCopies: Copies is not Supported");
    NeedInfo(ovAvMaxCopies, "TOvPrinter.GetMaxCopies: No MaxCopies Info Available");
    return quint16(m_maxCopies);
}

quint16 TOvPrinter::Copies()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcCopies, "TOvPrinter.GetCopies: Copies not Supported");
    return quint16(Settings().dmCopies);
}

void TOvPrinter::SetCopies(quint16 value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcCopies, "TOvPrinter.SetCopies: Copies not Supported");
    if (value == 0)
        throw EOVPrinterRangeError(QStringLiteral("TOvPrinter.SetCopies: Too Small Copies"));
    OvDevMode &mode = Settings();
    if (quint16(mode.dmCopies) == value)
        return;
    mode.dmCopies = qint16(value);
    CommitSettings();
}

bool TOvPrinter::Collate()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcCollate, "TOvPrinter.GetCollate: Collate is not Supported");
    return Settings().dmCollate == 1;
}

void TOvPrinter::SetCollate(bool value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcCollate, "TOvPrinter.SetCollate: Collate is not Supported");
    OvDevMode &mode = Settings();
    if (value && mode.dmCollate == 0) {
        mode.dmCollate = 1;
        CommitSettings();
    } else if (!value && mode.dmCollate == 1) {
        mode.dmCollate = 0;
        CommitSettings();
    }
}

bool TOvPrinter::Color()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcColor, "TOvPrinter.GetColor: Color is not Supported");
    return Settings().dmColor == 2;
}

void TOvPrinter::SetColor(bool value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcColor, "TOvPrinter.SetColor: Color is not Supported");
    OvDevMode &mode = Settings();
    if (value && mode.dmColor == 1) {
        mode.dmColor = 2;
        CommitSettings();
    } else if (!value && mode.dmColor == 2) {
        mode.dmColor = 1;
        CommitSettings();
    }
}

TOvDuplex TOvPrinter::Duplex()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDuplex, "TOvPrinter.GetDuplex: Duplex is not Supported");
    switch (Settings().dmDuplex) {
    case 1:
        return TOvDuplex::ovDupSimplex;
    case 3:
        return TOvDuplex::ovDupHorizontal;
    default:
        return TOvDuplex::ovDupVertical;
    }
}

void TOvPrinter::SetDuplex(TOvDuplex value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcDuplex, "TOvPrinter.SetDuplex: Duplex is not Supported");
    OvDevMode &mode = Settings();
    const auto v = qint16(value);
    if (mode.dmDuplex == v)
        return;
    mode.dmDuplex = v;
    CommitSettings();
}

quint16 TOvPrinter::Scale()
{
    CheckNoPrinter();
    if (!PrintCaps().testFlag(ovPcScale))
        return 100;
    return quint16(Settings().dmScale);
}

void TOvPrinter::SetScale(quint16 value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcScale, "TOvPrinter.SetScale: Scale is not Supported");
    OvDevMode &mode = Settings();
    if (quint16(mode.dmScale) == value)
        return;
    mode.dmScale = qint16(value);
    CommitSettings();
}

TOvExtent TOvPrinter::Quality()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPrintQuality, "TOvPrinter.GetQuality: PrintQuality is not Supported");
    const OvDevMode &mode = Settings();
    const int cx = mode.dmPrintQuality;
    const int cy = (cx > 0 && (mode.dmFields & OvDm::YResolution)) ? mode.dmYResolution : 0;
    return {cx, cy};
}

void TOvPrinter::SetQuality(TOvExtent value)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPrintQuality, "TOvPrinter.SetQuality: PrintQuality is not Supported");
    OvDevMode &mode = Settings();
    mode.dmPrintQuality = qint16(value.cx);
    if (value.cx > 0) {
        mode.dmYResolution = qint16(value.cy);
        mode.dmFields |= OvDm::YResolution;
    } else {
        mode.dmYResolution = 0;
        mode.dmFields &= ~OvDm::YResolution;
    }
    CommitSettings();
}

int TOvPrinter::NumQualities()
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPrintQuality, "TOvPrinter.GetNumQualities: PrintQuality is not Supported");
    NeedInfo(ovAvQuality, "TOvPrinter.GetNumQualities: No Quality Info Available");
    return int(m_resolutions.size());
}

TOvExtent TOvPrinter::Qualities(int i)
{
    CheckNoPrinter();
    CheckPrintCap(ovPcPrintQuality, "TOvPrinter.GetQualities: PrintQuality is not Supported");
    NeedInfo(ovAvQuality, "TOvPrinter.GetQualities: No Quality Info Available");
    if (i < 0 || i >= m_resolutions.size())
        throw EOVPrinterRangeError(QStringLiteral("TOvPrinter.GetQualities: Index is our of range"));
    return {m_resolutions.at(i).x(), m_resolutions.at(i).y()};
}

TOvAvailInfos TOvPrinter::AvailInfos()
{
    UpdateInfos();
    return m_availInfos;
}

// ---------------------------------------------------------------- metrics

TOvExtent TOvPrinter::PageExtent()
{
    CheckNoPrinter();
    const OvDeviceMetrics m = m_backend->metrics();
    return {m.horzRes, m.vertRes};
}

TOvExtent TOvPrinter::MMPageExtent()
{
    CheckNoPrinter();
    const OvDeviceMetrics m = m_backend->metrics();
    return {m.horzSizeMm * 10, m.vertSizeMm * 10};
}

TOvExtent TOvPrinter::DPI()
{
    CheckNoPrinter();
    const OvDeviceMetrics m = m_backend->metrics();
    return {m.logPixelsX, m.logPixelsY};
}

TOvExtent TOvPrinter::PaperExtent()
{
    CheckNoPrinter();
    const OvDeviceMetrics m = m_backend->metrics();
    return {m.physicalWidth, m.physicalHeight};
}

TOvExtent TOvPrinter::MMPaperExtent()
{
    CheckNoPrinter();
    const qint32 s = Scale();
    const OvDeviceMetrics m = m_backend->metrics();
    // A driver reporting 0 dots per inch would divide by zero: report 0 instead.
    // Computed in 64 bits so that large pages at high resolution cannot overflow.
    const auto axis = [s](qint64 pixels, qint64 dpi) -> int {
        if (dpi == 0)
            return 0;
        return int((pixels * 254 * s) / dpi / 100);
    };
    return {axis(m.physicalWidth, m.logPixelsX), axis(m.physicalHeight, m.logPixelsY)};
}

TOvExtent TOvPrinter::Offset()
{
    CheckNoPrinter();
    const OvDeviceMetrics m = m_backend->metrics();
    return {m.physicalOffsetX, m.physicalOffsetY};
}

int TOvPrinter::ColorBitCount()
{
    CheckNoPrinter();
    const OvDeviceMetrics m = m_backend->metrics();
    return m.bitsPixel * m.planes;
}

// ---------------------------------------------------------------- the instance

TOvPrinter &OvPrinter()
{
    Q_ASSERT_X(g_instance, "OvPrinter", "no OvPrinterScope");
    return *g_instance;
}

bool OvPrinterExists() { return g_instance != nullptr; }

OvPrinterScope::OvPrinterScope(std::unique_ptr<OvPrinterBackend> backend)
    : m_printer(std::make_unique<TOvPrinter>(std::move(backend)))
{
    Q_ASSERT_X(!g_instance, "OvPrinterScope", "one printer per process");
    g_instance = m_printer.get();
}

OvPrinterScope::~OvPrinterScope()
{
    g_instance = nullptr;
}
