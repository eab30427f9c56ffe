#include "vaultrepository.h"

#include "fileio.h"
#include "pendingrename.h"
#include "recordstore.h"
#include "repositoryscope.h"
#include "temporaryfiles.h"
#include "vaulterror.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

VaultRepository::VaultRepository(const QString& rootPath)
    : m_rootPath(QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath())),
      m_warnings(std::make_shared<VaultWarningLog>()),
      m_records(std::make_shared<VaultRecordStore>(m_rootPath))
{
}

void VaultRepository::buildSearchIndex() const
{
    const ReadScope scope(*this);
    m_records->buildSearchIndex();
}

void VaultRepository::saveStartupCache() const
{
    m_records->saveStartupCache();
}

void VaultRepository::prepareLayout() const
{
    const ReadScope scope(*this);
    if (!isDirectory(m_rootPath)) {
        if (pathExists(m_rootPath))
            throw FileError(FileError::openVault, m_rootPath, ENOTDIR);
        throw FileError(FileError::openVault, m_rootPath,
                        QStringLiteral("文件夹不存在，如果它在外接磁盘或网络位置上，请先连接"));
    }
    for (const char* name : {"Attachments", "Journal", "Notes"}) {
        const QString folder = m_rootPath + QLatin1Char('/') + QLatin1String(name);
        if (isDirectory(folder))
            continue;
        // Reading must not need writing: a vault that cannot be written (a mounted backup) or
        // that has a file in the folder's place is read as it is.
        try {
            const WriteScope write(*this);
            ::createFolder(folder);
        } catch (const FileError& error) {
            reportVaultWarning(VaultWarning::Kind::vaultState, error.localizedDescription());
        }
    }
    finishInterruptedRename(*this);
    sweepStaleTemporaryFiles(m_rootPath);
}

QString VaultRepository::resolveVaultPath(const QString& relativePath) const
{
    if (relativePath.startsWith(QLatin1Char('/')))
        throw VaultError(VaultError::invalidPath);
    const QStringList pieces = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.contains(QLatin1String("..")))
        throw VaultError(VaultError::invalidPath);
    if (pieces.isEmpty())
        return m_rootPath;
    const QString resolved = QDir::cleanPath(m_rootPath + QLatin1Char('/') + relativePath);
    if (resolved != m_rootPath && !resolved.startsWith(m_rootPath + QLatin1Char('/')) &&
        m_rootPath != QLatin1String("/"))
        throw VaultError(VaultError::invalidPath);
    return resolved;
}

QString VaultRepository::relativeVaultPath(const QString& absolutePath) const
{
    QString path = QDir::cleanPath(absolutePath).mid(m_rootPath.size());
    qsizetype start = 0;
    qsizetype end = path.size();
    while (start < end && path.at(start) == QLatin1Char('/'))
        ++start;
    while (end > start && path.at(end - 1) == QLatin1Char('/'))
        --end;
    return path.mid(start, end - start);
}
