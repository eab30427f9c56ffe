#include "notelistmodel.h"

#include "search.h"

int NoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_notes.size());
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const NoteSummary& note = m_notes.at(index.row());
    switch (role) {
    case PathRole:
        return note.path;
    case Qt::DisplayRole:
    case TitleRole:
        return note.title;
    case PreviewRole:
        return note.preview;
    case ModifiedAtRole:
        return note.modifiedAt;
    case FolderPathRole:
        return parentFolderPath(note.path);
    default:
        return {};
    }
}

QHash<int, QByteArray> NoteListModel::roleNames() const
{
    return {{PathRole, "path"},
            {TitleRole, "title"},
            {PreviewRole, "preview"},
            {ModifiedAtRole, "modifiedAt"},
            {FolderPathRole, "folderPath"}};
}

void NoteListModel::setNotes(const QList<NoteSummary>& notes)
{
    replaceRows(m_notes, notes,
                [](const NoteSummary& a, const NoteSummary& b) { return a.path == b.path; });
}
