#include "search.h"

QString foldForSearch(const QString& text)
{
    return text;
}
QStringList searchTokens(const QString&)
{
    return {};
}
bool isNoteInFolder(const QString&, const QString&)
{
    return true;
}
QString parentFolderPath(const QString&)
{
    return {};
}
NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>&)
{
    return {};
}
MemoSearchIndex buildMemoSearchIndex(const QList<MemoRecord>&)
{
    return {};
}
QList<NoteSummary> searchArticles(const QList<NoteSummary>&, const NoteSearchIndex&, const QString&,
                                  const std::optional<QString>&)
{
    return {};
}
QList<MemoRecord> searchMemos(const QList<MemoRecord>&, const MemoSearchIndex&, const QString&,
                              const std::optional<QDate>&)
{
    return {};
}
QList<NoteSummary> filteredNotes(const QList<NoteSummary>& notes, const NoteSearchIndex&,
                                 const LibrarySelection&, const QString&)
{
    return notes;
}
QStringList visibleFolders(const QList<FolderItem>&)
{
    return {};
}
