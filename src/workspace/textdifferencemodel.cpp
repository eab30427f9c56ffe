#include "textdifferencemodel.h"

void TextDifferenceModel::setMine(const QString& mine)
{
    if (m_mine == mine)
        return;
    m_mine = mine;
    Q_EMIT mineChanged();
    compare();
}

void TextDifferenceModel::setOutside(const QString& outside)
{
    if (m_outside == outside)
        return;
    m_outside = outside;
    Q_EMIT outsideChanged();
    compare();
}

void TextDifferenceModel::compare()
{
    beginResetModel();
    m_lines = lineDifference(m_mine, m_outside);
    m_removedCount = 0;
    m_addedCount = 0;
    for (const DifferenceLine& line : std::as_const(m_lines)) {
        m_removedCount += line.kind == DifferenceLine::Removed;
        m_addedCount += line.kind == DifferenceLine::Added;
    }
    endResetModel();
    Q_EMIT linesChanged();
}

int TextDifferenceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant TextDifferenceModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DifferenceLine& line = m_lines.at(index.row());
    switch (role) {
    case KindRole:
        switch (line.kind) {
        case DifferenceLine::Same:
            return QStringLiteral("same");
        case DifferenceLine::Removed:
            return QStringLiteral("removed");
        case DifferenceLine::Added:
            return QStringLiteral("added");
        }
        return {};
    case TextRole:
    case Qt::DisplayRole:
        return line.text;
    default:
        return {};
    }
}

QHash<int, QByteArray> TextDifferenceModel::roleNames() const
{
    return {{KindRole, "kind"}, {TextRole, "text"}};
}
