#pragma once

#include "repositoryexecutor.h"
#include "vaultrecords.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <qcorotask.h>

#include <memory>

// One open article: the document as the user sees it, saved by itself 550 ms after the last
// change, with its save state for the interface. A save checks the file's date on disk, so a
// change made by another program is reported as a conflict instead of being overwritten.
//
// A save requested while the previous one is still running waits for it and then saves on top
// of it, so the session never conflicts with its own write.
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

public:
    enum class SaveState { Saved, Waiting, Saving, Failed };
    Q_ENUM(SaveState)

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

Q_SIGNALS:
    void documentChanged();
    void saveStateChanged();
    // A save failed; `message` is the text for the alert.
    void saveFailed(const QString& message);
    // A save succeeded and the document on screen is what is on disk.
    void didSave();

private:
    void setSaveState(SaveState state, const QString& failureMessage = {});

    QString m_id;
    NoteDocument m_document;
    SaveState m_saveState = SaveState::Saved;
    QString m_saveFailureMessage;
    std::shared_ptr<const VaultRepository> m_repository;
    std::shared_ptr<RepositoryExecutor> m_executor;
    QTimer m_debounce;
    // Finished when no save is running; a flush waits on it before starting its own.
    QFuture<void> m_runningSave;
    // Changes whenever waiting saves must not go ahead.
    quint64 m_generation = 0;
};
