#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QSharedPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "librarycontroller.h"

class QImage;
class QQuickItemGrabResult;

// What a memo's share card shows, top to bottom.
struct ShareCardContent
{
    QString dateText; // "yyyy-MM-dd  HH:mm" of local time
    QString body;     // the memo's plain text ("空白记录" for a memo of pictures only)
    // The first three pictures of the memo's own text that resolve and load.
    QList<QUrl> images;
    // Every tag of the whole memo with "#", in text order, repeats kept, two spaces apart;
    // empty when the memo has none.
    QString tags;
};

ShareCardContent shareCardContent(const LibraryController& library, const MemoRecord& memo);

// The picture a memo is shared as: "larch-memo-<id>.png" in the temporary folder.
QString shareCardPath(const QString& memoId);

// The "分享" action of a memo row: the card's content for the view that draws it, its picture
// at twice the card's size written to the temporary folder, and what the share menu does with
// that file (copy the picture, show it in the file manager, save a copy elsewhere).
class MemoShare : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    // The memo on the card; "" for none.
    Q_PROPERTY(QString memoId READ memoId WRITE setMemoId NOTIFY memoIdChanged)
    Q_PROPERTY(QString dateText READ dateText NOTIFY contentChanged)
    Q_PROPERTY(QString body READ body NOTIFY contentChanged)
    Q_PROPERTY(QList<QUrl> images READ images NOTIFY contentChanged)
    Q_PROPERTY(QString tags READ tags NOTIFY contentChanged)
    // The picture written last; "" before the first.
    Q_PROPERTY(QString filePath READ filePath NOTIFY filePathChanged)

public:
    explicit MemoShare(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QString memoId() const { return m_memoId; }
    void setMemoId(const QString& memoId);
    QString dateText() const { return m_content.dateText; }
    QString body() const { return m_content.body; }
    QList<QUrl> images() const { return m_content.images; }
    QString tags() const { return m_content.tags; }
    QString filePath() const { return m_filePath; }

    // Renders `card` at twice its size and writes the picture; `rendered` follows with its path.
    // A step that fails ends the action without a word, leaving any older picture.
    Q_INVOKABLE void render(QQuickItem* card);
    // Writes `image` as the PNG of the current memo, replacing an older one atomically.
    bool writePicture(const QImage& image);

    Q_INVOKABLE void copyPicture() const;
    Q_INVOKABLE void showInFileManager() const;
    Q_INVOKABLE void saveCopy(const QUrl& target) const;

Q_SIGNALS:
    void libraryChanged();
    void memoIdChanged();
    void contentChanged();
    void filePathChanged();
    void rendered(const QString& path);

private:
    void updateContent();

    QPointer<LibraryController> m_library;
    QString m_memoId;
    ShareCardContent m_content;
    QString m_filePath;
    QSharedPointer<QQuickItemGrabResult> m_grab;
};
