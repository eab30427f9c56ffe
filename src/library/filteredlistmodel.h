#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>

#include <functional>

// Rows picked from published list models, without copying them: one or more sections, each
// showing the rows of one source model that a function chooses, in the order it gives them.
// The sources' roles keep their names, so a delegate reads the same names as on the source; the
// role "section" names the section a row belongs to.
//
// Rows are identified by a key role of their source (a memo's id, an article's path). A new
// choice of rows is announced as the smallest change from the old one, so views keep their
// scroll position and delegates while results are refined. The owner calls `invalidate()`
// when its criteria change; a change of a source's rows is picked up by itself, on the next
// turn of the event loop (when the library has published all of its contents).
class FilteredListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    // Rows of the source, in display order.
    using RowChooser = std::function<QList<qsizetype>()>;

    explicit FilteredListModel(QObject* parent = nullptr);

    // Sections follow each other in the order they are added; add them before the model is used.
    void addSection(QAbstractItemModel* source, const QString& name, const QByteArray& keyRole,
                    RowChooser chooseRows);
    // Asks every section for its rows again.
    void invalidate();

    int count() const { return int(m_rows.size()); }
    // The number of rows of one section.
    int sectionCount(int section) const;
    // The section and source row of a row, or -1 for the source row when it has none.
    std::pair<int, int> sourceRow(int row) const;
    // The key of a row ("" outside the model).
    Q_INVOKABLE QString keyAt(int row) const;
    // The value of a role, by name, of a row; for views that act on a row they do not show.
    Q_INVOKABLE QVariant valueAt(int row, const QString& roleName) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void countChanged();

private:
    struct Section
    {
        QPointer<QAbstractItemModel> source;
        QString name;
        int keyRole = -1;
        RowChooser chooseRows;
        // Our role -> the source's role.
        QHash<int, int> roles;
        // Key -> source row, rebuilt after the source's rows change.
        mutable QHash<QString, int> sourceRows;
        mutable bool sourceRowsStale = true;
    };
    struct Row
    {
        int section;
        QString key;
        friend bool operator==(const Row&, const Row&) = default;
    };

    int sourceRowOf(const Row& row) const;
    void sourceRowsChanged(int section);
    void sourceDataChanged(int section, const QModelIndex& from, const QModelIndex& to);
    void replaceRows(const QList<Row>& next);

    static constexpr int sectionRole = Qt::UserRole + 1;
    QList<Section> m_sections;
    QHash<int, QByteArray> m_roleNames;
    QHash<QByteArray, int> m_roleByName;
    QList<Row> m_rows;
    bool m_invalidationQueued = false;
};
