#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
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

// The index file as read: its entries, and whether it exists but does not decode. Such a file
// counts as empty; it is kept under another name before anything replaces it.
struct MemoIndexRead
{
    QList<MemoIndexEntry> entries;
    bool undecodable = false;
};
MemoIndexRead readMemoIndex(const QString& rootPath);

// The entry of a memo as its text stands now.
MemoIndexEntry memoIndexEntry(const MemoRecord& memo);

// Orders entries by creation time; entries with equal times keep their order.
void sortMemoIndexEntries(QList<MemoIndexEntry>& entries);

// upsertMemoIndexEntry and removeMemoIndexEntry of the repository, given the index that the same
// operation already read, which nothing has written since. The memo operations read the whole
// index while they look for the memo; reading and decoding it a second time would nearly double
// their cost. An index that did not decode is first set aside and rebuilt (completeMemoIndex).
void upsertMemoIndexEntry(const VaultRepository& repository, const MemoRecord& memo,
                          MemoIndexRead index);
void removeMemoIndexEntry(const VaultRepository& repository, const QString& id,
                          MemoIndexRead index);

// Runs the index update that follows a memo write. The day file already holds the change, so the
// operation has happened: an index that cannot follow (a full disk, a file where ".larch"
// should be) is reported as a warning that begins with `done`, never as a failure, and loading
// fills in the missing entries later.
void updateMemoIndexAfterWrite(const std::function<void()>& update, const QString& done);

// Brings the index in line with the memos just read from the day files: an index file that does
// not decode is renamed "memo-index.unreadable-<time>.json" beside it and rebuilt, and every memo
// without an entry gets one, made from its text. Entries of memos that are gone stay (they may
// yet re-anchor a stripped block). Writes only when something is missing; a vault that cannot be
// written keeps its index, with a warning.
void completeMemoIndex(const VaultRepository& repository, const QList<MemoRecord>& memos,
                       const MemoIndexRead& read);
