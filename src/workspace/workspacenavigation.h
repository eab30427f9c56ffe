#pragma once

#include "workspacedestination.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <qcorotask.h>

#include "librarycontroller.h"

// The root view's state: which destination the main area shows, the day the timeline focuses,
// the memo open in the full editor and the tags selected in the sidebar; and the rules that
// change them when the user picks an entry, a folder, a day, a tag or a search result, or
// opens or creates an article (also one created from the File menu).
class WorkspaceNavigation : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(Kind kind READ kind NOTIFY destinationChanged)
    // The folder of the article list ("" for all articles); empty for other destinations.
    Q_PROPERTY(QString folderPath READ folderPath NOTIFY destinationChanged)
    // The article of the editor destination; empty for others.
    Q_PROPERTY(QString editorPath READ editorPath NOTIFY destinationChanged)
    // The sidebar entry to show as selected.
    Q_PROPERTY(bool showsTimeline READ showsTimeline NOTIFY destinationChanged)
    Q_PROPERTY(bool showsAllArticles READ showsAllArticles NOTIFY destinationChanged)
    // The folder whose articles are shown; empty unless one is.
    Q_PROPERTY(QString shownFolderPath READ shownFolderPath NOTIFY destinationChanged)

    // The day the timeline shows (the start of that day); invalid for all days.
    Q_PROPERTY(
        QDateTime timelineDate READ timelineDate WRITE setTimelineDate NOTIFY timelineDateChanged)
    // The memo open in the full memo editor; empty for none.
    Q_PROPERTY(QString expandedMemoId READ expandedMemoId WRITE setExpandedMemoId NOTIFY
                   expandedMemoIdChanged)
    // Tags that filter the search results, in the order they were picked.
    Q_PROPERTY(QStringList selectedTags READ selectedTags NOTIFY selectedTagsChanged)

public:
    enum class Kind { Timeline, Articles, Editor };
    Q_ENUM(Kind)

    explicit WorkspaceNavigation(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);

    WorkspaceDestination destination() const { return m_destination; }
    Kind kind() const;
    QString folderPath() const { return m_destination.folderPath(); }
    QString editorPath() const { return m_destination.path(); }
    bool showsTimeline() const { return kind() == Kind::Timeline; }
    bool showsAllArticles() const;
    QString shownFolderPath() const { return m_destination.folderPath(); }

    QDateTime timelineDate() const { return m_timelineDate; }
    void setTimelineDate(const QDateTime& date);
    QString expandedMemoId() const { return m_expandedMemoId; }
    void setExpandedMemoId(const QString& id);
    QStringList selectedTags() const { return m_selectedTags; }

    // "记录": every day of the timeline.
    Q_INVOKABLE void showTimeline();
    // "全部文章".
    Q_INVOKABLE void showAllArticles();
    // A folder of the tree: its articles, and the library's selection follows.
    Q_INVOKABLE void showFolder(const QString& path);
    // A day of the calendar: the timeline of that day, the search cleared.
    Q_INVOKABLE void showDay(const QDateTime& day);
    Q_INVOKABLE void toggleTag(const QString& tag);
    // Empties the search text and the selected tags.
    Q_INVOKABLE void clearSearch();

    // Opens an article in the editor, once the library has it open; the search stays.
    Q_INVOKABLE void openArticle(const QString& path);
    // Opens an article from the search results, then clears the search.
    Q_INVOKABLE void openArticleResult(const QString& path);
    // A memo of the search results: the article it stands for, or its day in the timeline.
    Q_INVOKABLE void openMemoResult(const QString& memoId);
    // Creates an article and shows it in the editor.
    Q_INVOKABLE void createArticle(const QString& title, const QString& folderPath);

    // The same, for callers that wait for the destination to change.
    QCoro::Task<> openArticleAsync(QString path, bool clearingSearch);
    QCoro::Task<> openMemoResultAsync(QString memoId);
    QCoro::Task<> createArticleAsync(QString title, QString folderPath);

Q_SIGNALS:
    void libraryChanged();
    void destinationChanged();
    void timelineDateChanged();
    void expandedMemoIdChanged();
    void selectedTagsChanged();

private:
    void setDestination(const WorkspaceDestination& destination);
    void setSelectedTags(const QStringList& tags);

    QPointer<LibraryController> m_library;
    WorkspaceDestination m_destination = WorkspaceDestination::timeline();
    QDateTime m_timelineDate;
    QString m_expandedMemoId;
    QStringList m_selectedTags;
};
