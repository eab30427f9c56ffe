#include "memolistmodel.h"

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
        return memo.createdAt.toLocalTime().date();
    case JournalPathRole:
        return memo.journalPath;
    case Qt::DisplayRole:
    case MarkdownRole:
        return memo.markdown;
    case FolderPathRole:
        return memo.folderPath;
    default:
        return {};
    }
}

QHash<int, QByteArray> MemoListModel::roleNames() const
{
    return {{IdRole, "memoId"},         {CreatedAtRole, "createdAt"},
            {DayRole, "day"},           {JournalPathRole, "journalPath"},
            {MarkdownRole, "markdown"}, {FolderPathRole, "folderPath"}};
}

void MemoListModel::setMemos(const QList<MemoRecord>& memos)
{
    replaceRows(m_memos, memos,
                [](const MemoRecord& a, const MemoRecord& b) { return a.id == b.id; });
}
