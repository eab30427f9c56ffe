#pragma once

// Helpers shared by the vault tests: a throwaway vault and byte-exact file access.

#include "vaulterror.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

class TestVault
{
public:
    TestVault() { QVERIFY2(m_dir.isValid(), "temporary vault"); }

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const
    {
        return m_dir.path() + QLatin1Char('/') + relative;
    }

    void write(const QString& relative, const QByteArray& bytes) const
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    void write(const QString& relative, const QString& text) const
    {
        write(relative, text.toUtf8());
    }

    QByteArray read(const QString& relative) const
    {
        QFile in(path(relative));
        if (!in.open(QIODevice::ReadOnly))
            return {};
        return in.readAll();
    }
    QString readText(const QString& relative) const { return QString::fromUtf8(read(relative)); }
    bool exists(const QString& relative) const { return QFileInfo::exists(path(relative)); }

    // Sets a file's modification date, as another program writing it at `when` would.
    void setModified(const QString& relative, const QDateTime& when) const
    {
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
    }

    // Every file below the root, vault-relative and sorted; hidden ones included.
    QStringList files() const
    {
        QStringList result;
        collect(root(), result);
        result.sort();
        return result;
    }

private:
    void collect(const QString& folder, QStringList& result) const
    {
        const QDir dir(folder);
        for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::NoDotAndDotDot | QDir::System)) {
            if (info.isDir() && !info.isSymLink())
                collect(info.absoluteFilePath(), result);
            else
                result.append(QDir(root()).relativeFilePath(info.absoluteFilePath()));
        }
    }

    QTemporaryDir m_dir;
};

// Runs `expression` and checks that it throws VaultError with `expected`.
#define QVERIFY_VAULT_ERROR(expression, expected)                                                  \
    do {                                                                                           \
        bool thrown = false;                                                                       \
        try {                                                                                      \
            (void)(expression);                                                                    \
        } catch (const VaultError& error) {                                                        \
            thrown = true;                                                                         \
            QCOMPARE(error.code(), expected);                                                      \
        }                                                                                          \
        QVERIFY2(thrown, "expected a VaultError");                                                 \
    } while (false)

// While alive, files of more than `bytes` bytes cannot be written, even by root: the write fails
// with EFBIG instead of raising SIGXFSZ. Simulates a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qsizetype bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        struct rlimit limit = m_previous;
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_previous
    {
    };
    void (*m_previousHandler)(int) = nullptr;
};

// The test process gets a mount namespace of its own before any thread starts (a process with
// threads cannot), so that what it mounts vanishes with it. Without the right to, nothing changes.
inline const bool ownMountNamespace =
    ::unshare(CLONE_NEWNS) == 0 &&
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;

// A small tmpfs mounted on a fresh folder while alive, for a vault that can be made read-only or
// filled up. Mounted in a mount namespace of the test's own where possible, so that nothing
// outlives the test process (programs the test starts share it). Nothing when the test may not
// mount (not root, or a container that forbids it): the caller skips then.
class ScratchFileSystem
{
public:
    static std::unique_ptr<ScratchFileSystem> mount(qint64 bytes)
    {
        std::unique_ptr<ScratchFileSystem> scratch(new ScratchFileSystem);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (!scratch->m_dir.isValid() ||
            ::mount("tmpfs", QFile::encodeName(scratch->root()).constData(), "tmpfs", 0,
                    options.constData()) != 0)
            return nullptr;
        scratch->m_mounted = true;
        return scratch;
    }
    ~ScratchFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(root()).constData(), MNT_DETACH);
    }

    QString root() const { return m_dir.path(); }
    bool makeReadOnly() const
    {
        return ::mount(nullptr, QFile::encodeName(root()).constData(), nullptr,
                       MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Takes every free byte, so that the next write fails with "no space left".
    void fillUp() const
    {
        QFile filler(root() + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        for (int i = 0; i < 64; ++i) { // the last page's worth, byte by byte
            if (filler.write("x", 1) != 1 || !filler.flush())
                break;
        }
    }

private:
    ScratchFileSystem() = default;
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Every file below `root` with its bytes, by path relative to `root`; hidden ones included. A
// failed operation must leave this unchanged.
inline QMap<QString, QByteArray> fileContents(const QString& root)
{
    QMap<QString, QByteArray> result;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            result.insert(QDir(root).relativeFilePath(file.fileName()), file.readAll());
    }
    return result;
}
