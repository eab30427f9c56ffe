// Open tabs, the selected tab, and the article remembered per vault.

#include "librarycontroller.h"

#include "librarypreferences.h"

NoteEditorSession* LibraryController::makeSession(const NoteDocument& document)
{
    auto* session = new NoteEditorSession(document, m_repository, m_executor, this);
    // A failed save is reported by the session's own state (the editor's bar and its tab), not
    // by a modal alert that would take the keys of someone typing on.
    connect(session, &NoteEditorSession::didSave, this, [this]() { refresh(); });
    connect(session, &NoteEditorSession::alertRequested, this,
            [this](const QString& message) { setAlertMessage(message); });
    connect(session, &NoteEditorSession::noticeRequested, this, &LibraryController::showNotice);
    connect(session, &NoteEditorSession::copySaved, this, [this](const QString& path) {
        [](LibraryController* self, QString copy) -> QCoro::Task<> {
            QPointer<LibraryController> guard(self);
            try {
                co_await self->refreshAsync(false);
            } catch (const std::exception&) {
                // The copy opens all the same; a lasting failure shows at the next operation.
            }
            if (guard)
                co_await self->openNoteAsync(copy);
        }(this, path);
    });
    return session;
}

NoteEditorSession* LibraryController::sessionWithId(const QString& id) const
{
    for (NoteEditorSession* session : m_openSessions) {
        if (session->id() == id)
            return session;
    }
    return nullptr;
}

NoteEditorSession* LibraryController::sessionWithPath(const QString& path) const
{
    for (NoteEditorSession* session : m_openSessions) {
        if (session->path() == path)
            return session;
    }
    return nullptr;
}

NoteEditorSession* LibraryController::selectedSession() const
{
    return m_selectedSessionId.isEmpty() ? nullptr : sessionWithId(m_selectedSessionId);
}

void LibraryController::setOpenSessions(const QList<NoteEditorSession*>& sessions,
                                        const QString& selectedId)
{
    const bool sessionsChanged = m_openSessions != sessions;
    const bool selectionChanged = m_selectedSessionId != selectedId;
    m_openSessions = sessions;
    m_selectedSessionId = selectedId;
    if (sessionsChanged)
        m_sessionModel->setSessions(m_openSessions);
    m_sessionModel->setSelectedId(m_selectedSessionId);
    if (sessionsChanged)
        Q_EMIT openSessionsChanged();
    if (selectionChanged)
        Q_EMIT selectedSessionChanged();
}

void LibraryController::setSelectedSessionId(const QString& id)
{
    setOpenSessions(m_openSessions, id);
}

void LibraryController::rememberSelectedNote()
{
    const NoteEditorSession* selected = selectedSession();
    LibraryPreferences::rememberOpenNote(
        *m_settings, selected ? std::optional<QString>(selected->path()) : std::nullopt,
        m_rootPath);
}

QCoro::Task<> LibraryController::openNoteAsync(std::optional<QString> path)
{
    setEditorFocusDocumentPath({});
    if (!path) {
        setSelectedSessionId({});
        LibraryPreferences::rememberOpenNote(*m_settings, std::nullopt, m_rootPath);
        co_return;
    }
    setCreationFolderPath(parentFolderPath(*path));
    if (NoteEditorSession* open = sessionWithPath(*path)) {
        setSelectedSessionId(open->id());
        rememberSelectedNote();
        co_return;
    }

    std::optional<NoteDocument> document;
    try {
        document = co_await onStorage(&VaultRepository::loadDocument, *path);
    } catch (const std::exception& error) {
        reportError(error);
        co_return;
    }
    // Another call may have opened the article while this one was reading it.
    NoteEditorSession* session = sessionWithPath(*path);
    if (!session) {
        session = makeSession(*document);
        setOpenSessions(m_openSessions + QList<NoteEditorSession*>{session}, session->id());
    }
    setSelectedSessionId(session->id());
    rememberSelectedNote();
}

void LibraryController::selectSession(const QString& sessionId)
{
    if (!sessionWithId(sessionId))
        return;
    setSelectedSessionId(sessionId);
    setEditorFocusDocumentPath({});
    rememberSelectedNote();
}

QCoro::Task<> LibraryController::closeSessionAsync(QString sessionId)
{
    NoteEditorSession* session = sessionWithId(sessionId);
    if (!session)
        co_return;
    QPointer<LibraryController> self(this);
    // The tab closes also when its text cannot go into the file (a conflict, a file gone, a
    // failed save): that text is kept as a copy beside the article first.
    QPointer<NoteEditorSession> closing(session);
    co_await session->flushAsync();
    if (self && closing && closing->saveState() == NoteEditorSession::SaveState::Waiting)
        co_await closing->flushAsync(); // typed while the first save ran
    if (self && closing && closing->needsCopy()) {
        const std::optional<QString> copy = co_await closing->keepUnsavedCopyAsync();
        // Not kept (the alert says why): the tab stays open with its text.
        if (!self || !copy)
            co_return;
        setAlertMessage(keptCopyMessage({*copy}));
        refresh(); // the copy joins the lists
    }
    if (self)
        removeSession(sessionId);
}

void LibraryController::removeSession(const QString& sessionId)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_openSessions.size(); ++i) {
        if (m_openSessions.at(i)->id() == sessionId)
            index = i;
    }
    if (index < 0)
        return;
    QList<NoteEditorSession*> remaining = m_openSessions;
    NoteEditorSession* removed = remaining.takeAt(index);
    if (sessionId != m_selectedSessionId) {
        setOpenSessions(remaining, m_selectedSessionId);
    } else if (!remaining.isEmpty()) {
        setOpenSessions(remaining, remaining.at(std::min(index, remaining.size() - 1))->id());
        rememberSelectedNote();
    } else {
        setOpenSessions(remaining, {});
        LibraryPreferences::rememberOpenNote(*m_settings, std::nullopt, m_rootPath);
    }
    removed->deleteLater();
}

PendingResult* LibraryController::openNote(const QString& path)
{
    auto* pending = new PendingResult(this);
    QCoro::connect(openNoteAsync(path.isEmpty() ? std::nullopt : std::optional<QString>(path)),
                   pending, [this, pending, path]() {
                       const NoteEditorSession* selected = selectedSession();
                       pending->finish(selected ? selected->path() == path : path.isEmpty());
                   });
    return pending;
}

void LibraryController::closeSession(const QString& sessionId)
{
    closeSessionAsync(sessionId);
}
