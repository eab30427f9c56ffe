#pragma once

#include "memocontent.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <optional>

class LibraryController;

// One picture of a memo that can be shown: where it is and how large it is.
struct MemoMedia
{
    QUrl url;
    QSize size;
};

// The pixel size of an image file, read from its header without decoding the picture; nothing
// when the file is missing or not a picture Qt can read. Answers are remembered per file and
// renewed when the file changes. Interface thread only.
std::optional<QSize> probeImageSize(const QString& path);

// The pictures that `images` link to, in order: each path resolved inside the vault relative to
// `sourcePath` (a vault file), then kept only when it is a readable picture. A broken link
// simply disappears.
QList<MemoMedia> memoMedias(const LibraryController& library,
                            const QList<MemoImageReference>& images, const QString& sourcePath);

// The same for QML, as the singleton `MemoMedia`.
class MemoMediaForQml : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(MemoMedia)
    QML_SINGLETON

public:
    using QObject::QObject;

    // `images` as the memo model's "images" role ({altText, markdownPath} maps); the result as
    // {url, width, height, name} maps, `name` being the file's name.
    Q_INVOKABLE QVariantList medias(LibraryController* library, const QVariantList& images,
                                    const QString& sourcePath) const;
};
