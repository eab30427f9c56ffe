// The memo index and day-file records of VaultRecordStore: the memo list kept up to date file
// by file.

#include "contenthash.h"
#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "parallelmap.h"
#include "recordstore.h"
#include "vaulterror.h"
#include "vaultwalk.h"

#include <QFile>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace {

QString memoIndexFile(const QString& root)
{
    return root + QLatin1Char('/') + memoIndexRelativePath();
}

// The journal folders in reading order, then the walk's order inside each.
bool dayFilePrecedes(const QString& a, const QString& b)
{
    const auto rank = [](const QString& path) {
        return path.startsWith(QLatin1String("Journal/")) ? 0 : 1;
    };
    if (rank(a) != rank(b))
        return rank(a) < rank(b);
    return walkPrecedes(a, b);
}

// A digest of the index entries of one day file: what re-anchoring it depends on. Each field
// is digested where it lies, and the digests are mixed in order.
quint64 entriesFingerprint(const QList<const MemoIndexEntry*>& entries)
{
    quint64 fingerprint = 0;
    const auto mix = [&](quint64 value) {
        fingerprint = (fingerprint ^ value) * 0x9E3779B97F4A7C15ull;
        fingerprint ^= fingerprint >> 31;
    };
    const auto text = [&](const QString& value) {
        mix(contentHash(
            QByteArrayView(reinterpret_cast<const char*>(value.utf16()), value.size() * 2)));
    };
    for (const MemoIndexEntry* entry : entries) {
        text(entry->id);
        mix(quint64(entry->createdAt.toMSecsSinceEpoch()));
        text(entry->journalPath);
        text(entry->contentDigest);
        mix(entry->folderPath ? 1 : 2);
        if (entry->folderPath)
            text(*entry->folderPath);
    }
    return entries.isEmpty() ? 0 : fingerprint | 1;
}

struct DayFileRead
{
    QString path;
    bool isLink = false;
    bool unchanged = false;
    DayFileRecord record;
    std::optional<QByteArray> bytes; // still to be parsed
    bool unreadable = false;         // or not UTF-8
    bool repaired = false;           // lost anchors were put back
};

} // namespace

void VaultRecordStore::syncMemoIndex()
{
    if (!m_indexPending)
        return;
    m_indexPending = false;
    if (startWatching(indexArea)) {
        watchFolder(m_root + QLatin1String("/.larch"), indexArea, QStringLiteral(".larch"));
        finishWatching(indexArea);
    }
    const QString file = memoIndexFile(m_root);
    const std::optional<FileIdentity> identity = fileIdentity(file);
    if (identity && m_indexCheck && m_indexCheck->vouchesFor(*identity))
        return;
    const qint64 before = wallClockNs();
    QByteArray bytes;
    FileIdentity read;
    try {
        read = readFileWithIdentity(file, bytes);
    } catch (const FileError&) {
        // A missing or unreadable index is an empty one.
        m_indexCheck.reset();
        m_indexUndecodable = false;
        setMemoIndexEntries({});
        return;
    }
    const FileCheck check{read, before, contentHash(bytes)};
    const bool sameBytes = m_indexCheck && m_indexCheck->hash == check.hash &&
                           m_indexCheck->identity.size == read.size;
    m_indexCheck = check;
    if (!sameBytes || !m_indexEntries)
        setDecodedMemoIndex(bytes);
}

void VaultRecordStore::setDecodedMemoIndex(const QByteArray& bytes)
{
    std::optional<QList<MemoIndexEntry>> entries = decodeMemoIndex(bytes);
    m_indexUndecodable = !entries;
    setMemoIndexEntries(entries ? std::move(*entries) : QList<MemoIndexEntry>());
}

void VaultRecordStore::ensureMemoIndexDecoded()
{
    if (m_indexEntries)
        return;
    // Known only by its digest so far (from the start-up cache): decoded now; if its bytes are
    // no longer those, it is a changed index.
    QByteArray bytes;
    try {
        bytes = readFileBytes(memoIndexFile(m_root));
    } catch (const FileError&) {
        m_indexCheck.reset();
        m_indexUndecodable = false;
        setMemoIndexEntries({});
        return;
    }
    const bool same = m_indexCheck && m_indexCheck->hash == contentHash(bytes);
    const quint64 version = m_indexVersion;
    setDecodedMemoIndex(bytes);
    if (same)
        m_indexVersion = version; // what the day files were checked against still holds
    else
        m_indexPending = true;
}

void VaultRecordStore::setMemoIndexEntries(QList<MemoIndexEntry> entries)
{
    if (m_indexEntries && *m_indexEntries == entries)
        return;
    QHash<QString, QList<const MemoIndexEntry*>> byFile;
    m_indexEntries = std::move(entries);
    for (const MemoIndexEntry& entry : std::as_const(*m_indexEntries))
        byFile[entry.journalPath].append(&entry);
    m_indexFingerprints.clear();
    for (auto it = byFile.cbegin(); it != byFile.cend(); ++it)
        m_indexFingerprints.insert(it.key(), entriesFingerprint(it.value()));
    ++m_indexVersion;
    // A changed index makes the next start decode it again and compare every day file's
    // entries: worth a new cache soon.
    noteChange(64);
}

quint64 VaultRecordStore::indexFingerprint(const QString& journalPath) const
{
    return m_indexFingerprints.value(journalPath, 0);
}

void VaultRecordStore::memoIndexWritten(const QByteArray& bytes,
                                        const QList<MemoIndexEntry>& entries)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // The index as this store wrote it; its identity from now, checked again by its bytes at the
    // next look since the write is recent.
    const qint64 before = wallClockNs();
    const std::optional<FileIdentity> identity = fileIdentity(memoIndexFile(m_root));
    if (!identity) {
        m_indexPending = true;
        return;
    }
    m_indexCheck = FileCheck{*identity, before, contentHash(bytes)};
    m_indexUndecodable = false;
    setMemoIndexEntries(entries);
}

bool VaultRecordStore::memoIndexIncomplete()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    takeChanges();
    syncMemoIndex();
    if (!m_memos)
        return true; // not known: the caller looks for itself
    if (m_indexIncomplete && std::get<0>(*m_indexIncomplete) == m_indexVersion &&
        std::get<1>(*m_indexIncomplete) == m_memosVersion)
        return m_indexUndecodable || std::get<2>(*m_indexIncomplete);
    ensureMemoIndexDecoded();
    QSet<QString> indexed;
    indexed.reserve(m_indexEntries->size());
    for (const MemoIndexEntry& entry : std::as_const(*m_indexEntries))
        indexed.insert(entry.id);
    const bool missing =
        std::any_of(m_memos->cbegin(), m_memos->cend(),
                    [&](const MemoRecord& memo) { return !indexed.contains(memo.id); });
    m_indexIncomplete = std::tuple(m_indexVersion, m_memosVersion, missing);
    return m_indexUndecodable || missing;
}

QList<QPair<QString, bool>> VaultRecordStore::listDayFiles()
{
    const bool watching = startWatching(journalArea);
    QList<QPair<QString, bool>> files;
    for (const QString& name : journalFolderNames()) {
        const QString folder = m_root + QLatin1Char('/') + name;
        if (!isDirectory(folder))
            continue;
        if (watching)
            watchFolder(folder, journalArea, name);
        walkVault(
            folder,
            [&](const VaultWalkEntry& entry) {
                const QString path = name + QLatin1Char('/') + entry.relativePath;
                if (entry.isFolder) {
                    if (watching)
                        watchFolder(entry.absolutePath, journalArea, path);
                    return true;
                }
                if (entry.name.endsWith(QLatin1String(".md"), Qt::CaseInsensitive) &&
                    (entry.isRegularFile ||
                     (entry.isSymbolicLink && isRegularFile(entry.absolutePath))))
                    files.append({path, entry.isSymbolicLink});
                return false;
            },
            VaultWalkDates::skip);
    }
    if (watching)
        finishWatching(journalArea);
    return files;
}

QList<MemoRecord> VaultRecordStore::syncJournal(const RepairWriter& writeRepair)
{
    syncMemoIndex();
    QList<QPair<QString, bool>> candidates;
    if (m_journalPending.rescan) {
        m_journalPending = Pending{false, {}};
        candidates = listDayFiles();
        QSet<QString> listed;
        for (const auto& [path, isLink] : std::as_const(candidates))
            listed.insert(path);
        const QStringList known = m_dayFiles.keys();
        for (const QString& path : known) {
            if (!listed.contains(path))
                dropDayFile(path);
        }
    } else {
        // Changed files, files behind links (changed without a notification), unreadable ones
        // (tried again, as a full read would) and, when the index changed, files whose entries
        // changed.
        QSet<QString> paths = m_journalPending.paths;
        m_journalPending.paths.clear();
        paths.unite(m_dayFileLinks);
        for (auto it = m_dayFiles.cbegin(); it != m_dayFiles.cend(); ++it) {
            if (it->retry || (m_journalIndexVersion != m_indexVersion &&
                              it->indexFingerprint != indexFingerprint(it.key())))
                paths.insert(it.key());
        }
        for (const QString& path : std::as_const(paths)) {
            const QByteArray encoded = QFile::encodeName(m_root + QLatin1Char('/') + path);
            struct stat info
            {
            };
            const bool exists = ::lstat(encoded.constData(), &info) == 0;
            const bool isLink = exists && S_ISLNK(info.st_mode);
            if (isLink && ::stat(encoded.constData(), &info) != 0)
                info.st_mode = 0;
            if (!exists || !S_ISREG(info.st_mode))
                dropDayFile(path);
            else
                candidates.append({path, isLink});
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const auto& a, const auto& b) { return dayFilePrecedes(a.first, b.first); });
    }
    readDayFiles(candidates, writeRepair);
    if (!m_memos)
        assembleMemos();
    return *m_memos;
}

void VaultRecordStore::readDayFiles(const QList<QPair<QString, bool>>& files,
                                    const RepairWriter& writeRepair)
{
    const bool indexChanged = m_journalIndexVersion != m_indexVersion;
    // First the bytes: a file whose identity vouches for its record, or whose bytes and index
    // entries are those it was parsed with, keeps its memos.
    QList<DayFileRead> reads = parallelMap<DayFileRead>(files.size(), [&](qsizetype i,
                                                                          QByteArray& buffer) {
        DayFileRead read;
        read.path = files.at(i).first;
        read.isLink = files.at(i).second;
        const QString file = m_root + QLatin1Char('/') + read.path;
        const auto found = m_dayFiles.constFind(read.path);
        const DayFileRecord* known = found == m_dayFiles.cend() ? nullptr : &*found;
        const bool entriesHold =
            known && (!indexChanged || known->indexFingerprint == indexFingerprint(read.path));
        if (known && !known->retry && entriesHold) {
            const std::optional<FileIdentity> identity = fileIdentity(file);
            if (identity && known->check.vouchesFor(*identity)) {
                read.unchanged = true;
                return read;
            }
        }
        const qint64 before = wallClockNs();
        FileIdentity identity;
        try {
            identity = readFileWithIdentity(file, buffer);
        } catch (const FileError&) {
            // Unreadable: no memos, never written back, and read again next time.
            read.record.retry = true;
            read.unreadable = true;
            return read;
        }
        read.record.check = FileCheck{identity, before, contentHash(buffer)};
        if (known && !known->retry && entriesHold && known->check.hash == read.record.check.hash &&
            known->check.identity.size == identity.size) {
            read.record.memos = known->memos;
            read.record.keys = known->keys;
            read.record.indexFingerprint = known->indexFingerprint;
            return read;
        }
        read.bytes = buffer;
        return read;
    });
    // Then the files to parse, with the index's entries.
    const bool parse = std::any_of(reads.cbegin(), reads.cend(),
                                   [](const DayFileRead& read) { return read.bytes.has_value(); });
    if (parse)
        ensureMemoIndexDecoded();
    QHash<QString, QList<MemoIndexEntry>> entries;
    if (parse)
        entries = memoIndexByJournalPath(*m_indexEntries);
    DayFileRead* data = reads.data();
    parallelMap<bool>(reads.size(), [&](qsizetype i, QByteArray&) {
        DayFileRead& read = data[i];
        if (!read.bytes)
            return false;
        read.record.indexFingerprint = indexFingerprint(read.path);
        // Not UTF-8: no memos; rewriting it would destroy the user's bytes. Read again every
        // time, as a full read would, so that it is reported every time.
        const std::optional<QString> text = decodeUtf8Strict(*read.bytes);
        read.bytes.reset();
        if (!text) {
            read.record.retry = true;
            read.unreadable = true;
            return false;
        }
        JournalFileMemos memos = journalTextMemos(*text, read.path, entries.value(read.path));
        read.record.memos = std::move(memos.memos);
        read.record.keys = memoSortKeys(read.record.memos);
        if (memos.repairedText) {
            read.repaired = true;
            read.record.retry = true; // the file is about to change: read it again next time
        }
        return true;
    });

    for (DayFileRead& read : reads) {
        if (read.isLink)
            m_dayFileLinks.insert(read.path);
        else
            m_dayFileLinks.remove(read.path);
        if (read.unchanged)
            continue;
        const auto found = m_dayFiles.find(read.path);
        if (found == m_dayFiles.end()) {
            const auto at = std::lower_bound(m_dayFileOrder.begin(), m_dayFileOrder.end(),
                                             read.path, dayFilePrecedes);
            m_dayFileOrder.insert(at, read.path);
            m_dayFiles.insert(read.path, std::move(read.record));
        } else {
            *found = std::move(read.record);
        }
        memosChanged();
        noteChange();
    }
    m_journalIndexVersion = m_indexVersion;
    // Warnings and repairs in walk order, as a full read gives them.
    for (const DayFileRead& read : std::as_const(reads)) {
        if (read.unreadable)
            reportUnreadableJournalFile(read.path);
        if (read.repaired)
            writeRepair(read.path, entries.value(read.path));
    }
}

void VaultRecordStore::dropDayFile(const QString& path)
{
    if (!m_dayFiles.remove(path))
        return;
    m_dayFileOrder.removeOne(path);
    m_dayFileLinks.remove(path);
    memosChanged();
    noteChange();
}

void VaultRecordStore::memosChanged()
{
    m_memos.reset();
    ++m_memosVersion;
}

void VaultRecordStore::assembleMemos()
{
    // By creation time, then by id; equal keys keep the files' order.
    struct Keyed
    {
        qint64 key;
        const MemoRecord* memo;
    };
    std::vector<Keyed> order;
    for (const QString& path : std::as_const(m_dayFileOrder)) {
        const DayFileRecord& record = m_dayFiles.find(path).value();
        for (qsizetype m = 0; m < record.memos.size(); ++m)
            order.push_back({record.keys.at(m), &record.memos.at(m)});
    }
    std::stable_sort(order.begin(), order.end(), [](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return a.memo->id < b.memo->id;
    });
    QList<MemoRecord> memos;
    memos.reserve(qsizetype(order.size()));
    for (const Keyed& item : order)
        memos.append(*item.memo);
    m_memos = std::move(memos);
}
