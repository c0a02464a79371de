#include "fakeprinterbackend.h"

#include "printer/ovprinters.h"

#include <QPainter>
#include <QThread>

FakePrinterBackend::FakePrinterBackend() = default;

FakePrinterBackend::~FakePrinterBackend()
{
    if (m_painter)
        m_painter->end();
}

QByteArray FakePrinterBackend::settingsBlock(quint32 fields, quint16 driverExtra)
{
    QByteArray block = ovNewDevModeBlock(driverExtra);
    OvDevMode mode = ovReadDevMode(block);
    mode.dmFields = fields;
    mode.dmOrientation = 1;
    mode.dmPaperSize = 9;
    mode.dmScale = 100;
    mode.dmCopies = 1;
    mode.dmDefaultSource = 1;
    mode.dmPrintQuality = 600;
    mode.dmYResolution = 600;
    mode.dmColor = 1;
    mode.dmDuplex = 1;
    mode.dmCollate = 0;
    ovWriteDevMode(block, mode);
    return block;
}

FakePrinterBackend::Printer FakePrinterBackend::standardPrinter(const QString &name)
{
    Printer p;
    p.name = name;
    p.port = name + QStringLiteral(":");
    const quint32 all = OvDm::Orientation | OvDm::PaperSize | OvDm::PaperLength | OvDm::PaperWidth
        | OvDm::Scale | OvDm::Copies | OvDm::DefaultSource | OvDm::PrintQuality | OvDm::Color
        | OvDm::Duplex | OvDm::YResolution | OvDm::Collate;
    p.defaultSettings = settingsBlock(all);
    p.capabilities.papers = {{9, QStringLiteral("A4")}, {11, QStringLiteral("A5")}, {1, QStringLiteral("Letter")}};
    p.capabilities.paperCount = 3;
    p.capabilities.bins = {{1, QStringLiteral("Upper")}, {4, QStringLiteral("Manual")}};
    p.capabilities.binCount = 2;
    p.capabilities.resolutions = {QPoint(300, 300), QPoint(600, 600)};
    p.capabilities.resolutionCount = 2;
    p.capabilities.maxCopies = 99;
    // A4 at 600 dpi with 1/6 inch margins.
    p.metrics = {4761, 6816, 201, 288, 600, 600, 4961, 7016, 100, 100, 1, 1};
    return p;
}

int FakePrinterBackend::addPrinter(const Printer &printer)
{
    m_printers.append(printer);
    return int(m_printers.size()) - 1;
}

void FakePrinterBackend::removePrinter(int position)
{
    m_printers.removeAt(position);
}

void FakePrinterBackend::selectDirectly(int position)
{
    loadDefaults(position);
}

void FakePrinterBackend::clearJobLog()
{
    m_jobLog.clear();
    m_printedTitles.clear();
    m_printedPages.clear();
}

int FakePrinterBackend::findByName(const QString &name) const
{
    for (int i = 0; i < m_printers.size(); ++i) {
        if (m_printers.at(i).name == name)
            return i;
    }
    return -1;
}

void FakePrinterBackend::loadDefaults(int position)
{
    m_position = position;
    if (position < 0 || position >= m_printers.size()) {
        m_current = {};
        return;
    }
    const Printer &p = m_printers.at(position);
    m_current = {p.name, p.driver, p.port, p.defaultSettings};
}

// ---------------------------------------------------------------- spooler

QList<OvPrinterRecord> FakePrinterBackend::enumPrinters()
{
    if (m_enumFails)
        throw EOvSystemError(QStringLiteral("The printer list could not be read."));
    QList<OvPrinterRecord> records;
    for (const Printer &p : m_printers)
        records.append({p.name, p.attributes});
    return records;
}

QStringList FakePrinterBackend::enumPorts()
{
    if (m_enumFails)
        throw EOvSystemError(QStringLiteral("The port list could not be read."));
    QStringList ports;
    for (const Printer &p : m_printers)
        ports.append(p.port);
    return ports + m_extraPorts;
}

OvValidateResult FakePrinterBackend::validateSettings(const QString &device, QByteArray &block)
{
    ++m_validations;
    const int i = findByName(device);
    if (i < 0)
        return OvValidateResult::CannotOpen;
    const Printer &p = m_printers.at(i);
    if (p.validation == OvValidateResult::Ok && p.adjust)
        p.adjust(block);
    return p.validation;
}

OvCapabilities FakePrinterBackend::deviceCapabilities(const OvDeviceRecord &device)
{
    ++m_capabilityQueries;
    const int i = findByName(device.device);
    return i < 0 ? OvCapabilities{} : m_printers.at(i).capabilities;
}

std::function<OvSystemState()> FakePrinterBackend::systemProbe() const
{
    // Captures the lists as they are now; the probe itself touches nothing shared.
    OvSystemState state;
    state.ok = !m_enumFails;
    for (const Printer &p : m_printers) {
        state.printers.append({p.name, p.attributes});
        state.ports.append(p.port);
    }
    state.ports += m_extraPorts;
    const int delay = m_probeDelayMs;
    return [state, delay] {
        if (delay > 0)
            QThread::msleep(delay);
        return state;
    };
}

// ---------------------------------------------------------------- printer object

int FakePrinterBackend::printerIndex()
{
    if (m_position == -1 && !m_printers.isEmpty())
        loadDefaults(m_default);
    return m_position;
}

void FakePrinterBackend::setPrinterIndex(int position)
{
    if (position == -1)
        position = m_printers.isEmpty() ? -1 : m_default;
    if (position == m_position && !m_current.settings.isEmpty())
        return;
    loadDefaults(position);
}

OvDeviceRecord FakePrinterBackend::currentDevice()
{
    printerIndex();
    return m_current;
}

void FakePrinterBackend::setCurrentDevice(const OvDeviceRecord &device)
{
    ++m_stores;
    m_lastStored = device;
    const int i = findByName(device.device);
    if (i >= 0)
        m_position = i;
    m_current = device;
    if (m_current.settings.isEmpty() && i >= 0)
        m_current.settings = m_printers.at(i).defaultSettings;
}

OvDeviceMetrics FakePrinterBackend::metrics()
{
    const int i = printerIndex();
    return i < 0 ? OvDeviceMetrics{} : m_printers.at(i).metrics;
}

void FakePrinterBackend::discard()
{
    ++m_discards;
    m_position = -1;
    m_current = {};
}

// ---------------------------------------------------------------- job

QPainter *FakePrinterBackend::canvas()
{
    return m_painter.get();
}

QPaintDevice *FakePrinterBackend::handle()
{
    return m_page.get();
}

void FakePrinterBackend::beginDoc(const QString &title)
{
    m_jobLog.append(QStringLiteral("BeginDoc:") + title);
    m_jobTitle = title;
    m_jobPages.clear();
    m_page = std::make_unique<QPicture>();
    m_painter = std::make_unique<QPainter>(m_page.get());
}

void FakePrinterBackend::finishPage()
{
    if (!m_painter)
        return;
    m_painter->end();
    m_jobPages.append(*m_page);
}

void FakePrinterBackend::newPage()
{
    m_jobLog.append(QStringLiteral("NewPage"));
    if (!m_painter)
        return;
    finishPage();
    m_page = std::make_unique<QPicture>();
    m_painter->begin(m_page.get());
}

void FakePrinterBackend::endDoc()
{
    m_jobLog.append(QStringLiteral("EndDoc"));
    if (!m_painter)
        return;
    if (m_onEndDoc)
        m_onEndDoc();
    finishPage();
    m_printedPages += m_jobPages;
    m_printedTitles.append(m_jobTitle);
    m_painter.reset();
    m_page.reset();
}

void FakePrinterBackend::abort()
{
    m_jobLog.append(QStringLiteral("Abort"));
    if (m_painter)
        m_painter->end();
    m_painter.reset();
    m_page.reset();
    m_jobPages.clear();
}
