#include "vaultwalk.h"

#include "fileio.h"
#include "vaulterror.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

QDateTime modificationDate(const struct stat& info)
{
    const qint64 ms = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms);
}

// The names in a folder, sorted; nothing when the folder cannot be opened.
QStringList folderEntries(const QString& folder)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return {};
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(QLatin1Char('.')))
            continue; // hidden, and "." / ".."
        names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void walkFolder(const QString& folder, const QString& relativeFolder,
                const std::function<bool(const VaultWalkEntry&)>& visit)
{
    for (const QString& name : folderEntries(folder)) {
        VaultWalkEntry entry;
        entry.name = name;
        entry.absolutePath =
            folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
        entry.relativePath =
            relativeFolder.isEmpty() ? name : relativeFolder + QLatin1Char('/') + name;
        const QByteArray encoded = QFile::encodeName(entry.absolutePath);
        struct stat info
        {
        };
        if (::lstat(encoded.constData(), &info) != 0) {
            if (errno == ENOENT)
                continue; // removed since the folder was read
            throw FileError(FileError::list, entry.absolutePath, errno);
        }
        entry.isFolder = S_ISDIR(info.st_mode);
        entry.isRegularFile = S_ISREG(info.st_mode);
        entry.isSymbolicLink = S_ISLNK(info.st_mode);
        struct stat target
        {
        };
        if (entry.isSymbolicLink && ::stat(encoded.constData(), &target) == 0)
            entry.modifiedAt = modificationDate(target);
        else if (entry.isSymbolicLink)
            entry.modifiedAt = distantPast();
        else
            entry.modifiedAt = modificationDate(info);
        if (visit(entry) && entry.isFolder)
            walkFolder(entry.absolutePath, entry.relativePath, visit);
    }
}

} // namespace

void walkVault(const QString& rootPath, const std::function<bool(const VaultWalkEntry&)>& visit)
{
    walkFolder(rootPath, QString(), visit);
}
