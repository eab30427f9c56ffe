#include "fileio.h"

#include "vaulterror.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

void syncFolderOf(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    FileDescriptor dir(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get()); // Best effort: some file systems refuse to sync folders.
}

} // namespace

QDateTime distantPast()
{
    static const QDateTime value(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    return value;
}

QByteArray readFileBytes(const QString& path)
{
    FileDescriptor fd(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw FileError(FileError::read, path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw FileError(FileError::read, path, errno);
    if (S_ISDIR(info.st_mode))
        throw FileError(FileError::read, path, EISDIR);
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(FileError::read, path, errno);
        }
        if (n == 0)
            break;
        bytes.append(buffer, qsizetype(n));
    }
    return bytes;
}

std::optional<QString> decodeUtf8Strict(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                     QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString readTextFile(const QString& path)
{
    std::optional<QString> text = decodeUtf8Strict(readFileBytes(path));
    if (!text)
        throw FileError(FileError::read, path, QStringLiteral("文件不是有效的 UTF-8 文本"));
    return *text;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    QByteArray pattern = encoded(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                 QStringLiteral(".larch-XXXXXX"));
    FileDescriptor fd(::mkstemp(pattern.data()));
    if (fd.get() < 0)
        throw FileError(FileError::write, path, errno);
    const auto fail = [&](int error) {
        ::unlink(pattern.constData());
        throw FileError(FileError::write, path, error);
    };
    // Keep the permissions of the file being replaced; new files get the usual 0644.
    struct stat existing {};
    const mode_t mode =
        ::stat(encoded(path).constData(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    if (::fchmod(fd.get(), mode) != 0)
        fail(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        written += n;
    }
    if (::fsync(fd.get()) != 0)
        fail(errno);
    if (::close(fd.release()) != 0)
        fail(errno);
    if (::rename(pattern.constData(), encoded(path).constData()) != 0)
        fail(errno);
    syncFolderOf(path);
}

void createFolder(const QString& path)
{
    QByteArray bytes = encoded(path);
    struct stat info {};
    if (::stat(bytes.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return;
        throw FileError(FileError::createFolder, path, EEXIST);
    }
    // Create each missing ancestor in turn, like `mkdir -p`.
    for (qsizetype i = 1; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes.at(i) != '/')
            continue;
        const QByteArray prefix = bytes.left(i);
        if (::mkdir(prefix.constData(), 0777) != 0 && errno != EEXIST)
            throw FileError(FileError::createFolder, path, errno);
    }
    if (::stat(bytes.constData(), &info) != 0)
        throw FileError(FileError::createFolder, path, errno);
    if (!S_ISDIR(info.st_mode))
        throw FileError(FileError::createFolder, path, EEXIST);
}

void moveItem(const QString& from, const QString& to)
{
    const QByteArray source = encoded(from);
    const QByteArray target = encoded(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throw FileError(FileError::move, from, errno);
    // The file system cannot refuse to replace by itself: check first.
    struct stat info {};
    if (::lstat(target.constData(), &info) == 0)
        throw FileError(FileError::move, from, EEXIST);
    if (::rename(source.constData(), target.constData()) != 0)
        throw FileError(FileError::move, from, errno);
}

bool pathExists(const QString& path)
{
    struct stat info {};
    return ::stat(encoded(path).constData(), &info) == 0;
}

bool isDirectory(const QString& path)
{
    struct stat info {};
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const QString& path)
{
    struct stat info {};
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QDateTime fileModificationDate(const QString& path)
{
    struct stat info {};
    if (::stat(encoded(path).constData(), &info) != 0)
        return distantPast();
    const qint64 ms = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms);
}
