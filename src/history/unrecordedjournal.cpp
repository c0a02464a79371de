#include "history/unrecordedjournal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <utility>

namespace history {

namespace {

// Format 2 names the slip's fields by what they mean; format 1, written by earlier
// versions, named them after the window's controls and is still read.
constexpr int kFormat = 2;
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

} // namespace

UnrecordedJournal::UnrecordedJournal(QString path) : m_path(std::move(path)) {}

QString UnrecordedJournal::defaultPath(const QString &workingFolder)
{
    return QDir(workingFolder).filePath(QStringLiteral("mekira-unrecorded.json"));
}

bool UnrecordedJournal::exists() const
{
    return QFile::exists(m_path);
}

QList<SentJob> UnrecordedJournal::load() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    file.close();
    const QJsonObject root = document.object();
    const int format = root.value(QLatin1String("format")).toInt();
    if (parseError.error != QJsonParseError::NoError || (format != kFormat && format != kFirstFormat)) {
        const QString aside = m_path + QStringLiteral(".damaged");
        QFile::remove(aside);
        QFile::rename(m_path, aside);
        return {};
    }
    QList<SentJob> jobs;
    for (const QJsonValue &value : root.value(QLatin1String("jobs")).toArray()) {
        const QJsonObject object = value.toObject();
        SentJob job;
        bool ok = false;
        const qint64 sentAtMs = object.value(QLatin1String("sentAtMs")).toString().toLongLong(&ok);
        if (ok)
            job.sentAt = QDateTime::fromMSecsSinceEpoch(sentAtMs);
        job.id = object.value(QLatin1String("job")).toString();
        job.station = object.value(QLatin1String("station")).toString();
        for (const QJsonValue &slip : object.value(QLatin1String("slips")).toArray())
            job.slips.append(printedFromJson(slip.toObject(), format));
        if (!job.slips.isEmpty() && job.sentAt.isValid())
            jobs.append(job);
    }
    return jobs;
}

bool UnrecordedJournal::save(const QList<SentJob> &jobs) const
{
    if (jobs.isEmpty())
        return !QFile::exists(m_path) || QFile::remove(m_path);
    QJsonArray array;
    for (const SentJob &job : jobs) {
        QJsonArray slips;
        for (const PrintedSlip &slip : job.slips)
            slips.append(toJson(slip));
        array.append(QJsonObject{{QLatin1String("job"), job.id},
                                 {QLatin1String("sentAtMs"), QString::number(job.sentAt.toMSecsSinceEpoch())},
                                 {QLatin1String("station"), job.station},
                                 {QLatin1String("slips"), slips}});
    }
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{QLatin1String("format"), kFormat}, {QLatin1String("jobs"), array}}).toJson();
    QSaveFile file(m_path);
    // Flushed and checked before the commit: a failed last write must not pass.
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit();
}

} // namespace history
