#include "vaultrepository.h"

#include "fileio.h"
#include "recordstore.h"
#include "vaulterror.h"

#include <QDir>
#include <QFileInfo>

VaultRepository::VaultRepository(const QString& rootPath)
    : m_rootPath(QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath())),
      m_records(std::make_shared<VaultRecordStore>(m_rootPath))
{
}

void VaultRepository::buildSearchIndex() const
{
    m_records->buildSearchIndex();
}

void VaultRepository::saveStartupCache() const
{
    m_records->saveStartupCache();
}

VaultChangeCheck VaultRepository::checkForChanges() const
{
    return m_records->checkForChanges();
}

void VaultRepository::prepareLayout() const
{
    ::createFolder(m_rootPath);
    for (const char* name : {"Attachments", "Journal", "Notes"})
        ::createFolder(m_rootPath + QLatin1Char('/') + QLatin1String(name));
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
