#include "fileio.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultrepository.h"

#include <QCryptographicHash>

// The file extension of an accepted declared image type; empty for any other type.
QString attachmentExtension(const QString& declaredType)
{
    // The type is the first non-empty piece before any ";" parameters; white space is part of it.
    const QStringList pieces = declaredType.toLower().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return {};
    const QString& type = pieces.first();
    static const QList<QPair<QString, QString>> accepted = {
        {QStringLiteral("image/png"), QStringLiteral("png")},
        {QStringLiteral("image/jpeg"), QStringLiteral("jpg")},
        {QStringLiteral("image/jpg"), QStringLiteral("jpg")},
        {QStringLiteral("image/gif"), QStringLiteral("gif")},
        {QStringLiteral("image/webp"), QStringLiteral("webp")},
        {QStringLiteral("image/heic"), QStringLiteral("heic")},
        {QStringLiteral("image/heif"), QStringLiteral("heic")},
    };
    for (const auto& [name, extension] : accepted) {
        if (type == name)
            return extension;
    }
    return {};
}

StoredAttachment VaultRepository::storeImageAttachment(const QByteArray& bytes,
                                                       const QString& declaredType) const
{
    const QString extension = attachmentExtension(declaredType);
    if (extension.isEmpty())
        throw VaultError(VaultError::unsupportedAttachment);

    // Named by content, so the same image pasted twice is stored once.
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    const QString name = QStringLiteral("image-") + QString::fromLatin1(digest.left(12).toHex()) +
                         QLatin1Char('.') + extension;

    const QString folder = resolveVaultPath(QStringLiteral("Attachments"));
    const WriteScope scope(*this);
    ::createFolder(folder);
    const QString file = folder + QLatin1Char('/') + name;
    // A file of that name already holds this image, also when another writer stored it first.
    if (!pathExists(file))
        createFileExclusively(file, bytes);
    return StoredAttachment{QStringLiteral("/Attachments/") + name};
}
