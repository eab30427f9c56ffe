#pragma once

#include <QString>

#include <optional>

class QSettings;

// The two remembered choices: which folder is the vault, and per vault the article to reopen.
// The vault is remembered by its absolute path; a stored value "cannot be resolved" when it is
// not an absolute path. A folder that is missing is still the choice (an unmounted drive).
namespace LibraryPreferences {

QString vaultBookmarkKey();       // "larch-notes.vault-bookmark.v2"
QString legacyVaultBookmarkKey(); // "larch-notes.vault-bookmark.v1", never read
QString lastOpenNotesKey();       // "larch-notes.last-open-notes.v1"

// The stored vault folder, which may be missing at the moment. A stored value that is not an
// absolute path is removed, and nothing is returned, as when nothing was stored.
std::optional<QString> resolveStoredVault(QSettings& settings);
// Remembers `folderPath` as the vault and drops the legacy entry.
void storeVault(QSettings& settings, const QString& folderPath);

// The key of a vault in the remembered-article dictionary: its path with symbolic links
// resolved, so that a vault reached through a link and through its target share one entry.
QString vaultKey(const QString& rootPath);
// The article remembered for the vault at `rootPath`. A stored value that is not a dictionary
// of texts counts as absent.
std::optional<QString> lastOpenNotePath(const QSettings& settings, const QString& rootPath);
// Remembers `notePath` for the vault at `rootPath`; nothing or "" forgets the vault's entry.
void rememberOpenNote(QSettings& settings, const std::optional<QString>& notePath,
                      const QString& rootPath);

} // namespace LibraryPreferences
