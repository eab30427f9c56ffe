#include "vaultwalk.h"

#include "fileio.h"
#include "vaulterror.h"
#include "vaultwarnings.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QDateTime modificationDate(const struct stat& info)
{
    const qint64 ms = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms);
}

struct FolderEntry
{
    QString name;
    QByteArray encodedName;
    unsigned char type;
};

void reportUndecodableName(const QString& folder, const QByteArray& name)
{
    reportVaultWarning(VaultWarning::Kind::vaultState,
                       QStringLiteral("已跳过“%1”：名称不是有效的 UTF-8 文本，请改个名字。")
                           .arg(folder + QLatin1Char('/') + QString::fromUtf8(name)));
}

class Walker
{
public:
    Walker(const std::function<bool(const VaultWalkEntry&)>& visit, VaultWalkDates dates)
        : m_visit(visit), m_dates(dates)
    {
    }

    void walkFolder(const QString& folder, const QString& relativeFolder)
    {
        DIR* dir = ::opendir(QFile::encodeName(folder).constData());
        if (!dir)
            return; // a folder the walk cannot enter is passed over
        QList<FolderEntry> entries;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue; // hidden, and "." / ".."
            const QByteArray encodedName(entry->d_name);
            // A name that is not UTF-8 has no text that leads back to it: it would be listed
            // under a path that does not exist and fail whatever touches it.
            std::optional<QString> name = decodeUtf8Strict(encodedName);
            if (!name) {
                reportUndecodableName(folder, encodedName);
                continue;
            }
            entries.append(FolderEntry{std::move(*name), encodedName, entry->d_type});
        }
        // Name order, so that every run delivers the same order.
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        try {
            for (const FolderEntry& entry : entries)
                visitEntry(::dirfd(dir), entry, folder, relativeFolder);
        } catch (...) {
            ::closedir(dir);
            throw;
        }
        ::closedir(dir);
    }

private:
    void visitEntry(int dirFd, const FolderEntry& item, const QString& folder,
                    const QString& relativeFolder)
    {
        VaultWalkEntry entry;
        entry.name = item.name;
        entry.absolutePath = folder.endsWith(QLatin1Char('/'))
                                 ? folder + item.name
                                 : folder + QLatin1Char('/') + item.name;
        entry.relativePath =
            relativeFolder.isEmpty() ? item.name : relativeFolder + QLatin1Char('/') + item.name;
        entry.modifiedAt = distantPast();
        const bool knownKind = item.type == DT_DIR || item.type == DT_REG || item.type == DT_LNK;
        if (knownKind && m_dates == VaultWalkDates::skip) {
            entry.isFolder = item.type == DT_DIR;
            entry.isRegularFile = item.type == DT_REG;
            entry.isSymbolicLink = item.type == DT_LNK;
        } else {
            struct stat info
            {
            };
            if (::fstatat(dirFd, item.encodedName.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    return; // removed since the folder was listed
                throw FileError(FileError::list, entry.absolutePath, errno);
            }
            entry.isFolder = S_ISDIR(info.st_mode);
            entry.isRegularFile = S_ISREG(info.st_mode);
            entry.isSymbolicLink = S_ISLNK(info.st_mode);
            if (!entry.isSymbolicLink)
                entry.modifiedAt = modificationDate(info);
            else if (m_dates == VaultWalkDates::read &&
                     ::fstatat(dirFd, item.encodedName.constData(), &info, 0) == 0)
                entry.modifiedAt = modificationDate(info);
        }
        if (m_visit(entry) && entry.isFolder)
            walkFolder(entry.absolutePath, entry.relativePath);
    }

    const std::function<bool(const VaultWalkEntry&)>& m_visit;
    VaultWalkDates m_dates;
};

} // namespace

void walkVault(const QString& rootPath, const std::function<bool(const VaultWalkEntry&)>& visit,
               VaultWalkDates dates)
{
    Walker(visit, dates).walkFolder(rootPath, QString());
}

FileIdentity readFileWithIdentity(const QString& path, QByteArray& buffer)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(FileError::read, path, errno);
    const auto fail = [&](int error) {
        ::close(fd);
        throw FileError(FileError::read, path, error);
    };
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        fail(errno);
    if (S_ISDIR(info.st_mode))
        fail(EISDIR);
    // One byte more than the size, so that a file that grew meanwhile is still read to its end.
    buffer.resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2);
        const qsizetype wanted = buffer.size() - filled;
        const ssize_t n = ::read(fd, buffer.data() + filled, size_t(wanted));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno);
        if (n == 0)
            break;
        filled += n;
        // A regular file that gave all the bytes it had when opened, and fewer than asked for,
        // is at its end: asking once more would cost a system call per file for nothing.
        if (n < wanted && filled >= qsizetype(info.st_size) && S_ISREG(info.st_mode))
            break;
    }
    ::close(fd);
    buffer.resize(filled);
    // The identity of the file as it was opened.
    FileIdentity opened;
    opened.size = qint64(info.st_size);
    opened.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    opened.changedNs = qint64(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec;
    opened.inode = quint64(info.st_ino);
    opened.device = quint64(info.st_dev);
    return opened;
}

qint64 msecsOfNs(qint64 ns)
{
    // Rounded down, as the seconds and nanoseconds of a file time give it.
    return ns >= 0 ? ns / 1'000'000 : -((-ns + 999'999) / 1'000'000);
}

QDateTime readFileInto(const QString& path, QByteArray& buffer, qint64* modifiedMsecs)
{
    const qint64 ms = msecsOfNs(readFileWithIdentity(path, buffer).modifiedNs);
    if (modifiedMsecs)
        *modifiedMsecs = ms;
    return QDateTime::fromMSecsSinceEpoch(ms);
}
