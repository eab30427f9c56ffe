#pragma once

#include "librarycontroller.h"
#include "memoeditsync.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <qcorotask.h>

// The full memo editor's document: the memo's whole Markdown (follow-ups included), taken once
// when the editor appears, saved through the library half a second after the last change, and
// saved once more, awaited, when the user goes back. Changes of the memo made elsewhere, and
// saves that cannot go through, are handled by `sync`.
class MemoEditorState : public QObject, private MemoEditorText
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QString memoId READ memoId WRITE setMemoId NOTIFY memoIdChanged)
    // The text in the editor; setting it (the page's edits) schedules a save.
    Q_PROPERTY(QString markdown READ markdown WRITE setMarkdown NOTIFY markdownChanged)
    // The memo's text has been taken in.
    Q_PROPERTY(bool loaded READ isLoaded NOTIFY loadedChanged)
    // "yyyy-MM-dd · HH:mm" of the memo while it is in the library, "记录" otherwise.
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)
    // The memo's day file: the file its references are relative to.
    Q_PROPERTY(QString journalPath READ journalPath NOTIFY loadedChanged)
    // The memo's text in its day file against the editor's, and the choices when they differ.
    Q_PROPERTY(MemoEditSync* sync READ sync CONSTANT)

public:
    static constexpr int autosaveMilliseconds = 500;

    explicit MemoEditorState(QObject* parent = nullptr);
    // A save still pending runs now: the editor may go by another way than "返回记录" (the
    // calendar or a search result shows something else).
    ~MemoEditorState() override;

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QString memoId() const { return m_memoId; }
    void setMemoId(const QString& id);
    QString markdown() const { return m_markdown; }
    void setMarkdown(const QString& markdown);
    bool isLoaded() const { return m_loaded; }
    QString title() const { return m_title; }
    QString journalPath() const { return m_journalPath; }
    bool hasPendingSave() const { return m_autosave.isActive(); }
    MemoEditSync* sync() const { return m_sync; }

    // Takes the memo's text in, or emits `finished` at once when the library has no such memo.
    Q_INVOKABLE void load();
    // "返回记录": saves the current text, waits for the save, then emits `finished`; text that
    // cannot go to the memo is kept in the trash first (the editor stays if even that fails).
    Q_INVOKABLE void goBack();
    QCoro::Task<> goBackAsync();
    // For quitting: a pending save runs now, and this returns once it has ended.
    Q_INVOKABLE void saveAndWait();

Q_SIGNALS:
    void libraryChanged();
    void memoIdChanged();
    void markdownChanged();
    void loadedChanged();
    void titleChanged();
    // The editor is to be left (the memo is missing, or going back has saved).
    void finished();

private:
    void save();
    void updateTitle();

    QString editorText() const override { return m_markdown; }
    void takeText(const QString& text) override;
    QString textOf(const MemoRecord& memo) const override { return memo.markdown; }
    QString markdownOf(const QString& text, const MemoRecord&) const override { return text; }
    void continueWith(const MemoRecord& memo) override;
    void stopEditing() override { Q_EMIT finished(); }

    QPointer<LibraryController> m_library;
    QString m_memoId;
    QString m_markdown;
    bool m_loaded = false;
    QString m_title = QStringLiteral("记录");
    QString m_journalPath;
    QTimer m_autosave;
    MemoEditSync* m_sync;
};
