#pragma once

#include "fileidentity.h"
#include "memoindex.h"
#include "vaultrecords.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>

class VaultWatch;
class ArticleIndexBuilder;

// How a record was checked against its file: the file's identity when its bytes were read, the
// wall-clock time just before (to tell when the identity alone cannot vouch for the bytes), and
// a digest of the bytes.
struct FileCheck
{
    FileIdentity identity;
    qint64 verifiedAtNs = 0;
    quint64 hash = 0;

    // Whether a file whose identity is now `current` still holds the bytes that were read. A file
    // changed in the same clock tick as it was read (or within the coarse granularity of some
    // file systems) may keep its identity; such a record is only trusted again after a re-read.
    bool vouchesFor(const FileIdentity& current) const;
};

// The wall-clock time in nanoseconds.
qint64 wallClockNs();

// The order in which the walk of a folder tree meets two of its paths: folder by folder, each
// folder's entries by name, a folder's contents right after the folder itself.
bool walkPrecedes(QStringView a, QStringView b);

struct ArticleRecord
{
    FileCheck check;
    NoteSummary summary;
    qint64 modifiedMsecs = 0; // the sort key: summary.modifiedAt as milliseconds
    bool isSymbolicLink = false;
    bool retry = false; // could not be read: looked at again every time, as a full read would
};

struct DayFileRecord
{
    FileCheck check;
    QList<MemoRecord> memos;
    QList<qint64> keys;           // sort keys of the memos
    quint64 indexFingerprint = 0; // of the memo index entries of this day file at parsing time
    bool isSymbolicLink = false;
    bool retry = false;
};

// What loading needs to know of the files it read: the repository keeps one store per vault, so
// that a re-read reads only the files that changed since the last one (found through change
// notifications, or by comparing every file's identity where those are not available), and a
// start begins from the records of the last run (the start-up cache). Everything it hands out is
// exactly what reading every file afresh would give.
//
// Thread-safe: each call holds the store for its duration.
class VaultRecordStore
{
public:
    explicit VaultRecordStore(QString rootPath);
    ~VaultRecordStore();

    // The article listing (loadSnapshot).
    VaultSnapshot snapshot();
    // Writes back the lost anchors of a day file (vault-relative), given the index's entries of
    // that file; it reports what it cannot do rather than throwing.
    using RepairWriter =
        std::function<void(const QString& journalPath, const QList<MemoIndexEntry>& entries)>;
    // Every memo of every day file, sorted (loadMemos). Day files that cannot be read are
    // reported and day files with lost anchors go to `writeRepair`, in walk order, every time.
    QList<MemoRecord> memos(const RepairWriter& writeRepair);
    // Whether the memo index does not decode or lacks a memo that memos() lists.
    bool memoIndexIncomplete();
    // The memo index as read (loadMemoIndex, and the memo operations).
    MemoIndexRead memoIndex();
    // The memo index was just written with `bytes`, encoding `entries`.
    void memoIndexWritten(const QByteArray& bytes, const QList<MemoIndexEntry>& entries);

    // Indexes every listed article for search (reading those not indexed yet); later listings
    // keep the index up to date and carry it.
    void buildSearchIndex();

    // Writes the records to the start-up cache when they differ enough from what it holds (or,
    // with `force`, when they differ at all).
    void saveStartupCache(bool force = false);
    // Where the start-up cache of this vault lives.
    QString startupCachePath() const;

    // For tests and the benchmark: whether change notifications are in use, and turning them
    // off (every re-read then compares every file's identity).
    bool isWatching() const;
    void setWatching(bool enabled);
    // For tests and the benchmark: whether the start-up cache is read and written at all.
    void setStartupCacheEnabled(bool enabled);

    // Areas of the vault, as the change notifications report them.
    enum Area { rootArea, articleArea, journalArea, indexArea };

private:
    friend class StartupCacheCodec;

    // Change notifications: what to look at again.
    struct Pending
    {
        bool rescan = true;  // look at every file of the area
        QSet<QString> paths; // vault-relative paths that changed
    };
    void takeChanges();
    void routeEvent(int area, const QString& folder, const QString& name, bool isFolder,
                    bool folderGone);
    // Before an area is read in full: makes sure the watch runs (false when it cannot) and
    // marks the area's folders for renewal; the area's folders are watched as the reading
    // meets them, before their entries are read, and those not met again are let go.
    bool startWatching(Area area);
    bool watchFolder(const QString& absolutePath, Area area, const QString& relativePath);
    void finishWatching(Area area);
    void stopWatching();

    // Articles (articlerecords.cpp).
    void syncArticles();
    void scanArticles();
    void updateArticles(const QSet<QString>& paths);
    void examineArticle(const QString& path);
    std::optional<ArticleRecord> readArticle(const QString& path, QByteArray& buffer,
                                             const ArticleRecord* previous) const;
    void assembleSnapshot();
    void indexMissingArticles();
    void dropArticle(const QString& path);

    // The memo index and day files (journalrecords.cpp).
    void syncMemoIndex();
    void ensureMemoIndexDecoded();
    void setMemoIndexEntries(QList<MemoIndexEntry> entries);
    void setDecodedMemoIndex(const QByteArray& bytes);
    quint64 indexFingerprint(const QString& journalPath) const;
    QList<MemoRecord> syncJournal(const RepairWriter& writeRepair);
    QList<QPair<QString, bool>> listDayFiles();
    void readDayFiles(const QList<QPair<QString, bool>>& files, const RepairWriter& writeRepair);
    void dropDayFile(const QString& path);
    void memosChanged();
    void assembleMemos();

    void loadStartupCache();
    void noteChange(qsizetype weight = 1);

    mutable std::mutex m_mutex;
    QString m_root;
    std::unique_ptr<VaultWatch> m_watch;
    bool m_watchWanted = true;
    bool m_cacheEnabled = true;
    bool m_cacheLoaded = false;
    bool m_cacheMatched = false; // the start-up cache was read and used
    qsizetype m_changesSinceCache = 0;

    // Articles.
    Pending m_articlesPending;
    QHash<QString, ArticleRecord> m_articles;
    QStringList m_articleOrder;        // walk order
    QList<FolderItem> m_folders;       // sorted for people
    QList<FolderItem> m_walkedFolders; // as the walk met them
    QSet<QString> m_articleLinks;
    std::optional<VaultSnapshot> m_snapshot;

    // The memo index.
    bool m_indexPending = true;
    std::optional<FileCheck> m_indexCheck; // nothing: missing or unreadable
    std::optional<QList<MemoIndexEntry>> m_indexEntries;
    bool m_indexUndecodable = false;             // the file exists but does not decode
    QHash<QString, quint64> m_indexFingerprints; // by day file, of its entries
    quint64 m_indexVersion = 1;                  // changes with the index's entries
    quint64 m_journalIndexVersion = 0;           // the version the day files were checked against

    // Day files.
    Pending m_journalPending;
    QHash<QString, DayFileRecord> m_dayFiles;
    QStringList m_dayFileOrder; // walk order
    QSet<QString> m_dayFileLinks;
    std::optional<QList<MemoRecord>> m_memos;
    quint64 m_memosVersion = 0; // changes with m_memos
    // Whether the index lacked a memo, for the index and memo versions it was found for.
    std::optional<std::tuple<quint64, quint64, bool>> m_indexIncomplete;

    std::unique_ptr<ArticleIndexBuilder> m_searchIndex;
};
