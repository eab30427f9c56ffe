#include "temporaryfiles.h"

#include "vaulterror.h"
#include "vaultlock.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QFile>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 staleSeconds = 60;

void collect(const QByteArray& folder, bool isRoot, QByteArrayList& found)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QByteArrayList folders;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info
            {
            };
            if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        const QByteArray path = folder + '/' + name;
        if (type == DT_DIR) {
            // Hidden folders hold nothing this system writes, but for the memo index.
            if (!name.startsWith('.') || (isRoot && name == ".larch"))
                folders.append(path);
        } else if (type == DT_REG && isTemporaryFileName(name)) {
            found.append(path);
        }
    }
    ::closedir(dir);
    for (const QByteArray& child : std::as_const(folders))
        collect(child, false, found);
}

} // namespace

bool isTemporaryFileName(const QByteArray& name)
{
    static const QByteArray marker(".larch-");
    constexpr qsizetype suffix = 7 + 6; // ".larch-" and six letters or digits
    if (name.size() < suffix + 2 || !name.startsWith('.'))
        return false;
    if (name.sliced(name.size() - suffix, 7) != marker)
        return false;
    for (qsizetype i = name.size() - 6; i < name.size(); ++i) {
        const char c = name.at(i);
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

void sweepStaleTemporaryFiles(const QString& rootPath)
{
    QByteArrayList found;
    collect(QFile::encodeName(rootPath), true, found);
    if (found.isEmpty())
        return;
    std::optional<VaultWriteLock> lock;
    try {
        lock.emplace(rootPath);
    } catch (const FileError&) {
        return; // another program is writing for long: the files wait for the next load
    }
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QByteArray& path : std::as_const(found)) {
        struct stat info
        {
        };
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
            now - info.st_mtim.tv_sec >= staleSeconds)
            ::unlink(path.constData());
    }
}
