#include "todolistmodel.h"

#include <algorithm>

int TodoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_todos.size());
}

QVariant TodoListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DailyTodoItem& item = m_todos.at(index.row());
    switch (role) {
    case IdRole:
        return item.id;
    case Qt::DisplayRole:
    case TextRole:
        return item.text;
    case IsCompletedRole:
        return item.isCompleted;
    case CreatedAtRole:
        return item.createdAt;
    default:
        return {};
    }
}

QHash<int, QByteArray> TodoListModel::roleNames() const
{
    return {{IdRole, "todoId"},
            {TextRole, "text"},
            {IsCompletedRole, "isCompleted"},
            {CreatedAtRole, "createdAt"}};
}

void TodoListModel::setTodos(const QList<DailyTodoItem>& todos)
{
    replaceRows(m_todos, todos,
                [](const DailyTodoItem& a, const DailyTodoItem& b) { return a.id == b.id; });
    const int completed =
        int(std::count_if(m_todos.cbegin(), m_todos.cend(),
                          [](const DailyTodoItem& item) { return item.isCompleted; }));
    if (completed != m_completedCount) {
        m_completedCount = completed;
        Q_EMIT completedCountChanged();
    }
}
