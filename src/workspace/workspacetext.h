#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The workspace's fixed ways of writing dates, counts and places, for every view alike.
namespace WorkspaceFormat {

// "yyyy-MM-dd" of the local calendar day; "0000-00-00" for an invalid date.
QString day(const QDateTime& date);
// "HH:mm" of local time.
QString time(const QDateTime& date);
// The title a new article gets from what the user typed: trimmed, "未命名笔记" when blank.
QString articleTitle(const QString& typed);
// How a folder is named as a place to save in: "资料库根目录" for the vault root.
QString placeName(const QString& folderPath);

} // namespace WorkspaceFormat

// The same for QML, as the singleton `WorkspaceText`.
class WorkspaceText : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE QString day(const QDateTime& date) const { return WorkspaceFormat::day(date); }
    Q_INVOKABLE QString time(const QDateTime& date) const { return WorkspaceFormat::time(date); }
    Q_INVOKABLE QString articleTitle(const QString& typed) const
    {
        return WorkspaceFormat::articleTitle(typed);
    }
    Q_INVOKABLE QString placeName(const QString& folderPath) const
    {
        return WorkspaceFormat::placeName(folderPath);
    }
};
