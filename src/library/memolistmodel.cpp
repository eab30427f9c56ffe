#include "memolistmodel.h"

#include "memocontent.h"
#include "search.h"

#include <QVariantMap>

int MemoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_memos.size());
}

QVariant MemoListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const MemoRecord& memo = m_memos.at(index.row());
    switch (role) {
    case IdRole:
        return memo.id;
    case CreatedAtRole:
        return memo.createdAt;
    case DayRole:
        return memoDay(memo.createdAt);
    case JournalPathRole:
        return memo.journalPath;
    case Qt::DisplayRole:
    case MarkdownRole:
        return memo.markdown;
    case FolderPathRole:
        return memo.folderPath;
    case PrimaryMarkdownRole:
        return primaryMarkdown(memo);
    case PlainTextRole:
        return plainText(memo);
    case TagsRole:
        return memoTags(memo.markdown);
    case ImagesRole: {
        QVariantList images;
        for (const MemoImageReference& image : imageReferences(primaryMarkdown(memo)))
            images.append(QVariantMap{{QStringLiteral("altText"), image.altText},
                                      {QStringLiteral("markdownPath"), image.markdownPath}});
        return images;
    }
    case FollowUpsRole: {
        QVariantList sections;
        for (const MemoFollowUp& followUp : followUps(memo))
            sections.append(QVariantMap{{QStringLiteral("timestamp"), followUp.timestamp},
                                        {QStringLiteral("markdown"), followUp.markdown}});
        return sections;
    }
    case IsArticleReferenceRole:
        return referencedArticleLink(memo).has_value();
    case TextWithoutMediaRole:
        return textWithoutMedia(primaryMarkdown(memo));
    default:
        return {};
    }
}

QHash<int, QByteArray> MemoListModel::roleNames() const
{
    return {{IdRole, "memoId"},
            {CreatedAtRole, "createdAt"},
            {DayRole, "day"},
            {JournalPathRole, "journalPath"},
            {MarkdownRole, "markdown"},
            {FolderPathRole, "folderPath"},
            {PrimaryMarkdownRole, "primaryMarkdown"},
            {PlainTextRole, "plainText"},
            {TagsRole, "tags"},
            {ImagesRole, "images"},
            {FollowUpsRole, "followUps"},
            {IsArticleReferenceRole, "isArticleReference"},
            {TextWithoutMediaRole, "textWithoutMedia"}};
}

void MemoListModel::setMemos(const QList<MemoRecord>& memos)
{
    replaceRows(m_memos, memos,
                [](const MemoRecord& a, const MemoRecord& b) { return a.id == b.id; });
}
