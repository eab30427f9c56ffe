#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QMetaMethod>

#include <algorithm>

// Base of the published list models: a `count` property, and row replacement that announces
// the smallest single change turning the old rows into the new ones. Unchanged rows at both
// ends are kept, so views keep their scroll position and delegates when one memo or article
// changes among thousands.
class ListModelBase : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    using QAbstractListModel::QAbstractListModel;
    int count() const { return rowCount(); }
    // Whether anything listens for changes of the rows (a view shows the model).
    bool isObserved() const
    {
        static const QMetaMethod watched[] = {
            QMetaMethod::fromSignal(&QAbstractItemModel::modelReset),
            QMetaMethod::fromSignal(&QAbstractItemModel::rowsInserted),
            QMetaMethod::fromSignal(&QAbstractItemModel::rowsRemoved),
            QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged),
            QMetaMethod::fromSignal(&ListModelBase::countChanged),
        };
        return std::any_of(std::begin(watched), std::end(watched),
                           [this](const QMetaMethod& signal) { return isSignalConnected(signal); });
    }

Q_SIGNALS:
    void countChanged();

protected:
    // `sameItem` tells whether two rows stand for the same item, so that a changed row is
    // announced as a change of its data rather than as removal and insertion; also when rows
    // come or go beside it (a memo edited while another program adds memos to its day), so a
    // view keeps that row's delegate and whatever is being typed in it.
    template <typename T, typename SameItem>
    void replaceRows(QList<T>& rows, const QList<T>& next, SameItem sameItem)
    {
        const qsizetype oldCount = rows.size();
        const qsizetype newCount = next.size();
        qsizetype head = 0;
        while (head < oldCount && head < newCount && rows.at(head) == next.at(head))
            ++head;
        if (head == oldCount && head == newCount)
            return;
        qsizetype tail = 0;
        while (tail < oldCount - head && tail < newCount - head &&
               rows.at(oldCount - 1 - tail) == next.at(newCount - 1 - tail))
            ++tail;
        const qsizetype removed = oldCount - head - tail;
        const qsizetype inserted = newCount - head - tail;
        // The same items, changed, at either end of the changed range.
        qsizetype front = 0;
        while (front < removed && front < inserted &&
               sameItem(rows.at(head + front), next.at(head + front)))
            ++front;
        qsizetype back = 0;
        while (back < removed - front && back < inserted - front &&
               sameItem(rows.at(head + removed - 1 - back), next.at(head + inserted - 1 - back)))
            ++back;
        const qsizetype gone = removed - front - back;
        const qsizetype added = inserted - front - back;

        if (gone + added > std::max<qsizetype>(256, (oldCount + newCount) / 2)) {
            // A large rearrangement is cheaper for views as one reset.
            beginResetModel();
            rows = next;
            endResetModel();
        } else {
            if (gone > 0) {
                beginRemoveRows({}, int(head + front), int(head + front + gone - 1));
                rows.remove(head + front, gone);
                endRemoveRows();
            }
            if (added > 0)
                beginInsertRows({}, int(head + front), int(head + front + added - 1));
            rows = next;
            if (added > 0)
                endInsertRows();
            if (front > 0)
                Q_EMIT dataChanged(index(int(head)), index(int(head + front - 1)));
            if (back > 0)
                Q_EMIT dataChanged(index(int(head + inserted - back)),
                                   index(int(head + inserted - 1)));
        }
        if (oldCount != newCount)
            Q_EMIT countChanged();
    }
};
