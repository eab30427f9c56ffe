#pragma once

#include "listmodelbase.h"
#include "vaultrecords.h"

// A list of article summaries.
//
// Roles (QML names):
// - path: vault-relative path, with ".md"
// - title: the article's title
// - preview: a short plain-text preview
// - modifiedAt: QDateTime of the file's last change
// - folderPath: the folder holding the article, "" at the root
class NoteListModel : public ListModelBase
{
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole + 1,
        TitleRole,
        PreviewRole,
        ModifiedAtRole,
        FolderPathRole,
    };

    using ListModelBase::ListModelBase;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<NoteSummary>& notes() const { return m_notes; }
    void setNotes(const QList<NoteSummary>& notes);

private:
    QList<NoteSummary> m_notes;
};
