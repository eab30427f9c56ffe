#pragma once

#include "search.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <optional>

// The search indexes of the published notes and memos, and the tags found in them. Each
// publication starts building its index on other threads at once, so that the first search
// after a load or a refresh rarely waits and the tag list appears without holding up the window.
// Asking for an index that is still being built waits for it.
class PublishedSearch : public QObject
{
    Q_OBJECT

public:
    explicit PublishedSearch(QObject* parent = nullptr);
    ~PublishedSearch() override;

    // The snapshot's notes, with the vault's search index when it carries one.
    void setNotes(const VaultSnapshot& snapshot);
    void setMemos(const QList<MemoRecord>& memos);

    const NoteSearchIndex& notes() const;
    const MemoSearchIndex& memos() const;

    // Every tag of the notes and memos, sorted; empty until both indexes are built.
    QStringList tags() const { return m_tags; }

    // Rows of the notes and memos whose text holds every token of `query` (as searchArticles
    // and searchMemos, in all folders and on all days). A query that narrows the previous one
    // (the user typed on) is only looked for among the previous results.
    QList<qsizetype> noteRows(const QString& query) const;
    QList<qsizetype> memoRows(const QString& query) const;

Q_SIGNALS:
    void tagsChanged();

private:
    template <typename Index> struct Build
    {
        QFuture<Index> future;
        mutable std::optional<Index> index;
        QFutureWatcher<Index> watcher;
    };
    template <typename Index> static const Index& indexOf(const Build<Index>& build);
    // The last search, its rows ascending.
    struct LastSearch
    {
        QStringList tokens;
        QList<qsizetype> rows;
        void clear()
        {
            tokens.clear();
            rows.clear();
        }
        // Runs `scan` for `query`, over the last rows when the query narrows the last one, and
        // remembers its result.
        QList<qsizetype>
        search(const QString& query,
               const std::function<QList<qsizetype>(const QList<qsizetype>*)>& scan);
    };
    void updateTags();

    // Builds run one after the other on their own thread and spread their work over their
    // own workers, leaving a core to the interface. Never the global pool: Qt draws with it, and
    // a long build there holds up painting.
    QThreadPool m_pool;
    QThreadPool m_workers;
    Build<NoteSearchIndex> m_notes;
    QList<NoteSummary> m_noteList;
    QList<MemoRecord> m_memoList;
    mutable LastSearch m_lastNoteSearch;
    mutable LastSearch m_lastMemoSearch;
    Build<MemoSearchIndex> m_memos;
    QStringList m_tags;
};
