#pragma once

#include "changesignal.h"
#include "vaultrecords.h"
#include "vaultwarnings.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

struct MemoIndexEntry;
class VaultRecordStore;

// The only component that touches the vault's files. Methods are synchronous and throw
// VaultError or FileError; the library model runs them one at a time on one worker thread. The
// command-line program may write the same vault meanwhile: every operation that writes holds
// the vault's write lock (vaultlock.h), and a read-modify-write that finds the file changed since
// it read it reads it again (textfileupdate.h). Besides its root and its warnings, the repository
// keeps what it read from each file (VaultRecordStore), so that loading again reads only what
// changed; what it hands out is what reading afresh would give.
//
// What an operation could not do although it went on (a file it could not write back, a name it
// skipped) is not an error: it is kept as a warning, which the caller takes and shows.
//
// Operations are implemented in one source file per concern (layout, journal, memo writing,
// memo index, todos, article listing, article files, attachments).
class VaultRepository
{
public:
    // Touches nothing on disk.
    explicit VaultRepository(const QString& rootPath);

    // The vault folder, absolute and cleaned.
    QString rootPath() const { return m_rootPath; }

    // The warnings of the calls so far, each once, in order; the list is emptied. Safe to call
    // from any thread. Copies of a repository share their warnings.
    QList<VaultWarning> takeWarnings() const { return m_warnings->take(); }
    VaultWarningLog& warningLog() const { return *m_warnings; }

    // --- Layout and paths
    // The vault folder must exist (FileError(openVault) otherwise: it is never created, so an
    // unmounted drive does not get an empty vault on its mount point). Its three folders are
    // created where missing, as far as the vault can be written (warnings otherwise); a rename
    // that a killed process left half done is finished, and stale temporary files are removed.
    void prepareLayout() const;
    // The absolute, cleaned path of a vault-relative path; throws VaultError::invalidPath.
    QString resolveVaultPath(const QString& relativePath) const;
    // The vault-relative path of an absolute path at or below the root.
    QString relativeVaultPath(const QString& absolutePath) const;

    // --- Journal day files and memos
    NoteDocument ensureJournalDocument(const QDateTime& date) const;
    QList<MemoRecord> loadMemos() const;

    // --- Memo writing
    MemoRecord createMemo(const QString& text, const QDateTime& createdAt,
                          const QString& folderPath, const QStringList& imagePaths) const;
    MemoRecord updateMemo(const QString& id, const QString& markdown) const;
    // The same for an editor that took the memo's text as `base`: VaultError::conflict when the
    // day file no longer holds `base` for it (changed elsewhere since), and nothing is written.
    // The memo comes back with its text as the day file now reads.
    MemoRecord updateMemoFrom(const QString& id, const QString& markdown,
                              const QString& base) const;
    MemoRecord appendFollowUp(const QString& id, const QString& text, const QDateTime& date) const;
    void deleteMemo(const QString& id) const;
    void replaceMemoBlock(const MemoRecord& memo, const QString& replacement) const;

    // --- Memo index
    QList<MemoIndexEntry> loadMemoIndex() const;
    void saveMemoIndex(const QList<MemoIndexEntry>& entries) const;
    void upsertMemoIndexEntry(const MemoRecord& memo) const;
    void removeMemoIndexEntry(const QString& id) const;

    // --- Daily todos
    QList<DailyTodoItem> loadDailyTodos(const QDateTime& date) const;
    void saveDailyTodos(const QList<DailyTodoItem>& items, const QDateTime& date) const;
    // Returns the day's list after the roll-over, also when it could not be written back (with
    // a warning then).
    QList<DailyTodoItem> rollOverDailyTodos(const QDateTime& date) const;
    // Changes of one list applied to the list as it is on disk, so that changes another program
    // made since the caller read it stay. An item is found by its text, at its position if it
    // is still there, else nearest to it; VaultError::todoNotFound when no item has the text.
    void addDailyTodos(const QStringList& texts, const QDateTime& date) const;
    void setDailyTodoCompleted(const DailyTodoItem& item, bool completed,
                               const QDateTime& date) const;
    void removeDailyTodo(const DailyTodoItem& item, const QDateTime& date) const;

    // --- Articles
    VaultSnapshot loadSnapshot() const;
    NoteDocument loadDocument(const QString& path) const;
    NoteDocument saveDocument(const NoteDocument& document) const;
    NoteDocument createNote(const QString& folderPath, const QString& title) const;
    QString createFolder(const QString& parentPath, const QString& name) const;
    NoteDocument renameNote(const QString& path, const QString& newName) const;
    void trashNote(const QString& path) const;
    NoteDocument convertMemoToNote(const QString& memoId, const QString& title,
                                   const QString& folderPath) const;
    // Keeping text that cannot go into its article (changed or gone outside): a new article
    // beside `path` under its name made unique (created with its folder when that is gone), or a
    // file of that name in the trash. Each returns the vault path of the file written.
    QString saveDocumentCopy(const QString& path, const QString& markdown) const;
    QString trashDocumentText(const QString& path, const QString& markdown) const;
    // Writes the document again at its path after the file went away; VaultError::conflict when
    // a file is there again.
    NoteDocument restoreDocument(const NoteDocument& document) const;

    // --- Attachments
    StoredAttachment storeImageAttachment(const QByteArray& bytes,
                                          const QString& declaredType) const;

    // --- Records kept between loads
    // Indexes the listed articles for search; later snapshots carry the index.
    void buildSearchIndex() const;
    // Writes the start-up cache when it no longer matches what was read.
    void saveStartupCache() const;
    // Whether the vault changed since it was last read, told without reading any file.
    VaultChangeCheck checkForChanges() const;
    VaultRecordStore& records() const { return *m_records; }

private:
    QString m_rootPath;
    std::shared_ptr<VaultWarningLog> m_warnings;
    std::shared_ptr<VaultRecordStore> m_records;
};

// The file extension an image of `declaredType` is stored with; empty when the type is not
// accepted. Lets a caller check several images before storing any of them.
QString attachmentExtension(const QString& declaredType);
