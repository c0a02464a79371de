#include "printer-cups/systemprinterbackend.h"

#include "platform/ownerfiles.h"
#include "printer-cups/cupscall.h"
#include "printer/ovprinters.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

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

} // namespace

// The CUPS queues in the scheduler's order, then the PDF printer. `answered` is
// false when the scheduler could not be asked (not running, restarting, no answer):
// the list then holds the PDF printer alone, which says nothing about the queues.
struct QueueList
{
    QList<Queue> queues;
    bool answered = false;
};

// Asks on `http`; with no connection the list holds the PDF printer alone.
QueueList queryQueues(http_t *http)
{
    QueueList list;
    QList<Queue> &result = list.queues;
    Dests d;
    if (http) {
        d.count = cupsGetDests2(http, &d.dests);
        const ipp_status_t status = cupsLastError();
        // A scheduler without queues answers "not found"; a failed request does not.
        list.answered = d.count > 0 || status <= IPP_STATUS_OK_EVENTS_COMPLETE
            || status == IPP_STATUS_ERROR_NOT_FOUND;
    }
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
    return list;
}

namespace {

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
    // Without a name of its own libcups may also answer the bare size ("210 x 297 mm").
    static const QRegularExpression bareSize(QStringLiteral("^[0-9.]+ x [0-9.]+ *(mm|\"|in)$"));
    const QString text = QString::fromUtf8(localized);
    if (!text.isEmpty() && text != keyword && !bareSize.match(text).hasMatch())
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

// What a queue offers when it cannot be asked (gone, or the scheduler does not
// answer): one A4 sheet at 300 dpi.
QueueCapabilities fallbackCapabilities()
{
    QueueCapabilities caps;
    caps.media.append({9, QStringLiteral("iso_a4_210x297mm"), QStringLiteral("A4"),
                       QSizeF(210, 297), QMarginsF(6.35, 6.35, 6.35, 6.35)});
    caps.resolutions = {300};
    return caps;
}

std::optional<QueueCapabilities> queryCapabilities(http_t *http, const QString &name)
{
    QueueCapabilities caps;
    DestInfo d;
    const QByteArray utf8 = name.toUtf8();
    d.dest = cupsGetNamedDest(http, utf8.constData(), nullptr);
    if (d.dest)
        d.info = cupsCopyDestInfo(http, d.dest);
    if (!d.dest || !d.info)
        return std::nullopt;

    // cupsGetDestMediaDefault answers a wrong size on CUPS 2.4: read "media-default".
    QString defaultMedia;
    if (ipp_attribute_t *attr = cupsFindDestDefault(http, d.dest, d.info, "media"))
        defaultMedia = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    const int mediaCount = cupsGetDestMediaCount(http, d.dest, d.info, CUPS_MEDIA_FLAGS_DEFAULT);
    quint16 nextNumber = 257; // numbers for sizes without a standard one, stable per list
    for (int i = 0; i < mediaCount; ++i) {
        cups_size_t size;
        if (!cupsGetDestMediaByIndex(http, d.dest, d.info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
            continue;
        MediaEntry entry;
        entry.keyword = QString::fromUtf8(size.media);
        entry.number = standardPaperNumber(entry.keyword);
        if (entry.number == 0)
            entry.number = nextNumber++;
        const char *localized = cupsLocalizeDestMedia(http, d.dest, d.info,
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
    if (ipp_attribute_t *attr = cupsFindDestDefault(http, d.dest, d.info, "media-source"))
        defaultSource = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    if (ipp_attribute_t *attr = cupsFindDestSupported(http, d.dest, d.info, "media-source")) {
        quint16 nextBin = 257;
        for (int i = 0; i < ippGetCount(attr); ++i) {
            BinEntry bin;
            bin.keyword = QString::fromUtf8(ippGetString(attr, i, nullptr));
            bin.number = standardBinNumber(bin.keyword);
            if (bin.number == 0)
                bin.number = nextBin++;
            const QByteArray kw = bin.keyword.toUtf8();
            const char *localized = cupsLocalizeDestValue(http, d.dest, d.info,
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
    if (ipp_attribute_t *attr = cupsFindDestSupported(http, d.dest, d.info, "printer-resolution")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            const int dpi = dpiOf(attr, i);
            if (dpi > 0 && !caps.resolutions.contains(dpi))
                caps.resolutions.append(dpi);
        }
    }
    if (caps.resolutions.isEmpty())
        caps.resolutions = {300};
    caps.defaultResolution = caps.resolutions.first();
    if (ipp_attribute_t *attr = cupsFindDestDefault(http, d.dest, d.info, "printer-resolution")) {
        const int dpi = dpiOf(attr, 0);
        if (caps.resolutions.contains(dpi))
            caps.defaultResolution = dpi;
    }

    if (ipp_attribute_t *attr = cupsFindDestSupported(http, d.dest, d.info, "copies")) {
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
    // Slips carry names and addresses: the folder and its files are the user's only.
    if (!platform::ownerOnlyFolder(dir.absolutePath()))
        return {};
    const QString stem = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? stem + QStringLiteral(".pdf")
                                    : QStringLiteral("%1-%2.pdf").arg(stem).arg(n);
        QFile file(dir.absoluteFilePath(name));
        // NewOnly fails when the file exists: an older job is never overwritten.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, platform::kOwnerOnlyFile))
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

// The newest list the scheduler answered, whoever asked (the first look at start or
// a change check): the back end takes it when it needs its list anew, so that its
// positions agree with the snapshot the change check handed to the layer.
struct LatestQueues
{
    std::mutex mutex;
    std::atomic<quint64> asked{0};
    quint64 answeredAsk = 0;
    std::optional<QList<Queue>> queues;

    // Asks the scheduler on this thread (never the UI thread) and keeps an answer.
    QueueList fetch(const QByteArray &server)
    {
        const quint64 ask = ++asked;
        const CupsConnection connection(server);
        QueueList list = queryQueues(connection.http());
        const std::lock_guard lock(mutex);
        // An answer to an older question never replaces that to a newer one.
        if (list.answered && ask > answeredAsk) {
            answeredAsk = ask;
            queues = list.queues;
        }
        return list;
    }
    std::optional<QList<Queue>> latest()
    {
        const std::lock_guard lock(mutex);
        return queues;
    }
};

namespace {

// How long the first use of the printer list waits for the scheduler's first
// answer; after that the list is the PDF printer's until a change check brings the
// queues. Short, so that the window answers at once even when CUPS does not.
constexpr int kFirstListWaitMs = 300;
// A little more than a request's own limit, for the thread to hand its result over.
constexpr int kCallWaitMs = kCupsWaitMs * 2 + 500;

QString noAnswerMessage(const QByteArray &server)
{
    return QStringLiteral("プリンタサーバー %1 が応答しません。印刷していません。")
        .arg(QString::fromUtf8(server));
}

} // namespace

SystemPrinterBackend::SystemPrinterBackend()
    : m_server(cupsServerAddress()), m_latest(std::make_shared<LatestQueues>())
{
    // Asked at once and answered while the window is being built.
    m_firstList = std::make_unique<CupsCall<QueueList>>(
        [server = m_server, latest = m_latest] { return latest->fetch(server); });
}

SystemPrinterBackend::~SystemPrinterBackend()
{
    if (m_painter)
        endJob(false);
}

const QList<Queue> &SystemPrinterBackend::queues()
{
    if (!m_queues) {
        std::optional<QList<Queue>> latest = m_latest->latest();
        if (!latest && m_firstList) {
            m_firstList->wait(kFirstListWaitMs);
            latest = m_latest->latest();
        }
        m_firstList.reset();
        m_queues = latest ? *latest : queryQueues(nullptr).queues;
    }
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
        QueueCapabilities caps;
        if (i >= 0 && queues().at(i).isPdf) {
            caps = pdfPrinterCapabilities();
        } else {
            // A queue that cannot be asked now prints on A4 until the list changes.
            const std::optional<QueueCapabilities> answer = callCups<QueueCapabilities>(
                m_server, kCallWaitMs, [name](http_t *http) { return queryCapabilities(http, name); });
            caps = answer ? *answer : fallbackCapabilities();
        }
        it = m_caps.insert(name, caps);
    }
    return *it;
}

QList<OvPrinterRecord> SystemPrinterBackend::enumPrinters()
{
    QList<OvPrinterRecord> records;
    for (const Queue &q : queues())
        records.append({q.name, q.attributes});
    return records;
}

QStringList SystemPrinterBackend::enumPorts()
{
    // As the scheduler last answered (every change check asks it); never a wait here.
    const std::optional<QList<Queue>> latest = m_latest->latest();
    return portsOf(latest ? *latest : queues());
}

std::function<OvSystemState()> SystemPrinterBackend::systemProbe() const
{
    return [server = m_server, latest = m_latest] {
        OvSystemState state;
        const QueueList list = latest->fetch(server);
        for (const Queue &q : list.queues)
            state.printers.append({q.name, q.attributes});
        state.ports = portsOf(list.queues);
        state.ok = list.answered;
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
    if (m_writer && !m_printerDirty)
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
    m_layout = QPageLayout(pageSize, orientation, margins, QPageLayout::Millimeter);
    m_resolution = mode.dmPrintQuality > 0 ? mode.dmPrintQuality : caps.defaultResolution;
    // A PDF writer, not a QPrinter: a QPrinter asks CUPS for its default printer
    // without a time limit, and the PDF printer must work while CUPS does not answer.
    m_writer = newWriter(&m_scratch);
    m_printerDirty = false;
}

std::unique_ptr<QPdfWriter> SystemPrinterBackend::newWriter(QIODevice *output) const
{
    auto writer = std::make_unique<QPdfWriter>(output);
    writer->setCreator(QStringLiteral("mekira"));
    writer->setResolution(m_resolution);
    writer->setPageLayout(m_layout);
    return writer;
}

OvDeviceMetrics SystemPrinterBackend::metrics()
{
    configurePrinter();
    const QPdfWriter &p = *m_writer;
    const QRect paper = m_layout.fullRectPixels(m_resolution);
    const QRect page = m_layout.paintRectPixels(m_resolution);
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
    m_writer.reset();
    m_dialogPrinter.reset();
    m_printerDirty = true;
}

QPainter *SystemPrinterBackend::canvas()
{
    return m_painter.get();
}

QPaintDevice *SystemPrinterBackend::handle()
{
    if (m_jobWriter)
        return m_jobWriter.get();
    configurePrinter();
    return m_writer.get();
}

bool SystemPrinterBackend::printing() const
{
    return m_painter != nullptr;
}

void SystemPrinterBackend::beginDoc(const QString &title)
{
    if (m_painter)
        throw EOvPrinter(kPrinterBusyMessage);
    configurePrinter();
    const bool pdf = queues().value(m_position).isPdf;
    QString file;
    if (pdf) {
        // The name is taken now, so that a folder that cannot be written fails the
        // job before anything is drawn.
        file = createPdfJobFile(QDir::current().absoluteFilePath(QStringLiteral("pdf")));
        if (file.isEmpty())
            throw EOvPrinter(QStringLiteral("Cannot create a PDF file in %1")
                                 .arg(QDir::current().absoluteFilePath(QStringLiteral("pdf"))));
    }
    // The pages are made in memory and written out whole at the end, where every
    // write can be checked.
    m_jobData = std::make_unique<QBuffer>();
    m_jobData->open(QIODevice::WriteOnly);
    m_jobWriter = newWriter(m_jobData.get());
    m_jobWriter->setTitle(title);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_jobWriter.get())) {
        m_jobWriter.reset();
        m_jobData.reset();
        if (!file.isEmpty())
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
        m_jobWriter->newPage();
}

void SystemPrinterBackend::endJob(bool send)
{
    m_painter->end();
    m_painter.reset();
    m_jobWriter.reset();
    const QByteArray pdf = m_jobData->data();
    m_jobData.reset();
    const QString reserved = m_jobFile;
    m_jobFile.clear();
    if (!send) {
        if (!reserved.isEmpty())
            QFile::remove(reserved);
        return;
    }
    m_lastJobFile.clear();
    if (m_jobToPdfFolder) {
        writeJobFile(reserved, pdf); // the file is the job
        m_lastJobFile = reserved;
    } else
        sendToQueue(pdf); // straight from memory: no file that could be cut short
}

// Writes a finished job to `path` through a temporary file that replaces it only when
// every byte has been written; on failure nothing is left under `path` and the job
// fails with the reason.
void SystemPrinterBackend::writeJobFile(const QString &path, const QByteArray &pdf)
{
    QSaveFile out(path);
    QString reason;
    if (!out.open(QIODevice::WriteOnly))
        reason = out.errorString();
    // QSaveFile's commit does not see a failure of the buffer's last flush: flush first.
    else if (out.write(pdf) != pdf.size() || !out.flush() || !out.commit())
        reason = out.errorString();
    else
        return;
    out.cancelWriting();
    QFile::remove(path);
    throw EOvPrinter(QStringLiteral("印刷データを %1 に書き込めません（%2）。印刷していません。")
                         .arg(QDir::toNativeSeparators(path), reason));
}

namespace {

struct Sent
{
    bool answered = false;
    bool accepted = false;
    QString error;
};

// Sends `pdf` as one job. The document is only closed (and so printed) while the
// caller still waits for the answer; a job left behind by a caller that gave up is
// cancelled instead.
Sent sendJob(http_t *http, const QByteArray &queue, const QByteArray &title, const QByteArray &pdf,
             const QList<std::pair<QByteArray, QByteArray>> &options,
             std::chrono::steady_clock::time_point closeBy)
{
    Sent sent;
    int numOptions = 0;
    cups_option_t *cupsOptions = nullptr;
    for (const auto &[name, value] : options)
        numOptions = cupsAddOption(name.constData(), value.constData(), numOptions, &cupsOptions);
    const int job = cupsCreateJob(http, queue.constData(), title.constData(), numOptions, cupsOptions);
    cupsFreeOptions(numOptions, cupsOptions);
    sent.answered = job > 0 || !CupsConnection::gaveUp();
    if (job <= 0) {
        sent.error = QString::fromUtf8(cupsLastErrorString());
        return sent;
    }
    bool written = cupsStartDocument(http, queue.constData(), job, title.constData(), CUPS_FORMAT_PDF, 1)
        == HTTP_STATUS_CONTINUE;
    for (qsizetype at = 0; written && at < pdf.size(); at += 65536) {
        const size_t length = size_t(std::min<qsizetype>(65536, pdf.size() - at));
        written = cupsWriteRequestData(http, pdf.constData() + at, length) == HTTP_STATUS_CONTINUE;
    }
    if (!written || std::chrono::steady_clock::now() > closeBy) {
        cupsCancelJob2(http, queue.constData(), job, 0);
        sent.answered = !CupsConnection::gaveUp();
        sent.error = QString::fromUtf8(cupsLastErrorString());
        return sent;
    }
    sent.accepted = cupsFinishDocument(http, queue.constData()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    if (!sent.accepted)
        sent.error = QString::fromUtf8(cupsLastErrorString());
    return sent;
}

} // namespace

void SystemPrinterBackend::sendToQueue(const QByteArray &pdf)
{
    const QueueCapabilities &caps = capabilities(m_current.device);
    const OvDevMode mode = ovReadDevMode(m_current.settings);
    QList<std::pair<QByteArray, QByteArray>> options;
    if (const MediaEntry *m = findMedia(caps, mode.dmPaperSize); m && !m->keyword.isEmpty())
        options.append({"media", m->keyword.toUtf8()});
    if (const BinEntry *b = findBin(caps, mode.dmDefaultSource); b && !caps.bins.isEmpty())
        options.append({"media-source", b->keyword.toUtf8()});
    if (mode.dmPrintQuality > 0)
        options.append({"printer-resolution", QByteArray::number(mode.dmPrintQuality) + "dpi"});
    options.append({"copies", QByteArray::number(std::max<int>(1, mode.dmCopies))});
    const QByteArray queue = m_current.device.toUtf8();
    const QByteArray title = m_jobTitle.toUtf8();
    // The last answer may take kCupsWaitMs after the document is closed.
    const auto closeBy = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCallWaitMs - kCupsWaitMs - 500);
    const std::optional<Sent> sent = callCups<Sent>(m_server, kCallWaitMs, [=](http_t *http) {
        return std::optional<Sent>(sendJob(http, queue, title, pdf, options, closeBy));
    });
    if (!sent || !sent->answered)
        throw EOvPrinter(noAnswerMessage(m_server));
    if (!sent->accepted)
        throw EOvPrinter(QStringLiteral("The print job could not be sent to %1: %2")
                             .arg(m_current.device, sent->error));
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
    m_dialogPrinter->setPageLayout(m_layout);
    m_dialogPrinter->setResolution(m_resolution);
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
