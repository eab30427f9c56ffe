#include "filteredlistmodel.h"

#include <QTimer>

#include <algorithm>

FilteredListModel::FilteredListModel(QObject* parent) : QAbstractListModel(parent)
{
    m_roleNames.insert(sectionRole, "section");
    m_roleByName.insert("section", sectionRole);
}

void FilteredListModel::addSection(QAbstractItemModel* source, const QString& name,
                                   const QByteArray& keyRole, RowChooser chooseRows)
{
    Q_ASSERT(source);
    Section section{source, name, -1, std::move(chooseRows), {}, {}};
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
    connectSource(int(m_sections.size()) - 1);
}

void FilteredListModel::connectSource(int section)
{
    QAbstractItemModel* source = m_sections.at(section).source;
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this, section](const QModelIndex&, int first, int last) {
                shiftRows(section, first, last - first + 1);
                queueInvalidation();
            });
    connect(source, &QAbstractItemModel::rowsRemoved, this,
            [this, section](const QModelIndex&, int first, int last) {
                dropRows(section, first, last);
                queueInvalidation();
            });
    const auto before = [this, section]() { rememberKeys(section); };
    const auto after = [this, section]() {
        restoreByKeys(section);
        queueInvalidation();
    };
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, before);
    connect(source, &QAbstractItemModel::modelReset, this, after);
    connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, before);
    connect(source, &QAbstractItemModel::layoutChanged, this, after);
    connect(source, &QAbstractItemModel::rowsAboutToBeMoved, this, before);
    connect(source, &QAbstractItemModel::rowsMoved, this, after);
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this, section](const QModelIndex& from, const QModelIndex& to) {
                sourceDataChanged(section, from, to);
            });
}

int FilteredListModel::sectionCount(int section) const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(),
                             [section](const Row& row) { return row.section == section; }));
}

QString FilteredListModel::keyAt(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const Section& section = m_sections.at(m_rows.at(row).section);
    return data(index(row), section.roles.key(section.keyRole, -1)).toString();
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
    if (sourceRole < 0 || row.sourceRow < 0 || !section.source)
        return {};
    return section.source->index(row.sourceRow, 0).data(sourceRole);
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
            next.append({index, int(row)});
    }
    replaceRows(next);
}

// Items inserted into a source move the rows after them down; removed items leave their rows
// empty until the next choice drops them. Views see no change: the rows still show the same
// items.
void FilteredListModel::shiftRows(int section, int from, int by)
{
    for (Row& row : m_rows) {
        if (row.section == section && row.sourceRow >= from)
            row.sourceRow += by;
    }
}

void FilteredListModel::dropRows(int section, int first, int last)
{
    for (Row& row : m_rows) {
        if (row.section != section || row.sourceRow < first)
            continue;
        row.sourceRow = row.sourceRow <= last ? -1 : row.sourceRow - (last - first + 1);
    }
}

void FilteredListModel::rememberKeys(int section)
{
    Section& changing = m_sections[section];
    changing.keysBefore.clear();
    for (const Row& row : std::as_const(m_rows)) {
        if (row.section == section)
            changing.keysBefore.append(
                row.sourceRow < 0
                    ? QString()
                    : changing.source->index(row.sourceRow, 0).data(changing.keyRole).toString());
    }
}

void FilteredListModel::restoreByKeys(int section)
{
    Section& changed = m_sections[section];
    if (changed.keysBefore.isEmpty())
        return;
    QHash<QString, int> rowOfKey;
    const int sourceRows = changed.source ? changed.source->rowCount() : 0;
    rowOfKey.reserve(sourceRows);
    for (int r = 0; r < sourceRows; ++r)
        rowOfKey.insert(changed.source->index(r, 0).data(changed.keyRole).toString(), r);
    qsizetype next = 0;
    for (Row& row : m_rows) {
        if (row.section == section)
            row.sourceRow = rowOfKey.value(changed.keysBefore.value(next++), -1);
    }
    changed.keysBefore.clear();
}

void FilteredListModel::sourceDataChanged(int section, const QModelIndex& from,
                                          const QModelIndex& to)
{
    int first = -1;
    int last = -1;
    for (int row = 0; row < m_rows.size(); ++row) {
        const Row& shown = m_rows.at(row);
        if (shown.section == section && shown.sourceRow >= from.row() &&
            shown.sourceRow <= to.row()) {
            if (first < 0)
                first = row;
            last = row;
        }
    }
    if (first >= 0)
        Q_EMIT dataChanged(index(first), index(last));
    // A changed item may now match differently.
    queueInvalidation();
}

void FilteredListModel::queueInvalidation()
{
    // The library announces its models one after the other; choosing rows now could mix a new
    // list with an old one.
    if (m_invalidationQueued)
        return;
    m_invalidationQueued = true;
    QTimer::singleShot(0, this, [this]() {
        m_invalidationQueued = false;
        invalidate();
    });
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
