#include "articles.h"
#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

// Turning a memo into an article: the memo's text moves into a new file, and the memo keeps a
// link to it. Kept apart from the other article operations since it needs the memo side.
NoteDocument VaultRepository::convertMemoToNote(const QString& memoId, const QString& title,
                                                const QString& folderPath) const
{
    // Names and paths are checked before anything is read or written (reading the memos may
    // already repair day files).
    const QString name = validatedName(title);
    const QString folder = resolveVaultPath(folderPath);
    const WriteScope scope(*this);

    const QList<MemoRecord> memos = loadMemos();
    const auto found = std::find_if(memos.begin(), memos.end(),
                                    [&](const MemoRecord& memo) { return memo.id == memoId; });
    if (found == memos.end())
        throw VaultError(VaultError::noteNotFound);
    MemoRecord memo = *found;

    ::createFolder(folder);
    const QString file = createUniqueFile(
        folder + QLatin1Char('/') + name + QStringLiteral(".md"), [&](const QString& chosen) {
            return convertedArticleContent(memo.markdown, articleBaseName(chosen));
        });
    const QString baseName = articleBaseName(file);
    const QString articlePath = relativeVaultPath(file);

    memo.markdown = QLatin1Char('[') + escapedLinkLabel(baseName) + QStringLiteral("](") +
                    relativeMarkdownLink(memo.journalPath, articlePath) + QLatin1Char(')');
    replaceMemoBlock(memo, renderMemoBlock(memo));
    updateMemoIndexAfterWrite([&] { upsertMemoIndexEntry(memo); },
                              QStringLiteral("记录已转成笔记"));
    return loadDocument(articlePath);
}
