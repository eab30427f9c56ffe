#pragma once

#include "listmodelbase.h"
#include "vaultrecords.h"

// Today's todo list.
//
// Roles (QML names):
// - todoId: the item's position in the list (what toggleTodo / deleteTodo take)
// - text: the item's text
// - isCompleted: whether it is done
// - createdAt: QDateTime the item was added
class TodoListModel : public ListModelBase
{
    Q_OBJECT
    // How many items are done.
    Q_PROPERTY(int completedCount READ completedCount NOTIFY completedCountChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TextRole,
        IsCompletedRole,
        CreatedAtRole,
    };

    using ListModelBase::ListModelBase;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<DailyTodoItem>& todos() const { return m_todos; }
    void setTodos(const QList<DailyTodoItem>& todos);
    int completedCount() const { return m_completedCount; }

Q_SIGNALS:
    void completedCountChanged();

private:
    QList<DailyTodoItem> m_todos;
    int m_completedCount = 0;
};
