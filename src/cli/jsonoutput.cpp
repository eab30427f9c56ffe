#include "jsonoutput.h"

#include "memocontent.h"

#include <QJsonArray>

QString isoDateTime(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    const QDateTime local = date.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonObject memoJson(const MemoRecord& memo)
{
    QJsonArray tags;
    for (const QString& tag : memoTags(memo.markdown))
        tags.append(tag);
    QJsonArray images;
    for (const MemoImageReference& image : imageReferences(memo.markdown))
        images.append(QJsonObject{{QStringLiteral("altText"), image.altText},
                                  {QStringLiteral("markdownPath"), image.markdownPath}});
    QJsonArray followUpList;
    for (const MemoFollowUp& followUp : followUps(memo))
        followUpList.append(QJsonObject{{QStringLiteral("timestamp"), followUp.timestamp},
                                        {QStringLiteral("markdown"), followUp.markdown}});
    return {
        {QStringLiteral("id"), memo.id},
        {QStringLiteral("createdAt"), isoDateTime(memo.createdAt)},
        {QStringLiteral("journalPath"), memo.journalPath},
        {QStringLiteral("folderPath"), memo.folderPath},
        {QStringLiteral("markdown"), memo.markdown},
        {QStringLiteral("plainText"), plainText(memo)},
        {QStringLiteral("tags"), tags},
        {QStringLiteral("images"), images},
        {QStringLiteral("followUps"), followUpList},
    };
}

QJsonObject noteJson(const NoteSummary& note)
{
    return {
        {QStringLiteral("path"), note.path},
        {QStringLiteral("title"), note.title},
        {QStringLiteral("preview"), note.preview},
        {QStringLiteral("modifiedAt"), isoDateTime(note.modifiedAt)},
    };
}

QJsonObject todoJson(const DailyTodoItem& item, int number)
{
    return {
        {QStringLiteral("number"), number},
        {QStringLiteral("text"), item.text},
        {QStringLiteral("done"), item.isCompleted},
        {QStringLiteral("createdAt"), isoDateTime(item.createdAt)},
    };
}

QJsonObject documentJson(const NoteDocument& document)
{
    return {
        {QStringLiteral("path"), document.path},
        {QStringLiteral("markdown"), document.markdown},
        {QStringLiteral("modifiedAt"), isoDateTime(document.modifiedAt)},
    };
}
