#pragma once

#include "textdifference.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

// The lines of a comparison of the user's text with the version on disk, for the difference
// view. Roles: `kind` ("same", "removed": only in mine, "added": only in the outside version)
// and `text`.
class TextDifferenceModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QString mine READ mine WRITE setMine NOTIFY mineChanged)
    Q_PROPERTY(QString outside READ outside WRITE setOutside NOTIFY outsideChanged)
    // Lines only in mine, lines only in the outside version.
    Q_PROPERTY(int removedCount READ removedCount NOTIFY linesChanged)
    Q_PROPERTY(int addedCount READ addedCount NOTIFY linesChanged)

public:
    enum Role { KindRole = Qt::UserRole + 1, TextRole };

    using QAbstractListModel::QAbstractListModel;

    QString mine() const { return m_mine; }
    void setMine(const QString& mine);
    QString outside() const { return m_outside; }
    void setOutside(const QString& outside);
    int removedCount() const { return m_removedCount; }
    int addedCount() const { return m_addedCount; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void mineChanged();
    void outsideChanged();
    void linesChanged();

private:
    void compare();

    QString m_mine;
    QString m_outside;
    QList<DifferenceLine> m_lines;
    int m_removedCount = 0;
    int m_addedCount = 0;
};
