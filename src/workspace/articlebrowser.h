#pragma once

#include "filteredlistmodel.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "librarycontroller.h"

// The article list destination: the articles of the vault, or of one folder and its
// subfolders, newest first, with the header's title and subtitle.
class ArticleBrowser : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    // "" for every article.
    Q_PROPERTY(QString folderPath READ folderPath WRITE setFolderPath NOTIFY folderPathChanged)
    // Rows with the article roles.
    Q_PROPERTY(FilteredListModel* articles READ articles CONSTANT)
    // The folder's name, or "全部文章".
    Q_PROPERTY(QString title READ title NOTIFY folderPathChanged)
    // "N 篇 Markdown 文章"
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY subtitleChanged)

public:
    explicit ArticleBrowser(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QString folderPath() const { return m_folderPath; }
    void setFolderPath(const QString& path);
    FilteredListModel* articles() const { return m_articles; }
    QString title() const;
    QString subtitle() const;

Q_SIGNALS:
    void libraryChanged();
    void folderPathChanged();
    void subtitleChanged();

private:
    QPointer<LibraryController> m_library;
    QString m_folderPath;
    FilteredListModel* m_articles;
};
