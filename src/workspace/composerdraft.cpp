#include "composerdraft.h"

#include "librarypreferences.h"
#include "vaultpaths.h"

#include <QSettings>
#include <QUuid>

namespace {

const QString textKey = QStringLiteral("text");
const QString todoKey = QStringLiteral("isTodo");
const QString targetKey = QStringLiteral("targetMemoId");
const QString imagesKey = QStringLiteral("images");

} // namespace

MemoComposerDraft::MemoComposerDraft(QObject* parent) : QObject(parent) {}

QString MemoComposerDraft::settingsKey()
{
    return QStringLiteral("larch-notes.memo-drafts.v1");
}

void MemoComposerDraft::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    if (m_library)
        connect(m_library, &LibraryController::rootUrlChanged, this, &MemoComposerDraft::restore);
    restore();
    Q_EMIT libraryChanged();
}

void MemoComposerDraft::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged();
    updateCanSubmit();
    store();
}

void MemoComposerDraft::setTodo(bool isTodo)
{
    if (m_isTodo == isTodo)
        return;
    m_isTodo = isTodo;
    Q_EMIT isTodoChanged();
    store();
}

void MemoComposerDraft::setTargetMemoId(const QString& id)
{
    if (m_targetMemoId == id)
        return;
    m_targetMemoId = id;
    Q_EMIT targetMemoIdChanged();
    store();
}

QVariantList MemoComposerDraft::imageList() const
{
    QVariantList list;
    for (const Image& image : m_images)
        list.append(
            QVariantMap{{QStringLiteral("id"), image.id},
                        {QStringLiteral("markdownPath"), image.markdownPath},
                        {QStringLiteral("url"),
                         m_library ? m_library->imageFileUrl(image.markdownPath) : QUrl()}});
    return list;
}

bool MemoComposerDraft::canSubmit() const
{
    return !trimmedText(m_text).isEmpty() || !m_images.isEmpty();
}

void MemoComposerDraft::setImages(const QList<Image>& images)
{
    if (m_images == images)
        return;
    m_images = images;
    Q_EMIT imagesChanged();
    updateCanSubmit();
    store();
}

void MemoComposerDraft::setStoringImages(int count)
{
    if (m_storingImages == count)
        return;
    m_storingImages = count;
    Q_EMIT storingImagesChanged();
}

void MemoComposerDraft::updateCanSubmit()
{
    const bool can = canSubmit();
    if (m_canSubmit == can)
        return;
    m_canSubmit = can;
    Q_EMIT canSubmitChanged();
}

void MemoComposerDraft::addImageFiles(const QList<QUrl>& files)
{
    addImageFilesAsync(files);
}

QCoro::Task<> MemoComposerDraft::addImageFilesAsync(QList<QUrl> files)
{
    QPointer<MemoComposerDraft> self(this);
    const QString vault = m_vault;
    setStoringImages(m_storingImages + int(files.size()));
    for (const QUrl& file : std::as_const(files)) {
        QPointer<LibraryController> library = m_library;
        // Named arguments: GCC 12 destroys temporaries of a co_await expression twice.
        const QString local = file.isLocalFile() ? file.toLocalFile() : file.toString();
        const QString fallbackType = QStringLiteral("image/jpeg");
        std::optional<QString> path;
        if (library)
            path = co_await library->storeImageFileAsync(local, fallbackType);
        if (!self)
            co_return;
        setStoringImages(m_storingImages - 1);
        // A picture stored in a vault that is no longer open belongs to no draft here.
        if (path && m_vault == vault) {
            QList<Image> images = m_images;
            images.append({QUuid::createUuid().toString(QUuid::WithoutBraces), *path});
            setImages(images);
        }
    }
}

void MemoComposerDraft::removeImage(const QString& id)
{
    QList<Image> images = m_images;
    images.removeIf([&id](const Image& image) { return image.id == id; });
    setImages(images);
}

std::optional<MemoComposerDraft::Submission> MemoComposerDraft::takeSubmission()
{
    if (!canSubmit())
        return std::nullopt;
    Submission submission{trimmedText(m_text), {}, m_isTodo};
    for (const Image& image : std::as_const(m_images))
        submission.imagePaths.append(image.markdownPath);
    setText({});
    setImages({});
    setTodo(false);
    return submission;
}

QVariantMap MemoComposerDraft::take()
{
    const std::optional<Submission> submission = takeSubmission();
    if (!submission)
        return {};
    return {{QStringLiteral("text"), submission->text},
            {QStringLiteral("imagePaths"), submission->imagePaths},
            {QStringLiteral("isTodo"), submission->isTodo}};
}

void MemoComposerDraft::restore()
{
    m_vault = m_library ? LibraryPreferences::vaultKey(m_library->rootPath()) : QString();
    QVariantMap stored;
    if (m_library && m_library->preferences())
        stored = m_library->preferences()->value(settingsKey()).toMap().value(m_vault).toMap();
    QList<Image> images;
    for (const QString& path : stored.value(imagesKey).toStringList())
        images.append({QUuid::createUuid().toString(QUuid::WithoutBraces), path});
    // Taking the stored values in must not write them back half-done.
    m_restoring = true;
    setText(stored.value(textKey).toString());
    setTodo(stored.value(todoKey).toBool());
    setTargetMemoId(stored.value(targetKey).toString());
    setImages(images);
    m_restoring = false;
}

void MemoComposerDraft::store() const
{
    if (m_restoring || !m_library || !m_library->preferences() || m_vault.isEmpty())
        return;
    QSettings& settings = *m_library->preferences();
    QVariantMap drafts = settings.value(settingsKey()).toMap();
    QStringList paths;
    for (const Image& image : m_images)
        paths.append(image.markdownPath);
    if (m_text.isEmpty() && paths.isEmpty() && !m_isTodo && m_targetMemoId.isEmpty())
        drafts.remove(m_vault);
    else
        drafts.insert(m_vault, QVariantMap{{textKey, m_text},
                                           {todoKey, m_isTodo},
                                           {targetKey, m_targetMemoId},
                                           {imagesKey, paths}});
    if (drafts.isEmpty())
        settings.remove(settingsKey());
    else
        settings.setValue(settingsKey(), drafts);
}
