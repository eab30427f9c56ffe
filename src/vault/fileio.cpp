#include "fileio.h"

#include "filedescriptor.h"
#include "vaulterror.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

void syncFolder(const QString& folder)
{
    FileDescriptor dir(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get()); // best effort: some file systems refuse to sync folders
}

void syncFolderOf(const QString& path)
{
    syncFolder(QFileInfo(path).absolutePath());
}

QDateTime distantPast()
{
    static const QDateTime value(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    return value;
}

namespace {

// The rest of an open file; throws FileError(read) naming `path`.
QByteArray readOpenFile(int fd, const QString& path)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        throw FileError(FileError::read, path, errno);
    if (S_ISDIR(info.st_mode))
        throw FileError(FileError::read, path, EISDIR);
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
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

} // namespace

QByteArray readFileBytes(const QString& path)
{
    FileDescriptor fd(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw FileError(FileError::read, path, errno);
    return readOpenFile(fd.get(), path);
}

std::optional<QString> decodeUtf8Strict(const QByteArray& bytes)
{
    // Decoded here rather than by QStringDecoder: every load decodes the whole vault, and the
    // general decoder takes its slow path for each letter outside ASCII, which makes Chinese
    // text cost nearly twice as much. The rules are the ones QStringDecoder applies in strict
    // use: no continuation byte out of place, no overlong form, no surrogate, nothing above
    // U+10FFFF, no sequence cut short; a byte-order mark stays in the text as U+FEFF. Like
    // QStringDecoder it sizes the text for the worst case (one UTF-16 unit per byte).
    const auto* in = reinterpret_cast<const uchar*>(bytes.constData());
    const uchar* const end = in + bytes.size();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const begin = out;
    const auto isContinuation = [](uchar b) { return (b & 0xc0) == 0x80; };
    while (in < end) {
        // A run of ASCII: sixteen bytes at a time where the processor allows, then one by one.
#ifdef __SSE2__
        while (end - in >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            if (_mm_movemask_epi8(chunk))
                break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(chunk, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(chunk, zero));
            in += 16;
            out += 16;
        }
#endif
        while (in < end && *in < 0x80)
            *out++ = *in++;
        // A run of three-byte letters: most of Chinese.
        while (end - in >= 3 && (*in & 0xf0) == 0xe0) {
            const uchar b1 = in[1];
            const uchar b2 = in[2];
            const char16_t c = char16_t(((in[0] & 0x0f) << 12) | ((b1 & 0x3f) << 6) | (b2 & 0x3f));
            if (!isContinuation(b1) || !isContinuation(b2) || c < 0x800 || (c & 0xf800) == 0xd800)
                return std::nullopt; // broken, overlong, or a surrogate
            *out++ = c;
            in += 3;
        }
        if (in == end || *in < 0x80)
            continue;
        const uchar lead = *in;
        if (lead >= 0xc2 && lead < 0xe0) {
            if (end - in < 2 || !isContinuation(in[1]))
                return std::nullopt;
            *out++ = char16_t(((lead & 0x1f) << 6) | (in[1] & 0x3f));
            in += 2;
        } else if (lead >= 0xf0 && lead < 0xf5) {
            if (end - in < 4 || !isContinuation(in[1]) || !isContinuation(in[2]) ||
                !isContinuation(in[3]))
                return std::nullopt;
            const char32_t c = ((lead & 0x07) << 18) | ((in[1] & 0x3f) << 12) |
                               ((in[2] & 0x3f) << 6) | (in[3] & 0x3f);
            if (c < 0x10000 || c > 0x10ffff)
                return std::nullopt;
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
            in += 4;
        } else {
            // A continuation byte out of place, the lead of an overlong form (C0, C1), a
            // three-byte lead cut short by the end, or a byte no sequence starts with (F5-FF).
            return std::nullopt;
        }
    }
    text.truncate(out - begin);
    return text;
}

QString notUtf8Reason()
{
    return QStringLiteral("文件不是有效的 UTF-8 文本");
}

QString readTextFile(const QString& path)
{
    std::optional<QString> text = decodeUtf8Strict(readFileBytes(path));
    if (!text)
        throw FileError(FileError::read, path, notUtf8Reason());
    return *text;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    StagedFile staged(path, bytes);
    staged.commit();
}

bool createFileExclusively(const QString& path, const QByteArray& bytes)
{
    StagedFile staged(path, bytes);
    return staged.commitIfUnchanged(std::nullopt);
}

bool sameVersion(const FileIdentity& a, const FileIdentity& b)
{
    // The status change time is left out: putting a file in place by a rename changes it.
    return a.size == b.size && a.modifiedNs == b.modifiedNs && a.inode == b.inode &&
           a.device == b.device;
}

std::optional<QByteArray> readFileVersion(const QString& path, std::optional<FileIdentity>& version)
{
    FileDescriptor fd(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            version.reset();
            return std::nullopt;
        }
        throw FileError(FileError::read, path, errno);
    }
    // Taken before reading: a change made while reading shows up as a different version.
    version = fileIdentity(fd.get());
    if (!version)
        throw FileError(FileError::read, path, errno);
    return readOpenFile(fd.get(), path);
}

void createFolder(const QString& path)
{
    QByteArray bytes = encoded(path);
    struct stat info
    {
    };
    if (::stat(bytes.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return;
        throw FileError(FileError::createFolder, path, EEXIST);
    }
    // Create each missing ancestor in turn, like `mkdir -p`, and sync the folder that gained
    // it: a new folder is no more durable than its entry in its parent.
    for (qsizetype i = 1; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes.at(i) != '/')
            continue;
        const QByteArray prefix = bytes.left(i);
        if (::mkdir(prefix.constData(), 0777) == 0)
            syncFolderOf(QFile::decodeName(prefix));
        else if (errno != EEXIST)
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
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) !=
        0) {
        if (errno != EINVAL && errno != ENOSYS)
            throw FileError(FileError::move, from, errno);
        // The file system cannot refuse to replace by itself: check first.
        struct stat info
        {
        };
        if (::lstat(target.constData(), &info) == 0)
            throw FileError(FileError::move, from, EEXIST);
        if (::rename(source.constData(), target.constData()) != 0)
            throw FileError(FileError::move, from, errno);
    }
    // A move lives in the folders' entries: both are synced, as a written file is.
    const QString sourceFolder = QFileInfo(from).absolutePath();
    const QString targetFolder = QFileInfo(to).absolutePath();
    syncFolder(targetFolder);
    if (sourceFolder != targetFolder)
        syncFolder(sourceFolder);
}

bool pathExists(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(encoded(path).constData(), &info) == 0;
}

bool isDirectory(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(encoded(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QDateTime fileModificationDate(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(encoded(path).constData(), &info) != 0)
        return distantPast();
    const qint64 ms = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms);
}
