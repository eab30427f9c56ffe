#include "publishedsearch.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

PublishedSearch::PublishedSearch(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
    m_workers.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    connect(&m_notes.watcher, &QFutureWatcherBase::finished, this, &PublishedSearch::updateTags);
    connect(&m_memos.watcher, &QFutureWatcherBase::finished, this, &PublishedSearch::updateTags);
    // Nothing published yet: both indexes are empty, not pending.
    setNotes({});
    setMemos({});
}

PublishedSearch::~PublishedSearch()
{
    // Every build queued or running ends before the pools go, also one whose result was
    // replaced by a newer build (waiting for the latest futures alone can run the newest build
    // here and leave an older one running on a pool that is being destroyed).
    m_pool.waitForDone();
    m_workers.waitForDone();
}

void PublishedSearch::setNotes(const VaultSnapshot& snapshot)
{
    m_notes.index.reset();
    // The new build starts from the previous one, which has ended by then.
    m_notes.future = QtConcurrent::run(&m_pool, [snapshot, previousNotes = m_noteList,
                                                 previous = m_notes.future,
                                                 workers = &m_workers]() {
        return buildNoteSearchIndex(snapshot, previousNotes,
                                    previousNotes.isEmpty() ? NoteSearchIndex() : previous.result(),
                                    workers);
    });
    m_noteList = snapshot.notes;
    m_lastNoteSearch.clear();
    m_notes.watcher.setFuture(m_notes.future);
}

void PublishedSearch::setMemos(const QList<MemoRecord>& memos)
{
    m_memos.index.reset();
    m_memos.future = QtConcurrent::run(&m_pool, [memos]() { return buildMemoSearchIndex(memos); });
    m_memoList = memos;
    m_lastMemoSearch.clear();
    m_memos.watcher.setFuture(m_memos.future);
}

template <typename Index> const Index& PublishedSearch::indexOf(const Build<Index>& build)
{
    if (!build.index)
        build.index = build.future.result();
    return *build.index;
}

const NoteSearchIndex& PublishedSearch::notes() const
{
    return indexOf(m_notes);
}

const MemoSearchIndex& PublishedSearch::memos() const
{
    return indexOf(m_memos);
}

void PublishedSearch::updateTags()
{
    // The watchers report the latest future only; a replaced one never reports.
    if (!m_notes.future.isFinished() || !m_memos.future.isFinished())
        return;
    const QStringList tags = tagUnion(notes().tags + memos().tags);
    if (tags == m_tags)
        return;
    m_tags = tags;
    Q_EMIT tagsChanged();
}

QList<qsizetype> PublishedSearch::LastSearch::search(
    const QString& query, const std::function<QList<qsizetype>(const QList<qsizetype>*)>& scan)
{
    const QStringList next = searchTokens(query);
    const QList<qsizetype> found = scan(narrowsSearch(tokens, next) ? &rows : nullptr);
    tokens = next;
    rows = found;
    std::sort(rows.begin(), rows.end());
    return found;
}

QList<qsizetype> PublishedSearch::noteRows(const QString& query) const
{
    return m_lastNoteSearch.search(query, [&](const QList<qsizetype>* candidates) {
        return searchArticleRows(m_noteList, notes(), query, std::nullopt, candidates);
    });
}

QList<qsizetype> PublishedSearch::memoRows(const QString& query) const
{
    return m_lastMemoSearch.search(query, [&](const QList<qsizetype>* candidates) {
        return searchMemoRows(m_memoList, memos(), query, std::nullopt, candidates);
    });
}
