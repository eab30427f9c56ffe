#include "workspacenavigation.h"

#include "librarycontroller.h"
#include "search.h"

WorkspaceNavigation::WorkspaceNavigation(QObject* parent) : QObject(parent) {}

void WorkspaceNavigation::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    // An article created elsewhere (the File menu's "新建文章") is shown as soon as it is open.
    if (m_library)
        connect(m_library, &LibraryController::editorFocusDocumentPathChanged, this, [this]() {
            const QString path = m_library->editorFocusDocumentPath();
            const NoteEditorSession* selected = m_library->selectedSession();
            if (!path.isEmpty() && selected && selected->path() == path)
                setDestination(WorkspaceDestination::editor(path));
        });
    Q_EMIT libraryChanged();
}

WorkspaceNavigation::Kind WorkspaceNavigation::kind() const
{
    switch (m_destination.kind()) {
    case WorkspaceDestination::Kind::timeline:
        return Kind::Timeline;
    case WorkspaceDestination::Kind::articles:
        return Kind::Articles;
    case WorkspaceDestination::Kind::editor:
        return Kind::Editor;
    }
    return Kind::Timeline;
}

bool WorkspaceNavigation::showsAllArticles() const
{
    return kind() == Kind::Articles && m_destination.folderPath().isEmpty();
}

void WorkspaceNavigation::setDestination(const WorkspaceDestination& destination)
{
    if (m_destination == destination)
        return;
    m_destination = destination;
    Q_EMIT destinationChanged();
}

void WorkspaceNavigation::setTimelineDate(const QDateTime& date)
{
    if (m_timelineDate == date && m_timelineDate.isValid() == date.isValid())
        return;
    m_timelineDate = date;
    Q_EMIT timelineDateChanged();
}

void WorkspaceNavigation::setExpandedMemoId(const QString& id)
{
    if (m_expandedMemoId == id)
        return;
    m_expandedMemoId = id;
    Q_EMIT expandedMemoIdChanged();
}

void WorkspaceNavigation::setSelectedTags(const QStringList& tags)
{
    if (m_selectedTags == tags)
        return;
    m_selectedTags = tags;
    Q_EMIT selectedTagsChanged();
}

void WorkspaceNavigation::showTimeline()
{
    setTimelineDate({});
    setDestination(WorkspaceDestination::timeline());
}

void WorkspaceNavigation::showAllArticles()
{
    setDestination(WorkspaceDestination::articles());
}

void WorkspaceNavigation::showFolder(const QString& path)
{
    setTimelineDate({});
    setDestination(WorkspaceDestination::articles(path));
    if (m_library)
        m_library->selectFolder(path);
}

void WorkspaceNavigation::showDay(const QDateTime& day)
{
    if (!day.isValid())
        return;
    clearSearch();
    setTimelineDate(memoDay(day).startOfDay());
    setExpandedMemoId({});
    setDestination(WorkspaceDestination::timeline());
}

void WorkspaceNavigation::toggleTag(const QString& tag)
{
    QStringList tags = m_selectedTags;
    if (tags.contains(tag))
        tags.removeAll(tag);
    else
        tags.append(tag);
    setSelectedTags(tags);
}

void WorkspaceNavigation::clearSearch()
{
    if (m_library)
        m_library->setSearchText({});
    setSelectedTags({});
}

QCoro::Task<> WorkspaceNavigation::openArticleAsync(QString path, bool clearingSearch)
{
    if (!m_library)
        co_return;
    QPointer<WorkspaceNavigation> self(this);
    QPointer<LibraryController> library = m_library;
    co_await library->openNoteAsync(path);
    if (!self || !library)
        co_return;
    // A failed open has shown its alert; the editor would show another article.
    const NoteEditorSession* selected = library->selectedSession();
    if (!selected || selected->path() != path)
        co_return;
    setDestination(WorkspaceDestination::editor(path));
    if (clearingSearch)
        clearSearch();
}

QCoro::Task<> WorkspaceNavigation::openMemoResultAsync(QString memoId)
{
    if (!m_library)
        co_return;
    const std::optional<MemoRecord> memo = m_library->memo(memoId);
    if (!memo)
        co_return;
    if (const std::optional<QString> article = m_library->articlePath(*memo)) {
        co_await openArticleAsync(*article, true);
        co_return;
    }
    setTimelineDate(memoDay(memo->createdAt).startOfDay());
    setExpandedMemoId({});
    setDestination(WorkspaceDestination::timeline());
    clearSearch();
}

QCoro::Task<> WorkspaceNavigation::createArticleAsync(QString title, QString folderPath)
{
    if (!m_library)
        co_return;
    QPointer<WorkspaceNavigation> self(this);
    const std::optional<QString> path = co_await m_library->createArticleAsync(title, folderPath);
    if (self && path)
        setDestination(WorkspaceDestination::editor(*path));
}

void WorkspaceNavigation::openArticle(const QString& path)
{
    openArticleAsync(path, false);
}

void WorkspaceNavigation::openArticleResult(const QString& path)
{
    openArticleAsync(path, true);
}

void WorkspaceNavigation::openMemoResult(const QString& memoId)
{
    openMemoResultAsync(memoId);
}

void WorkspaceNavigation::createArticle(const QString& title, const QString& folderPath)
{
    createArticleAsync(title, folderPath);
}
