#include "articles.h"

#include "fileio.h"
#include "linkrewrite.h"
#include "pendingrename.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <functional>

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

QString createUniqueFile(const QString& candidate,
                         const std::function<QString(const QString& file)>& contentFor)
{
    for (int attempt = 0;; ++attempt) {
        const QString file = uniqueFilePath(candidate);
        if (createFileExclusively(file, contentFor(file).toUtf8()))
            return file;
        if (attempt == 100)
            throw FileError(FileError::write, file, EEXIST);
    }
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
    const ReadScope scope(*this);
    const QString file = resolveArticlePath(*this, path);
    if (!pathExists(file))
        throw VaultError(VaultError::noteNotFound);
    return readDocument(path, file);
}

NoteDocument VaultRepository::saveDocument(const NoteDocument& document) const
{
    const WriteScope scope(*this);
    const QString file = resolveArticlePath(*this, document.path);
    // A save never brings back a file that was deleted or moved away.
    const std::optional<FileIdentity> version = fileIdentity(file);
    if (!version)
        throw VaultError(VaultError::noteNotFound);
    const QDateTime baseline = document.modifiedAt.isValid() ? document.modifiedAt : distantPast();
    if (version->modifiedNs / 1000000 - baseline.toMSecsSinceEpoch() > 1)
        throw VaultError(VaultError::conflict);
    // A change that lands after the test is a conflict too, never overwritten.
    StagedFile staged(file, document.markdown.toUtf8());
    if (!staged.commitIfUnchanged(version))
        throw VaultError(VaultError::conflict);
    return loadDocument(document.path);
}

NoteDocument VaultRepository::createNote(const QString& folderPath, const QString& title) const
{
    const QString name = validatedName(title.isEmpty() ? defaultNoteTitle() : title);
    const QString folder = resolveVaultPath(folderPath);
    const WriteScope scope(*this);
    // The folder is not created: a note in a folder that is gone fails to write.
    const QString file = createUniqueFile(
        folder + QLatin1Char('/') + name + QStringLiteral(".md"),
        [](const QString& chosen) { return newArticleContent(articleBaseName(chosen)); });
    return loadDocument(relativeVaultPath(file));
}

QString VaultRepository::createFolder(const QString& parentPath, const QString& name) const
{
    const QString path = joinVaultPath(parentPath, validatedName(name));
    const QString folder = resolveVaultPath(path);
    const WriteScope scope(*this);
    ::createFolder(folder);
    return path;
}

NoteDocument VaultRepository::renameNote(const QString& path, const QString& newName) const
{
    const QString file = resolveArticlePath(*this, path);
    const QString name = validatedName(newName);
    const WriteScope scope(*this);
    const QString candidate =
        QFileInfo(file).absolutePath() + QLatin1Char('/') + name + QStringLiteral(".md");
    const QString target = candidate == file ? file : uniqueFilePath(candidate);
    if (target != file) {
        const ArticleMove move{relativeVaultPath(file), relativeVaultPath(target)};
        // Every rewritten file is written and flushed before the article moves: a full disk
        // stops the rename before anything changed, and what is left is a rename (cheap, and
        // recorded so that a killed process has it finished at the next load).
        const LinkRewritePlan plan = planLinkRewrite(rootPath(), move);
        std::vector<std::optional<StagedFile>> staged = stageLinkRewrite(plan);
        const PendingRenameRecord record(rootPath(), move);
        moveItem(file, target);
        for (const QString& problem : applyLinkRewrite(plan, staged, move))
            reportVaultWarning(VaultWarning::Kind::operation, problem);
    }
    return loadDocument(relativeVaultPath(target));
}

void VaultRepository::trashNote(const QString& path) const
{
    const QString file = resolveArticlePath(*this, path);
    const QString trash = resolveVaultPath(QStringLiteral(".Trash"));
    const WriteScope scope(*this);
    ::createFolder(trash);
    // Flat: every trashed article lands directly in the trash, under a free name.
    for (int attempt = 0;; ++attempt) {
        try {
            moveItem(file, uniqueFilePath(trash + QLatin1Char('/') + QFileInfo(file).fileName()));
            return;
        } catch (const FileError& error) {
            // Taken by another program between the test and the move: try the next name.
            if (error.reason() != FileError::reasonForErrno(EEXIST) || attempt == 100)
                throw;
        }
    }
}
