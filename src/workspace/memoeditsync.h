#pragma once

#include "librarycontroller.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <qcorotask.h>

// How a memo editor's text stands to the memo: the editor implements this, MemoEditSync uses it.
class MemoEditorText
{
public:
    virtual ~MemoEditorText() = default;
    // The editor's text now.
    virtual QString editorText() const = 0;
    // Puts a text into the editor without saving it.
    virtual void takeText(const QString& text) = 0;
    // The editor's text of `memo`, and the memo's whole Markdown with `text` in it.
    virtual QString textOf(const MemoRecord& memo) const = 0;
    virtual QString markdownOf(const QString& text, const MemoRecord& memo) const = 0;
    // The editor goes on with another memo (a copy saved anew), or stops editing.
    virtual void continueWith(const MemoRecord& memo) = 0;
    virtual void stopEditing() = 0;
};

// What a memo editor knows of its memo in the day file, and what it does when the two part ways.
// The editor's saves go through only while the day file still holds what the editor last took
// or saved (the check is made in the file itself, under the vault's lock). A change made
// elsewhere reaches the editor with the library's next re-read: with nothing unsaved the editor
// takes the new text in; otherwise the conflict state shows at once and nothing is saved until
// one of the choices is made. Text that cannot go to the memo (a conflict or failure left
// unresolved when the editor goes away) is kept in the trash, and a notice says where.
class MemoEditSync : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Each memo editor has its own.")

    // Empty while the editor and the day file agree; otherwise what happened, for the bar.
    Q_PROPERTY(QString message READ message NOTIFY stateChanged)
    Q_PROPERTY(bool conflicting READ isConflicting NOTIFY stateChanged)
    // The memo is no longer in its day file.
    Q_PROPERTY(bool memoMissing READ isMemoMissing NOTIFY stateChanged)
    // A choice is being carried out.
    Q_PROPERTY(bool busy READ isBusy NOTIFY stateChanged)
    // The day file's version in the editor's terms, for the difference view.
    Q_PROPERTY(QString outsideText READ outsideText NOTIFY stateChanged)

public:
    enum class State { agreed, changedOutside, missing, failed };

    MemoEditSync(MemoEditorText* editor, QObject* parent);

    void setLibrary(LibraryController* library);
    // Follows `memo` and puts its text into the editor; a save of the memo still under way counts
    // as its text. `saved` false makes the next save write even an unchanged text.
    void follow(const MemoRecord& memo, bool saved = true);
    void stop();
    QString memoId() const { return m_memo.id; }
    // Whether an editor's save of the memo has not ended yet.
    static bool hasSavesUnderWay(const QString& memoId);

    State state() const { return m_state; }
    QString message() const { return m_message; }
    bool isConflicting() const { return m_state != State::agreed; }
    bool isMemoMissing() const { return m_state == State::missing; }
    bool isBusy() const { return m_busy; }
    QString outsideText() const { return m_outsideText; }

    // Writes the editor's text unless it is the text last written or a conflict is open.
    QCoro::Task<> save();
    // Going away: a save when agreed; the text kept in the trash when it cannot go to the memo
    // (unless it is the day file's). Finishes with whether the text is safe: saved or kept.
    QCoro::Task<bool> leave();

    // "保留我的版本": the editor's text over the day file's version.
    Q_INVOKABLE void keepMine();
    // "使用外部版本": the day file's text; the editor's goes to the trash.
    Q_INVOKABLE void useOutside();
    // "另存为副本": the editor's text as a new memo on the memo's day; the editor takes the day
    // file's version of the memo.
    Q_INVOKABLE void saveCopy();
    // "重新保存" (memo missing): the editor's text as a new memo, which the editor goes on with.
    Q_INVOKABLE void saveAgain();
    // "关闭" (memo missing): the editor's text to the trash, and editing ends.
    Q_INVOKABLE void close();

Q_SIGNALS:
    void stateChanged();

private:
    void recheck();
    void setState(State state, const QString& message = {});
    void agree(const MemoRecord& memo);
    bool isClean() const;
    QCoro::Task<> writeSave(QString markdown, QString stored, QString base, QString text);
    QCoro::Task<> keepMineAsync();
    QCoro::Task<> useOutsideAsync();
    QCoro::Task<> saveCopyAsync(bool continueWithCopy);
    QCoro::Task<> closeAsync();
    void setBusy(bool busy);

    MemoEditorText* m_editor;
    QPointer<LibraryController> m_library;
    // The memo as the editor last agreed with its day file: its text as the file reads it
    // after the editor's last save under way.
    MemoRecord m_memo;
    // The editor's text last written (or taken from the memo) and whether it is on disk yet.
    QString m_sentText;
    // The next save writes even an unchanged text; the last save did not reach the file.
    bool m_writeUnchanged = false;
    bool m_unsaved = false;
    State m_state = State::agreed;
    QString m_message;
    QString m_outsideText;
    bool m_busy = false;
};
