#include "history/unrecordedjournal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSaveFile>

#include "platform/ownerfiles.h"

#include <unistd.h>

#include <optional>
#include <utility>

#include <QHash>
#include <QSet>

namespace history {

namespace {

// Format 3 is one JSON object a line: a header, then each job when it is about to be
// sent and each job's end ("done") once recorded or not sent after all. Appending a
// line costs the same whatever the file holds, so the journal stays linear in its size.
// Format 2 (one document, the slip's fields by their meaning) and format 1 (the fields
// named after the window's controls) were written by earlier versions and are still read.
constexpr int kLineFormat = 3;
constexpr int kDocumentFormat = 2;
constexpr int kFirstFormat = 1;

QJsonObject partyToJson(const slip::Party &party)
{
    return {{QLatin1String("postalCode"), party.postalCode}, {QLatin1String("address1"), party.address1},
            {QLatin1String("address2"), party.address2},     {QLatin1String("address3"), party.address3},
            {QLatin1String("name"), party.name},             {QLatin1String("telephone"), party.telephone}};
}

slip::Party partyFromJson(const QJsonObject &object)
{
    slip::Party party;
    party.postalCode = object.value(QLatin1String("postalCode")).toString();
    party.address1 = object.value(QLatin1String("address1")).toString();
    party.address2 = object.value(QLatin1String("address2")).toString();
    party.address3 = object.value(QLatin1String("address3")).toString();
    party.name = object.value(QLatin1String("name")).toString();
    party.telephone = object.value(QLatin1String("telephone")).toString();
    return party;
}

QJsonObject slipToJson(const slip::SlipRecord &record)
{
    QJsonArray goods;
    for (const QString &line : record.goods)
        goods.append(line);
    return {{QLatin1String("destination"), partyToJson(record.destination)},
            {QLatin1String("sender"), partyToJson(record.sender)},
            {QLatin1String("printSender"), record.printSender},
            {QLatin1String("goods"), goods},
            {QLatin1String("shippingDate"), record.shippingDate.toString(Qt::ISODate)},
            {QLatin1String("printShippingDate"), record.printShippingDate},
            {QLatin1String("deliveryMonth"), record.deliveryMonth},
            {QLatin1String("deliveryDay"), record.deliveryDay},
            {QLatin1String("timeSlot"), slip::timeSlotNumber(record.timeSlot)}};
}

slip::SlipRecord slipFromJson(const QJsonObject &object)
{
    slip::SlipRecord record;
    record.destination = partyFromJson(object.value(QLatin1String("destination")).toObject());
    record.sender = partyFromJson(object.value(QLatin1String("sender")).toObject());
    record.printSender = object.value(QLatin1String("printSender")).toBool(true);
    const QJsonArray goods = object.value(QLatin1String("goods")).toArray();
    for (std::size_t line = 0; line < record.goods.size(); ++line)
        record.goods[line] = goods.at(qsizetype(line)).toString();
    record.shippingDate = QDate::fromString(object.value(QLatin1String("shippingDate")).toString(), Qt::ISODate);
    record.printShippingDate = object.value(QLatin1String("printShippingDate")).toBool(true);
    record.deliveryMonth = object.value(QLatin1String("deliveryMonth")).toString();
    record.deliveryDay = object.value(QLatin1String("deliveryDay")).toString();
    record.timeSlot = slip::timeSlotFromNumber(object.value(QLatin1String("timeSlot")).toInt());
    return record;
}

// A slip of format 1: its keys are the names of the window's controls then.
slip::SlipRecord firstFormatSlipFromJson(const QJsonObject &object)
{
    const auto text = [&object](const char *key) { return object.value(QLatin1String(key)).toString(); };
    const auto flag = [&object](const char *key, bool missing) { return object.value(QLatin1String(key)).toBool(missing); };
    slip::SlipRecord record;
    record.destination = {text("Edit_Zip"), text("Edit_Add1"), text("Edit_Add2"), QString(), text("Edit_Custo1"),
                          text("Edit_tel")};
    record.sender = {text("Edit_MyZip"), text("Edit_MyADD1"), text("Edit_MyADD2"), QString(), text("Edit_My"),
                     text("Edit_MyTEL")};
    record.printSender = flag("CheckBox_My", true);
    record.goods = {text("Edit_G1"), text("Edit_G2"), text("Edit_G3")};
    record.shippingDate = QDate::fromString(text("DateTimePicker_1"), Qt::ISODate);
    record.printShippingDate = flag("CheckBox_Date_1", true);
    record.deliveryMonth = text("Edit_de_date1");
    record.deliveryDay = text("Edit_de_date2");
    const char *const slots[] = {"CheckBox_t1", "CheckBox_t2", "CheckBox_t3", "CheckBox_t4", "CheckBox_t5", "CheckBox_t6"};
    for (int number = slip::kTimeSlotCount; number >= 1; --number) {
        if (flag(slots[number - 1], false))
            record.timeSlot = slip::timeSlotFromNumber(number); // the first ticked one wins, as printed
    }
    return record;
}

QJsonObject toJson(const PrintedSlip &printed)
{
    QJsonObject object{{QLatin1String("slip"), slipToJson(printed.slip)},
                       {QLatin1String("printer"), printed.printer},
                       {QLatin1String("feed"), printed.feed},
                       {QLatin1String("marginTop"), printed.marginTop},
                       {QLatin1String("marginLeft"), printed.marginLeft}};
    if (printed.orderId)
        object.insert(QLatin1String("orderId"), QString::number(*printed.orderId));
    return object;
}

PrintedSlip printedFromJson(const QJsonObject &object, int format)
{
    PrintedSlip printed;
    const QJsonObject slip = object.value(QLatin1String("slip")).toObject();
    printed.slip = format == kFirstFormat ? firstFormatSlipFromJson(slip) : slipFromJson(slip);
    printed.printer = object.value(QLatin1String("printer")).toString();
    printed.feed = object.value(QLatin1String("feed")).toString();
    printed.marginTop = object.value(QLatin1String("marginTop")).toString();
    printed.marginLeft = object.value(QLatin1String("marginLeft")).toString();
    bool ok = false;
    const qint64 orderId = object.value(QLatin1String("orderId")).toString().toLongLong(&ok);
    if (ok)
        printed.orderId = orderId;
    return printed;
}

QJsonObject jobToJson(const SentJob &job)
{
    QJsonArray slips;
    for (const PrintedSlip &slip : job.slips)
        slips.append(toJson(slip));
    return {{QLatin1String("job"), job.id},
            {QLatin1String("sentAtMs"), QString::number(job.sentAt.toMSecsSinceEpoch())},
            {QLatin1String("station"), job.station},
            {QLatin1String("slips"), slips}};
}

// A job of any format; nullopt when the object holds none.
std::optional<SentJob> jobFromJson(const QJsonObject &object, int format)
{
    SentJob job;
    bool ok = false;
    const qint64 sentAtMs = object.value(QLatin1String("sentAtMs")).toString().toLongLong(&ok);
    if (ok)
        job.sentAt = QDateTime::fromMSecsSinceEpoch(sentAtMs);
    job.id = object.value(QLatin1String("job")).toString();
    job.station = object.value(QLatin1String("station")).toString();
    for (const QJsonValue &slip : object.value(QLatin1String("slips")).toArray())
        job.slips.append(printedFromJson(slip.toObject(), format));
    if (job.slips.isEmpty() || !job.sentAt.isValid())
        return std::nullopt;
    return job;
}

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray header()
{
    return line(QJsonObject{{QLatin1String("format"), kLineFormat}});
}

// Reads a journal of lines. Returns false when a line could not be read.
bool readLines(const QByteArray &bytes, QList<SentJob> &jobs)
{
    bool whole = true;
    QHash<QString, qsizetype> at; // job id -> index in jobs
    QSet<QString> done;
    qsizetype from = 0;
    bool first = true;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', from);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView text = QByteArrayView(bytes).sliced(from, end - from).trimmed();
        from = end + 1;
        if (text.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text.toByteArray(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            whole = false;
            continue;
        }
        const QJsonObject object = document.object();
        if (first) {
            first = false;
            if (object.contains(QLatin1String("format")))
                continue;
        }
        if (object.contains(QLatin1String("done"))) {
            done.insert(object.value(QLatin1String("done")).toString());
            continue;
        }
        std::optional<SentJob> job = jobFromJson(object, kDocumentFormat);
        if (!job) {
            whole = false;
            continue;
        }
        if (!at.contains(job->id)) {
            at.insert(job->id, jobs.size());
            jobs.append(std::move(*job));
        }
    }
    jobs.removeIf([&done](const SentJob &job) { return done.contains(job.id); });
    return whole;
}

// Writes `bytes` at the end of the file and waits until they are on the disk.
bool appendDurably(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    const bool created = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, platform::kOwnerOnlyFile))
        return false;
    QByteArray all = created || file.size() == 0 ? header() + bytes : bytes;
    if (file.write(all) != all.size() || !file.flush())
        return false;
    return ::fsync(file.handle()) == 0;
}

// A name no file has yet: "<path>.damaged", then "<path>.damaged-2", ...
QString freeAsideName(const QString &path)
{
    QString name = path + QStringLiteral(".damaged");
    for (int n = 2; QFile::exists(name); ++n)
        name = path + QStringLiteral(".damaged-%1").arg(n);
    return name;
}

} // namespace

UnrecordedJournal::UnrecordedJournal(QString path) : m_path(std::move(path)), m_mutex(std::make_shared<QMutex>()) {}

QString UnrecordedJournal::defaultPath(const QString &workingFolder)
{
    return QDir(workingFolder).filePath(QStringLiteral("mekira-unrecorded.json"));
}

bool UnrecordedJournal::exists() const
{
    return QFile::exists(m_path);
}

QList<SentJob> UnrecordedJournal::load(QString *setAside) const
{
    QMutexLocker lock(m_mutex.get());
    if (setAside)
        setAside->clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();
    QList<SentJob> jobs;
    bool whole = true;
    if (bytes.startsWith("{\"format\":3}")) {
        whole = readLines(bytes, jobs);
    } else {
        QJsonParseError parseError;
        const QJsonObject root = QJsonDocument::fromJson(bytes, &parseError).object();
        const int format = root.value(QLatin1String("format")).toInt();
        whole = parseError.error == QJsonParseError::NoError && (format == kDocumentFormat || format == kFirstFormat);
        if (whole) {
            for (const QJsonValue &value : root.value(QLatin1String("jobs")).toArray()) {
                if (std::optional<SentJob> job = jobFromJson(value.toObject(), format))
                    jobs.append(std::move(*job));
            }
        }
    }
    if (!whole) {
        // Never deleted: the file goes aside under a name of its own (an earlier damaged
        // file keeps its name), and what could be read is kept in a new journal.
        const QString aside = freeAsideName(m_path);
        if (!QFile::rename(m_path, aside))
            return jobs;
        platform::makeOwnerOnly(aside);
        if (setAside)
            *setAside = aside;
        if (!jobs.isEmpty())
            saveLocked(jobs);
    }
    return jobs;
}

bool UnrecordedJournal::save(const QList<SentJob> &jobs) const
{
    QMutexLocker lock(m_mutex.get());
    return saveLocked(jobs);
}

bool UnrecordedJournal::saveLocked(const QList<SentJob> &jobs) const
{
    if (jobs.isEmpty())
        return !QFile::exists(m_path) || QFile::remove(m_path);
    QByteArray bytes = header();
    for (const SentJob &job : jobs)
        bytes += line(jobToJson(job));
    QSaveFile file(m_path);
    // Flushed and checked before the commit: a failed last write must not pass.
    if (!(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit()))
        return false;
    return platform::makeOwnerOnly(m_path);
}

bool UnrecordedJournal::append(const SentJob &job) const
{
    QMutexLocker lock(m_mutex.get());
    return appendDurably(m_path, line(jobToJson(job)));
}

bool UnrecordedJournal::appendDone(const QString &job) const
{
    QMutexLocker lock(m_mutex.get());
    return appendDurably(m_path, line(QJsonObject{{QLatin1String("done"), job}}));
}

} // namespace history
