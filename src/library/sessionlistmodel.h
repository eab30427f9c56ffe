#pragma once

#include "listmodelbase.h"

#include <QPointer>

class NoteEditorSession;

// The open articles as tabs, in tab order; rows follow each session's document and save state.
//
// Roles (QML names):
// - session: the NoteEditorSession object
// - sessionId: its id
// - path: its document's vault path
// - title: the file name without ".md"
// - saveState: NoteEditorSession::SaveState
// - isSelected: whether it is the visible tab
class SessionListModel : public ListModelBase
{
    Q_OBJECT

public:
    enum Role {
        SessionRole = Qt::UserRole + 1,
        IdRole,
        PathRole,
        TitleRole,
        SaveStateRole,
        IsSelectedRole,
    };

    using ListModelBase::ListModelBase;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void setSessions(const QList<NoteEditorSession*>& sessions);
    void setSelectedId(const QString& id);

private:
    void sessionChanged(NoteEditorSession* session);

    QList<QPointer<NoteEditorSession>> m_sessions;
    QString m_selectedId;
};
