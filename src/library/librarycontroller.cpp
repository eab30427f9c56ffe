// Temporary stubs: every operation is declared; implementations land by concern.
#include "librarycontroller.h"

#include "memolistmodel.h"
#include "noteeditorsession.h"
#include "notelistmodel.h"
#include "sessionlistmodel.h"
#include "todolistmodel.h"

#include <QStandardPaths>

LibraryController::LibraryController(QSettings* settings, QObject* parent)
    : LibraryController(settings, defaultVaultPath(), parent)
{
    m_isVaultConfigured = false;
}

LibraryController::LibraryController(QSettings* settings, const QString& vaultPath, QObject* parent)
    : QObject(parent), m_settings(settings), m_executor(std::make_shared<RepositoryExecutor>()),
      m_repository(std::make_shared<VaultRepository>(vaultPath)),
      m_rootPath(m_repository->rootPath()), m_isVaultConfigured(true),
      m_memoModel(new MemoListModel(this)), m_todoModel(new TodoListModel(this)),
      m_noteModel(new NoteListModel(this)), m_filteredNoteModel(new NoteListModel(this)),
      m_sessionModel(new SessionListModel(this))
{
}

LibraryController::~LibraryController() = default;

QString LibraryController::defaultVaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Larch Notes");
}
QString LibraryController::vaultAccessMessage(const std::exception&)
{
    return {};
}
bool LibraryController::canCreateArticle() const
{
    return m_isVaultConfigured && m_loadPhase == LoadPhase::Ready;
}
std::optional<MemoRecord> LibraryController::memo(const QString&) const
{
    return {};
}
NoteEditorSession* LibraryController::selectedSession() const
{
    return nullptr;
}
LibraryController::SelectionKind LibraryController::selectionKind() const
{
    return SelectionKind::All;
}
QString LibraryController::selectedFolderPath() const
{
    return {};
}
void LibraryController::setSelection(const LibrarySelection&) {}
void LibraryController::setCreationFolderPath(const QString&) {}
void LibraryController::setSearchText(const QString&) {}
void LibraryController::selectFolder(const QString&) {}
void LibraryController::requestVaultPicker() {}
void LibraryController::showNotice(const QString&) {}
QCoro::Task<> LibraryController::loadAsync()
{
    co_return;
}
QCoro::Task<> LibraryController::refreshAsync(bool)
{
    co_return;
}
QCoro::Task<> LibraryController::saveOpenSessionsAndRefreshAsync()
{
    co_return;
}
QCoro::Task<> LibraryController::openVaultAsync(const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::flushAllAsync()
{
    co_return;
}
void LibraryController::load() {}
void LibraryController::refresh() {}
void LibraryController::saveOpenSessionsAndRefresh() {}
void LibraryController::openVault(const QUrl&) {}
void LibraryController::flushAllAndWait() {}
void LibraryController::handleApplicationActive(bool) {}
QCoro::Task<> LibraryController::captureMemoAsync(const QString&, const QString&,
                                                  const QStringList&)
{
    co_return;
}
QCoro::Task<> LibraryController::addFollowUpAsync(const QString&, const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::editMemoAsync(const QString&, const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::saveMemoTextAsync(const QString&, const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::deleteMemoAsync(const QString&)
{
    co_return;
}
QCoro::Task<std::optional<QString>>
LibraryController::convertMemoToArticleAsync(const QString&, const QString&,
                                             const std::optional<QString>&)
{
    co_return std::nullopt;
}
QCoro::Task<> LibraryController::addTodosAsync(const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::toggleTodoAsync(int)
{
    co_return;
}
QCoro::Task<> LibraryController::deleteTodoAsync(int)
{
    co_return;
}
void LibraryController::captureMemo(const QString&, const QVariant&, const QStringList&) {}
void LibraryController::addFollowUp(const QString&, const QString&) {}
void LibraryController::editMemo(const QString&, const QString&) {}
void LibraryController::saveMemoText(const QString&, const QString&) {}
void LibraryController::deleteMemo(const QString&) {}
void LibraryController::convertMemoToArticle(const QString&, const QString&, const QVariant&) {}
void LibraryController::addTodos(const QString&) {}
void LibraryController::toggleTodo(int) {}
void LibraryController::deleteTodo(int) {}
QVariantList LibraryController::memoDayList() const
{
    return {};
}
std::optional<NoteSummary> LibraryController::referencedArticle(const MemoRecord&) const
{
    return {};
}
QList<QUrl> LibraryController::referencedArticleImages(const MemoRecord&, int) const
{
    return {};
}
std::optional<QUrl> LibraryController::imageFileURL(const QString&,
                                                    const std::optional<QString>&) const
{
    return {};
}
QString LibraryController::memoReferenceMarkdown(const MemoRecord&, const QString&) const
{
    return {};
}
QVariantMap LibraryController::referencedArticleOf(const QString&) const
{
    return {};
}
QList<QUrl> LibraryController::referencedArticleImagesOf(const QString&, int) const
{
    return {};
}
QUrl LibraryController::imageFileUrl(const QString&, const QString&) const
{
    return {};
}
QString LibraryController::memoReferenceMarkdownOf(const QString&, const QString&) const
{
    return {};
}
QCoro::Task<std::optional<QString>>
LibraryController::createArticleAsync(const QString&, const std::optional<QString>&)
{
    co_return std::nullopt;
}
QCoro::Task<> LibraryController::createFolderAsync(const QString&, const std::optional<QString>&)
{
    co_return;
}
QCoro::Task<> LibraryController::renameSelectedNoteAsync(const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::renameNoteAsync(const QString&, const QString&)
{
    co_return;
}
QCoro::Task<> LibraryController::trashSelectedNoteAsync()
{
    co_return;
}
QCoro::Task<> LibraryController::trashNoteAsync(const QString&)
{
    co_return;
}
void LibraryController::createArticle(const QString&, const QVariant&) {}
void LibraryController::createFolder(const QString&, const QVariant&) {}
void LibraryController::renameSelectedNote(const QString&) {}
void LibraryController::renameNote(const QString&, const QString&) {}
void LibraryController::trashSelectedNote() {}
void LibraryController::trashNote(const QString&) {}
QList<NoteSummary> LibraryController::filteredNotes() const
{
    return {};
}
QList<NoteSummary> LibraryController::searchArticles(const QString&,
                                                     const std::optional<QString>&) const
{
    return {};
}
QList<MemoRecord> LibraryController::searchMemos(const QString&, const std::optional<QDate>&) const
{
    return {};
}
QVariantList LibraryController::searchArticlesForView(const QString&, const QString&, int) const
{
    return {};
}
QStringList LibraryController::searchMemoIds(const QString&, QDate, int) const
{
    return {};
}
QCoro::Task<> LibraryController::openNoteAsync(const std::optional<QString>&)
{
    co_return;
}
QCoro::Task<> LibraryController::closeSessionAsync(const QString&)
{
    co_return;
}
void LibraryController::openNote(const QString&) {}
void LibraryController::selectSession(const QString&) {}
void LibraryController::closeSession(const QString&) {}
void LibraryController::removeSession(const QString&) {}
void LibraryController::rememberSelectedNote() {}
