#include "memolookup.h"

#include "journal.h"
#include "recordstore.h"
#include "vaultrepository.h"

MemoLookup findMemoById(const VaultRepository& repository, const QString& id)
{
    // Reading the memos does to the day files what every load does (lost anchors put back and
    // written, warnings for what cannot be read or written); the memo list is sorted, so the
    // first with the id is the one the memo operations mean. The index is left to the operation,
    // which updates it.
    MemoLookup lookup;
    const QList<MemoRecord> memos = readMemos(repository);
    for (const MemoRecord& memo : memos) {
        if (memo.id == id) {
            lookup.memo = memo;
            break;
        }
    }
    lookup.index = repository.records().memoIndex();
    return lookup;
}
