#include "memolookup.h"

#include "fileio.h"
#include "journal.h"
#include "memoanchors.h"
#include "parallelmap.h"
#include "vaulterror.h"
#include "vaultrepository.h"
#include "vaultwalk.h"

#include <QHash>

#include <algorithm>

namespace {

struct FileLookup
{
    bool unreadable = false;
    std::optional<QString> repairedText;
    QList<MemoRecord> memos; // only those with the id
    QList<qint64> keys;
};

// readJournalFile, with the memos of the file parsed only when one of them has the id.
FileLookup lookUpFile(const QString& absolutePath, const QString& journalPath,
                      const QList<MemoIndexEntry>& index, const QString& id, QByteArray& buffer)
{
    FileLookup result;
    try {
        readFileInto(absolutePath, buffer);
    } catch (const FileError&) {
        result.unreadable = true; // no memos, and never written back
        return result;
    }
    std::optional<QString> text = decodeUtf8Strict(buffer);
    if (!text) {
        result.unreadable = true; // not UTF-8: never written back
        return result;
    }
    QList<MemoAnchor> anchors = findMemoAnchors(*text);
    const auto anchored = [&](const QString& memoId) {
        return std::any_of(anchors.cbegin(), anchors.cend(),
                           [&](const MemoAnchor& anchor) { return anchor.id == memoId; });
    };
    const bool anchorMissing = std::any_of(index.cbegin(), index.cend(), [&](const auto& entry) {
        return entry.journalPath == journalPath && !anchored(entry.id);
    });
    if (anchorMissing) {
        QString repaired = reanchorMemos(*text, journalPath, index);
        if (repaired.size() != text->size()) {
            result.repairedText = repaired;
            text = std::move(repaired);
            anchors = findMemoAnchors(*text);
        }
    }
    if (!anchored(id))
        return result;
    for (MemoRecord& memo : parseAnchoredMemos(*text, journalPath)) {
        if (memo.id == id)
            result.memos.append(std::move(memo));
    }
    result.keys = memoSortKeys(result.memos);
    return result;
}

} // namespace

MemoLookup findMemoById(const VaultRepository& repository, const QString& id)
{
    MemoLookup lookup;
    lookup.index = readMemoIndex(repository.rootPath());
    const QHash<QString, QList<MemoIndexEntry>> byFile =
        memoIndexByJournalPath(lookup.index.entries);
    QStringList files;
    for (const QString& name : journalFolderNames()) {
        const QString folder = repository.rootPath() + QLatin1Char('/') + name;
        if (isDirectory(folder))
            files.append(journalFilesBelow(folder));
    }
    QList<FileLookup> perFile =
        parallelMap<FileLookup>(files.size(), [&](qsizetype i, QByteArray& buffer) {
            const QString path = repository.relativeVaultPath(files.at(i));
            return lookUpFile(files.at(i), path, byFile.value(path), id, buffer);
        });

    // As loadMemos: repairs written in walk order; then the memo that its order (creation
    // time, then id, stable) puts first: all candidates share the id, so the earliest, and of
    // equally early ones the first met.
    std::optional<qint64> bestKey;
    for (qsizetype i = 0; i < files.size(); ++i) {
        FileLookup& file = perFile[i];
        const QString path = repository.relativeVaultPath(files.at(i));
        if (file.unreadable)
            reportUnreadableJournalFile(path);
        if (file.repairedText)
            writeRepairedJournalFile(repository, path, byFile.value(path));
        for (qsizetype m = 0; m < file.memos.size(); ++m) {
            if (!bestKey || file.keys.at(m) < *bestKey) {
                bestKey = file.keys.at(m);
                lookup.memo = file.memos.at(m);
            }
        }
    }
    return lookup;
}
