// Keeping the memo index whole: updates that follow a memo write, entries filled in from the day
// files, and an undecodable index kept aside rather than replaced.

#include "articles.h"
#include "fileio.h"
#include "memoindex.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultrepository.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

namespace {

QString indexFile(const VaultRepository& repository)
{
    return repository.rootPath() + QLatin1Char('/') + memoIndexRelativePath();
}

// Renames the undecodable index beside itself; returns its new vault path.
QString setAsideUndecodableIndex(const VaultRepository& repository)
{
    const QString file = indexFile(repository);
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 0;; ++attempt) {
        const QString aside = uniqueFilePath(QFileInfo(file).absolutePath() +
                                             QStringLiteral("/memo-index.unreadable-") + stamp +
                                             QStringLiteral(".json"));
        try {
            moveItem(file, aside);
            return repository.relativeVaultPath(aside);
        } catch (const FileError& error) {
            if (error.reason() != FileError::reasonForErrno(EEXIST) || attempt == 100)
                throw;
        }
    }
}

// The index as it must be read before it is replaced: one that does not decode is set aside
// and rebuilt from the day files first.
QList<MemoIndexEntry> decodableIndex(const VaultRepository& repository, MemoIndexRead index)
{
    if (!index.undecodable)
        return std::move(index.entries);
    repository.loadMemos(); // sets it aside and rebuilds it
    index = readMemoIndex(repository.rootPath());
    if (index.undecodable)
        throw FileError(FileError::write, indexFile(repository),
                        QStringLiteral("记录索引无法解读，也没能另存一份"));
    return std::move(index.entries);
}

} // namespace

void upsertMemoIndexEntry(const VaultRepository& repository, const MemoRecord& memo,
                          MemoIndexRead index)
{
    QList<MemoIndexEntry> entries = decodableIndex(repository, std::move(index));
    entries.removeIf([&](const MemoIndexEntry& entry) { return entry.id == memo.id; });
    entries.append(memoIndexEntry(memo));
    sortMemoIndexEntries(entries);
    repository.saveMemoIndex(entries);
}

void removeMemoIndexEntry(const VaultRepository& repository, const QString& id, MemoIndexRead index)
{
    QList<MemoIndexEntry> entries = decodableIndex(repository, std::move(index));
    entries.removeIf([&](const MemoIndexEntry& entry) { return entry.id == id; });
    repository.saveMemoIndex(entries);
}

void updateMemoIndexAfterWrite(const std::function<void()>& update, const QString& done)
{
    try {
        update();
    } catch (const StorageError& error) {
        reportVaultWarning(
            VaultWarning::Kind::operation,
            QStringLiteral("%1，但记录索引没有更新：%2。").arg(done, error.clause()));
    }
}

void completeMemoIndex(const VaultRepository& repository, const QList<MemoRecord>& memos,
                       const MemoIndexRead& read)
{
    QSet<QString> indexed;
    indexed.reserve(read.entries.size());
    for (const MemoIndexEntry& entry : read.entries)
        indexed.insert(entry.id);
    const bool missing = std::any_of(memos.cbegin(), memos.cend(), [&](const MemoRecord& memo) {
        return !indexed.contains(memo.id);
    });
    if (!read.undecodable && !missing)
        return;
    try {
        const WriteScope scope(repository);
        // Read again under the lock: another writer may have added entries since.
        MemoIndexRead current = readMemoIndex(repository.rootPath());
        QString setAside;
        if (current.undecodable)
            setAside = setAsideUndecodableIndex(repository);
        indexed.clear();
        for (const MemoIndexEntry& entry : std::as_const(current.entries))
            indexed.insert(entry.id);
        const qsizetype before = current.entries.size();
        for (const MemoRecord& memo : memos) {
            if (!indexed.contains(memo.id)) {
                indexed.insert(memo.id);
                current.entries.append(memoIndexEntry(memo));
            }
        }
        if (current.entries.size() == before && setAside.isEmpty())
            return;
        sortMemoIndexEntries(current.entries);
        repository.saveMemoIndex(current.entries);
        if (!setAside.isEmpty())
            reportVaultWarning(VaultWarning::Kind::operation,
                               QStringLiteral("记录索引“%1”无法解读，已改名为“%2”保留，"
                                              "并按日记文件重建。")
                                   .arg(memoIndexRelativePath(), setAside));
    } catch (const StorageError& error) {
        reportVaultWarning(
            VaultWarning::Kind::vaultState,
            QStringLiteral("记录索引缺少一些记录，没能补上：%1。").arg(error.clause()));
    }
}
