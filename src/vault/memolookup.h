#pragma once

#include "memoindex.h"
#include "vaultrecords.h"

#include <QList>
#include <QString>

#include <optional>

class VaultRepository;

// Finding one memo by its id for the memo operations, which the rules define as "load all
// memos and take the first with that id".

struct MemoLookup
{
    std::optional<MemoRecord> memo; // the first memo with the id in the memo order
    MemoIndexRead index;            // the memo index as read at the start
};

// Does to the day files exactly what loadMemos() does (every day file read, lost anchors put
// back and written in the same order, warnings for files that cannot be read or written) and
// finds the memo loadMemos()
// would list first with that id; but only the day files that hold an anchor of that id have
// their memos parsed and dated. Throws as loadMemos() does.
MemoLookup findMemoById(const VaultRepository& repository, const QString& id);
