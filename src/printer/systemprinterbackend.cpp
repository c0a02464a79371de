#include "printer/systemprinterbackend.h"

#include "printer/ovprinters.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace printer {

namespace {

// Flags every queue supports; the rest depends on its lists.
constexpr quint32 kBaseFields = OvDm::Orientation | OvDm::PaperSize | OvDm::Copies
    | OvDm::PrintQuality | OvDm::YResolution;

// Frees libcups results on every path.
struct Dests
{
    int count = 0;
    cups_dest_t *dests = nullptr;
    ~Dests() { cupsFreeDests(count, dests); }
};

struct DestInfo
{
    cups_dest_t *dest = nullptr;
    cups_dinfo_t *info = nullptr;
    ~DestInfo()
    {
        cupsFreeDestInfo(info);
        cupsFreeDests(dest ? 1 : 0, dest);
    }
};

QString option(const cups_dest_t &dest, const char *name)
{
    return QString::fromUtf8(cupsGetOption(name, dest.num_options, dest.options));
}

// The CUPS queues in the scheduler's order, then the PDF printer. A scheduler that
// does not answer has no queues.
QList<Queue> queryQueues()
{
    QList<Queue> result;
    Dests d;
    d.count = cupsGetDests2(CUPS_HTTP_DEFAULT, &d.dests);
    bool anyDefault = false;
    for (int i = 0; i < d.count; ++i) {
        const cups_dest_t &dest = d.dests[i];
        if (dest.instance)
            continue; // lpoptions instances are the same queue
        Queue q;
        q.name = QString::fromUtf8(dest.name);
        // CUPS has no hidden queues; the temporary ones it makes for network
        // printers on its own are the nearest thing.
        if (option(dest, "printer-is-temporary") == QLatin1String("true"))
            q.attributes |= OvPrinterAttributeHidden;
        q.port = option(dest, "device-uri");
        if (q.port.isEmpty())
            q.port = option(dest, "printer-uri-supported");
        q.isDefault = dest.is_default && !(q.attributes & OvPrinterAttributeHidden);
        anyDefault = anyDefault || q.isDefault;
        result.append(q);
    }
    Queue pdf;
    pdf.name = pdfPrinterName();
    pdf.port = pdfPrinterPort();
    pdf.isPdf = true;
    if (!anyDefault) {
        // No default queue: the first visible one, else the PDF printer.
        const auto visible = std::find_if(result.begin(), result.end(), [](const Queue &q) {
            return !(q.attributes & OvPrinterAttributeHidden);
        });
        if (visible != result.end())
            visible->isDefault = true;
        else
            pdf.isDefault = true;
    }
    result.append(pdf);
    return result;
}

QStringList portsOf(const QList<Queue> &queues)
{
    QStringList ports;
    for (const Queue &q : queues) {
        if (!q.port.isEmpty())
            ports.append(q.port);
    }
    return ports;
}

QSizeF hundredthsToMm(int width, int length)
{
    return {width / 100.0, length / 100.0};
}

// libcups answers the bare keyword when it has no localization (C locale, queues
// without strings): show the common name of the size instead.
QString mediaName(const char *localized, const QString &keyword, const QSizeF &sizeMm)
{
    const QString text = QString::fromUtf8(localized);
    if (!text.isEmpty() && text != keyword)
        return text;
    const QPageSize::PageSizeId id = QPageSize::id(sizeMm, QPageSize::Millimeter, QPageSize::FuzzyMatch);
    if (id != QPageSize::Custom)
        return QPageSize::name(id);
    return keyword;
}

QString binName(const char *localized, const QString &keyword)
{
    const QString text = QString::fromUtf8(localized);
    if (!text.isEmpty() && text != keyword)
        return text;
    QString readable = keyword;
    readable.replace(QLatin1Char('-'), QLatin1Char(' '));
    if (!readable.isEmpty())
        readable[0] = readable.at(0).toUpper();
    return readable;
}

QueueCapabilities queryCapabilities(const QString &name)
{
    QueueCapabilities caps;
    DestInfo d;
    const QByteArray utf8 = name.toUtf8();
    d.dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, utf8.constData(), nullptr);
    if (d.dest)
        d.info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d.dest);
    if (!d.dest || !d.info) {
        // The queue went away or the scheduler stopped answering: one A4 sheet.
        caps.media.append({9, QStringLiteral("iso_a4_210x297mm"), QStringLiteral("A4"),
                           QSizeF(210, 297), QMarginsF(6.35, 6.35, 6.35, 6.35)});
        caps.resolutions = {300};
        return caps;
    }

    // cupsGetDestMediaDefault answers a wrong size on CUPS 2.4: read "media-default".
    QString defaultMedia;
    if (ipp_attribute_t *attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, d.info, "media"))
        defaultMedia = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    const int mediaCount = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, d.dest, d.info, CUPS_MEDIA_FLAGS_DEFAULT);
    quint16 nextNumber = 257; // numbers for sizes without a standard one, stable per list
    for (int i = 0; i < mediaCount; ++i) {
        cups_size_t size;
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, d.dest, d.info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
            continue;
        MediaEntry entry;
        entry.keyword = QString::fromUtf8(size.media);
        entry.number = standardPaperNumber(entry.keyword);
        if (entry.number == 0)
            entry.number = nextNumber++;
        const char *localized = cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, d.dest, d.info,
                                                      CUPS_MEDIA_FLAGS_DEFAULT, &size);
        entry.sizeMm = hundredthsToMm(size.width, size.length);
        entry.name = mediaName(localized, entry.keyword, entry.sizeMm);
        entry.marginsMm = QMarginsF(size.left / 100.0, size.top / 100.0, size.right / 100.0,
                                    size.bottom / 100.0);
        if (entry.keyword == defaultMedia)
            caps.defaultMedia = int(caps.media.size());
        caps.media.append(entry);
    }
    if (caps.media.isEmpty()) {
        caps.media.append({9, QStringLiteral("iso_a4_210x297mm"), QStringLiteral("A4"),
                           QSizeF(210, 297), QMarginsF(6.35, 6.35, 6.35, 6.35)});
    }

    QString defaultSource;
    if (ipp_attribute_t *attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, d.info, "media-source"))
        defaultSource = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    if (ipp_attribute_t *attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, d.dest, d.info, "media-source")) {
        quint16 nextBin = 257;
        for (int i = 0; i < ippGetCount(attr); ++i) {
            BinEntry bin;
            bin.keyword = QString::fromUtf8(ippGetString(attr, i, nullptr));
            bin.number = standardBinNumber(bin.keyword);
            if (bin.number == 0)
                bin.number = nextBin++;
            const QByteArray kw = bin.keyword.toUtf8();
            const char *localized = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, d.dest, d.info,
                                                          "media-source", kw.constData());
            bin.name = binName(localized, bin.keyword);
            if (bin.keyword == defaultSource)
                caps.defaultBin = int(caps.bins.size());
            caps.bins.append(bin);
        }
    }

    const auto dpiOf = [](ipp_attribute_t *attr, int i) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int x = ippGetResolution(attr, i, &y, &units);
        return units == IPP_RES_PER_CM ? int(std::lround(x * 2.54)) : x;
    };
    if (ipp_attribute_t *attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, d.dest, d.info, "printer-resolution")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            const int dpi = dpiOf(attr, i);
            if (dpi > 0 && !caps.resolutions.contains(dpi))
                caps.resolutions.append(dpi);
        }
    }
    if (caps.resolutions.isEmpty())
        caps.resolutions = {300};
    caps.defaultResolution = caps.resolutions.first();
    if (ipp_attribute_t *attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, d.info, "printer-resolution")) {
        const int dpi = dpiOf(attr, 0);
        if (caps.resolutions.contains(dpi))
            caps.defaultResolution = dpi;
    }

    if (ipp_attribute_t *attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, d.dest, d.info, "copies")) {
        int upper = 1;
        ippGetRange(attr, 0, &upper);
        caps.maxCopies = std::max(1, upper);
    }
    return caps;
}

const MediaEntry *findMedia(const QueueCapabilities &caps, int number)
{
    for (const MediaEntry &m : caps.media) {
        if (qint16(m.number) == qint16(number))
            return &m;
    }
    return nullptr;
}

const BinEntry *findBin(const QueueCapabilities &caps, int number)
{
    for (const BinEntry &b : caps.bins) {
        if (qint16(b.number) == qint16(number))
            return &b;
    }
    return nullptr;
}

void writeName(char16_t (&field)[32], const QString &text)
{
    std::fill(std::begin(field), std::end(field), u'\0');
    const QString cut = text.left(31);
    std::copy(cut.utf16(), cut.utf16() + cut.size(), field);
}

} // namespace

// ---------------------------------------------------------------- numbering

quint16 standardPaperNumber(const QString &pwgName)
{
    static const struct
    {
        const char *prefix;
        quint16 number;
    } table[] = {
        {"iso_a4_", 9},     {"iso_a3_", 8},         {"iso_a5_", 11}, {"jis_b4_", 12}, {"jis_b5_", 13},
        {"na_letter_", 1},  {"na_legal_", 5},       {"jpn_hagaki_", 43},
    };
    for (const auto &entry : table) {
        if (pwgName.startsWith(QLatin1String(entry.prefix)))
            return entry.number;
    }
    return 0;
}

quint16 standardBinNumber(const QString &keyword)
{
    static const struct
    {
        const char *keyword;
        quint16 number;
    } table[] = {
        {"top", 1},      {"upper", 1},    {"bottom", 2}, {"lower", 2}, {"middle", 3},
        {"manual", 4},   {"envelope", 5}, {"auto", 7},   {"tractor", 8},
    };
    for (const auto &entry : table) {
        if (keyword == QLatin1String(entry.keyword))
            return entry.number;
    }
    return 0;
}

// ---------------------------------------------------------------- the PDF printer

QString pdfPrinterName()
{
    // The blank keeps it apart from every CUPS queue name.
    return QStringLiteral("PDF 出力");
}

QString pdfPrinterPort()
{
    return QStringLiteral("PDF:");
}

QueueCapabilities pdfPrinterCapabilities()
{
    QueueCapabilities caps;
    const QMarginsF none;
    caps.media = {
        {9, QStringLiteral("iso_a4_210x297mm"), QStringLiteral("A4"), QSizeF(210, 297), none},
        {11, QStringLiteral("iso_a5_148x210mm"), QStringLiteral("A5"), QSizeF(148, 210), none},
        {13, QStringLiteral("jis_b5_182x257mm"), QStringLiteral("B5 (JIS)"), QSizeF(182, 257), none},
        {1, QStringLiteral("na_letter_8.5x11in"), QStringLiteral("レター"), QSizeF(215.9, 279.4), none},
        {43, QStringLiteral("jpn_hagaki_100x148mm"), QStringLiteral("はがき"), QSizeF(100, 148), none},
        {OvUserPaperSize, QString(), QStringLiteral("ユーザー定義サイズ"), QSizeF(), none},
    };
    caps.defaultMedia = 0;
    caps.userSize = true;
    caps.bins = {{7, QStringLiteral("auto"), QStringLiteral("自動")}};
    caps.resolutions = {300, 600};
    caps.defaultResolution = 600;
    caps.maxCopies = 1;
    return caps;
}

QString createPdfJobFile(const QString &folder)
{
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return {};
    const QString stem = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? stem + QStringLiteral(".pdf")
                                    : QStringLiteral("%1-%2.pdf").arg(stem).arg(n);
        QFile file(dir.absoluteFilePath(name));
        // NewOnly fails when the file exists: an older job is never overwritten.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return QFileInfo(file).absoluteFilePath();
        if (!file.exists())
            return {}; // not a name clash: the folder is not writable
    }
    return {};
}

// ---------------------------------------------------------------- settings blocks

QByteArray defaultSettingsBlock(const QString &name, const QueueCapabilities &caps)
{
    QByteArray block = ovNewDevModeBlock();
    OvDevMode mode = ovReadDevMode(block);
    writeName(mode.dmDeviceName, name);
    mode.dmOrientation = 1;
    mode.dmPaperSize = qint16(caps.media.value(caps.defaultMedia).number);
    mode.dmScale = 100;
    mode.dmCopies = 1;
    mode.dmDefaultSource = caps.bins.isEmpty() ? 0 : qint16(caps.bins.value(caps.defaultBin).number);
    mode.dmPrintQuality = qint16(caps.defaultResolution);
    mode.dmYResolution = qint16(caps.defaultResolution);
    mode.dmColor = 1;
    mode.dmDuplex = 1;
    writeName(mode.dmFormName, caps.media.value(caps.defaultMedia).name);
    ovWriteDevMode(block, mode);
    validateBlock(block, caps);
    return block;
}

void validateBlock(QByteArray &block, const QueueCapabilities &caps)
{
    if (block.size() < qsizetype(sizeof(OvDevMode)))
        block.append(QByteArray(qsizetype(sizeof(OvDevMode)) - block.size(), '\0'));
    OvDevMode mode = ovReadDevMode(block);
    mode.dmSize = sizeof(OvDevMode);
    quint32 fields = kBaseFields;
    if (!caps.bins.isEmpty())
        fields |= OvDm::DefaultSource;

    const bool userSize = caps.userSize && mode.dmPaperSize == OvUserPaperSize && mode.dmPaperWidth > 0
        && mode.dmPaperLength > 0;
    if (userSize) {
        fields |= OvDm::PaperLength | OvDm::PaperWidth;
    } else if (!findMedia(caps, mode.dmPaperSize) || mode.dmPaperSize == OvUserPaperSize) {
        mode.dmPaperSize = qint16(caps.media.value(caps.defaultMedia).number);
    }
    if (const MediaEntry *m = findMedia(caps, mode.dmPaperSize))
        writeName(mode.dmFormName, m->name);
    if (mode.dmOrientation != 1 && mode.dmOrientation != 2)
        mode.dmOrientation = 1;
    if (!caps.bins.isEmpty() && !findBin(caps, mode.dmDefaultSource))
        mode.dmDefaultSource = qint16(caps.bins.value(caps.defaultBin).number);
    if (!caps.resolutions.contains(mode.dmPrintQuality))
        mode.dmPrintQuality = qint16(caps.defaultResolution);
    mode.dmYResolution = mode.dmPrintQuality; // square resolutions only
    mode.dmCopies = qint16(std::clamp<int>(mode.dmCopies, 1, std::max(1, caps.maxCopies)));
    mode.dmScale = 100;
    mode.dmFields = fields;
    ovWriteDevMode(block, mode);
}

// ---------------------------------------------------------------- back end

SystemPrinterBackend::SystemPrinterBackend() = default;

SystemPrinterBackend::~SystemPrinterBackend()
{
    if (m_painter)
        endJob(false);
}

const QList<Queue> &SystemPrinterBackend::queues()
{
    if (!m_queues)
        m_queues = queryQueues();
    return *m_queues;
}

int SystemPrinterBackend::findQueue(const QString &name)
{
    const QList<Queue> &list = queues();
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).name == name)
            return i;
    }
    return -1;
}

const QueueCapabilities &SystemPrinterBackend::capabilities(const QString &name)
{
    auto it = m_caps.find(name);
    if (it == m_caps.end()) {
        const int i = findQueue(name);
        const bool pdf = i >= 0 && queues().at(i).isPdf;
        it = m_caps.insert(name, pdf ? pdfPrinterCapabilities() : queryCapabilities(name));
    }
    return *it;
}

QList<OvPrinterRecord> SystemPrinterBackend::enumPrinters()
{
    QList<OvPrinterRecord> records;
    for (const Queue &q : queryQueues())
        records.append({q.name, q.attributes});
    return records;
}

QStringList SystemPrinterBackend::enumPorts()
{
    return portsOf(queryQueues());
}

std::function<OvSystemState()> SystemPrinterBackend::systemProbe() const
{
    // libcups keeps its server per thread: hand the worker the one in use here.
    QByteArray server = cupsServer();
    if (!server.startsWith('/'))
        server += ':' + QByteArray::number(ippPort());
    return [server] {
        cupsSetServer(server.constData());
        OvSystemState state;
        const QList<Queue> list = queryQueues();
        for (const Queue &q : list)
            state.printers.append({q.name, q.attributes});
        state.ports = portsOf(list);
        state.ok = true;
        return state;
    };
}

OvValidateResult SystemPrinterBackend::validateSettings(const QString &device, QByteArray &block)
{
    if (findQueue(device) < 0)
        return OvValidateResult::CannotOpen;
    if (block.isEmpty())
        return OvValidateResult::Rejected;
    validateBlock(block, capabilities(device));
    return OvValidateResult::Ok;
}

OvCapabilities SystemPrinterBackend::deviceCapabilities(const OvDeviceRecord &device)
{
    OvCapabilities result;
    if (findQueue(device.device) < 0)
        return result;
    const QueueCapabilities &caps = capabilities(device.device);
    for (const MediaEntry &m : caps.media)
        result.papers.append({m.number, m.name});
    result.paperCount = int(result.papers.size());
    for (const BinEntry &b : caps.bins)
        result.bins.append({b.number, b.name});
    result.binCount = int(result.bins.size());
    for (const int dpi : caps.resolutions)
        result.resolutions.append(QPoint(dpi, dpi));
    result.resolutionCount = int(result.resolutions.size());
    result.maxCopies = caps.maxCopies;
    return result;
}

int SystemPrinterBackend::printerIndex()
{
    if (m_position == -1)
        setPrinterIndex(-1);
    return m_position;
}

void SystemPrinterBackend::setPrinterIndex(int position)
{
    const QList<Queue> &list = queues();
    if (position == -1) {
        const auto it = std::find_if(list.begin(), list.end(), [](const Queue &q) { return q.isDefault; });
        position = it == list.end() ? -1 : int(it - list.begin());
    }
    if (position < 0 || position >= list.size())
        return;
    if (position == m_position && !m_current.settings.isEmpty())
        return;
    const Queue &q = list.at(position);
    m_position = position;
    m_current = {q.name, q.isPdf ? QStringLiteral("mekira PDF") : QStringLiteral("CUPS"), q.port,
                 defaultSettingsBlock(q.name, capabilities(q.name))};
    m_printerDirty = true;
}

OvDeviceRecord SystemPrinterBackend::currentDevice()
{
    printerIndex();
    return m_current;
}

void SystemPrinterBackend::setCurrentDevice(const OvDeviceRecord &device)
{
    const int i = findQueue(device.device);
    if (i < 0)
        return; // no such printer: the current one stays
    m_position = i;
    m_current = device;
    if (m_current.settings.isEmpty())
        m_current.settings = defaultSettingsBlock(device.device, capabilities(device.device));
    m_printerDirty = true;
}

void SystemPrinterBackend::configurePrinter()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setCreator(QStringLiteral("mekira"));
        m_printerDirty = true;
    }
    if (!m_printerDirty)
        return;
    printerIndex();
    const QueueCapabilities &caps = capabilities(m_current.device);
    const OvDevMode mode = ovReadDevMode(m_current.settings);
    QPageSize pageSize;
    QMarginsF margins;
    const MediaEntry *media = findMedia(caps, mode.dmPaperSize);
    if (mode.dmPaperSize == OvUserPaperSize && mode.dmPaperWidth > 0 && mode.dmPaperLength > 0) {
        pageSize = QPageSize(QSizeF(mode.dmPaperWidth / 10.0, mode.dmPaperLength / 10.0),
                             QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    } else {
        if ((!media || media->sizeMm.isEmpty()) && caps.defaultMedia < caps.media.size())
            media = &caps.media.at(caps.defaultMedia);
        const QSizeF size = media && !media->sizeMm.isEmpty() ? media->sizeMm : QSizeF(210, 297);
        pageSize = QPageSize(size, QPageSize::Millimeter, media ? media->name : QString(),
                             QPageSize::ExactMatch);
        margins = media ? media->marginsMm : QMarginsF();
    }
    const auto orientation = mode.dmOrientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
    m_printer->setResolution(mode.dmPrintQuality > 0 ? mode.dmPrintQuality : caps.defaultResolution);
    m_printer->setFullPage(false);
    m_printer->setPageLayout(QPageLayout(pageSize, orientation, margins, QPageLayout::Millimeter));
    m_printerDirty = false;
}

OvDeviceMetrics SystemPrinterBackend::metrics()
{
    configurePrinter();
    QPrinter &p = *m_printer;
    const QRect paper = p.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = p.pageRect(QPrinter::DevicePixel).toRect();
    OvDeviceMetrics m;
    m.horzRes = p.width();
    m.vertRes = p.height();
    m.horzSizeMm = p.widthMM();
    m.vertSizeMm = p.heightMM();
    m.logPixelsX = p.logicalDpiX();
    m.logPixelsY = p.logicalDpiY();
    m.physicalWidth = paper.width();
    m.physicalHeight = paper.height();
    m.physicalOffsetX = page.left() - paper.left();
    m.physicalOffsetY = page.top() - paper.top();
    m.bitsPixel = p.depth();
    m.planes = 1;
    return m;
}

void SystemPrinterBackend::discard()
{
    if (m_painter)
        endJob(false);
    m_queues.reset();
    m_caps.clear();
    m_position = -1;
    m_current = {};
    m_printer.reset();
    m_dialogPrinter.reset();
    m_printerDirty = true;
}

QPainter *SystemPrinterBackend::canvas()
{
    return m_painter.get();
}

QPaintDevice *SystemPrinterBackend::handle()
{
    configurePrinter();
    return m_printer.get();
}

bool SystemPrinterBackend::printing() const
{
    return m_painter != nullptr;
}

void SystemPrinterBackend::beginDoc(const QString &title)
{
    if (m_painter)
        throw EOvPrinter(QStringLiteral("Printing in progress"));
    configurePrinter();
    const bool pdf = queues().value(m_position).isPdf;
    QString file;
    if (pdf) {
        file = createPdfJobFile(QDir::current().absoluteFilePath(QStringLiteral("pdf")));
        if (file.isEmpty())
            throw EOvPrinter(QStringLiteral("Cannot create a PDF file in %1")
                                 .arg(QDir::current().absoluteFilePath(QStringLiteral("pdf"))));
    } else {
        QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/mekira-job-XXXXXX.pdf"));
        temp.setAutoRemove(false);
        if (!temp.open())
            throw EOvPrinter(QStringLiteral("Cannot create a temporary print file"));
        file = temp.fileName();
    }
    m_printer->setOutputFileName(file);
    m_printer->setDocName(title);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get())) {
        QFile::remove(file);
        throw EOvPrinter(QStringLiteral("Cannot start the print job"));
    }
    m_painter = std::move(painter);
    m_jobFile = file;
    m_jobTitle = title;
    m_jobToPdfFolder = pdf;
}

void SystemPrinterBackend::newPage()
{
    if (m_painter)
        m_printer->newPage();
}

void SystemPrinterBackend::endJob(bool send)
{
    m_painter->end();
    m_painter.reset();
    const QString file = m_jobFile;
    m_jobFile.clear();
    if (!send) {
        QFile::remove(file);
        return;
    }
    if (m_jobToPdfFolder)
        return; // the file is the job
    const QueueCapabilities &caps = capabilities(m_current.device);
    const OvDevMode mode = ovReadDevMode(m_current.settings);
    int numOptions = 0;
    cups_option_t *options = nullptr;
    const auto add = [&](const char *name, const QString &value) {
        numOptions = cupsAddOption(name, value.toUtf8().constData(), numOptions, &options);
    };
    if (const MediaEntry *m = findMedia(caps, mode.dmPaperSize); m && !m->keyword.isEmpty())
        add("media", m->keyword);
    if (const BinEntry *b = findBin(caps, mode.dmDefaultSource); b && !caps.bins.isEmpty())
        add("media-source", b->keyword);
    if (mode.dmPrintQuality > 0)
        add("printer-resolution", QStringLiteral("%1dpi").arg(mode.dmPrintQuality));
    add("copies", QString::number(std::max<int>(1, mode.dmCopies)));
    const QByteArray name = m_current.device.toUtf8();
    const QByteArray path = QFile::encodeName(file);
    const QByteArray title = m_jobTitle.toUtf8();
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, name.constData(), path.constData(),
                                   title.constData(), numOptions, options);
    cupsFreeOptions(numOptions, options);
    QFile::remove(file);
    if (job == 0)
        throw EOvPrinter(QStringLiteral("The print job could not be sent to %1: %2")
                             .arg(m_current.device, QString::fromUtf8(cupsLastErrorString())));
}

void SystemPrinterBackend::endDoc()
{
    if (m_painter)
        endJob(true);
}

void SystemPrinterBackend::abort()
{
    if (m_painter)
        endJob(false);
}

QPrinter *SystemPrinterBackend::dialogPrinter()
{
    printerIndex();
    m_dialogPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const bool pdf = queues().value(m_position).isPdf;
    if (pdf) {
        m_dialogPrinter->setOutputFormat(QPrinter::PdfFormat);
    } else {
        m_dialogPrinter->setPrinterName(m_current.device);
    }
    configurePrinter();
    m_dialogPrinter->setPageLayout(m_printer->pageLayout());
    m_dialogPrinter->setResolution(m_printer->resolution());
    m_dialogPrinter->setCopyCount(std::max<int>(1, ovReadDevMode(m_current.settings).dmCopies));
    return m_dialogPrinter.get();
}

void SystemPrinterBackend::adoptDialogPrinter(const QPrinter &chosen)
{
    // Qt's "print to file" entry stands for the PDF printer.
    QString name = chosen.outputFormat() == QPrinter::PdfFormat || chosen.printerName().isEmpty()
        ? pdfPrinterName()
        : chosen.printerName();
    const int position = findQueue(name);
    if (position < 0)
        return;
    m_position = -1; // load the chosen printer's defaults, then the dialog's choices
    setPrinterIndex(position);
    const QueueCapabilities &caps = capabilities(name);
    OvDevMode mode = ovReadDevMode(m_current.settings);
    const QPageLayout layout = chosen.pageLayout();
    const QSizeF chosenMm = layout.pageSize().size(QPageSize::Millimeter);
    bool matched = false;
    for (const MediaEntry &m : caps.media) {
        if (!m.sizeMm.isEmpty() && std::abs(m.sizeMm.width() - chosenMm.width()) < 1.0
            && std::abs(m.sizeMm.height() - chosenMm.height()) < 1.0) {
            mode.dmPaperSize = qint16(m.number);
            matched = true;
            break;
        }
    }
    if (!matched && caps.userSize && !chosenMm.isEmpty()) {
        mode.dmPaperSize = OvUserPaperSize;
        mode.dmPaperWidth = qint16(std::lround(chosenMm.width() * 10));
        mode.dmPaperLength = qint16(std::lround(chosenMm.height() * 10));
    }
    mode.dmOrientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    if (caps.resolutions.contains(chosen.resolution()))
        mode.dmPrintQuality = qint16(chosen.resolution());
    mode.dmCopies = qint16(chosen.copyCount());
    ovWriteDevMode(m_current.settings, mode);
    validateBlock(m_current.settings, caps);
    m_printerDirty = true;
}

} // namespace printer

std::unique_ptr<OvPrinterBackend> createSystemPrinterBackend()
{
    return std::make_unique<printer::SystemPrinterBackend>();
}
