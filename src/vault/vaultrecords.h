#pragma once

#include "articletext.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

// Plain values handed out by the repository; copies, never views of its state.

struct FolderItem
{
    QString path;
    friend bool operator==(const FolderItem&, const FolderItem&) = default;
};

struct NoteSummary
{
    QString path;
    QString title;
    QString preview;
    ArticleText searchableContent; // read from the file when asked for
    QDateTime modifiedAt;
    friend bool operator==(const NoteSummary&, const NoteSummary&) = default;
};

class ArticleSearchIndex;

struct VaultSnapshot
{
    QList<FolderItem> folders;
    QList<NoteSummary> notes;
    // The search index of the articles, when built, and each note's slot in it (-1 for a note
    // not indexed). Not part of the value: two snapshots with the same notes are equal.
    std::shared_ptr<const ArticleSearchIndex> searchIndex;
    QList<qint32> searchSlots;
    friend bool operator==(const VaultSnapshot& a, const VaultSnapshot& b)
    {
        return a.folders == b.folders && a.notes == b.notes;
    }
};

struct NoteDocument
{
    QString path;
    QString markdown;
    QDateTime modifiedAt;
    friend bool operator==(const NoteDocument&, const NoteDocument&) = default;
};

struct StoredAttachment
{
    QString markdownPath;
    friend bool operator==(const StoredAttachment&, const StoredAttachment&) = default;
};

struct MemoRecord
{
    QString id;
    QDateTime createdAt;
    QString journalPath;
    QString markdown;
    QString folderPath;
    friend bool operator==(const MemoRecord&, const MemoRecord&) = default;
};

struct DailyTodoItem
{
    int id = 0;
    QString text;
    bool isCompleted = false;
    QDateTime createdAt;
    friend bool operator==(const DailyTodoItem&, const DailyTodoItem&) = default;
};
