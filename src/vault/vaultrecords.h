#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

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
    QString searchableContent;
    QDateTime modifiedAt;
    friend bool operator==(const NoteSummary&, const NoteSummary&) = default;
};

struct VaultSnapshot
{
    QList<FolderItem> folders;
    QList<NoteSummary> notes;
    friend bool operator==(const VaultSnapshot&, const VaultSnapshot&) = default;
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
