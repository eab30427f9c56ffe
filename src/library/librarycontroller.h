#pragma once

#include "memocontent.h"
#include "memolistmodel.h"
#include "noteeditorsession.h"
#include "notelistmodel.h"
#include "pendingresult.h"
#include "publishedsearch.h"
#include "repositoryexecutor.h"
#include "search.h"
#include "sessionlistmodel.h"
#include "todolistmodel.h"
#include "vaultrecords.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <qcorotask.h>

#include <memory>
#include <optional>

class OutsideChangeWatcher;
class QSettings;

// The application's one observable state object: which vault is open, its published contents
// (memos, articles, today's todos), the open editor sessions, the sidebar selection, and the
// alert and notice texts. Views read the properties and call the operations; every change of
// the vault goes through the repository on its storage thread and ends with a full re-read.
//
// Operations come in two forms: a coroutine (`...Async`) for C++ callers that need to await
// the outcome, and a fire-and-forget Q_INVOKABLE of the plain name for QML. Neither throws:
// failures end up in `alertMessage`.
//
// The operations are implemented by concern: construction, publishing and notices in
// librarycontroller.cpp; load, refresh and vault switching in libraryloading.cpp; memos and
// todos in memooperations.cpp; articles, folders and selection in articleoperations.cpp; tabs
// and the remembered article in sessionoperations.cpp.
class LibraryController : public QObject
{
    Q_OBJECT

    Q_PROPERTY(LoadPhase loadPhase READ loadPhase NOTIFY loadPhaseChanged)
    // The message of the `Failed` phase; empty in every other phase.
    Q_PROPERTY(QString loadFailureMessage READ loadFailureMessage NOTIFY loadPhaseChanged)
    Q_PROPERTY(QUrl rootUrl READ rootUrl NOTIFY rootUrlChanged)
    Q_PROPERTY(QString rootPath READ rootPath NOTIFY rootUrlChanged)
    Q_PROPERTY(bool isVaultConfigured READ isVaultConfigured NOTIFY isVaultConfiguredChanged)
    // Each increment asks the interface to show the folder picker.
    Q_PROPERTY(int vaultPickerRequest READ vaultPickerRequest NOTIFY vaultPickerRequestChanged)
    // "新建文章" is enabled: a vault is configured and loaded.
    Q_PROPERTY(bool canCreateArticle READ canCreateArticle NOTIFY canCreateArticleChanged)

    // Empty means no alert / no notice.
    Q_PROPERTY(QString alertMessage READ alertMessage NOTIFY alertMessageChanged)
    Q_PROPERTY(QString noticeMessage READ noticeMessage NOTIFY noticeMessageChanged)

    // The published contents. The models live as long as the controller.
    Q_PROPERTY(MemoListModel* memos READ memoModel CONSTANT)
    Q_PROPERTY(TodoListModel* todayTodos READ todoModel CONSTANT)
    // Every article of the snapshot, in snapshot order.
    Q_PROPERTY(NoteListModel* notes READ noteModel CONSTANT)
    // The sidebar's article list: the selection and the search text applied. Kept current while
    // something is connected to it; reading the property brings it up to date.
    Q_PROPERTY(NoteListModel* filteredNotes READ filteredNoteModel CONSTANT)
    // The snapshot's folders without the quick-capture folder, sorted for display.
    Q_PROPERTY(QStringList visibleFolders READ visibleFolders NOTIFY snapshotChanged)
    // Days (as QDate) on which memos exist, for the calendar.
    Q_PROPERTY(QVariantList memoDays READ memoDayList NOTIFY memosChanged)
    // Every "#tag" of the articles and memos, without "#", sorted for people. Found on another
    // thread after each change, so it follows the contents shortly after they are published.
    Q_PROPERTY(QStringList tags READ tags NOTIFY tagsChanged)

    // Open articles in tab order, and the visible one.
    Q_PROPERTY(SessionListModel* openSessions READ sessionModel CONSTANT)
    // Empty when no session is selected.
    Q_PROPERTY(QString selectedSessionId READ selectedSessionId NOTIFY selectedSessionChanged)
    Q_PROPERTY(
        NoteEditorSession* selectedSession READ selectedSession NOTIFY selectedSessionChanged)
    // Empty when no editor should take focus.
    Q_PROPERTY(QString editorFocusDocumentPath READ editorFocusDocumentPath NOTIFY
                   editorFocusDocumentPathChanged)

    Q_PROPERTY(SelectionKind selectionKind READ selectionKind NOTIFY selectionChanged)
    // The selected folder's path for `Folder`, empty otherwise.
    Q_PROPERTY(QString selectedFolderPath READ selectedFolderPath NOTIFY selectionChanged)
    Q_PROPERTY(QString creationFolderPath READ creationFolderPath WRITE setCreationFolderPath NOTIFY
                   creationFolderPathChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)

public:
    enum class LoadPhase { Idle, Restoring, Ready, Failed };
    Q_ENUM(LoadPhase)
    enum class SelectionKind { All, Quick, Folder };
    Q_ENUM(SelectionKind)

    // Chooses the vault from the stored choice in `settings` (not owned; it must outlive the
    // controller), or points at the default folder and marks the vault unconfigured.
    explicit LibraryController(QSettings* settings, QObject* parent = nullptr);
    // Takes the given vault as is and reads no stored choice.
    LibraryController(QSettings* settings, const QString& vaultPath, QObject* parent = nullptr);
    ~LibraryController() override;

    // The folder used when no vault has been chosen: the application-data folder + "Larch Notes".
    static QString defaultVaultPath();
    // The alert text for a failure while opening a vault.
    static QString vaultAccessMessage(const std::exception& error);
    // The user-visible text of an error.
    static QString errorDescription(const std::exception& error);
    // The items a text adds to today's todos: one per line, trimmed, blank lines skipped.
    static QStringList todoLines(const QString& text);
    // The text of the memo that announces a new article in the memo stream: a link from the
    // day file at `journalPath` to the article, labelled with its title.
    static QString articleAnnouncement(const QString& journalPath, const QString& articlePath);
    // The warning when a new article was written but its announcement could not be.
    static QString unannouncedArticleWarning(const std::exception& error);
    // The alert text for storage warnings: the first few, and how many more there are.
    static QString warningsText(const QStringList& warnings);

    // --- Published state
    LoadPhase loadPhase() const { return m_loadPhase; }
    QString loadFailureMessage() const { return m_loadFailureMessage; }
    QUrl rootUrl() const { return QUrl::fromLocalFile(m_rootPath); }
    QString rootPath() const { return m_rootPath; }
    bool isVaultConfigured() const { return m_isVaultConfigured; }
    int vaultPickerRequest() const { return m_vaultPickerRequest; }
    bool canCreateArticle() const;
    QString alertMessage() const { return m_alertMessage; }
    QString noticeMessage() const { return m_noticeMessage; }

    const VaultSnapshot& snapshot() const { return m_snapshot; }
    const QList<MemoRecord>& memos() const { return m_memos; }
    const QList<DailyTodoItem>& todayTodos() const { return m_todayTodos; }
    const QList<NoteEditorSession*>& openSessions() const { return m_openSessions; }
    std::optional<MemoRecord> memo(const QString& id) const;
    std::optional<NoteSummary> note(const QString& path) const;

    MemoListModel* memoModel() const { return m_memoModel; }
    TodoListModel* todoModel() const { return m_todoModel; }
    NoteListModel* noteModel() const { return m_noteModel; }
    NoteListModel* filteredNoteModel() const;
    SessionListModel* sessionModel() const { return m_sessionModel; }
    // Refreshes after changes made by other programs.
    OutsideChangeWatcher* outsideChangeWatcher() const { return m_outsideChanges; }

    QString selectedSessionId() const { return m_selectedSessionId; }
    NoteEditorSession* selectedSession() const;
    QString editorFocusDocumentPath() const { return m_editorFocusDocumentPath; }

    LibrarySelection selection() const { return m_selection; }
    SelectionKind selectionKind() const;
    QString selectedFolderPath() const;
    QString creationFolderPath() const { return m_creationFolderPath; }
    QString searchText() const { return m_searchText; }

    void setSelection(const LibrarySelection& selection);
    void setCreationFolderPath(const QString& path);
    void setSearchText(const QString& text);

    Q_INVOKABLE void selectAll() { setSelection(LibrarySelection::all()); }
    Q_INVOKABLE void selectQuick() { setSelection(LibrarySelection::quick()); }
    // A non-empty path selects that folder, an empty one selects everything; either way new
    // articles then go to `path`.
    Q_INVOKABLE void selectFolder(const QString& path);

    Q_INVOKABLE void requestVaultPicker();
    Q_INVOKABLE void dismissAlert() { setAlertMessage({}); }
    Q_INVOKABLE void clearEditorFocusDocumentPath() { setEditorFocusDocumentPath({}); }
    void showNotice(const QString& text);

    // Coroutines take their arguments by value: a reference would dangle once the caller's
    // temporaries are gone. Inside a coroutine, a capturing lambda never appears in a co_await
    // expression: GCC 12 destroys such a temporary twice.

    // --- Loading and vault switching
    QCoro::Task<> loadAsync();
    // Throws the storage error of the first failing call.
    QCoro::Task<> refreshAsync(bool selectFallbackNote);
    QCoro::Task<> prepareSearchAsync();
    QCoro::Task<> saveOpenSessionsAndRefreshAsync();
    QCoro::Task<> openVaultAsync(QString folderPath);
    // Flushes every open session in tab order, each waiting for a save already under way.
    QCoro::Task<> flushAllAsync();

    Q_INVOKABLE void load();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void saveOpenSessionsAndRefresh();
    Q_INVOKABLE void openVault(const QUrl& folder);
    // For quitting: flushes every open session and returns when their saves, and every other
    // storage call already handed over (a memo editor's last save), have ended, running a local
    // event loop meanwhile.
    Q_INVOKABLE void flushAllAndWait();
    // The window became active (true) or inactive / hidden (false).
    Q_INVOKABLE void handleApplicationActive(bool active);

    // --- Memos and todos
    QCoro::Task<> captureMemoAsync(QString text, QString folderPath, QStringList imagePaths);
    QCoro::Task<> addFollowUpAsync(QString memoId, QString markdown);
    QCoro::Task<> editMemoAsync(QString memoId, QString markdown);
    QCoro::Task<> saveMemoTextAsync(QString memoId, QString text);
    QCoro::Task<> deleteMemoAsync(QString memoId);
    // The new article's path, or nothing on failure.
    QCoro::Task<std::optional<QString>>
    convertMemoToArticleAsync(QString memoId, QString title, std::optional<QString> folderPath);
    QCoro::Task<> addTodosAsync(QString text);
    QCoro::Task<> toggleTodoAsync(int todoId);
    QCoro::Task<> deleteTodoAsync(int todoId);

    // An absent `folderPath` (undefined or null) and an empty one are passed on as they are.
    Q_INVOKABLE void captureMemo(const QString& text, const QVariant& folderPath,
                                 const QStringList& imagePaths);
    Q_INVOKABLE void addFollowUp(const QString& memoId, const QString& markdown);
    Q_INVOKABLE void editMemo(const QString& memoId, const QString& markdown);
    Q_INVOKABLE void saveMemoText(const QString& memoId, const QString& text);
    Q_INVOKABLE void deleteMemo(const QString& memoId);
    // Without a folder (undefined or null) the article goes to `creationFolderPath`.
    Q_INVOKABLE void convertMemoToArticle(const QString& memoId, const QString& title,
                                          const QVariant& folderPath = {});
    Q_INVOKABLE void addTodos(const QString& text);
    Q_INVOKABLE void toggleTodo(int todoId);
    Q_INVOKABLE void deleteTodo(int todoId);

    // --- Memo editors meeting changes made elsewhere (memoeditsaving.cpp)
    struct MemoSave
    {
        enum Result { saved, changedOutside, missing, failed } result = failed;
        QString markdown; // saved: the memo's text as its day file now reads
        QString error;    // failed: what went wrong, for the editor to show
    };
    // Writes `markdown` over the memo only if its day file still holds `base` for it; re-reads.
    QCoro::Task<MemoSave> saveMemoFromAsync(QString memoId, QString markdown, QString base);
    // A text of `memo` kept as a file in the trash: its vault path, or nothing after the alert.
    QCoro::Task<std::optional<QString>> keepMemoTextInTrashAsync(MemoRecord memo, QString text);
    // A new memo with `markdown` on the day and in the folder of `original`, or nothing after the
    // alert.
    QCoro::Task<std::optional<MemoRecord>> copyMemoAsync(MemoRecord original, QString markdown);

    // --- Memo queries
    QSet<QDate> memoDays() const { return m_memoDays; }
    QVariantList memoDayList() const;
    std::optional<NoteSummary> referencedArticle(const MemoRecord& memo) const;
    QList<QUrl> referencedArticleImages(const MemoRecord& memo, int limit) const;
    // A file URL inside the vault, or nothing.
    std::optional<QUrl> imageFileURL(const QString& markdownPath,
                                     const std::optional<QString>& relativeTo = {}) const;
    QString memoReferenceMarkdown(const MemoRecord& memo, const QString& articlePath) const;

    // QML forms, by memo id. An unknown id gives an empty result.
    Q_INVOKABLE bool hasMemosOn(QDate day) const { return m_memoDays.contains(day); }
    // Keys path, title, preview, modifiedAt; empty when the memo refers to no existing article.
    Q_INVOKABLE QVariantMap referencedArticleOf(const QString& memoId) const;
    Q_INVOKABLE QList<QUrl> referencedArticleImagesOf(const QString& memoId, int limit) const;
    // An empty URL when the path leads outside the vault; `relativeTo` empty means none.
    Q_INVOKABLE QUrl imageFileUrl(const QString& markdownPath,
                                  const QString& relativeTo = {}) const;
    Q_INVOKABLE QString memoReferenceMarkdownOf(const QString& memoId,
                                                const QString& articlePath) const;

    // --- The reference panel beside an editor. Matching ignores case and is a plain substring
    // test of `query` (the caller trims it): memos on their raw Markdown, newest first; articles
    // on their title or whole text, in snapshot order, without the file being edited.
    QList<MemoRecord> referenceMemos(const QString& query) const;
    QList<NoteSummary> referenceArticles(const QString& query, const QString& sourcePath) const;
    // The link inserted for an article: "[" + its title, brackets escaped, + "](" + the link
    // from `sourcePath` to it + ")"; empty for an unknown article.
    Q_INVOKABLE QString articleReferenceMarkdown(const QString& sourcePath,
                                                 const QString& notePath) const;
    // The memo as a map with the keys memoId, createdAt, journalPath, markdown, folderPath,
    // primaryMarkdown, plainText, textWithoutMedia (of its own text) and articlePath (as
    // `articlePathOf`); empty for an unknown id.
    Q_INVOKABLE QVariantMap memoById(const QString& memoId) const;
    // The vault path of the article a memo stands for (a memo that is one link to an article),
    // whether or not that article exists; empty when the memo is no such link.
    Q_INVOKABLE QString articlePathOf(const QString& memoId) const;
    std::optional<QString> articlePath(const MemoRecord& memo) const;

    // --- Articles and folders
    QCoro::Task<std::optional<QString>> createArticleAsync(QString title,
                                                           std::optional<QString> folderPath);
    QCoro::Task<> createFolderAsync(QString name, std::optional<QString> parentPath);
    QCoro::Task<> renameSelectedNoteAsync(QString newName);
    QCoro::Task<> renameNoteAsync(QString path, QString newName);
    QCoro::Task<> trashSelectedNoteAsync();
    QCoro::Task<> trashNoteAsync(QString path);

    // Finishes with the new article's path once it is open and selected, "" on failure.
    Q_INVOKABLE PendingResult* createArticle(const QString& title, const QVariant& folderPath = {});
    Q_INVOKABLE void createFolder(const QString& name, const QVariant& parentPath = {});
    Q_INVOKABLE void renameSelectedNote(const QString& newName);
    Q_INVOKABLE void renameNote(const QString& path, const QString& newName);
    Q_INVOKABLE void trashSelectedNote();
    Q_INVOKABLE void trashNote(const QString& path);

    // --- Search (the sidebar list itself is `filteredNotes`)
    QList<NoteSummary> filteredNotes() const;
    QStringList visibleFolders() const { return m_visibleFolders; }
    QList<NoteSummary> searchArticles(const QString& query,
                                      const std::optional<QString>& folderPath = {}) const;
    QList<MemoRecord> searchMemos(const QString& query, const std::optional<QDate>& day = {}) const;

    // QML forms: at most `limit` results (all when negative). Articles as maps with the keys
    // path, title, preview, modifiedAt; memos as their ids. An empty folder / invalid day is none.
    Q_INVOKABLE QVariantList searchArticlesForView(const QString& query, const QString& folderPath,
                                                   int limit) const;
    Q_INVOKABLE QStringList searchMemoIds(const QString& query, QDate day, int limit) const;

    // Rows of the published lists for filtered views. With a search text (trimmed, not blank)
    // the search results, else every row; then the rows carrying every one of `tags`.
    QList<qsizetype> memoRows(const QString& query, const QStringList& tags) const;
    QList<qsizetype> noteRows(const QString& query, const QStringList& tags) const;
    // Rows of the articles in a folder and its subfolders (all of them without one), newest
    // first.
    QList<qsizetype> noteRowsNewestFirst(const std::optional<QString>& folderPath) const;
    QStringList tags() const { return m_search->tags(); }

    // --- Tabs and the remembered article
    QCoro::Task<> openNoteAsync(std::optional<QString> path);
    QCoro::Task<> closeSessionAsync(QString sessionId);

    // An empty path clears the selection. Finishes with whether the article is then the
    // selected one.
    Q_INVOKABLE PendingResult* openNote(const QString& path);
    Q_INVOKABLE void selectSession(const QString& sessionId);
    Q_INVOKABLE void closeSession(const QString& sessionId);
    // Closes without flushing.
    void removeSession(const QString& sessionId);
    void rememberSelectedNote();

    // --- Open articles whose files changed or went away outside (openfiles.cpp)
    // Shows each open session what happened to its file since it was read; part of a refresh.
    QCoro::Task<> followOpenFilesAsync();
    // Keeps every unsaved text that its file could not take as a copy beside its article and
    // says where: now, or when `atNextStart`, at the next load of this vault (quitting).
    QCoro::Task<> keepUnsavedCopiesAsync(bool atNextStart);
    static QString keptCopyMessage(const QStringList& copies);
    // The message of copies kept when the application last quit on this vault, once.
    void showCopiesKeptAtQuit();

    // --- Images the views pick or paste, and what else the views keep
    // The MIME type a picked file declares: the preferred type of its extension, or
    // `fallbackType` when the extension names no known type.
    static QString imageTypeForFile(const QString& fileName, const QString& fallbackType);
    // The stored image's Markdown path ("/Attachments/…"), or nothing after setting the alert.
    QCoro::Task<std::optional<QString>> storeImageFileAsync(QString path, QString fallbackType);
    QCoro::Task<std::optional<QString>> storeImageDataAsync(QByteArray bytes, QString type);
    // QML forms: finish with the Markdown path, or "" once the alert is set.
    Q_INVOKABLE PendingResult*
    storeImageFile(const QUrl& file, const QString& fallbackType = QStringLiteral("image/jpeg"));
    Q_INVOKABLE PendingResult* storeImageData(const QByteArray& bytes, const QString& type);
    // For failures of the views' own work (saving a picture elsewhere, say).
    Q_INVOKABLE void showAlert(const QString& text) { setAlertMessage(text); }
    // The preferences store, for view state that outlives a window (drafts).
    QSettings* preferences() const { return m_settings; }

Q_SIGNALS:
    void loadPhaseChanged();
    void rootUrlChanged();
    void isVaultConfiguredChanged();
    void vaultPickerRequestChanged();
    void canCreateArticleChanged();
    void alertMessageChanged();
    void noticeMessageChanged();
    void snapshotChanged();
    void memosChanged();
    void todayTodosChanged();
    void openSessionsChanged();
    void selectedSessionChanged();
    void editorFocusDocumentPathChanged();
    void selectionChanged();
    void creationFolderPathChanged();
    void searchTextChanged();
    void tagsChanged();

private:
    using Repository = std::shared_ptr<const VaultRepository>;

    // Runs a repository method on the storage thread; awaiting gives its result or throws its
    // error. The awaiting coroutine is dropped if the controller goes away meanwhile.
    template <typename Method, typename... Args>
    auto onRepository(const Repository& repository, Method method, Args... args)
    {
        return StorageCall(m_executor->run(repository, method, std::move(args)...), this);
    }
    // The same on the open vault's repository.
    template <typename Method, typename... Args> auto onStorage(Method method, Args... args)
    {
        return onRepository(m_repository, method, std::move(args)...);
    }

    void useVault(const QString& path, bool configured);
    void setLoadPhase(LoadPhase phase, const QString& failureMessage = {});
    void setAlertMessage(const QString& text);
    void setNoticeMessage(const QString& text);
    void setEditorFocusDocumentPath(const QString& path);
    void setSelectedSessionId(const QString& id);
    void reportError(const std::exception& error);
    // Shows what the repository's last calls could not do although they went on (vaultwarnings.h)
    // as an alert, after `error` when one is given. A warning about the vault's state (a
    // read-only vault, a name that is not UTF-8) is shown once per vault, though every re-read
    // meets it again.
    void showStorageWarnings(const Repository& repository, const QString& error = {});

    void publishSnapshot(const VaultSnapshot& snapshot);
    void publishMemos(const QList<MemoRecord>& memos);
    void publishTodayTodos(const QList<DailyTodoItem>& todos);
    void updateFilteredNotes();
    bool trimmedSearchIsEmpty() const;
    static bool isBlank(const QString& text);
    static QVariantMap noteMap(const NoteSummary& note);
    const NoteSearchIndex& noteSearchIndex() const;
    const MemoSearchIndex& memoSearchIndex() const;

    NoteEditorSession* makeSession(const NoteDocument& document);
    NoteEditorSession* sessionWithId(const QString& id) const;
    NoteEditorSession* sessionWithPath(const QString& path) const;
    // Sets the tabs and the selected one together, so views never see a stale selection.
    void setOpenSessions(const QList<NoteEditorSession*>& sessions, const QString& selectedId);
    std::optional<QString> articleToReopen() const;

    // Changes today's list on disk (adds `texts`, or toggles or removes `item`), re-reads, and
    // shows `notice` unless it is empty.
    enum class TodoChange { add, toggle, remove };
    QCoro::Task<> writeTodayTodos(TodoChange change, DailyTodoItem item, QStringList texts,
                                  QString notice);

    QSettings* m_settings;
    std::shared_ptr<RepositoryExecutor> m_executor;
    Repository m_repository;

    LoadPhase m_loadPhase = LoadPhase::Idle;
    QString m_loadFailureMessage;
    QString m_rootPath;
    bool m_isVaultConfigured = false;
    int m_vaultPickerRequest = 0;
    QString m_alertMessage;
    QString m_noticeMessage;
    QStringList m_shownStateWarnings;

    VaultSnapshot m_snapshot;
    QList<MemoRecord> m_memos;
    QHash<QString, qsizetype> m_memoRows;
    QHash<QString, qsizetype> m_noteRows;
    QSet<QDate> m_memoDays;
    QStringList m_visibleFolders;
    QList<DailyTodoItem> m_todayTodos;
    PublishedSearch* m_search;

    QList<NoteEditorSession*> m_openSessions;
    QString m_selectedSessionId;
    QString m_editorFocusDocumentPath;
    LibrarySelection m_selection;
    QString m_creationFolderPath;
    QString m_searchText;

    MemoListModel* m_memoModel;
    TodoListModel* m_todoModel;
    NoteListModel* m_noteModel;
    NoteListModel* m_filteredNoteModel;
    mutable bool m_filteredNotesStale = false;
    SessionListModel* m_sessionModel;
    OutsideChangeWatcher* m_outsideChanges;
};
