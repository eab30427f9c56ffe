#include "librarypreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariantMap>

namespace LibraryPreferences {

QString vaultBookmarkKey()
{
    return QStringLiteral("larch-notes.vault-bookmark.v2");
}

QString legacyVaultBookmarkKey()
{
    return QStringLiteral("larch-notes.vault-bookmark.v1");
}

QString lastOpenNotesKey()
{
    return QStringLiteral("larch-notes.last-open-notes.v1");
}

std::optional<QString> resolveStoredVault(QSettings& settings)
{
    const QVariant stored = settings.value(vaultBookmarkKey());
    if (!stored.isValid())
        return std::nullopt;
    QString path;
    if (stored.metaType().id() == QMetaType::QByteArray)
        path = QString::fromUtf8(stored.toByteArray());
    else if (stored.metaType().id() == QMetaType::QString)
        path = stored.toString();
    // A folder that is missing now may be on a drive that is not connected: the choice is kept,
    // and loading it fails until the drive is back or another folder is chosen.
    if (path.isEmpty() || !QFileInfo(path).isAbsolute()) {
        settings.remove(vaultBookmarkKey());
        return std::nullopt;
    }
    return QDir::cleanPath(path);
}

void storeVault(QSettings& settings, const QString& folderPath)
{
    settings.setValue(vaultBookmarkKey(),
                      QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath()));
    settings.remove(legacyVaultBookmarkKey());
}

QString vaultKey(const QString& rootPath)
{
    const QString absolute = QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath());
    const QString resolved = QFileInfo(absolute).canonicalFilePath();
    return resolved.isEmpty() ? absolute : resolved;
}

namespace {

// The stored dictionary, or nothing when the stored value is not a dictionary of texts.
std::optional<QVariantMap> storedNotes(const QSettings& settings)
{
    const QVariant stored = settings.value(lastOpenNotesKey());
    if (stored.metaType().id() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = stored.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.value().metaType().id() != QMetaType::QString)
            return std::nullopt;
    }
    return map;
}

} // namespace

std::optional<QString> lastOpenNotePath(const QSettings& settings, const QString& rootPath)
{
    const std::optional<QVariantMap> notes = storedNotes(settings);
    if (!notes)
        return std::nullopt;
    const auto it = notes->constFind(vaultKey(rootPath));
    if (it == notes->cend())
        return std::nullopt;
    return it.value().toString();
}

void rememberOpenNote(QSettings& settings, const std::optional<QString>& notePath,
                      const QString& rootPath)
{
    QVariantMap notes = storedNotes(settings).value_or(QVariantMap());
    const QString key = vaultKey(rootPath);
    if (!notePath || notePath->isEmpty())
        notes.remove(key);
    else
        notes.insert(key, *notePath);
    settings.setValue(lastOpenNotesKey(), notes);
}

} // namespace LibraryPreferences
