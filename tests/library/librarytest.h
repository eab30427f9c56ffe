#pragma once

// Helpers shared by the library tests: a throwaway vault with its own preferences file, and
// running a controller coroutine to its end.

#include "librarycontroller.h"
#include "vaultrepository.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcorotask.h>

#include <memory>

class LibraryFixture
{
public:
    LibraryFixture()
        : m_settings(std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("preferences.ini")),
                                                 QSettings::IniFormat))
    {
        QDir().mkpath(vault());
    }

    QString folder() const { return m_dir.path(); }
    QString vault() const { return m_dir.filePath(QStringLiteral("vault")); }
    QString path(const QString& relative) const { return vault() + QLatin1Char('/') + relative; }
    QSettings& settings() { return *m_settings; }
    // Direct access to the files, for setting up and checking the vault.
    VaultRepository repository() const { return VaultRepository(vault()); }

    // A controller on this vault, loaded.
    std::unique_ptr<LibraryController> loadedController()
    {
        auto library = std::make_unique<LibraryController>(m_settings.get(), vault());
        QCoro::waitFor(library->loadAsync());
        return library;
    }

    void write(const QString& relative, const QString& text) const
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text.toUtf8());
    }
    QString read(const QString& relative) const
    {
        QFile in(path(relative));
        return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
};

template <typename T> T await(QCoro::Task<T>&& task)
{
    return QCoro::waitFor(std::move(task));
}
inline void await(QCoro::Task<>&& task)
{
    QCoro::waitFor(std::move(task));
}
