#include "memoshare.h"

#include "fileio.h"
#include "memocontent.h"
#include "memomedia.h"
#include "workspacetext.h"

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QQuickItem>
#include <QQuickItemGrabResult>

namespace {

constexpr int cardImageLimit = 3;
constexpr qreal renderScale = 2.0;

} // namespace

ShareCardContent shareCardContent(const LibraryController& library, const MemoRecord& memo)
{
    ShareCardContent content;
    content.dateText = WorkspaceFormat::day(memo.createdAt) + QStringLiteral("  ") +
                       WorkspaceFormat::time(memo.createdAt);
    content.body = plainText(memo);
    const QList<MemoImageReference> images =
        imageReferences(primaryMarkdown(memo)).mid(0, cardImageLimit);
    for (const MemoMedia& media : memoMedias(library, images, memo.journalPath))
        content.images.append(media.url);
    QStringList tags;
    for (const QString& tag : memoTags(memo.markdown))
        tags.append(QLatin1Char('#') + tag);
    content.tags = tags.join(QStringLiteral("  "));
    return content;
}

QString shareCardPath(const QString& memoId)
{
    return QDir::tempPath() + QStringLiteral("/larch-memo-") + memoId + QStringLiteral(".png");
}

MemoShare::MemoShare(QObject* parent) : QObject(parent) {}

void MemoShare::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    m_library = library;
    updateContent();
    Q_EMIT libraryChanged();
}

void MemoShare::setMemoId(const QString& memoId)
{
    if (m_memoId == memoId)
        return;
    m_memoId = memoId;
    updateContent();
    Q_EMIT memoIdChanged();
}

void MemoShare::updateContent()
{
    const std::optional<MemoRecord> memo =
        m_library && !m_memoId.isEmpty() ? m_library->memo(m_memoId) : std::nullopt;
    m_content = memo ? shareCardContent(*m_library, *memo) : ShareCardContent();
    Q_EMIT contentChanged();
}

void MemoShare::render(QQuickItem* card)
{
    if (!card || m_memoId.isEmpty() || card->width() <= 0 || card->height() <= 0)
        return;
    const QSize size(qRound(card->width() * renderScale), qRound(card->height() * renderScale));
    // Kept until the next rendering: the result must outlive its own `ready`.
    m_grab = card->grabToImage(size);
    if (!m_grab)
        return;
    const QString memoId = m_memoId;
    QQuickItemGrabResult* grab = m_grab.data();
    connect(grab, &QQuickItemGrabResult::ready, this, [this, grab, memoId]() {
        if (memoId != m_memoId || !writePicture(grab->image()))
            return;
        Q_EMIT rendered(m_filePath);
    });
}

bool MemoShare::writePicture(const QImage& image)
{
    if (image.isNull() || m_memoId.isEmpty())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    const QString path = shareCardPath(m_memoId);
    try {
        writeFileAtomically(path, bytes);
    } catch (const std::exception&) {
        return false;
    }
    if (m_filePath != path) {
        m_filePath = path;
        Q_EMIT filePathChanged();
    }
    return true;
}

void MemoShare::copyPicture() const
{
    const QImage image(m_filePath);
    if (image.isNull())
        return;
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setUrls({QUrl::fromLocalFile(m_filePath)});
    QGuiApplication::clipboard()->setMimeData(data);
}

void MemoShare::showInFileManager() const
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (m_filePath.isEmpty() || QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    if (m_library)
        m_library->showAlert(QStringLiteral("无法在文件管理器中打开“%1”。").arg(folder));
}

void MemoShare::saveCopy(const QUrl& target) const
{
    if (m_filePath.isEmpty() || !target.isLocalFile())
        return;
    try {
        writeFileAtomically(target.toLocalFile(), readFileBytes(m_filePath));
    } catch (const std::exception& error) {
        if (m_library)
            m_library->showAlert(LibraryController::errorDescription(error));
    }
}
