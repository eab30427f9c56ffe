#include "filteredlistmodel.h"

#include <QTimer>

FilteredListModel::FilteredListModel(QObject* parent) : QAbstractListModel(parent)
{
    m_roleNames.insert(sectionRole, "section");
    m_roleByName.insert("section", sectionRole);
}

void FilteredListModel::addSection(QAbstractItemModel* source, const QString& name,
                                   const QByteArray& keyRole, RowChooser chooseRows)
{
    Q_ASSERT(source);
    const int index = int(m_sections.size());
    Section section{source, name, -1, std::move(chooseRows), {}, {}, true};
    const QHash<int, QByteArray> sourceRoles = source->roleNames();
    for (auto it = sourceRoles.cbegin(); it != sourceRoles.cend(); ++it) {
        int role = m_roleByName.value(it.value(), -1);
        if (role < 0) {
            role = sectionRole + int(m_roleNames.size());
            m_roleNames.insert(role, it.value());
            m_roleByName.insert(it.value(), role);
        }
        section.roles.insert(role, it.key());
        if (it.value() == keyRole)
            section.keyRole = it.key();
    }
    Q_ASSERT(section.keyRole >= 0);
    m_sections.append(section);

    const auto rowsChanged = [this, index]() { sourceRowsChanged(index); };
    connect(source, &QAbstractItemModel::modelReset, this, rowsChanged);
    connect(source, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(source, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(source, &QAbstractItemModel::rowsMoved, this, rowsChanged);
    connect(source, &QAbstractItemModel::layoutChanged, this, rowsChanged);
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this, index](const QModelIndex& from, const QModelIndex& to) {
                sourceDataChanged(index, from, to);
            });
}

int FilteredListModel::sectionCount(int section) const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(),
                             [section](const Row& row) { return row.section == section; }));
}

int FilteredListModel::sourceRowOf(const Row& row) const
{
    const Section& section = m_sections.at(row.section);
    if (!section.source)
        return -1;
    if (section.sourceRowsStale) {
        section.sourceRows.clear();
        const int rows = section.source->rowCount();
        section.sourceRows.reserve(rows);
        for (int r = 0; r < rows; ++r)
            section.sourceRows.insert(section.source->index(r, 0).data(section.keyRole).toString(),
                                      r);
        section.sourceRowsStale = false;
    }
    return section.sourceRows.value(row.key, -1);
}

std::pair<int, int> FilteredListModel::sourceRow(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {-1, -1};
    return {m_rows.at(row).section, sourceRowOf(m_rows.at(row))};
}

QString FilteredListModel::keyAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).key : QString();
}

QVariant FilteredListModel::valueAt(int row, const QString& roleName) const
{
    const int role = m_roleByName.value(roleName.toUtf8(), -1);
    return role < 0 ? QVariant() : data(index(row), role);
}

int FilteredListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FilteredListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows.at(index.row());
    const Section& section = m_sections.at(row.section);
    if (role == sectionRole)
        return section.name;
    const int sourceRole = section.roles.value(role, -1);
    if (sourceRole < 0)
        return {};
    const int from = sourceRowOf(row);
    // A row whose item just left its source is empty until the next invalidation drops it.
    if (from < 0)
        return {};
    return section.source->index(from, 0).data(sourceRole);
}

QHash<int, QByteArray> FilteredListModel::roleNames() const
{
    return m_roleNames;
}

void FilteredListModel::invalidate()
{
    QList<Row> next;
    for (int index = 0; index < m_sections.size(); ++index) {
        const Section& section = m_sections.at(index);
        if (!section.source)
            continue;
        const QList<qsizetype> rows = section.chooseRows();
        next.reserve(next.size() + rows.size());
        for (qsizetype row : rows)
            next.append(
                {index, section.source->index(int(row), 0).data(section.keyRole).toString()});
    }
    replaceRows(next);
}

void FilteredListModel::sourceRowsChanged(int section)
{
    m_sections[section].sourceRowsStale = true;
    // The library announces its models one after the other; choosing rows now could mix a new
    // list with an old one. Rows keep showing the right items by key meanwhile.
    if (m_invalidationQueued)
        return;
    m_invalidationQueued = true;
    QTimer::singleShot(0, this, [this]() {
        m_invalidationQueued = false;
        invalidate();
    });
}

void FilteredListModel::sourceDataChanged(int section, const QModelIndex& from,
                                          const QModelIndex& to)
{
    const Section& changed = m_sections.at(section);
    QSet<QString> keys;
    for (int r = from.row(); r <= to.row(); ++r)
        keys.insert(changed.source->index(r, 0).data(changed.keyRole).toString());
    int first = -1;
    int last = -1;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).section == section && keys.contains(m_rows.at(row).key)) {
            if (first < 0)
                first = row;
            last = row;
        }
    }
    if (first >= 0)
        Q_EMIT dataChanged(index(first), index(last));
    // A changed item may now match differently.
    sourceRowsChanged(section);
}

void FilteredListModel::replaceRows(const QList<Row>& next)
{
    const qsizetype oldCount = m_rows.size();
    const qsizetype newCount = next.size();
    qsizetype head = 0;
    while (head < oldCount && head < newCount && m_rows.at(head) == next.at(head))
        ++head;
    if (head == oldCount && head == newCount)
        return;
    qsizetype tail = 0;
    while (tail < oldCount - head && tail < newCount - head &&
           m_rows.at(oldCount - 1 - tail) == next.at(newCount - 1 - tail))
        ++tail;
    const qsizetype removed = oldCount - head - tail;
    const qsizetype inserted = newCount - head - tail;
    if (removed + inserted > std::max<qsizetype>(256, (oldCount + newCount) / 2)) {
        beginResetModel();
        m_rows = next;
        endResetModel();
    } else {
        if (removed > 0) {
            beginRemoveRows({}, int(head), int(head + removed - 1));
            m_rows.remove(head, removed);
            endRemoveRows();
        }
        if (inserted > 0) {
            beginInsertRows({}, int(head), int(head + inserted - 1));
            m_rows = next;
            endInsertRows();
        }
    }
    if (oldCount != newCount)
        Q_EMIT countChanged();
}
