// The reference panel's search: past memos and other articles to link from the file being
// edited.

#include "librarycontroller.h"

#include "vaultpaths.h"

QList<MemoRecord> LibraryController::referenceMemos(const QString& query) const
{
    if (query.isEmpty())
        return {};
    QList<MemoRecord> found;
    for (auto memo = m_memos.crbegin(); memo != m_memos.crend(); ++memo) {
        if (memo->markdown.contains(query, Qt::CaseInsensitive))
            found.append(*memo);
    }
    return found;
}

QList<NoteSummary> LibraryController::referenceArticles(const QString& query,
                                                        const QString& sourcePath) const
{
    if (query.isEmpty())
        return {};
    // The sidebar's filter is the same test: title or text, case ignored, over folded copies
    // made once per snapshot.
    QList<NoteSummary> found =
        ::filteredNotes(m_snapshot.notes, noteSearchIndex(), LibrarySelection::all(), query);
    found.removeIf([&sourcePath](const NoteSummary& note) { return note.path == sourcePath; });
    return found;
}

QString LibraryController::articleReferenceMarkdown(const QString& sourcePath,
                                                    const QString& notePath) const
{
    const std::optional<NoteSummary> target = note(notePath);
    if (!target)
        return {};
    QString title = target->title;
    title.replace(QLatin1Char('['), QLatin1String("\\["))
        .replace(QLatin1Char(']'), QLatin1String("\\]"));
    return QLatin1Char('[') + title + QLatin1String("](") +
           relativeMarkdownLink(sourcePath, target->path) + QLatin1Char(')');
}
