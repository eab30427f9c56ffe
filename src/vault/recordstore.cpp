#include "recordstore.h"

#include "articlesearchindex.h"
#include "startupcache.h"
#include "vaultwatch.h"

#include <ctime>

namespace {

// The coarsest timestamp granularity of the file systems a vault may live on (FAT keeps even
// seconds): a file changed this soon after it was read may show the same identity as before.
constexpr qint64 timestampGranularityNs = 2'000'000'000;

bool isHidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

bool isMarkdownName(const QString& name)
{
    return name.endsWith(QLatin1String(".md"), Qt::CaseInsensitive);
}

QString joinedPath(const QString& folder, const QString& name)
{
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

} // namespace

qint64 wallClockNs()
{
    struct timespec now
    {
    };
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

bool FileCheck::vouchesFor(const FileIdentity& current) const
{
    return current == identity && std::max(identity.modifiedNs, identity.changedNs) <
                                      verifiedAtNs - timestampGranularityNs;
}

VaultRecordStore::VaultRecordStore(QString rootPath) : m_root(std::move(rootPath)) {}

VaultRecordStore::~VaultRecordStore() = default;

VaultSnapshot VaultRecordStore::snapshot()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    loadStartupCache();
    takeChanges();
    syncArticles();
    return *m_snapshot;
}

QList<MemoRecord> VaultRecordStore::memos(const RepairWriter& writeRepair)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    loadStartupCache();
    takeChanges();
    return syncJournal(writeRepair);
}

MemoIndexRead VaultRecordStore::memoIndex()
{
    // Memo changes need only the index: the start-up cache is left for the loads.
    const std::lock_guard<std::mutex> lock(m_mutex);
    takeChanges();
    syncMemoIndex();
    ensureMemoIndexDecoded();
    return MemoIndexRead{*m_indexEntries, m_indexUndecodable};
}

bool VaultRecordStore::isWatching() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_watch != nullptr;
}

void VaultRecordStore::setWatching(bool enabled)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_watchWanted = enabled;
    if (!enabled)
        stopWatching();
}

void VaultRecordStore::setStartupCacheEnabled(bool enabled)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_cacheEnabled = enabled;
}

bool VaultRecordStore::startWatching(Area area)
{
    if (!m_watchWanted)
        return false;
    if (!m_watch) {
        m_watch = VaultWatch::create();
        if (!m_watch ||
            m_watch->watchFolder(m_root, rootArea, QString()) == VaultWatch::Outcome::refused) {
            stopWatching();
            return false;
        }
        // Whatever was read before the watch began is unknown to it.
        m_articlesPending.rescan = true;
        m_journalPending.rescan = true;
        m_indexPending = true;
    }
    m_watch->beginArea(area);
    return true;
}

void VaultRecordStore::finishWatching(Area area)
{
    if (m_watch)
        m_watch->endArea(area);
}

bool VaultRecordStore::watchFolder(const QString& absolutePath, Area area,
                                   const QString& relativePath)
{
    if (!m_watch)
        return false;
    if (m_watch->watchFolder(absolutePath, area, relativePath) != VaultWatch::Outcome::refused)
        return true;
    // A folder that cannot be watched (a network file system, no watch left): from now on every
    // re-read compares every file.
    stopWatching();
    return false;
}

void VaultRecordStore::stopWatching()
{
    m_watch.reset();
    m_watchWanted = false;
}

void VaultRecordStore::takeChanges()
{
    if (!m_watch) {
        // Without notifications every call looks at every file.
        m_articlesPending.rescan = true;
        m_journalPending.rescan = true;
        m_indexPending = true;
        return;
    }
    const VaultWatch::Changes changes = m_watch->takeChanges();
    if (changes.overflow) {
        m_articlesPending.rescan = true;
        m_journalPending.rescan = true;
        m_indexPending = true;
    }
    for (const VaultWatch::Event& event : changes.events)
        routeEvent(event.area, event.folder, event.name, event.isFolder, event.folderGone);
}

void VaultRecordStore::routeEvent(int area, const QString& folder, const QString& name,
                                  bool isFolder, bool folderGone)
{
    if (folderGone || name.isEmpty()) {
        // A watched folder itself changed (removed, moved, its permissions): its area is read
        // anew; the root holds them all.
        if (area == rootArea || area == articleArea)
            m_articlesPending.rescan = true;
        if (area == rootArea || area == journalArea)
            m_journalPending.rescan = true;
        if (area == rootArea || area == indexArea)
            m_indexPending = true;
        return;
    }
    if (area == rootArea) {
        if (name == QLatin1String("Journal") || name == QLatin1String("Daily Notes")) {
            m_journalPending.rescan = true;
            return;
        }
        if (name == QLatin1String(".larch")) {
            m_indexPending = true;
            return;
        }
        if (isHidden(name) || name == QLatin1String("Attachments"))
            return;
        area = articleArea;
    }
    if (area == indexArea) {
        if (name == QLatin1String("memo-index.json"))
            m_indexPending = true;
        return;
    }
    if (isHidden(name))
        return;
    Pending& pending = area == journalArea ? m_journalPending : m_articlesPending;
    if (isFolder)
        pending.rescan = true; // the folder tree changed
    else if (isMarkdownName(name))
        pending.paths.insert(joinedPath(folder, name));
}

void VaultRecordStore::buildSearchIndex()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    loadStartupCache();
    takeChanges();
    syncArticles();
    if (!m_searchIndex)
        m_searchIndex = std::make_unique<ArticleIndexBuilder>();
    indexMissingArticles();
    assembleSnapshot();
}

QString VaultRecordStore::startupCachePath() const
{
    return StartupCache::pathFor(m_root);
}

void VaultRecordStore::loadStartupCache()
{
    if (m_cacheLoaded)
        return;
    m_cacheLoaded = true;
    if (m_cacheEnabled && m_articles.isEmpty() && m_dayFiles.isEmpty())
        m_cacheMatched = StartupCacheCodec::read(*this, StartupCache::pathFor(m_root));
    m_changesSinceCache = 0;
}

void VaultRecordStore::noteChange(qsizetype weight)
{
    m_changesSinceCache += weight;
}

void VaultRecordStore::saveStartupCache(bool force)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_cacheEnabled || !m_cacheLoaded)
        return;
    // A cache that differs in a few files only costs their reading at the next start; it is
    // written again when it was missing or unusable, or once the differences add up.
    const qsizetype records = m_articles.size() + m_dayFiles.size();
    const qsizetype enough = force ? 0 : std::max<qsizetype>(16, records / 100);
    if (m_cacheMatched && m_changesSinceCache <= enough)
        return;
    if (StartupCacheCodec::write(*this, StartupCache::pathFor(m_root))) {
        m_cacheMatched = true;
        m_changesSinceCache = 0;
    }
}
