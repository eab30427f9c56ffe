#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include "librarycontroller.h"
#include "memoeditsync.h"

// The memo being edited in place in the timeline, and its saving: half a second after the last
// change, when editing moves to another memo or ends, when the timeline goes away and when the
// application quits (`flush`). It lives with the timeline rather than with the row, so the
// text survives the row being recycled while it scrolls out of sight.
//
// Only a text that differs from what was last saved is written: opening the editor and closing
// it again leaves the memo's block as it was. An editor opened on a memo whose last save is
// still under way starts from the saved text, not from the memo as last published. Changes of
// the memo made elsewhere, and saves that cannot go through, are handled by `sync`; a memo
// removed elsewhere ends editing, its words kept in the trash.
class InlineMemoEdit : public QObject, private MemoEditorText
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    // The memo being edited; empty when none is.
    Q_PROPERTY(QString memoId READ memoId NOTIFY memoIdChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    // The memo's text in its day file against the editor's, and the choices when they differ.
    Q_PROPERTY(MemoEditSync* sync READ sync CONSTANT)

public:
    static constexpr int saveDelayMilliseconds = 500;

    explicit InlineMemoEdit(QObject* parent = nullptr);
    ~InlineMemoEdit() override;

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QString memoId() const { return m_memoId; }
    QString text() const { return m_text; }
    void setText(const QString& text);
    MemoEditSync* sync() const { return m_sync; }

    // Edits `memoId` from its own words (no pictures, no follow-ups), saving the memo edited
    // before; editing the same memo again ends editing.
    Q_INVOKABLE void toggle(const QString& memoId);
    // Saves and stops editing.
    Q_INVOKABLE void finish();
    // Saves a pending change now; text that cannot go to the memo is kept in the trash.
    Q_INVOKABLE void flush();
    // For quitting: the same, returning once the text is saved or kept.
    Q_INVOKABLE void saveAndWait();

Q_SIGNALS:
    void libraryChanged();
    void memoIdChanged();
    void textChanged();

private:
    void begin(const QString& memoId);
    void end();

    QString editorText() const override { return m_text; }
    void takeText(const QString& text) override;
    QString textOf(const MemoRecord& memo) const override;
    QString markdownOf(const QString& text, const MemoRecord& memo) const override;
    void continueWith(const MemoRecord& memo) override;
    void stopEditing() override { end(); }

    QPointer<LibraryController> m_library;
    QString m_memoId;
    QString m_text;
    MemoEditSync* m_sync;
    bool m_memoMissing = false;
    QTimer m_saveTimer;
};
