#include "sessionlistmodel.h"

#include "noteeditorsession.h"

int SessionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_sessions.size());
}

QVariant SessionListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    NoteEditorSession* session = m_sessions.at(index.row());
    if (!session)
        return {};
    switch (role) {
    case SessionRole:
        return QVariant::fromValue(session);
    case IdRole:
        return session->id();
    case PathRole:
        return session->path();
    case Qt::DisplayRole:
    case TitleRole:
        return session->title();
    case SaveStateRole:
        return QVariant::fromValue(session->saveState());
    case IsSelectedRole:
        return session->id() == m_selectedId;
    default:
        return {};
    }
}

QHash<int, QByteArray> SessionListModel::roleNames() const
{
    return {{SessionRole, "session"}, {IdRole, "sessionId"},        {PathRole, "path"},
            {TitleRole, "title"},     {SaveStateRole, "saveState"}, {IsSelectedRole, "isSelected"}};
}

void SessionListModel::setSessions(const QList<NoteEditorSession*>& sessions)
{
    QList<QPointer<NoteEditorSession>> next(sessions.begin(), sessions.end());
    for (NoteEditorSession* session : sessions) {
        if (m_sessions.contains(session))
            continue;
        connect(session, &NoteEditorSession::documentChanged, this,
                [this, session]() { sessionChanged(session); });
        connect(session, &NoteEditorSession::saveStateChanged, this,
                [this, session]() { sessionChanged(session); });
    }
    for (const QPointer<NoteEditorSession>& session : std::as_const(m_sessions)) {
        if (session && !sessions.contains(session.data()))
            session->disconnect(this);
    }
    replaceRows(m_sessions, next,
                [](const QPointer<NoteEditorSession>& a, const QPointer<NoteEditorSession>& b) {
                    return a == b;
                });
}

void SessionListModel::setSelectedId(const QString& id)
{
    if (m_selectedId == id)
        return;
    const QString previous = m_selectedId;
    m_selectedId = id;
    for (int row = 0; row < m_sessions.size(); ++row) {
        const NoteEditorSession* session = m_sessions.at(row);
        if (session && (session->id() == previous || session->id() == id))
            Q_EMIT dataChanged(index(row), index(row), {IsSelectedRole});
    }
}

void SessionListModel::sessionChanged(NoteEditorSession* session)
{
    const qsizetype row = m_sessions.indexOf(session);
    if (row >= 0)
        Q_EMIT dataChanged(index(int(row)), index(int(row)), {PathRole, TitleRole, SaveStateRole});
}
