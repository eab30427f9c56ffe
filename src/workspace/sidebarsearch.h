#pragma once

#include "filteredlistmodel.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "librarycontroller.h"

// The sidebar's search mode: on while the library's search text (trimmed) is not empty or tags
// are selected, and then its results in two sections, "记录" (memos, newest first) and "文章"
// (articles, ranked), both narrowed to the selected tags.
class SidebarSearch : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(
        QStringList selectedTags READ selectedTags WRITE setSelectedTags NOTIFY selectedTagsChanged)
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)
    // Memo rows have the memo roles, article rows the article roles; "section" tells them apart.
    Q_PROPERTY(FilteredListModel* results READ results CONSTANT)
    Q_PROPERTY(int memoCount READ memoCount NOTIFY resultsChanged)
    Q_PROPERTY(int articleCount READ articleCount NOTIFY resultsChanged)

public:
    static constexpr int memoSection = 0;
    static constexpr int articleSection = 1;

    explicit SidebarSearch(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QStringList selectedTags() const { return m_selectedTags; }
    void setSelectedTags(const QStringList& tags);
    bool isActive() const { return m_active; }
    FilteredListModel* results() const { return m_results; }
    int memoCount() const { return m_results->sectionCount(memoSection); }
    int articleCount() const { return m_results->sectionCount(articleSection); }

Q_SIGNALS:
    void libraryChanged();
    void selectedTagsChanged();
    void activeChanged();
    void resultsChanged();

private:
    void update();

    QPointer<LibraryController> m_library;
    QStringList m_selectedTags;
    bool m_active = false;
    FilteredListModel* m_results;
};
