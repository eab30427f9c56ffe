#include "stagedfile.h"

#include "fileio.h"
#include "vaulterror.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An unnamed file is given a name through its /proc entry; without /proc it cannot be, so files
// are staged under a temporary name from the start.
bool canNameUnnamedFiles()
{
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

QByteArray procPath(int fd)
{
    return QByteArray("/proc/self/fd/") + QByteArray::number(fd);
}

// ".<name>.larch-" followed by six random letters and digits, beside `target`.
QByteArray temporaryName(const QByteArray& target)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray name = target.left(slash + 1) + '.' + target.mid(slash + 1) + ".larch-";
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name;
}

bool cannotSwap(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

StagedFile::StagedFile(const QString& path, const QByteArray& bytes, Naming naming)
    : m_path(path), m_target(QFile::encodeName(path))
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (naming == Naming::unnamedIfPossible && canNameUnnamedFiles()) {
        m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw FileError(FileError::write, path, errno);
    }
    if (m_fd < 0) {
        QByteArray pattern =
            folder + "/." + QFile::encodeName(QFileInfo(path).fileName()) + ".larch-XXXXXX";
        m_fd = ::mkstemp(pattern.data());
        if (m_fd < 0)
            throw FileError(FileError::write, path, errno);
        m_temporary = pattern;
    }
    const auto fail = [&](int error) {
        ::close(m_fd);
        m_fd = -1;
        if (!m_temporary.isEmpty())
            ::unlink(m_temporary.constData());
        throw FileError(FileError::write, path, error);
    };
    // Keep the permissions of the file being replaced; new files get the usual 0644.
    struct stat existing
    {
    };
    const mode_t mode =
        ::stat(m_target.constData(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    if (::fchmod(m_fd, mode) != 0)
        fail(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(m_fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        written += n;
    }
    if (::fsync(m_fd) != 0)
        fail(errno);
    const std::optional<FileIdentity> identity = fileIdentity(m_fd);
    if (!identity)
        fail(errno);
    m_identity = *identity;
    if (!m_temporary.isEmpty()) {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            fail(errno);
    }
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_target(std::move(other.m_target)),
      m_temporary(std::move(other.m_temporary)), m_fd(std::exchange(other.m_fd, -1)),
      m_identity(other.m_identity), m_done(std::exchange(other.m_done, true))
{
}

StagedFile::~StagedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_done && !m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

void StagedFile::giveName()
{
    if (!m_temporary.isEmpty())
        return;
    for (int attempt = 0;; ++attempt) {
        const QByteArray name = temporaryName(m_target);
        if (::linkat(AT_FDCWD, procPath(m_fd).constData(), AT_FDCWD, name.constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            m_temporary = name;
            ::close(std::exchange(m_fd, -1));
            return;
        }
        if (errno != EEXIST || attempt == 100)
            throw FileError(FileError::write, m_path, errno);
    }
}

void StagedFile::commit()
{
    giveName();
    if (::rename(m_temporary.constData(), m_target.constData()) != 0)
        throw FileError(FileError::write, m_path, errno);
    m_done = true;
    syncFolderOf(m_path);
}

bool StagedFile::commitIfUnchanged(const std::optional<FileIdentity>& expected)
{
    if (!expected) {
        // Linking fails when the name is taken, so two writers cannot both create the file.
        int result = -1;
        if (m_temporary.isEmpty()) {
            result = ::linkat(AT_FDCWD, procPath(m_fd).constData(), AT_FDCWD, m_target.constData(),
                              AT_SYMLINK_FOLLOW);
        } else {
            result = ::link(m_temporary.constData(), m_target.constData());
            if (result == 0)
                ::unlink(m_temporary.constData());
        }
        if (result != 0) {
            if (errno == EEXIST)
                return false;
            throw FileError(FileError::write, m_path, errno);
        }
        m_done = true;
        syncFolderOf(m_path);
        return true;
    }

    giveName();
    const std::optional<FileIdentity> current = fileIdentity(m_path);
    if (!current || !sameVersion(*current, *expected))
        return false;
    if (::renameat2(AT_FDCWD, m_temporary.constData(), AT_FDCWD, m_target.constData(),
                    RENAME_EXCHANGE) != 0) {
        if (!cannotSwap(errno))
            throw FileError(FileError::write, m_path, errno);
        // No atomic swap on this file system: the check above has the last word.
        commit();
        return true;
    }
    // The replaced version now has the temporary name. It must be the one expected; the folder
    // is synced first, which gives a writer that opened the old file just before the swap the
    // time to show itself.
    syncFolderOf(m_path);
    const std::optional<FileIdentity> replaced = fileIdentity(QFile::decodeName(m_temporary));
    if (replaced && sameVersion(*replaced, *expected)) {
        ::unlink(m_temporary.constData());
        m_done = true;
        return true;
    }
    // Another program got in between: its version goes back in place.
    if (::renameat2(AT_FDCWD, m_temporary.constData(), AT_FDCWD, m_target.constData(),
                    RENAME_EXCHANGE) != 0)
        throw FileError(FileError::write, m_path, errno);
    syncFolderOf(m_path);
    return false;
}
