// The article records of VaultRecordStore: the listing kept up to date file by file.

#include "articlebytes.h"
#include "articlelisting.h"
#include "articlesearchindex.h"
#include "contenthash.h"
#include "fileio.h"
#include "parallelmap.h"
#include "recordstore.h"
#include "vaulterror.h"
#include "vaultwalk.h"

#include <QFile>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

bool walkPrecedes(QStringView a, QStringView b)
{
    // Paths compared piece by piece.
    for (;;) {
        const qsizetype endA = a.indexOf(QLatin1Char('/'));
        const qsizetype endB = b.indexOf(QLatin1Char('/'));
        const QStringView pieceA = endA < 0 ? a : a.first(endA);
        const QStringView pieceB = endB < 0 ? b : b.first(endB);
        const int order = pieceA.compare(pieceB);
        if (order != 0)
            return order < 0;
        if (endA < 0 || endB < 0)
            return endA < 0 && endB >= 0;
        a = a.sliced(endA + 1);
        b = b.sliced(endB + 1);
    }
}

namespace {

struct ArticleRead
{
    ArticleRecord record;
    std::optional<ArticleIndexKeys> keys; // when asked for and the text is new to the index
};

// Reads one article into its record, as a full listing reads it. `previous` is the record of the
// last reading, whose parsed parts serve again when the bytes did not change; `index`, when
// given, is the search index that the record's keys go to.
ArticleRead readArticleFile(const QString& root, const QString& path, bool isLink,
                            QByteArray& buffer, const ArticleRecord* previous,
                            const ArticleIndexBuilder* index)
{
    const QString file = root + QLatin1Char('/') + path;
    ArticleRead read;
    ArticleRecord& record = read.record;
    record.isSymbolicLink = isLink;
    record.summary.path = path;
    record.summary.title = noteTitle(path);
    const qint64 before = wallClockNs();
    FileIdentity identity;
    try {
        identity = readFileWithIdentity(file, buffer);
    } catch (const FileError&) {
        // Listed without text, as a full read lists it, and read again next time.
        record.retry = true;
        record.summary.modifiedAt = fileModificationDate(file);
        record.modifiedMsecs = record.summary.modifiedAt.toMSecsSinceEpoch();
        record.summary.preview = notePreview(QString());
        if (index)
            read.keys = articleIndexKeys(record.summary.title, QStringView());
        return read;
    }
    record.check = FileCheck{identity, before, contentHash(buffer)};
    record.modifiedMsecs = msecsOfNs(identity.modifiedNs);
    record.summary.modifiedAt = QDateTime::fromMSecsSinceEpoch(record.modifiedMsecs);
    if (previous && !previous->retry && previous->check.hash == record.check.hash &&
        previous->check.identity.size == identity.size) {
        // Touched, or written with the same bytes: only the date may have moved.
        record.summary.preview = previous->summary.preview;
        record.summary.searchableContent = previous->summary.searchableContent;
        if (index && !index->contains(path))
            read.keys = articleIndexKeys(record.summary.title,
                                         decodeUtf8Strict(buffer).value_or(QString()));
        return read;
    }
    const bool utf8 = isStrictUtf8(buffer);
    record.summary.preview = utf8 ? notePreviewOfUtf8(buffer) : notePreview(QString());
    record.summary.searchableContent =
        utf8 ? ArticleText::inFile(file, record.check.hash, identity.size) : ArticleText();
    if (index)
        read.keys = articleIndexKeys(
            record.summary.title, utf8 ? decodeUtf8Strict(buffer).value_or(QString()) : QString());
    return read;
}

} // namespace

void VaultRecordStore::syncArticles()
{
    if (m_articlesPending.rescan) {
        scanArticles();
    } else {
        // Files behind symbolic links change without a notification, and unreadable ones are
        // tried again, as a full read would.
        QSet<QString> paths = m_articlesPending.paths;
        m_articlesPending.paths.clear();
        paths.unite(m_articleLinks);
        for (auto it = m_articles.cbegin(); it != m_articles.cend(); ++it) {
            if (it->retry)
                paths.insert(it.key());
        }
        for (const QString& path : std::as_const(paths))
            examineArticle(path);
    }
    if (!m_snapshot)
        assembleSnapshot();
}

void VaultRecordStore::scanArticles()
{
    const bool watching = startWatching(articleArea);
    m_articlesPending = Pending{false, {}};
    const ArticleIndexBuilder* index = m_searchIndex.get();
    struct Examined
    {
        ArticleFile file;
        bool unchanged = false;
        ArticleRead read;
    };
    QList<FolderItem> folders;
    // The walk finds the articles while the cores compare each with its record, reading it
    // only when its identity no longer vouches for the record.
    QList<Examined> examined = parallelMapWhileProducing<Examined, ArticleFile>(
        [&](const auto& add) {
            if (!pathExists(m_root))
                return;
            walkListing(m_root, folders, add, [&](const VaultWalkEntry& folder) {
                if (watching)
                    watchFolder(folder.absolutePath, articleArea, folder.relativePath);
            });
        },
        [&](const ArticleFile& file, QByteArray& buffer) {
            Examined result{file, false, {}};
            const auto previous = m_articles.constFind(file.path);
            const ArticleRecord* known = previous == m_articles.cend() ? nullptr : &*previous;
            if (known && !known->retry) {
                const std::optional<FileIdentity> identity = fileIdentity(file.absolutePath);
                if (identity && known->check.vouchesFor(*identity) &&
                    (!index || index->contains(file.path))) {
                    result.unchanged = true;
                    return result;
                }
            }
            result.read =
                readArticleFile(m_root, file.path, file.isSymbolicLink, buffer, known, index);
            return result;
        });
    if (watching)
        finishWatching(articleArea);

    // The records are updated in place: most are unchanged, and touching each would cost more
    // than all the rest of a start.
    QStringList order;
    order.reserve(examined.size());
    QSet<QString> links;
    qsizetype changes = 0;
    for (Examined& item : examined) {
        const QString& path = item.file.path;
        order.append(path);
        if (item.file.isSymbolicLink)
            links.insert(path);
        if (item.unchanged)
            continue;
        ++changes;
        if (m_searchIndex && item.read.keys)
            m_searchIndex->setDocument(path, std::move(*item.read.keys));
        m_articles.insert(path, std::move(item.read.record));
    }
    // Those no longer listed: the records beyond the listed ones (the listing names each path
    // once), looked for only when there are any.
    if (m_articles.size() > order.size()) {
        const QSet<QString> listed(order.cbegin(), order.cend());
        for (auto it = m_articles.begin(); it != m_articles.end();) {
            if (listed.contains(it.key())) {
                ++it;
                continue;
            }
            if (m_searchIndex)
                m_searchIndex->removeDocument(it.key());
            it = m_articles.erase(it);
            ++changes;
        }
    }
    // The folders come in walk order too: sorted for people again only when they changed.
    if (folders != m_walkedFolders) {
        m_walkedFolders = folders;
        sortFoldersNaturally(folders);
        m_folders = std::move(folders);
        ++changes;
    }
    m_articleOrder = std::move(order);
    m_articleLinks = std::move(links);
    if (changes > 0) {
        m_snapshot.reset();
        noteChange(changes);
    }
}

void VaultRecordStore::examineArticle(const QString& path)
{
    const QString file = m_root + QLatin1Char('/') + path;
    const QByteArray encoded = QFile::encodeName(file);
    struct stat info
    {
    };
    if (::lstat(encoded.constData(), &info) != 0) {
        dropArticle(path);
        return;
    }
    const bool isLink = S_ISLNK(info.st_mode);
    // A link counts as an article when it leads to a file; the walk never follows it further.
    if ((isLink && (::stat(encoded.constData(), &info) != 0 || !S_ISREG(info.st_mode))) ||
        (!isLink && !S_ISREG(info.st_mode))) {
        dropArticle(path);
        return;
    }
    const std::optional<FileIdentity> identity = fileIdentity(file);
    const auto previous = m_articles.find(path);
    const bool known = previous != m_articles.end();
    if (known && !previous->retry && identity && previous->check.vouchesFor(*identity) &&
        previous->isSymbolicLink == isLink && (!m_searchIndex || m_searchIndex->contains(path)))
        return;
    QByteArray buffer;
    ArticleRead read = readArticleFile(m_root, path, isLink, buffer, known ? &*previous : nullptr,
                                       m_searchIndex.get());
    if (m_searchIndex && read.keys)
        m_searchIndex->setDocument(path, std::move(*read.keys));
    if (known) {
        *previous = std::move(read.record);
    } else {
        m_articles.insert(path, std::move(read.record));
        const auto at =
            std::lower_bound(m_articleOrder.begin(), m_articleOrder.end(), path, walkPrecedes);
        m_articleOrder.insert(at, path);
    }
    if (isLink)
        m_articleLinks.insert(path);
    else
        m_articleLinks.remove(path);
    m_snapshot.reset();
    noteChange();
}

void VaultRecordStore::dropArticle(const QString& path)
{
    if (!m_articles.remove(path))
        return;
    const auto at =
        std::lower_bound(m_articleOrder.begin(), m_articleOrder.end(), path, walkPrecedes);
    if (at != m_articleOrder.end() && *at == path)
        m_articleOrder.erase(at);
    m_articleLinks.remove(path);
    if (m_searchIndex)
        m_searchIndex->removeDocument(path);
    m_snapshot.reset();
    noteChange();
}

void VaultRecordStore::assembleSnapshot()
{
    // Newest first; equal dates keep the walk's order.
    std::vector<std::pair<qint64, const ArticleRecord*>> order;
    order.reserve(size_t(m_articleOrder.size()));
    for (const QString& path : std::as_const(m_articleOrder)) {
        const ArticleRecord& record = m_articles.find(path).value();
        order.emplace_back(record.modifiedMsecs, &record);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    VaultSnapshot snapshot;
    snapshot.folders = m_folders;
    snapshot.notes.reserve(qsizetype(order.size()));
    for (const auto& item : order)
        snapshot.notes.append(item.second->summary);
    if (m_searchIndex) {
        snapshot.searchIndex = m_searchIndex->index();
        snapshot.searchSlots.reserve(snapshot.notes.size());
        for (const NoteSummary& note : std::as_const(snapshot.notes))
            snapshot.searchSlots.append(m_searchIndex->slotOf(note.path));
    }
    m_snapshot = std::move(snapshot);
}

void VaultRecordStore::indexMissingArticles()
{
    QStringList missing;
    for (const QString& path : std::as_const(m_articleOrder)) {
        if (!m_searchIndex->contains(path))
            missing.append(path);
    }
    // Each article's text as it was listed: a file that changed since is left to the next
    // listing, which reads and indexes it.
    QList<std::optional<ArticleIndexKeys>> keys = parallelMap<std::optional<ArticleIndexKeys>>(
        missing.size(), [&](qsizetype i, QByteArray& buffer) {
            const ArticleRecord& record = m_articles.find(missing.at(i)).value();
            const ArticleText& text = record.summary.searchableContent;
            if (text.byteSize() == 0)
                return std::optional(articleIndexKeys(record.summary.title, QStringView()));
            try {
                readFileWithIdentity(m_root + QLatin1Char('/') + missing.at(i), buffer);
            } catch (const FileError&) {
                return std::optional<ArticleIndexKeys>();
            }
            if (buffer.size() != text.byteSize() || contentHash(buffer) != text.hash())
                return std::optional<ArticleIndexKeys>();
            return std::optional(articleIndexKeys(record.summary.title,
                                                  decodeUtf8Strict(buffer).value_or(QString())));
        });
    for (qsizetype i = 0; i < missing.size(); ++i) {
        if (keys[i])
            m_searchIndex->setDocument(missing.at(i), std::move(*keys[i]));
    }
    if (!missing.isEmpty()) {
        m_snapshot.reset();
        noteChange(missing.size());
    }
}
