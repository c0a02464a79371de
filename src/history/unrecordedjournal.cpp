#include "unrecordedjournal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <utility>

namespace history {

namespace {

constexpr int kFormat = 1;

// The slip's texts by their control names, so the file reads plainly.
struct TextField
{
    const char *name;
    QString printing::SlipData::*member;
};

constexpr TextField kTexts[] = {
    {"Edit_Zip", &printing::SlipData::Edit_Zip},       {"Edit_Add1", &printing::SlipData::Edit_Add1},
    {"Edit_Add2", &printing::SlipData::Edit_Add2},     {"Edit_Custo1", &printing::SlipData::Edit_Custo1},
    {"Edit_tel", &printing::SlipData::Edit_tel},       {"Edit_MyZip", &printing::SlipData::Edit_MyZip},
    {"Edit_MyADD1", &printing::SlipData::Edit_MyADD1}, {"Edit_MyADD2", &printing::SlipData::Edit_MyADD2},
    {"Edit_My", &printing::SlipData::Edit_My},         {"Edit_MyTEL", &printing::SlipData::Edit_MyTEL},
    {"Edit_G1", &printing::SlipData::Edit_G1},         {"Edit_G2", &printing::SlipData::Edit_G2},
    {"Edit_G3", &printing::SlipData::Edit_G3},         {"Edit_de_date1", &printing::SlipData::Edit_de_date1},
    {"Edit_de_date2", &printing::SlipData::Edit_de_date2},
};

struct FlagField
{
    const char *name;
    bool printing::SlipData::*member;
};

constexpr FlagField kFlags[] = {
    {"CheckBox_My", &printing::SlipData::CheckBox_My}, {"CheckBox_Date_1", &printing::SlipData::CheckBox_Date_1},
    {"CheckBox_t1", &printing::SlipData::CheckBox_t1}, {"CheckBox_t2", &printing::SlipData::CheckBox_t2},
    {"CheckBox_t3", &printing::SlipData::CheckBox_t3}, {"CheckBox_t4", &printing::SlipData::CheckBox_t4},
    {"CheckBox_t5", &printing::SlipData::CheckBox_t5}, {"CheckBox_t6", &printing::SlipData::CheckBox_t6},
};

QJsonObject toJson(const PrintedSlip &printed)
{
    QJsonObject slip;
    for (const TextField &field : kTexts)
        slip.insert(QLatin1String(field.name), printed.slip.*field.member);
    for (const FlagField &field : kFlags)
        slip.insert(QLatin1String(field.name), printed.slip.*field.member);
    slip.insert(QLatin1String("DateTimePicker_1"), printed.slip.DateTimePicker_1.toString(Qt::ISODate));
    QJsonObject object{{QLatin1String("slip"), slip},
                       {QLatin1String("printer"), printed.printer},
                       {QLatin1String("feed"), printed.feed},
                       {QLatin1String("marginTop"), printed.marginTop},
                       {QLatin1String("marginLeft"), printed.marginLeft}};
    if (printed.orderId)
        object.insert(QLatin1String("orderId"), QString::number(*printed.orderId));
    return object;
}

PrintedSlip slipFromJson(const QJsonObject &object)
{
    PrintedSlip printed;
    const QJsonObject slip = object.value(QLatin1String("slip")).toObject();
    for (const TextField &field : kTexts)
        printed.slip.*field.member = slip.value(QLatin1String(field.name)).toString();
    for (const FlagField &field : kFlags)
        printed.slip.*field.member = slip.value(QLatin1String(field.name)).toBool(printed.slip.*field.member);
    printed.slip.DateTimePicker_1 = QDate::fromString(slip.value(QLatin1String("DateTimePicker_1")).toString(), Qt::ISODate);
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
    if (parseError.error != QJsonParseError::NoError || root.value(QLatin1String("format")).toInt() != kFormat) {
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
            job.slips.append(slipFromJson(slip.toObject()));
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
