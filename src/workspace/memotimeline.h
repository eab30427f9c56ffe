#pragma once

#include "composerdraft.h"
#include "filteredlistmodel.h"
#include "inlinememoedit.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "librarycontroller.h"

// The memo timeline's state and rules: the memos it shows (every memo, or those of one day,
// newest first), its header texts, what a composer submission becomes (today's todos, a
// follow-up of the memo being continued, or a new memo) and the row actions that change memos.
class MemoTimeline : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    // The day shown (any time of it); invalid for every day.
    Q_PROPERTY(QDateTime focusDate READ focusDate WRITE setFocusDate NOTIFY focusDateChanged)
    // The composer's draft; it belongs to whoever outlives the timeline.
    Q_PROPERTY(MemoComposerDraft* draft READ draft WRITE setDraft NOTIFY draftChanged)
    // The visible memos, with the memo roles.
    Q_PROPERTY(FilteredListModel* memos READ memos CONSTANT)
    Q_PROPERTY(InlineMemoEdit* inlineEdit READ inlineEdit CONSTANT)
    // "记录" or the focused day; "所有想法都在同一条时间流中" or "按日期筛选".
    Q_PROPERTY(QString title READ title NOTIFY focusDateChanged)
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY focusDateChanged)
    // The empty state's title: "从一句话开始", or "这一天还没有记录" for a focused day.
    Q_PROPERTY(QString emptyTitle READ emptyTitle NOTIFY focusDateChanged)
    // The start of the memo being continued (its plain text, cut), or "" when none is.
    Q_PROPERTY(QString contextLabel READ contextLabel NOTIFY contextLabelChanged)

public:
    explicit MemoTimeline(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QDateTime focusDate() const { return m_focusDate; }
    void setFocusDate(const QDateTime& date);
    MemoComposerDraft* draft() const { return m_draft; }
    void setDraft(MemoComposerDraft* draft);
    FilteredListModel* memos() const { return m_memos; }
    InlineMemoEdit* inlineEdit() const { return m_inlineEdit; }
    QString title() const;
    QString subtitle() const;
    QString emptyTitle() const;
    QString contextLabel() const { return m_contextLabel; }

    // Rows of the library's memos to show, in display order.
    QList<qsizetype> visibleRows() const;

    // The composer continues the memo. What is typed stays.
    Q_INVOKABLE void continueMemo(const QString& memoId);
    Q_INVOKABLE void cancelContinuation();
    // A composer submission: the continued memo is forgotten at once, then the library is asked.
    Q_INVOKABLE void submit(const QString& text, const QStringList& imagePaths, bool isTodo);
    // The title the promotion sheet proposes for a memo.
    Q_INVOKABLE QString promotionTitle(const QString& memoId) const;

Q_SIGNALS:
    void libraryChanged();
    void focusDateChanged();
    void draftChanged();
    void contextLabelChanged();

private:
    void updateContextLabel();

    QPointer<LibraryController> m_library;
    QDateTime m_focusDate;
    QPointer<MemoComposerDraft> m_draft;
    FilteredListModel* m_memos;
    InlineMemoEdit* m_inlineEdit;
    QString m_contextLabel;
};
