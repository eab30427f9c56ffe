#pragma once

// Helpers shared by the vault tests: a throwaway vault and byte-exact file access.

#include "vaulterror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
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
