#include "senderprofile.h"

#include "platform/codepage.h"

#include <QDir>

namespace app {

SenderProfileStore::SenderProfileStore(QString directory) : m_directory(std::move(directory)) {}

QString SenderProfileStore::fileName(int number)
{
    return QStringLiteral("my%1.txt").arg(number);
}

QString SenderProfileStore::path(int number) const
{
    return QDir(m_directory).filePath(fileName(number));
}

SenderProfile SenderProfileStore::load(int number) const
{
    const QStringList lines = platform::readCp932Lines(path(number));
    const auto line = [&lines](int i) {
        return i < lines.size() ? platform::fromStoredValue(lines.at(i)) : QString();
    };
    return {line(0), line(1), line(2), line(3), line(4)};
}

void SenderProfileStore::save(int number, const SenderProfile &p) const
{
    QStringList lines;
    for (const QString *field : {&p.zip, &p.address1, &p.address2, &p.name, &p.tel})
        lines.append(platform::toStoredValue(*field)); // one line each, whatever the field holds
    platform::writeCp932Lines(path(number), lines);
}

} // namespace app
