// Articles and folders: creating, renaming and trashing, with the sessions they open or close.

#include "librarycontroller.h"

#include "vaultpaths.h"

namespace {

std::optional<QString> optionalText(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

QString escapedLinkText(QString text)
{
    return text.replace(QLatin1Char('['), QLatin1String("\\["))
        .replace(QLatin1Char(']'), QLatin1String("\\]"));
}

// The article's title as its file name shows it.
QString titleOfPath(const QString& path)
{
    QString name = path.section(QLatin1Char('/'), -1);
    if (name.endsWith(QLatin1String(".md"), Qt::CaseInsensitive))
        name.chop(3);
    return name;
}

} // namespace

QString LibraryController::articleAnnouncement(const QString& journalPath,
                                               const QString& articlePath)
{
    return QLatin1Char('[') + escapedLinkText(titleOfPath(articlePath)) + QStringLiteral("](") +
           relativeMarkdownLink(journalPath, articlePath) + QLatin1Char(')');
}

QString LibraryController::unannouncedArticleWarning(const std::exception& error)
{
    QString reason = errorDescription(error);
    if (reason.endsWith(QStringLiteral("。")))
        reason.chop(1);
    return QStringLiteral("笔记已创建，但没能在今天的记录里加上指向它的链接：%1。").arg(reason);
}

QCoro::Task<std::optional<QString>>
LibraryController::createArticleAsync(QString title, std::optional<QString> folderPath)
{
    QPointer<LibraryController> self(this);
    co_await saveOpenSessionsAndRefreshAsync();
    if (!self)
        co_return std::nullopt;
    const QString folder = folderPath.value_or(m_creationFolderPath);
    NoteDocument document;
    try {
        document = co_await onStorage(&VaultRepository::createNote, folder, title);
    } catch (const std::exception& error) {
        reportError(error);
        co_return std::nullopt;
    }
    // Every new article is announced in the memo stream by a memo linking to it. The article
    // exists by now: an announcement that cannot be written is a warning, and the article
    // opens all the same.
    std::optional<QString> unannounced;
    try {
        const QDateTime now = QDateTime::currentDateTime();
        const NoteDocument journal =
            co_await onStorage(&VaultRepository::ensureJournalDocument, now);
        const QString announcement = articleAnnouncement(journal.path, document.path);
        co_await onStorage(&VaultRepository::createMemo, announcement, now, QString(),
                           QStringList());
    } catch (const std::exception& error) {
        unannounced = unannouncedArticleWarning(error);
    }
    try {
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
    }
    if (unannounced)
        showStorageWarnings(m_repository, *unannounced);
    NoteEditorSession* session = makeSession(document);
    setOpenSessions(m_openSessions + QList<NoteEditorSession*>{session}, session->id());
    setEditorFocusDocumentPath(document.path);
    rememberSelectedNote();
    co_return document.path;
}

QCoro::Task<> LibraryController::createFolderAsync(QString name, std::optional<QString> parentPath)
{
    const QString parent = parentPath.value_or(m_creationFolderPath);
    QString path;
    try {
        path = co_await onStorage(&VaultRepository::createFolder, parent, name);
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
        co_return;
    }
    setSelection(LibrarySelection::folder(path));
}

QCoro::Task<> LibraryController::renameSelectedNoteAsync(QString newName)
{
    if (const NoteEditorSession* selected = selectedSession()) {
        const QString path = selected->path();
        co_await renameNoteAsync(path, newName);
    }
}

QCoro::Task<> LibraryController::renameNoteAsync(QString path, QString newName)
{
    QPointer<LibraryController> self(this);
    QPointer<NoteEditorSession> session = sessionWithPath(path);
    const bool hadSession = session;
    if (session) {
        // Unsaved edits are written under the old name, so the rename carries them.
        co_await session->flushAsync();
        if (!self)
            co_return;
    }
    try {
        const NoteDocument renamed =
            co_await onStorage(&VaultRepository::renameNote, path, newName);
        if (session)
            session->replaceDocument(renamed);
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
        co_return;
    }
    const bool sessionSelected = session && session->id() == m_selectedSessionId;
    if (sessionSelected || (!hadSession && m_selectedSessionId.isEmpty()))
        rememberSelectedNote();
}

QCoro::Task<> LibraryController::trashSelectedNoteAsync()
{
    if (const NoteEditorSession* selected = selectedSession()) {
        const QString path = selected->path();
        co_await trashNoteAsync(path);
    }
}

QCoro::Task<> LibraryController::trashNoteAsync(QString path)
{
    QPointer<NoteEditorSession> session = sessionWithPath(path);
    // Unsaved edits of a trashed article are dropped.
    if (session)
        session->cancelPendingSave();
    try {
        co_await onStorage(&VaultRepository::trashNote, path);
        if (session) {
            removeSession(session->id());
            setEditorFocusDocumentPath({});
        }
        co_await refreshAsync(m_openSessions.isEmpty());
    } catch (const std::exception& error) {
        reportError(error);
    }
}

PendingResult* LibraryController::createArticle(const QString& title, const QVariant& folderPath)
{
    auto* pending = new PendingResult(this);
    QCoro::connect(createArticleAsync(title, optionalText(folderPath)), pending,
                   [pending](const std::optional<QString>& path) {
                       pending->finish(path.value_or(QString()));
                   });
    return pending;
}

void LibraryController::createFolder(const QString& name, const QVariant& parentPath)
{
    createFolderAsync(name, optionalText(parentPath));
}

void LibraryController::renameSelectedNote(const QString& newName)
{
    renameSelectedNoteAsync(newName);
}

void LibraryController::renameNote(const QString& path, const QString& newName)
{
    renameNoteAsync(path, newName);
}

void LibraryController::trashSelectedNote()
{
    trashSelectedNoteAsync();
}

void LibraryController::trashNote(const QString& path)
{
    trashNoteAsync(path);
}
