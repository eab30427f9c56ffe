#include "sidebarsearch.h"

#include "librarycontroller.h"
#include "vaultpaths.h"

#include <algorithm>

SidebarSearch::SidebarSearch(QObject* parent)
    : QObject(parent), m_results(new FilteredListModel(this))
{
    connect(m_results, &FilteredListModel::countChanged, this, &SidebarSearch::resultsChanged);
}

void SidebarSearch::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    Q_ASSERT(!m_library); // the sections are tied to the first library's models
    m_library = library;
    if (m_library) {
        m_results->addSection(m_library->memoModel(), QStringLiteral("记录"), "memoId", [this]() {
            if (!m_active || !m_library)
                return QList<qsizetype>();
            QList<qsizetype> rows = m_library->memoRows(m_library->searchText(), m_selectedTags);
            // The memo stream is oldest first; results read like the timeline, newest first.
            std::reverse(rows.begin(), rows.end());
            return rows;
        });
        m_results->addSection(m_library->noteModel(), QStringLiteral("文章"), "path", [this]() {
            if (!m_active || !m_library)
                return QList<qsizetype>();
            return m_library->noteRows(m_library->searchText(), m_selectedTags);
        });
        connect(m_library, &LibraryController::searchTextChanged, this, &SidebarSearch::update);
    }
    update();
    Q_EMIT libraryChanged();
}

void SidebarSearch::setSelectedTags(const QStringList& tags)
{
    if (m_selectedTags == tags)
        return;
    m_selectedTags = tags;
    Q_EMIT selectedTagsChanged();
    update();
}

void SidebarSearch::update()
{
    const bool active =
        m_library && (!trimmedText(m_library->searchText()).isEmpty() || !m_selectedTags.isEmpty());
    if (active != m_active) {
        m_active = active;
        Q_EMIT activeChanged();
    }
    m_results->invalidate();
}
