#include "vaultlock.h"

#include "fileio.h"
#include "vaulterror.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The locks this thread holds, by vault key: the descriptor and how many scopes hold it.
struct HeldLock
{
    int fd = -1;
    int depth = 0;
};
thread_local QHash<QString, HeldLock> heldLocks;

constexpr int lockWaitMilliseconds = 60 * 1000;

QString homeSubfolder(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + QLatin1Char('/') + fallback;
}

// `base` + "/larch-notes", made when missing; empty when it cannot be made.
QString ownFolder(const QString& base)
{
    const QString folder = QDir::cleanPath(base) + QStringLiteral("/larch-notes");
    try {
        createFolder(folder);
    } catch (const FileError&) {
        return {};
    }
    return folder;
}

QString lockFilePath(const QString& key)
{
    QString folder = larchRuntimeFolder();
    if (folder.isEmpty())
        folder = ownFolder(homeSubfolder("XDG_CACHE_HOME", QStringLiteral(".cache")));
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + key + QStringLiteral(".lock");
}

} // namespace

QString vaultFileKey(const QString& rootPath)
{
    const QString absolute = QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath());
    const QString real = QFileInfo(absolute).canonicalFilePath();
    const QByteArray digest = QCryptographicHash::hash((real.isEmpty() ? absolute : real).toUtf8(),
                                                       QCryptographicHash::Sha256);
    return QStringLiteral("vault-") + QString::fromLatin1(digest.first(16).toHex());
}

QString larchRuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        const QString folder = ownFolder(runtime);
        if (!folder.isEmpty())
            return folder;
    }
    return {};
}

QString larchStateFolder()
{
    return ownFolder(homeSubfolder("XDG_STATE_HOME", QStringLiteral(".local/state")));
}

VaultWriteLock::VaultWriteLock(const QString& rootPath) : m_key(vaultFileKey(rootPath))
{
    HeldLock& held = heldLocks[m_key];
    if (held.depth > 0) {
        ++held.depth;
        m_held = true;
        return;
    }
    const QString file = lockFilePath(m_key);
    const int fd = file.isEmpty() ? -1
                                  : ::open(QFile::encodeName(file).constData(),
                                           O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        heldLocks.remove(m_key);
        return; // no place for a lock file: work unlocked rather than not at all
    }
    // Polled rather than blocking, so that a program that never lets go is reported instead of
    // hanging every later write.
    const QDeadlineTimer deadline(lockWaitMilliseconds);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || deadline.hasExpired()) {
            const int error = errno;
            ::close(fd);
            heldLocks.remove(m_key);
            if (error != EWOULDBLOCK)
                return; // the file system has no locks: as without a lock file
            throw FileError(FileError::lock, rootPath,
                            QStringLiteral("另一个程序一直在写入这个仓库"));
        }
        QThread::msleep(5);
    }
    held.fd = fd;
    held.depth = 1;
    m_held = true;
}

VaultWriteLock::~VaultWriteLock()
{
    if (!m_held)
        return;
    const auto it = heldLocks.find(m_key);
    if (it == heldLocks.end() || --it->depth > 0)
        return;
    ::flock(it->fd, LOCK_UN);
    ::close(it->fd);
    heldLocks.erase(it);
}
