#include "memomedia.h"

#include "librarycontroller.h"

#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>

namespace {

struct ProbedImage
{
    QDateTime modified;
    qint64 bytes = 0;
    std::optional<QSize> size;
};

// Enough for every picture of several screens of memos; an entry is a few dozen bytes.
constexpr int probeCacheEntries = 4096;

} // namespace

std::optional<QSize> probeImageSize(const QString& path)
{
    static QCache<QString, ProbedImage> probed(probeCacheEntries);
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    const QDateTime modified = info.lastModified();
    if (const ProbedImage* known = probed.object(path);
        known && known->modified == modified && known->bytes == info.size())
        return known->size;

    QImageReader reader(path);
    const QSize size = reader.size();
    std::optional<QSize> result;
    if (reader.canRead() && size.isValid())
        result = size;
    probed.insert(path, new ProbedImage{modified, info.size(), result});
    return result;
}

QList<MemoMedia> memoMedias(const LibraryController& library,
                            const QList<MemoImageReference>& images, const QString& sourcePath)
{
    QList<MemoMedia> medias;
    for (const MemoImageReference& image : images) {
        const std::optional<QUrl> url = library.imageFileURL(image.markdownPath, sourcePath);
        if (!url)
            continue;
        if (const std::optional<QSize> size = probeImageSize(url->toLocalFile()))
            medias.append({*url, *size});
    }
    return medias;
}

QVariantList MemoMediaForQml::medias(LibraryController* library, const QVariantList& images,
                                     const QString& sourcePath) const
{
    if (!library)
        return {};
    QList<MemoImageReference> references;
    for (const QVariant& image : images) {
        const QVariantMap map = image.toMap();
        references.append({map.value(QStringLiteral("altText")).toString(),
                           map.value(QStringLiteral("markdownPath")).toString()});
    }
    QVariantList result;
    for (const MemoMedia& media : memoMedias(*library, references, sourcePath))
        result.append(QVariantMap{{QStringLiteral("url"), media.url},
                                  {QStringLiteral("width"), media.size.width()},
                                  {QStringLiteral("height"), media.size.height()},
                                  {QStringLiteral("name"), media.url.fileName()}});
    return result;
}
