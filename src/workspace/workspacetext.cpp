#include "workspacetext.h"

#include "vaultpaths.h"

namespace WorkspaceFormat {

namespace {

QString padded(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

QString day(const QDateTime& date)
{
    const QDate local = date.isValid() ? date.toLocalTime().date() : QDate();
    return padded(local.isValid() ? local.year() : 0, 4) + QLatin1Char('-') +
           padded(local.isValid() ? local.month() : 0, 2) + QLatin1Char('-') +
           padded(local.isValid() ? local.day() : 0, 2);
}

QString time(const QDateTime& date)
{
    const QTime local = date.isValid() ? date.toLocalTime().time() : QTime(0, 0);
    return padded(local.hour(), 2) + QLatin1Char(':') + padded(local.minute(), 2);
}

QString articleTitle(const QString& typed)
{
    const QString title = trimmedText(typed);
    return title.isEmpty() ? QStringLiteral("未命名笔记") : title;
}

QString placeName(const QString& folderPath)
{
    return folderPath.isEmpty() ? QStringLiteral("资料库根目录") : folderPath;
}

} // namespace WorkspaceFormat
