#include "referencesearch.h"

#include "workspacetext.h"

namespace {

const QString memoHeader = QStringLiteral("Memo");
const QString articleHeader = QStringLiteral("文章");

} // namespace

ReferenceSearch::ReferenceSearch(QObject* parent) : QAbstractListModel(parent) {}

void ReferenceSearch::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    if (m_library) {
        connect(m_library, &LibraryController::memosChanged, this, &ReferenceSearch::update);
        connect(m_library, &LibraryController::snapshotChanged, this, &ReferenceSearch::update);
    }
    Q_EMIT libraryChanged();
    update();
}

void ReferenceSearch::setQuery(const QString& query)
{
    if (m_query == query)
        return;
    m_query = query;
    Q_EMIT queryChanged();
    update();
}

void ReferenceSearch::setSourcePath(const QString& path)
{
    if (m_sourcePath == path)
        return;
    m_sourcePath = path;
    Q_EMIT sourcePathChanged();
    update();
}

void ReferenceSearch::update()
{
    const QString trimmed = m_query.trimmed();
    beginResetModel();
    m_memos =
        m_library && !trimmed.isEmpty() ? m_library->referenceMemos(trimmed) : QList<MemoRecord>();
    m_articles = m_library && !trimmed.isEmpty()
                     ? m_library->referenceArticles(trimmed, m_sourcePath)
                     : QList<NoteSummary>();
    m_state = trimmed.isEmpty()                           ? State::Prompt
              : m_memos.isEmpty() && m_articles.isEmpty() ? State::NoResults
                                                          : State::Results;
    endResetModel();
    Q_EMIT resultsChanged();
}

int ReferenceSearch::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int((m_memos.isEmpty() ? 0 : m_memos.size() + 1) +
               (m_articles.isEmpty() ? 0 : m_articles.size() + 1));
}

// The index into m_memos of a row, -1 for the header; -2 outside the memo section.
int ReferenceSearch::memoRow(int row) const
{
    if (m_memos.isEmpty() || row > m_memos.size())
        return -2;
    return row - 1;
}

int ReferenceSearch::articleRow(int row) const
{
    const int start = m_memos.isEmpty() ? 0 : int(m_memos.size()) + 1;
    if (m_articles.isEmpty() || row < start)
        return -2;
    return row - start - 1;
}

QVariant ReferenceSearch::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    const int memo = memoRow(row);
    const int article = articleRow(row);
    if (memo == -1 || article == -1) {
        switch (role) {
        case KindRole:
            return QStringLiteral("header");
        case TextRole:
            return memo == -1 ? memoHeader : articleHeader;
        default:
            return QString();
        }
    }
    if (memo >= 0) {
        const MemoRecord& record = m_memos.at(memo);
        switch (role) {
        case KindRole:
            return QStringLiteral("memo");
        case KeyRole:
            return record.id;
        case TextRole:
            return plainText(record);
        case CaptionRole:
            return WorkspaceFormat::day(record.createdAt) + QStringLiteral(" · ") +
                   WorkspaceFormat::time(record.createdAt);
        }
        return {};
    }
    const NoteSummary& note = m_articles.at(article);
    switch (role) {
    case KindRole:
        return QStringLiteral("article");
    case KeyRole:
        return note.path;
    case TextRole:
        return note.title;
    case CaptionRole:
        return note.preview;
    }
    return {};
}

QHash<int, QByteArray> ReferenceSearch::roleNames() const
{
    return {{KindRole, "kind"}, {KeyRole, "key"}, {TextRole, "text"}, {CaptionRole, "caption"}};
}

QString ReferenceSearch::referenceAt(int row) const
{
    if (!m_library || row < 0 || row >= rowCount())
        return {};
    if (const int memo = memoRow(row); memo >= 0)
        return m_library->memoReferenceMarkdown(m_memos.at(memo), m_sourcePath);
    if (const int article = articleRow(row); article >= 0)
        return m_library->articleReferenceMarkdown(m_sourcePath, m_articles.at(article).path);
    return {};
}
