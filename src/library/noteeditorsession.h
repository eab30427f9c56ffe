#pragma once

#include "repositoryexecutor.h"
#include "vaultrecords.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <qcorotask.h>

#include <memory>
#include <optional>

// The user-visible text of a storage failure; `vaultErrorCode` receives the VaultError's code, or
// -1 for another error.
QString describeError(const std::exception& error, int* vaultErrorCode = nullptr);

// One open article: the document as the user sees it, saved by itself 550 ms after the last
// change, with its save state for the interface. A save checks the file's date on disk, so a
// change made by another program is reported as a conflict instead of being overwritten.
//
// A save requested while the previous one is still running waits for it and then saves on top
// of it, so the session never conflicts with its own write.
//
// The library shows the session what other programs did to its file (takeOutsideDocument,
// markMissing). A session without unsaved edits takes a changed file's text at once; one with
// unsaved edits stops saving and publishes the conflict (`outsideState`), which the user ends
// with one of the choices (keepMine, useOutside, saveCopy, saveAgain). A save that failed for
// another reason offers the same choices. Nothing the user typed is dropped by any of them.
class NoteEditorSession : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(QString path READ path NOTIFY documentChanged)
    // The file name without ".md", for the tab.
    Q_PROPERTY(QString title READ title NOTIFY documentChanged)
    Q_PROPERTY(QString markdown READ markdown NOTIFY documentChanged)
    Q_PROPERTY(QDateTime modifiedAt READ modifiedAt NOTIFY documentChanged)
    Q_PROPERTY(SaveState saveState READ saveState NOTIFY saveStateChanged)
    // The message of the `Failed` state; empty otherwise.
    Q_PROPERTY(QString saveFailureMessage READ saveFailureMessage NOTIFY saveStateChanged)
    // Whether the text on screen cannot go into the file as usual, and why; with the bar's text
    // and, for `Conflict`, the file's text for the difference view.
    Q_PROPERTY(OutsideState outsideState READ outsideState NOTIFY outsideStateChanged)
    Q_PROPERTY(QString outsideMessage READ outsideMessage NOTIFY outsideStateChanged)
    Q_PROPERTY(QString outsideMarkdown READ outsideMarkdown NOTIFY outsideStateChanged)
    // A choice is being carried out.
    Q_PROPERTY(bool resolving READ isResolving NOTIFY resolvingChanged)

public:
    enum class SaveState { Saved, Waiting, Saving, Failed };
    Q_ENUM(SaveState)
    // None: all is well. Conflict: the file changed outside while the text here had unsaved
    // edits. Missing: the file was deleted or moved away outside. SaveFailed: a save failed for
    // another reason (a full disk, no permission).
    enum class OutsideState { None, Conflict, Missing, SaveFailed };
    Q_ENUM(OutsideState)

    static constexpr int debounceMilliseconds = 550;

    NoteEditorSession(const NoteDocument& document,
                      std::shared_ptr<const VaultRepository> repository,
                      std::shared_ptr<RepositoryExecutor> executor, QObject* parent = nullptr);

    QString id() const { return m_id; }
    const NoteDocument& document() const { return m_document; }
    QString path() const { return m_document.path; }
    QString title() const;
    QString markdown() const { return m_document.markdown; }
    QDateTime modifiedAt() const { return m_document.modifiedAt; }
    SaveState saveState() const { return m_saveState; }
    QString saveFailureMessage() const { return m_saveFailureMessage; }
    bool hasPendingSave() const { return m_debounce.isActive(); }
    OutsideState outsideState() const { return m_outsideState; }
    QString outsideMessage() const;
    QString outsideMarkdown() const { return m_outside.markdown; }
    bool isResolving() const { return m_resolving; }
    // The text on screen differs from what was last read from or written to the file.
    bool hasUnsavedText() const { return m_document.markdown != m_savedMarkdown; }
    // Unsaved text that saving cannot write (a conflict, a file gone, a failed save): closing or
    // quitting keeps it as a copy.
    bool needsCopy() const
    {
        return hasUnsavedText() &&
               (m_outsideState != OutsideState::None || m_saveState == SaveState::Failed);
    }
    // A save is running or waiting for one: what the file holds is about to change.
    bool isSaving() const
    {
        return !m_runningSave.isFinished() || m_saveState == SaveState::Saving;
    }
    // Counts the saves and choices that ended, so that a file read before one of them is known
    // to be out of date.
    quint64 fileEpoch() const { return m_fileEpoch; }

    // The editor's new text; schedules a save.
    Q_INVOKABLE void updateMarkdown(const QString& markdown);
    // Saves now if there is something to save, after a save already under way. Never throws;
    // the outcome is in `saveState`.
    QCoro::Task<> flushAsync();
    Q_INVOKABLE void flush();
    // After a rename: shows the new document, drops any pending save.
    void replaceDocument(const NoteDocument& document);
    // Drops the pending save and any save waiting for the running one (the article is being
    // trashed). Later edits save as usual.
    void cancelPendingSave();

    // What the file holds now, read by the library after it changed outside. Ignored while a
    // save runs (its outcome tells).
    void takeOutsideDocument(const NoteDocument& outside);
    // The file is gone (deleted, or renamed by another program).
    void markMissing();

    // The choices of the conflict bar. keepMine: the text here over the file (a retry after
    // another failure). useOutside: the file's text here; the text from here goes to the trash.
    // saveCopy: the text from here as a new article beside this one, which then shows the file's
    // text. saveAgain: writes the text again at the path of a file that went away.
    Q_INVOKABLE void keepMine();
    Q_INVOKABLE void useOutside();
    Q_INVOKABLE void saveCopy();
    Q_INVOKABLE void saveAgain();
    QCoro::Task<> keepMineAsync();
    QCoro::Task<> useOutsideAsync();
    QCoro::Task<> saveCopyAsync();
    QCoro::Task<> saveAgainAsync();
    // Writes unsaved text as a copy beside the article before the session goes (a tab closed or
    // the application quit while the file could not take it); the copy's vault path, or nothing
    // when there was nothing to keep or it could not be written (then an error was reported).
    QCoro::Task<std::optional<QString>> keepUnsavedCopyAsync();

Q_SIGNALS:
    void documentChanged();
    void saveStateChanged();
    // A save failed; `message` is the text for the alert.
    void saveFailed(const QString& message);
    // A save succeeded and the document on screen is what is on disk.
    void didSave();
    void outsideStateChanged();
    void resolvingChanged();
    // A short confirmation for the window's notice, and a failure for its alert.
    void noticeRequested(const QString& text);
    void alertRequested(const QString& text);
    // The text from here was written to a new article at `path` (saveCopy).
    void copySaved(const QString& path);

private:
    void setSaveState(SaveState state, const QString& failureMessage = {});
    void setOutsideState(OutsideState state, const NoteDocument& outside = {});
    void setResolving(bool resolving);
    // Shows `document` as what the file holds; the text here is replaced only when `takeText`.
    void adoptFile(const NoteDocument& document, bool takeText);
    // A save or a choice failed with `message` (`vaultErrorCode` is the VaultError's code, -1
    // for other errors): the state that lets the user go on.
    QCoro::Task<> failWith(QString message, int vaultErrorCode);
    // useOutside (`toTrash`) and saveCopy: the text here goes aside, the file's text comes in.
    QCoro::Task<> setMineAsideAsync(bool toTrash);
    // Loads the file again and shows what the outside did to it.
    QCoro::Task<> readOutsideAgain(QString failure);

    QString m_id;
    NoteDocument m_document;
    SaveState m_saveState = SaveState::Saved;
    QString m_saveFailureMessage;
    // The text the file held when it was last read or written.
    QString m_savedMarkdown;
    OutsideState m_outsideState = OutsideState::None;
    // For Conflict: the file as read; its date is the baseline "keep mine" writes over.
    NoteDocument m_outside;
    QString m_outsideFailure;
    bool m_resolving = false;
    quint64 m_fileEpoch = 0;
    std::shared_ptr<const VaultRepository> m_repository;
    std::shared_ptr<RepositoryExecutor> m_executor;
    QTimer m_debounce;
    // Finished when no save is running; a flush waits on it before starting its own.
    QFuture<void> m_runningSave;
    // Changes whenever waiting saves must not go ahead.
    quint64 m_generation = 0;
};
