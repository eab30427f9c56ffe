#include "memolookup.h"

#include "vaultrepository.h"

MemoLookup findMemoById(const VaultRepository& repository, const QString& id)
{
    // Loading the memos does to the day files what every load does (lost anchors put back and
    // written, a failed write thrown); the memo list is sorted, so the first with the id is the
    // one the memo operations mean. The index is the one the load read, which nothing has
    // written since.
    MemoLookup lookup;
    const QList<MemoRecord> memos = repository.loadMemos();
    for (const MemoRecord& memo : memos) {
        if (memo.id == id) {
            lookup.memo = memo;
            break;
        }
    }
    lookup.index = repository.loadMemoIndex();
    return lookup;
}
