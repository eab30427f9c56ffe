#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <qcorotask.h>

#include "librarycontroller.h"

// What the memo composer holds until it is sent: the text, the pictures already stored in the
// vault, the todo switch and the memo being continued. It outlives the timeline (the root view
// keeps it), and every change is kept in the preferences, per vault, so that switching views,
// closing the window or quitting loses nothing typed; the next start brings it back.
class MemoComposerDraft : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    // The submission becomes today's todos.
    Q_PROPERTY(bool isTodo READ isTodo WRITE setTodo NOTIFY isTodoChanged)
    // The memo a submission continues; empty for a new memo.
    Q_PROPERTY(
        QString targetMemoId READ targetMemoId WRITE setTargetMemoId NOTIFY targetMemoIdChanged)
    // The stored pictures in the order they were added: {id, markdownPath, url} maps.
    Q_PROPERTY(QVariantList images READ imageList NOTIFY imagesChanged)
    Q_PROPERTY(int imageCount READ imageCount NOTIFY imagesChanged)
    // Picked pictures still being stored.
    Q_PROPERTY(int storingImages READ storingImages NOTIFY storingImagesChanged)
    // There is something to send: text that is not blank, or a picture.
    Q_PROPERTY(bool canSubmit READ canSubmit NOTIFY canSubmitChanged)

public:
    struct Image
    {
        QString id;
        QString markdownPath;
        friend bool operator==(const Image&, const Image&) = default;
    };
    struct Submission
    {
        QString text; // trimmed
        QStringList imagePaths;
        bool isTodo = false;
    };

    explicit MemoComposerDraft(QObject* parent = nullptr);

    // The preferences key holding the drafts of every vault.
    static QString settingsKey(); // "larch-notes.memo-drafts.v1"

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QString text() const { return m_text; }
    void setText(const QString& text);
    bool isTodo() const { return m_isTodo; }
    void setTodo(bool isTodo);
    QString targetMemoId() const { return m_targetMemoId; }
    void setTargetMemoId(const QString& id);
    const QList<Image>& images() const { return m_images; }
    QVariantList imageList() const;
    int imageCount() const { return int(m_images.size()); }
    int storingImages() const { return m_storingImages; }
    bool canSubmit() const;

    // Stores each picture in the vault, one after the other, and adds those that were stored;
    // a failure shows the library's alert and the others go on.
    Q_INVOKABLE void addImageFiles(const QList<QUrl>& files);
    QCoro::Task<> addImageFilesAsync(QList<QUrl> files);
    // Removes one picture from the draft; its stored file stays.
    Q_INVOKABLE void removeImage(const QString& id);

    // What to send, leaving an empty draft (the continued memo is the caller's to clear);
    // nothing when there is nothing to send.
    std::optional<Submission> takeSubmission();
    // The same for QML: {text, imagePaths, isTodo}, or an empty map.
    Q_INVOKABLE QVariantMap take();

Q_SIGNALS:
    void libraryChanged();
    void textChanged();
    void isTodoChanged();
    void targetMemoIdChanged();
    void imagesChanged();
    void storingImagesChanged();
    void canSubmitChanged();

private:
    void setImages(const QList<Image>& images);
    void setStoringImages(int count);
    void updateCanSubmit();
    // The draft of the library's vault, from the preferences.
    void restore();
    void store() const;

    QPointer<LibraryController> m_library;
    QString m_vault;
    QString m_text;
    bool m_isTodo = false;
    QString m_targetMemoId;
    QList<Image> m_images;
    int m_storingImages = 0;
    bool m_canSubmit = false;
    bool m_restoring = false;
};
