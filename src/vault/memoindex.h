#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The memo index, ".larch/memo-index.json": what this system last wrote for every memo, so
// that a block whose anchor line another editor stripped can get it back.

struct MemoIndexEntry
{
    QString id;
    QDateTime createdAt;
    QString journalPath;
    QString contentDigest;
    std::optional<QString> folderPath;
    friend bool operator==(const MemoIndexEntry&, const MemoIndexEntry&) = default;
};

// The index file, relative to the vault root.
QString memoIndexRelativePath();

// 32 lowercase hex digits: the first half of the SHA-256 of the text with white space runs
// collapsed to one space and trimmed, so line-break and indentation changes do not count.
QString memoContentDigest(const QString& text);

// The index file's bytes: a pretty-printed JSON array, keys sorted, dates in UTC with "Z" and
// whole seconds.
QByteArray encodeMemoIndex(const QList<MemoIndexEntry>& entries);

// The entries of an index file; nothing when any entry lacks a required key, has a value of
// the wrong type or a date that is not a whole-second internet date-time.
std::optional<QList<MemoIndexEntry>> decodeMemoIndex(const QByteArray& bytes);

// The entries grouped by day file, each group in index order.
QHash<QString, QList<MemoIndexEntry>> memoIndexByJournalPath(const QList<MemoIndexEntry>& entries);

// Puts back the anchor lines of indexed memos of `journalPath` that `text` lost, each in front
// of the one unanchored heading whose minute and body digest match; ambiguous ones stay as they
// are. Returns `text` unchanged when there is nothing to repair.
QString reanchorMemos(const QString& text, const QString& journalPath,
                      const QList<MemoIndexEntry>& entries);

class VaultRepository;
struct MemoRecord;

// upsertMemoIndexEntry and removeMemoIndexEntry of the repository, given the entries that the
// same operation already read from the index file, which nothing has written since. The memo
// operations read the whole index while they look for the memo; reading and decoding it a
// second time would nearly double their cost.
void upsertMemoIndexEntry(const VaultRepository& repository, const MemoRecord& memo,
                          QList<MemoIndexEntry> entries);
void removeMemoIndexEntry(const VaultRepository& repository, const QString& id,
                          QList<MemoIndexEntry> entries);
