#include "platform/ownerfiles.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

void createFilesOwnerOnly()
{
    ::umask(S_IRWXG | S_IRWXO);
}

bool makeOwnerOnly(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    const QFileDevice::Permissions wanted = info.isDir() ? kOwnerOnlyFolder : kOwnerOnlyFile;
    if ((info.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser)) == wanted)
        return true;
    return QFile::setPermissions(path, wanted);
}

bool ownerOnlyFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    return makeOwnerOnly(path);
}

} // namespace platform
