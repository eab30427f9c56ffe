// Storing images that the views pick or paste: the bytes go to the vault's attachments, the
// views get the Markdown path back.

#include "librarycontroller.h"

#include "fileio.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QtConcurrent/QtConcurrentRun>

QString LibraryController::imageTypeForFile(const QString& fileName, const QString& fallbackType)
{
    static const QMimeDatabase types;
    const QMimeType type = types.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    // Without a known extension the database answers with its default type.
    if (!type.isValid() || type.isDefault())
        return fallbackType;
    return type.name();
}

QCoro::Task<std::optional<QString>> LibraryController::storeImageDataAsync(QByteArray bytes,
                                                                           QString type)
{
    try {
        const StoredAttachment stored =
            co_await onStorage(&VaultRepository::storeImageAttachment, bytes, type);
        co_return stored.markdownPath;
    } catch (const std::exception& error) {
        reportError(error);
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> LibraryController::storeImageFileAsync(QString path,
                                                                           QString fallbackType)
{
    QByteArray bytes;
    try {
        // Read off the interface thread: a picked file may be large or on a slow disk.
        StorageCall<QByteArray> reading(QtConcurrent::run(&readFileBytes, path), this);
        bytes = co_await reading;
    } catch (const std::exception& error) {
        reportError(error);
        co_return std::nullopt;
    }
    // Named, not a temporary of the co_await expression: GCC 12 destroys those twice.
    const QString type = imageTypeForFile(path, fallbackType);
    co_return co_await storeImageDataAsync(bytes, type);
}

namespace {

PendingResult* pendingPath(LibraryController* owner, QCoro::Task<std::optional<QString>>&& task)
{
    auto* pending = new PendingResult(owner);
    QCoro::connect(std::move(task), pending, [pending](const std::optional<QString>& path) {
        pending->finish(path.value_or(QString()));
    });
    return pending;
}

} // namespace

PendingResult* LibraryController::storeImageFile(const QUrl& file, const QString& fallbackType)
{
    const QString path = file.isLocalFile() ? file.toLocalFile() : file.toString();
    return pendingPath(this, storeImageFileAsync(path, fallbackType));
}

PendingResult* LibraryController::storeImageData(const QByteArray& bytes, const QString& type)
{
    return pendingPath(this, storeImageDataAsync(bytes, type));
}
