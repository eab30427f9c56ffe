#include "articlebrowser.h"

#include "librarycontroller.h"

ArticleBrowser::ArticleBrowser(QObject* parent)
    : QObject(parent), m_articles(new FilteredListModel(this))
{
    connect(m_articles, &FilteredListModel::countChanged, this, &ArticleBrowser::subtitleChanged);
}

void ArticleBrowser::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    Q_ASSERT(!m_library); // the section is tied to the first library's model
    m_library = library;
    if (m_library) {
        m_articles->addSection(m_library->noteModel(), QString(), "path", [this]() {
            if (!m_library)
                return QList<qsizetype>();
            return m_library->noteRowsNewestFirst(
                m_folderPath.isEmpty() ? std::nullopt : std::optional<QString>(m_folderPath));
        });
    }
    m_articles->invalidate();
    Q_EMIT libraryChanged();
}

void ArticleBrowser::setFolderPath(const QString& path)
{
    if (m_folderPath == path)
        return;
    m_folderPath = path;
    m_articles->invalidate();
    Q_EMIT folderPathChanged();
}

QString ArticleBrowser::title() const
{
    const QString name = m_folderPath.section(QLatin1Char('/'), -1);
    return name.isEmpty() ? QStringLiteral("全部文章") : name;
}

QString ArticleBrowser::subtitle() const
{
    return QString::number(m_articles->count()) + QStringLiteral(" 篇 Markdown 文章");
}
