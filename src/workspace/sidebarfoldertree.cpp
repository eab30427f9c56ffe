#include "sidebarfoldertree.h"

#include "articlelisting.h"

#include <QHash>

#include <algorithm>

namespace {

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QList<SidebarFileNode> nodesUnder(const QString& parent,
                                  const QHash<QString, QStringList>& childrenOf)
{
    QList<SidebarFileNode> nodes;
    for (const QString& path : childrenOf.value(parent)) {
        nodes.append({QStringLiteral("memo-folder:") + path,
                      path.mid(path.lastIndexOf(QLatin1Char('/')) + 1), path,
                      nodesUnder(path, childrenOf)});
    }
    return nodes;
}

void flattenInto(QList<SidebarFolderRow>& rows, const QList<SidebarFileNode>& nodes,
                 const QSet<QString>& expanded, int depth)
{
    for (const SidebarFileNode& node : nodes) {
        const bool open = expanded.contains(node.path);
        rows.append({node.id, node.title, node.path, depth, !node.children.isEmpty(), open});
        if (open)
            flattenInto(rows, node.children, expanded, depth + 1);
    }
}

} // namespace

QList<SidebarFileNode> buildSidebarTree(const QStringList& folders)
{
    // Every prefix of every listed path, with empty components dropped.
    QSet<QString> paths;
    for (const QString& folder : folders) {
        const QStringList parts = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (qsizetype k = 1; k <= parts.size(); ++k)
            paths.insert(parts.first(k).join(QLatin1Char('/')));
    }
    QHash<QString, QStringList> childrenOf;
    for (const QString& path : std::as_const(paths))
        childrenOf[parentOf(path)].append(path);
    const QCollator collator = naturalCollator();
    for (QStringList& children : childrenOf) {
        std::sort(children.begin(), children.end(), [&](const QString& a, const QString& b) {
            const int order = collator.compare(a, b);
            return order != 0 ? order < 0 : a < b;
        });
    }
    return nodesUnder(QString(), childrenOf);
}

QList<SidebarFolderRow> flattenSidebarTree(const QList<SidebarFileNode>& nodes,
                                           const QSet<QString>& expanded)
{
    QList<SidebarFolderRow> rows;
    flattenInto(rows, nodes, expanded, 0);
    return rows;
}

SidebarFolderModel::SidebarFolderModel(QObject* parent) : ListModelBase(parent) {}

void SidebarFolderModel::setFolders(const QStringList& folders)
{
    if (m_folders == folders)
        return;
    m_folders = folders;
    m_tree = buildSidebarTree(m_folders);
    m_parents.clear();
    const std::function<void(const QList<SidebarFileNode>&)> collect =
        [&](const QList<SidebarFileNode>& nodes) {
            for (const SidebarFileNode& node : nodes) {
                if (!node.children.isEmpty()) {
                    m_parents.insert(node.path);
                    collect(node.children);
                }
            }
        };
    collect(m_tree);
    updateRows();
    Q_EMIT foldersChanged();
}

QStringList SidebarFolderModel::expandedPaths() const
{
    QStringList paths(m_expanded.cbegin(), m_expanded.cend());
    paths.sort();
    return paths;
}

bool SidebarFolderModel::hasChildren(const QString& path) const
{
    return m_parents.contains(path);
}

void SidebarFolderModel::toggle(const QString& path)
{
    setExpanded(path, !m_expanded.contains(path));
}

void SidebarFolderModel::setExpanded(const QString& path, bool expanded)
{
    if (!hasChildren(path) || m_expanded.contains(path) == expanded)
        return;
    if (expanded)
        m_expanded.insert(path);
    else
        m_expanded.remove(path);
    // The folder's own line changes in place, so a view keeps its delegate (and keyboard focus);
    // its subfolders are then a plain insertion or removal below it.
    if (const int row = rowOf(path); row >= 0) {
        m_rows[row].expanded = expanded;
        Q_EMIT dataChanged(index(row), index(row), {ExpandedRole});
    }
    updateRows();
    Q_EMIT expandedPathsChanged();
}

int SidebarFolderModel::rowOf(const QString& path) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).path == path)
            return row;
    }
    return -1;
}

void SidebarFolderModel::updateRows()
{
    replaceRows(m_rows, flattenSidebarTree(m_tree, m_expanded),
                [](const SidebarFolderRow& a, const SidebarFolderRow& b) { return a.id == b.id; });
}

int SidebarFolderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SidebarFolderModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SidebarFolderRow& row = m_rows.at(index.row());
    switch (role) {
    case NodeIdRole:
        return row.id;
    case Qt::DisplayRole:
    case TitleRole:
        return row.title;
    case PathRole:
        return row.path;
    case DepthRole:
        return row.depth;
    case HasChildrenRole:
        return row.hasChildren;
    case ExpandedRole:
        return row.expanded;
    default:
        return {};
    }
}

QHash<int, QByteArray> SidebarFolderModel::roleNames() const
{
    return {{NodeIdRole, "nodeId"},
            {TitleRole, "title"},
            {PathRole, "path"},
            {DepthRole, "depth"},
            {HasChildrenRole, "hasChildren"},
            {ExpandedRole, "expanded"}};
}
