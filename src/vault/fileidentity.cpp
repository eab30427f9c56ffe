#include "fileidentity.h"

#include <QFile>

#include <sys/stat.h>

namespace {

FileIdentity identityOf(const struct stat& info)
{
    constexpr qint64 billion = 1000000000;
    FileIdentity identity;
    identity.size = qint64(info.st_size);
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * billion + info.st_mtim.tv_nsec;
    identity.changedNs = qint64(info.st_ctim.tv_sec) * billion + info.st_ctim.tv_nsec;
    identity.inode = quint64(info.st_ino);
    identity.device = quint64(info.st_dev);
    return identity;
}

} // namespace

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
}

std::optional<FileIdentity> fileIdentity(int fd)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return identityOf(info);
}
