#pragma once

#include "search.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

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

    void setNotes(const QList<NoteSummary>& notes);
    void setMemos(const QList<MemoRecord>& memos);

    const NoteSearchIndex& notes() const;
    const MemoSearchIndex& memos() const;

    // Every tag of the notes and memos, sorted; empty until both indexes are built.
    QStringList tags() const { return m_tags; }

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
    void updateTags();

    // Builds run one after the other on their own thread and spread their work over the
    // global pool. Blocking on the global pool from one of its own threads could leave no
    // thread to do the work.
    QThreadPool m_pool;
    Build<NoteSearchIndex> m_notes;
    QList<NoteSummary> m_noteList;
    Build<MemoSearchIndex> m_memos;
    QStringList m_tags;
};
