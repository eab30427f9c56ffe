// Loading, re-reading and switching the vault.

#include "librarycontroller.h"

#include "librarypreferences.h"
#include "outsidechanges.h"

#include <QDir>
#include <QFileInfo>

#include <qcorotask.h>

namespace {

// What one full read of a vault publishes.
struct VaultContents
{
    VaultSnapshot snapshot;
    QList<MemoRecord> memos;
    QList<DailyTodoItem> todayTodos;
};

} // namespace

std::optional<QString> LibraryController::articleToReopen() const
{
    if (const std::optional<QString> remembered =
            LibraryPreferences::lastOpenNotePath(*m_settings, m_rootPath)) {
        if (note(*remembered))
            return remembered;
    }
    if (!m_snapshot.notes.isEmpty())
        return m_snapshot.notes.first().path;
    return std::nullopt;
}

QCoro::Task<> LibraryController::loadAsync()
{
    if (!m_isVaultConfigured || m_loadPhase == LoadPhase::Restoring)
        co_return;
    setLoadPhase(LoadPhase::Restoring);
    m_shownStateWarnings.clear();

    // Nothing is published until every call has succeeded: the views never see half a vault.
    VaultContents contents;
    std::optional<QString> failure;
    try {
        co_await onStorage(&VaultRepository::prepareLayout);
        // The list as rolled over, also where it could not be written (a read-only vault).
        contents.todayTodos =
            co_await onStorage(&VaultRepository::rollOverDailyTodos, QDateTime::currentDateTime());
        contents.snapshot = co_await onStorage(&VaultRepository::loadSnapshot);
        contents.memos = co_await onStorage(&VaultRepository::loadMemos);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (failure) {
        setLoadPhase(LoadPhase::Failed, *failure);
        showStorageWarnings(m_repository, *failure);
        co_return;
    }

    publishSnapshot(contents.snapshot);
    publishMemos(contents.memos);
    publishTodayTodos(contents.todayTodos);
    showStorageWarnings(m_repository);
    const std::optional<QString> reopened = articleToReopen();
    co_await openNoteAsync(reopened);
    setLoadPhase(LoadPhase::Ready);
    showCopiesKeptAtQuit();
    prepareSearchAsync();
}

QCoro::Task<> LibraryController::prepareSearchAsync()
{
    // Once the vault is on screen: its articles are indexed for search (read in full once, then
    // kept in the start-up cache), and the cache is brought up to date for the next start.
    // Searching works without the index, only slower, so a failure here is left alone.
    try {
        co_await onStorage(&VaultRepository::buildSearchIndex);
        co_await onStorage(&VaultRepository::saveStartupCache);
        publishSnapshot(co_await onStorage(&VaultRepository::loadSnapshot));
    } catch (const std::exception&) {
        // The next refresh reports a lasting failure.
    }
}

QCoro::Task<> LibraryController::refreshAsync(bool selectFallbackNote)
{
    const OutsideChangeWatcher::Refreshing refreshing(m_outsideChanges);
    const VaultSnapshot snapshot = co_await onStorage(&VaultRepository::loadSnapshot);
    publishSnapshot(snapshot);
    co_await followOpenFilesAsync();
    const QList<MemoRecord> memos = co_await onStorage(&VaultRepository::loadMemos);
    publishMemos(memos);
    // Rolled over on a new day; the list as it would be also where it cannot be written.
    const QList<DailyTodoItem> todos =
        co_await onStorage(&VaultRepository::rollOverDailyTodos, QDateTime::currentDateTime());
    publishTodayTodos(todos);
    showStorageWarnings(m_repository);

    const NoteEditorSession* selected = selectedSession();
    if (selected && note(selected->path()))
        co_return;
    if (!selectFallbackNote)
        co_return;
    const QList<NoteSummary> listed = filteredNotes();
    std::optional<QString> fallback;
    if (!listed.isEmpty())
        fallback = listed.first().path;
    else if (!m_snapshot.notes.isEmpty())
        fallback = m_snapshot.notes.first().path;
    if (fallback)
        co_await openNoteAsync(fallback);
}

QCoro::Task<> LibraryController::flushAllAsync()
{
    QPointer<LibraryController> self(this);
    const QList<QPointer<NoteEditorSession>> sessions(m_openSessions.cbegin(),
                                                      m_openSessions.cend());
    for (const QPointer<NoteEditorSession>& session : sessions) {
        if (session)
            co_await session->flushAsync();
        if (!self)
            co_return;
    }
}

QCoro::Task<> LibraryController::saveOpenSessionsAndRefreshAsync()
{
    QPointer<LibraryController> self(this);
    co_await flushAllAsync();
    if (!self)
        co_return;
    try {
        co_await refreshAsync(false);
    } catch (const std::exception&) {
        // The callers go on regardless; the next refresh reports a lasting failure.
    }
}

QCoro::Task<> LibraryController::openVaultAsync(QString folderPath)
{
    QPointer<LibraryController> self(this);
    const LoadPhase previousPhase = m_loadPhase;
    const QString previousFailure = m_loadFailureMessage;
    const bool wasConfigured = m_isVaultConfigured;
    co_await saveOpenSessionsAndRefreshAsync();
    if (self)
        co_await keepUnsavedCopiesAsync(false); // the tabs go with the old vault
    if (!self)
        co_return;
    setLoadPhase(LoadPhase::Restoring);

    const auto repository = std::make_shared<const VaultRepository>(folderPath);
    VaultContents contents;
    std::optional<QString> failure;
    try {
        co_await onRepository(repository, &VaultRepository::prepareLayout);
        contents.todayTodos = co_await onRepository(
            repository, &VaultRepository::rollOverDailyTodos, QDateTime::currentDateTime());
        contents.snapshot = co_await onRepository(repository, &VaultRepository::loadSnapshot);
        contents.memos = co_await onRepository(repository, &VaultRepository::loadMemos);
    } catch (const std::exception& error) {
        failure = vaultAccessMessage(error);
    }
    if (failure) {
        if (wasConfigured)
            setLoadPhase(previousPhase, previousFailure);
        else
            setLoadPhase(LoadPhase::Failed, *failure);
        setAlertMessage(*failure);
        repository->takeWarnings(); // about a vault that is not opened
        co_return;
    }

    LibraryPreferences::storeVault(*m_settings, repository->rootPath());

    // Replace the published state in one go.
    m_repository = repository;
    m_outsideChanges->follow(m_repository);
    if (m_rootPath != repository->rootPath()) {
        m_rootPath = repository->rootPath();
        Q_EMIT rootUrlChanged();
    }
    if (!m_isVaultConfigured) {
        m_isVaultConfigured = true;
        Q_EMIT isVaultConfiguredChanged();
    }
    publishSnapshot(contents.snapshot);
    publishMemos(contents.memos);
    publishTodayTodos(contents.todayTodos);
    m_shownStateWarnings.clear();
    showStorageWarnings(m_repository);
    const QList<NoteEditorSession*> oldSessions = m_openSessions;
    setOpenSessions({}, {});
    for (NoteEditorSession* session : oldSessions)
        session->deleteLater();
    setSelection(LibrarySelection::all());
    setCreationFolderPath({});
    setSearchText({});
    setEditorFocusDocumentPath({});

    if (const std::optional<QString> path = articleToReopen()) {
        std::optional<NoteDocument> document;
        try {
            document = co_await onStorage(&VaultRepository::loadDocument, *path);
        } catch (const std::exception& error) {
            failure = vaultAccessMessage(error);
        }
        if (failure) {
            // The new vault is open and published; only its article could not be read. Going
            // back to the phase before the switch would leave a first choice on the restoring
            // screen for good, so the library is ready, without a tab and without the notice.
            setAlertMessage(*failure);
            setLoadPhase(LoadPhase::Ready);
            co_return;
        }
        NoteEditorSession* session = makeSession(*document);
        setOpenSessions({session}, session->id());
        rememberSelectedNote();
    }
    setLoadPhase(LoadPhase::Ready);
    showNotice(QStringLiteral("已切换笔记仓库"));
    prepareSearchAsync();
}

void LibraryController::handleApplicationActive(bool active)
{
    if (active && m_loadPhase == LoadPhase::Ready)
        refresh();
    else
        saveOpenSessionsAndRefresh();
}

void LibraryController::flushAllAndWait()
{
    QCoro::waitFor(flushAllAsync());
    // What the files could not take is kept beside them; the next start says where.
    QCoro::waitFor(keepUnsavedCopiesAsync(true));
    // Storage calls already handed over finish first, so the cache below sees their writes.
    m_executor->waitForDone();
    // What this run read serves the next start; the cache is written only when it fell behind.
    QCoro::waitFor([](LibraryController* self) -> QCoro::Task<> {
        co_await self->onStorage(&VaultRepository::saveStartupCache);
    }(this));
}

void LibraryController::load()
{
    loadAsync();
}

void LibraryController::refresh()
{
    [](LibraryController* self) -> QCoro::Task<> {
        try {
            co_await self->refreshAsync(false);
        } catch (const std::exception&) {
            // Started by the window becoming active: a failing re-read shows up at the next
            // operation.
        }
    }(this);
}

void LibraryController::saveOpenSessionsAndRefresh()
{
    saveOpenSessionsAndRefreshAsync();
}

void LibraryController::openVault(const QUrl& folder)
{
    openVaultAsync(folder.isLocalFile() ? folder.toLocalFile() : folder.toString());
}
