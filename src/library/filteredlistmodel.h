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
// A new choice of rows is announced as the smallest change from the old one, so views keep
// their scroll position and delegates while results are refined. The owner calls
// `invalidate()` when its criteria change. When a source's rows change, the rows shown follow
// their items at once (by position, or by the key role after a reset), and the choice is asked
// for again on the next turn of the event loop, once the library has published all of its
// contents.
class FilteredListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    // Rows of the source, in display order.
    using RowChooser = std::function<QList<qsizetype>()>;

    explicit FilteredListModel(QObject* parent = nullptr);

    // Sections follow each other in the order they are added; add them before the model is
    // used. `keyRole` names the role that tells the source's items apart (an id, a path).
    void addSection(QAbstractItemModel* source, const QString& name, const QByteArray& keyRole,
                    RowChooser chooseRows);
    // Asks every section for its rows again.
    void invalidate();

    int count() const { return int(m_rows.size()); }
    // The number of rows of one section.
    int sectionCount(int section) const;
    // The key of a row ("" outside the model or for an item that just left its source).
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
        // Keys of our rows of this section, taken before a reset or a layout change.
        QStringList keysBefore;
    };
    struct Row
    {
        int section;
        int sourceRow; // -1: the item left its source
        friend bool operator==(const Row&, const Row&) = default;
    };

    void connectSource(int section);
    void shiftRows(int section, int from, int by);
    void dropRows(int section, int first, int last);
    void rememberKeys(int section);
    void restoreByKeys(int section);
    void sourceDataChanged(int section, const QModelIndex& from, const QModelIndex& to);
    void queueInvalidation();
    void replaceRows(const QList<Row>& next);

    static constexpr int sectionRole = Qt::UserRole + 1;
    QList<Section> m_sections;
    QHash<int, QByteArray> m_roleNames;
    QHash<QByteArray, int> m_roleByName;
    QList<Row> m_rows;
    bool m_invalidationQueued = false;
};
