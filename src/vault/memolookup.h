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

// Does to the day files exactly what loadMemos() does (lost anchors put back and written,
// warnings for files that cannot be read or written), but leaves the index as it is, and finds
// the memo loadMemos() lists first with that id. Throws as loadMemos() does.
MemoLookup findMemoById(const VaultRepository& repository, const QString& id);
