#pragma once

#include "vaultrecords.h"

#include <QList>
#include <QString>

// Memo ids as people type them: the whole id, or the start of the part after "memo-" as the
// listings show it.

// The memo named by `typed`: the one whose id equals it, else the only one whose id (or id
// without "memo-") starts with it. Throws VaultError::noteNotFound when none does and
// CommandError when several do.
MemoRecord findMemo(const QList<MemoRecord>& memos, const QString& typed);

// The shortest length, at least 8, at which the ids of `memos` without "memo-" are all distinct.
int shortMemoIdLength(const QList<MemoRecord>& memos);

// The first `length` characters of the id without "memo-".
QString shortMemoId(const QString& id, int length);
