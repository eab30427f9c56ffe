#include "articles.h"

#include "fileio.h"
#include "linkrewrite.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QFileInfo>
#include <QUuid>

QString defaultNoteTitle()
{
    return QStringLiteral("未命名笔记");
}

QString newArticleContent(const QString& baseName)
{
    return QStringLiteral("# ") + baseName + QStringLiteral("\n\n");
}

QString articleBaseName(const QString& filePath)
{
    return QFileInfo(filePath).completeBaseName();
}

QString uniqueFilePath(const QString& filePath)
{
    if (!pathExists(filePath))
        return filePath;
    const QFileInfo info(filePath);
    const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    const QString ending = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 2; n <= 9999; ++n) {
        const QString candidate = stem + QLatin1Char(' ') + QString::number(n) + ending;
        if (!pathExists(candidate))
            return candidate;
    }
    return stem + QLatin1Char(' ') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
           ending;
}

QString convertedArticleContent(const QString& memoMarkdown, const QString& baseName)
{
    const QStringList lines = memoMarkdown.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const bool hasTitle = !lines.isEmpty() && lines.first().startsWith(QLatin1String("# "));
    return (hasTitle ? memoMarkdown : newArticleContent(baseName) + memoMarkdown) +
           QLatin1Char('\n');
}

QString escapedLinkLabel(const QString& text)
{
    QString label = text;
    label.replace(QLatin1String("["), QLatin1String("\\["));
    label.replace(QLatin1String("]"), QLatin1String("\\]"));
    return label;
}

namespace {

// The file of an article path. The root itself is no article: renaming or trashing it would
// reach outside the vault.
QString resolveArticlePath(const VaultRepository& repository, const QString& path)
{
    const QString file = repository.resolveVaultPath(path);
    if (file == repository.rootPath())
        throw VaultError(VaultError::invalidPath);
    return file;
}

// The modification date taken before the text, so that a change made while reading shows up as
// a conflict at the next save instead of being overwritten.
NoteDocument readDocument(const QString& path, const QString& file)
{
    QDateTime before = fileModificationDate(file);
    for (int attempt = 0;; ++attempt) {
        const QString text = readTextFile(file);
        const QDateTime after = fileModificationDate(file);
        if (after == before || attempt == 2)
            return NoteDocument{path, text, before};
        before = after; // changed while we read it: read again
    }
}

} // namespace

NoteDocument VaultRepository::loadDocument(const QString& path) const
{
    const QString file = resolveArticlePath(*this, path);
    if (!pathExists(file))
        throw VaultError(VaultError::noteNotFound);
    return readDocument(path, file);
}

NoteDocument VaultRepository::saveDocument(const NoteDocument& document) const
{
    const QString file = resolveArticlePath(*this, document.path);
    // A save never brings back a file that was deleted or moved away.
    if (!pathExists(file))
        throw VaultError(VaultError::noteNotFound);
    const QDateTime baseline = document.modifiedAt.isValid() ? document.modifiedAt : distantPast();
    if (fileModificationDate(file).toMSecsSinceEpoch() - baseline.toMSecsSinceEpoch() > 1)
        throw VaultError(VaultError::conflict);
    writeTextFileAtomically(file, document.markdown);
    return loadDocument(document.path);
}

NoteDocument VaultRepository::createNote(const QString& folderPath, const QString& title) const
{
    const QString name = validatedName(title.isEmpty() ? defaultNoteTitle() : title);
    const QString folder = resolveVaultPath(folderPath);
    // The folder is not created: a note in a folder that is gone fails to write.
    const QString file = uniqueFilePath(folder + QLatin1Char('/') + name + QStringLiteral(".md"));
    writeTextFileAtomically(file, newArticleContent(articleBaseName(file)));
    return loadDocument(relativeVaultPath(file));
}

QString VaultRepository::createFolder(const QString& parentPath, const QString& name) const
{
    const QString path = joinVaultPath(parentPath, validatedName(name));
    ::createFolder(resolveVaultPath(path));
    return path;
}

NoteDocument VaultRepository::renameNote(const QString& path, const QString& newName) const
{
    const QString file = resolveArticlePath(*this, path);
    const QString name = validatedName(newName);
    const QString candidate =
        QFileInfo(file).absolutePath() + QLatin1Char('/') + name + QStringLiteral(".md");
    const QString target = candidate == file ? file : uniqueFilePath(candidate);
    if (target != file) {
        moveItem(file, target);
        rewriteArticleLinks(rootPath(),
                            ArticleMove{relativeVaultPath(file), relativeVaultPath(target)});
    }
    return loadDocument(relativeVaultPath(target));
}

void VaultRepository::trashNote(const QString& path) const
{
    const QString file = resolveArticlePath(*this, path);
    const QString trash = resolveVaultPath(QStringLiteral(".Trash"));
    ::createFolder(trash);
    // Flat: every trashed article lands directly in the trash, under a free name.
    moveItem(file, uniqueFilePath(trash + QLatin1Char('/') + QFileInfo(file).fileName()));
}
