#pragma once

#include "listmodelbase.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// One folder of the sidebar's tree.
struct SidebarFileNode
{
    QString id;    // "memo-folder:" + path
    QString title; // the last path component
    QString path;  // vault-relative folder path
    QList<SidebarFileNode> children;
    friend bool operator==(const SidebarFileNode&, const SidebarFileNode&) = default;
};

// One visible line of the tree.
struct SidebarFolderRow
{
    QString id;
    QString title;
    QString path;
    int depth = 0;
    bool hasChildren = false;
    bool expanded = false;
    friend bool operator==(const SidebarFolderRow&, const SidebarFolderRow&) = default;
};

// The tree of the given folder paths: every folder on the way to a listed one appears too, and
// the children of each folder are sorted for people.
QList<SidebarFileNode> buildSidebarTree(const QStringList& folders);

// The tree depth first: the first level, and under each folder its children while its path is
// in `expanded`.
QList<SidebarFolderRow> flattenSidebarTree(const QList<SidebarFileNode>& nodes,
                                           const QSet<QString>& expanded);

// The sidebar's folder tree as the lines it shows, with the set of expanded folders, which
// lives as long as the window.
//
// Roles (QML names): nodeId, title, path, depth (0 for the first level), hasChildren,
// expanded.
class SidebarFolderModel : public ListModelBase
{
    Q_OBJECT
    QML_ELEMENT
    // The article folders to show (the library's visibleFolders).
    Q_PROPERTY(QStringList folders READ folders WRITE setFolders NOTIFY foldersChanged)
    Q_PROPERTY(QStringList expandedPaths READ expandedPaths NOTIFY expandedPathsChanged)

public:
    enum Role {
        NodeIdRole = Qt::UserRole + 1,
        TitleRole,
        PathRole,
        DepthRole,
        HasChildrenRole,
        ExpandedRole,
    };

    explicit SidebarFolderModel(QObject* parent = nullptr);

    QStringList folders() const { return m_folders; }
    void setFolders(const QStringList& folders);
    QStringList expandedPaths() const;
    const QList<SidebarFolderRow>& rows() const { return m_rows; }

    // A click on a folder: a folder with subfolders opens or closes; one without is unchanged.
    Q_INVOKABLE void toggle(const QString& path);
    // Opens or closes a folder with subfolders (the arrow keys).
    Q_INVOKABLE void setExpanded(const QString& path, bool expanded);
    // The row showing `path`, or -1.
    Q_INVOKABLE int rowOf(const QString& path) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void foldersChanged();
    void expandedPathsChanged();

private:
    bool hasChildren(const QString& path) const;
    void updateRows();

    QStringList m_folders;
    QList<SidebarFileNode> m_tree;
    QSet<QString> m_parents;
    QSet<QString> m_expanded;
    QList<SidebarFolderRow> m_rows;
};
