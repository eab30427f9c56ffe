#pragma once

#include "librarycontroller.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// The reference panel's results for its query: a "Memo" section of past memos (newest first)
// and a "文章" section of other articles, as one list with a header row before each section
// that has results. Recomputed whenever the query, the source file or the library's memos or
// articles change. `referenceAt` gives the Markdown link a row inserts.
//
// Roles (QML names):
// - kind: "header", "memo" or "article"
// - key: the memo id or the article path ("" for headers)
// - text: the header's title, the memo's plain text or the article's title
// - caption: the memo's "yyyy-MM-dd · HH:mm" or the article's preview ("" for headers)
class ReferenceSearch : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    // As typed; matching uses it trimmed.
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    // The vault-relative file the references go into; links are relative to it.
    Q_PROPERTY(QString sourcePath READ sourcePath WRITE setSourcePath NOTIFY sourcePathChanged)
    Q_PROPERTY(State state READ state NOTIFY resultsChanged)
    Q_PROPERTY(int count READ count NOTIFY resultsChanged)

public:
    // Prompt: nothing to search for (the trimmed query is empty); NoResults; Results.
    enum class State { Prompt, NoResults, Results };
    Q_ENUM(State)
    enum Role { KindRole = Qt::UserRole + 1, KeyRole, TextRole, CaptionRole };

    explicit ReferenceSearch(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QString query() const { return m_query; }
    void setQuery(const QString& query);
    QString sourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString& path);
    State state() const { return m_state; }
    int count() const { return int(rowCount()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The Markdown that "引用" on the row inserts; empty for a header.
    Q_INVOKABLE QString referenceAt(int row) const;

Q_SIGNALS:
    void libraryChanged();
    void queryChanged();
    void sourcePathChanged();
    void resultsChanged();

private:
    void update();
    int memoRow(int row) const;
    int articleRow(int row) const;

    QPointer<LibraryController> m_library;
    QString m_query;
    QString m_sourcePath;
    State m_state = State::Prompt;
    QList<MemoRecord> m_memos;
    QList<NoteSummary> m_articles;
};
