#include "librarycontroller.h"

#include "librarypreferences.h"
#include "vaulterror.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <numeric>

#include <cerrno>

namespace {

constexpr int noticeMilliseconds = 1800;

} // namespace

LibraryController::LibraryController(QSettings* settings, QObject* parent)
    : LibraryController(settings, QString(), parent)
{
    if (const std::optional<QString> stored = LibraryPreferences::resolveStoredVault(*m_settings))
        useVault(*stored, true);
    else
        useVault(defaultVaultPath(), false);
}

LibraryController::LibraryController(QSettings* settings, const QString& vaultPath, QObject* parent)
    : QObject(parent), m_settings(settings), m_executor(std::make_shared<RepositoryExecutor>()),
      m_search(new PublishedSearch(this)), m_memoModel(new MemoListModel(this)),
      m_todoModel(new TodoListModel(this)), m_noteModel(new NoteListModel(this)),
      m_filteredNoteModel(new NoteListModel(this)), m_sessionModel(new SessionListModel(this))
{
    Q_ASSERT(settings);
    connect(m_search, &PublishedSearch::tagsChanged, this, &LibraryController::tagsChanged);
    if (!vaultPath.isEmpty())
        useVault(vaultPath, true);
}

LibraryController::~LibraryController()
{
    // Calls already handed to the storage thread finish before the repositories go away.
    m_executor->waitForDone();
}

QString LibraryController::defaultVaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Larch Notes");
}

QString LibraryController::vaultAccessMessage(const std::exception& error)
{
    if (const auto* fileError = dynamic_cast<const FileError*>(&error)) {
        const bool writing = fileError->operation() == FileError::write ||
                             fileError->operation() == FileError::createFolder ||
                             fileError->operation() == FileError::move;
        const QString reason = fileError->reason();
        if (writing && (reason == FileError::reasonForErrno(EACCES) ||
                        reason == FileError::reasonForErrno(EROFS)))
            return QStringLiteral(
                "无法写入所选位置。请先在文件管理器中创建一个文件夹，再选择该文件夹作为"
                "笔记仓库；可以是本地文件夹，或由同步工具（如 "
                "Nextcloud、Syncthing）同步的文件夹。");
    }
    return errorDescription(error);
}

QString LibraryController::errorDescription(const std::exception& error)
{
    if (const auto* storageError = dynamic_cast<const StorageError*>(&error))
        return storageError->localizedDescription();
    return QString::fromLocal8Bit(error.what());
}

void LibraryController::useVault(const QString& path, bool configured)
{
    m_repository = std::make_shared<const VaultRepository>(path);
    const QString previousRoot = m_rootPath;
    m_rootPath = m_repository->rootPath();
    if (previousRoot != m_rootPath)
        Q_EMIT rootUrlChanged();
    if (m_isVaultConfigured != configured) {
        const bool couldCreate = canCreateArticle();
        m_isVaultConfigured = configured;
        Q_EMIT isVaultConfiguredChanged();
        if (couldCreate != canCreateArticle())
            Q_EMIT canCreateArticleChanged();
    }
}

// --- Published state

bool LibraryController::canCreateArticle() const
{
    return m_isVaultConfigured && m_loadPhase == LoadPhase::Ready;
}

void LibraryController::setLoadPhase(LoadPhase phase, const QString& failureMessage)
{
    const QString message = phase == LoadPhase::Failed ? failureMessage : QString();
    if (m_loadPhase == phase && m_loadFailureMessage == message)
        return;
    const bool couldCreate = canCreateArticle();
    m_loadPhase = phase;
    m_loadFailureMessage = message;
    Q_EMIT loadPhaseChanged();
    if (couldCreate != canCreateArticle())
        Q_EMIT canCreateArticleChanged();
}

void LibraryController::setAlertMessage(const QString& text)
{
    if (m_alertMessage == text)
        return;
    m_alertMessage = text;
    Q_EMIT alertMessageChanged();
}

void LibraryController::reportError(const std::exception& error)
{
    showStorageWarnings(m_repository, errorDescription(error));
}

QString LibraryController::warningsText(const QStringList& warnings)
{
    constexpr qsizetype shown = 5;
    QStringList lines = warnings.mid(0, shown);
    if (warnings.size() > shown)
        lines.append(QStringLiteral("另有 %1 条类似的提示。").arg(warnings.size() - shown));
    return lines.join(QLatin1Char('\n'));
}

void LibraryController::showStorageWarnings(const Repository& repository, const QString& error)
{
    QStringList lines;
    if (!error.isEmpty())
        lines.append(error);
    QStringList warnings;
    for (const VaultWarning& warning : repository->takeWarnings()) {
        if (warning.kind == VaultWarning::Kind::vaultState) {
            if (m_shownStateWarnings.contains(warning.text))
                continue;
            m_shownStateWarnings.append(warning.text);
        }
        warnings.append(warning.text);
    }
    if (!warnings.isEmpty())
        lines.append(warningsText(warnings));
    if (!lines.isEmpty())
        setAlertMessage(lines.join(QLatin1Char('\n')));
}

void LibraryController::setNoticeMessage(const QString& text)
{
    if (m_noticeMessage == text)
        return;
    m_noticeMessage = text;
    Q_EMIT noticeMessageChanged();
}

void LibraryController::showNotice(const QString& text)
{
    setNoticeMessage(text);
    // Every notice has its own timer, none is cancelled: a timer only clears the notice it was
    // started for, so a newer notice is never cleared early.
    QTimer::singleShot(noticeMilliseconds, Qt::PreciseTimer, this, [this, text]() {
        if (m_noticeMessage == text)
            setNoticeMessage({});
    });
}

void LibraryController::requestVaultPicker()
{
    ++m_vaultPickerRequest;
    Q_EMIT vaultPickerRequestChanged();
}

void LibraryController::setEditorFocusDocumentPath(const QString& path)
{
    if (m_editorFocusDocumentPath == path)
        return;
    m_editorFocusDocumentPath = path;
    Q_EMIT editorFocusDocumentPathChanged();
}

LibraryController::SelectionKind LibraryController::selectionKind() const
{
    switch (m_selection.kind()) {
    case LibrarySelection::Kind::all:
        return SelectionKind::All;
    case LibrarySelection::Kind::quick:
        return SelectionKind::Quick;
    case LibrarySelection::Kind::folder:
        return SelectionKind::Folder;
    }
    return SelectionKind::All;
}

QString LibraryController::selectedFolderPath() const
{
    return m_selection.kind() == LibrarySelection::Kind::folder ? m_selection.folderPath()
                                                                : QString();
}

void LibraryController::setSelection(const LibrarySelection& selection)
{
    // The folder for new articles follows every assignment of the selection.
    setCreationFolderPath(
        selection.kind() == LibrarySelection::Kind::folder ? selection.folderPath() : QString());
    if (m_selection == selection)
        return;
    m_selection = selection;
    Q_EMIT selectionChanged();
    updateFilteredNotes();
}

void LibraryController::selectFolder(const QString& path)
{
    setSelection(path.isEmpty() ? LibrarySelection::all() : LibrarySelection::folder(path));
    setCreationFolderPath(path);
}

void LibraryController::setCreationFolderPath(const QString& path)
{
    if (m_creationFolderPath == path)
        return;
    m_creationFolderPath = path;
    Q_EMIT creationFolderPathChanged();
}

void LibraryController::setSearchText(const QString& text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
    updateFilteredNotes();
}

// --- Publishing

void LibraryController::publishSnapshot(const VaultSnapshot& snapshot)
{
    if (m_snapshot == snapshot) {
        // The same notes; their search index may have come since, which changes no result.
        if (m_snapshot.searchIndex != snapshot.searchIndex ||
            m_snapshot.searchSlots != snapshot.searchSlots) {
            m_snapshot.searchIndex = snapshot.searchIndex;
            m_snapshot.searchSlots = snapshot.searchSlots;
            m_search->setNotes(m_snapshot);
        }
        return;
    }
    m_snapshot = snapshot;
    m_search->setNotes(m_snapshot);
    m_noteRows.clear();
    m_noteRows.reserve(m_snapshot.notes.size());
    for (qsizetype row = 0; row < m_snapshot.notes.size(); ++row)
        m_noteRows.insert(m_snapshot.notes.at(row).path, row);
    m_visibleFolders = ::visibleFolders(m_snapshot.folders);
    m_noteModel->setNotes(m_snapshot.notes);
    updateFilteredNotes();
    Q_EMIT snapshotChanged();
}

void LibraryController::publishMemos(const QList<MemoRecord>& memos)
{
    if (m_memos == memos)
        return;
    m_memos = memos;
    m_search->setMemos(m_memos);
    m_memoRows.clear();
    m_memoRows.reserve(m_memos.size());
    m_memoDays.clear();
    for (qsizetype row = 0; row < m_memos.size(); ++row) {
        const MemoRecord& memo = m_memos.at(row);
        m_memoRows.insert(memo.id, row);
        m_memoDays.insert(memoDay(memo.createdAt));
    }
    m_memoModel->setMemos(m_memos);
    Q_EMIT memosChanged();
}

void LibraryController::publishTodayTodos(const QList<DailyTodoItem>& todos)
{
    if (m_todayTodos == todos)
        return;
    m_todayTodos = todos;
    m_todoModel->setTodos(m_todayTodos);
    Q_EMIT todayTodosChanged();
}

void LibraryController::updateFilteredNotes()
{
    // Filtering every article costs more than a keystroke may; while no view is connected to
    // the list, it is brought up to date when it is next asked for.
    const bool observed = m_filteredNoteModel->isObserved();
    m_filteredNotesStale = !observed;
    if (observed)
        m_filteredNoteModel->setNotes(filteredNotes());
}

NoteListModel* LibraryController::filteredNoteModel() const
{
    if (m_filteredNotesStale) {
        m_filteredNotesStale = false;
        m_filteredNoteModel->setNotes(filteredNotes());
    }
    return m_filteredNoteModel;
}

std::optional<MemoRecord> LibraryController::memo(const QString& id) const
{
    const auto it = m_memoRows.constFind(id);
    if (it == m_memoRows.cend())
        return std::nullopt;
    return m_memos.at(it.value());
}

std::optional<NoteSummary> LibraryController::note(const QString& path) const
{
    const auto it = m_noteRows.constFind(path);
    if (it == m_noteRows.cend())
        return std::nullopt;
    return m_snapshot.notes.at(it.value());
}

QVariantList LibraryController::memoDayList() const
{
    QList<QDate> days(m_memoDays.cbegin(), m_memoDays.cend());
    std::sort(days.begin(), days.end());
    QVariantList result;
    result.reserve(days.size());
    for (const QDate& day : std::as_const(days))
        result.append(day);
    return result;
}

// --- Search

const NoteSearchIndex& LibraryController::noteSearchIndex() const
{
    return m_search->notes();
}

const MemoSearchIndex& LibraryController::memoSearchIndex() const
{
    return m_search->memos();
}

QList<NoteSummary> LibraryController::filteredNotes() const
{
    // Without a search text the index is not needed; building it is left to the first search.
    if (trimmedSearchIsEmpty())
        return ::filteredNotes(m_snapshot.notes, {}, m_selection, m_searchText);
    return ::filteredNotes(m_snapshot.notes, noteSearchIndex(), m_selection, m_searchText);
}

bool LibraryController::trimmedSearchIsEmpty() const
{
    return isBlank(m_searchText);
}

bool LibraryController::isBlank(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
}

QList<NoteSummary> LibraryController::searchArticles(const QString& query,
                                                     const std::optional<QString>& folderPath) const
{
    return ::searchArticles(m_snapshot.notes, noteSearchIndex(), query, folderPath);
}

QList<MemoRecord> LibraryController::searchMemos(const QString& query,
                                                 const std::optional<QDate>& day) const
{
    return ::searchMemos(m_memos, memoSearchIndex(), query, day);
}

QVariantMap LibraryController::noteMap(const NoteSummary& note)
{
    return {{QStringLiteral("path"), note.path},
            {QStringLiteral("title"), note.title},
            {QStringLiteral("preview"), note.preview},
            {QStringLiteral("modifiedAt"), note.modifiedAt}};
}

QVariantList LibraryController::searchArticlesForView(const QString& query,
                                                      const QString& folderPath, int limit) const
{
    const QList<NoteSummary> found = searchArticles(
        query, folderPath.isEmpty() ? std::nullopt : std::optional<QString>(folderPath));
    QVariantList result;
    for (const NoteSummary& note : found) {
        if (limit >= 0 && result.size() >= limit)
            break;
        result.append(noteMap(note));
    }
    return result;
}

QStringList LibraryController::searchMemoIds(const QString& query, QDate day, int limit) const
{
    const QList<MemoRecord> found =
        searchMemos(query, day.isValid() ? std::optional<QDate>(day) : std::nullopt);
    QStringList result;
    for (const MemoRecord& memo : found) {
        if (limit >= 0 && result.size() >= limit)
            break;
        result.append(memo.id);
    }
    return result;
}

namespace {

// The search's rows, or every one of `count` rows without a search; then those with the tags.
template <typename Search>
QList<qsizetype> rowsWithTags(qsizetype count, bool searching, const QStringList& tags,
                              const QList<QStringList>* rowTags, Search search)
{
    QList<qsizetype> rows;
    if (searching) {
        rows = search();
    } else {
        rows.resize(count);
        std::iota(rows.begin(), rows.end(), 0);
    }
    if (tags.isEmpty())
        return rows;
    QList<qsizetype> tagged;
    for (qsizetype row : std::as_const(rows)) {
        if (hasEveryTag(rowTags->at(row), tags))
            tagged.append(row);
    }
    return tagged;
}

} // namespace

QList<qsizetype> LibraryController::memoRows(const QString& query, const QStringList& tags) const
{
    const bool searching = !isBlank(query);
    const MemoSearchIndex* index = tags.isEmpty() && !searching ? nullptr : &memoSearchIndex();
    return rowsWithTags(m_memos.size(), searching, tags, index ? &index->tags : nullptr,
                        [&]() { return m_search->memoRows(query); });
}

QList<qsizetype> LibraryController::noteRows(const QString& query, const QStringList& tags) const
{
    const bool searching = !isBlank(query);
    const NoteSearchIndex* index = tags.isEmpty() && !searching ? nullptr : &noteSearchIndex();
    return rowsWithTags(m_snapshot.notes.size(), searching, tags, index ? &index->tags : nullptr,
                        [&]() { return m_search->noteRows(query); });
}

QList<qsizetype>
LibraryController::noteRowsNewestFirst(const std::optional<QString>& folderPath) const
{
    return notesNewestFirst(m_snapshot.notes, folderPath);
}
