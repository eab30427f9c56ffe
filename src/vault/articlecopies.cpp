// Copies of an article's text that could not be saved into its file: nothing typed is dropped
// because another program changed, moved or deleted the file.

#include "articles.h"
#include "fileio.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultrepository.h"

#include <QFileInfo>

namespace {

QString copyIn(const VaultRepository& repository, const QString& folder, const QString& fileName,
               const QString& markdown)
{
    ::createFolder(folder);
    const QString file = createUniqueFile(folder + QLatin1Char('/') + fileName,
                                          [&](const QString&) { return markdown; });
    return repository.relativeVaultPath(file);
}

} // namespace

QString VaultRepository::saveDocumentCopy(const QString& path, const QString& markdown) const
{
    const QFileInfo file(resolveVaultPath(path));
    if (file.absoluteFilePath() == rootPath())
        throw VaultError(VaultError::invalidPath);
    const WriteScope scope(*this);
    return copyIn(*this, file.absolutePath(), file.fileName(), markdown);
}

QString VaultRepository::trashDocumentText(const QString& path, const QString& markdown) const
{
    const QFileInfo file(resolveVaultPath(path));
    if (file.absoluteFilePath() == rootPath())
        throw VaultError(VaultError::invalidPath);
    const WriteScope scope(*this);
    return copyIn(*this, resolveVaultPath(QStringLiteral(".Trash")), file.fileName(), markdown);
}

NoteDocument VaultRepository::restoreDocument(const NoteDocument& document) const
{
    const QFileInfo file(resolveVaultPath(document.path));
    if (file.absoluteFilePath() == rootPath())
        throw VaultError(VaultError::invalidPath);
    const WriteScope scope(*this);
    ::createFolder(file.absolutePath());
    if (!createFileExclusively(file.absoluteFilePath(), document.markdown.toUtf8()))
        throw VaultError(VaultError::conflict);
    return loadDocument(document.path);
}
