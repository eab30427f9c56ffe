#pragma once

#include <QString>

#include <optional>

// Vault-relative paths and the links between vault files. Pure functions, usable from any thread.

// Trims white space and line breaks at both ends.
QString trimmedText(const QString& text);

// The cleaned form of a name the user typed; throws VaultError::invalidName, also for a name
// holding a line break or another control character.
QString validatedName(const QString& name);

// The path of a child from its parent's path and its name.
QString joinVaultPath(const QString& parent, const QString& name);

// The text to write between the parentheses of a link in `fromFile` so that it points at `target`.
QString relativeMarkdownLink(const QString& fromFile, const QString& target);

// The vault path a link target written in `fromFile` points at; nothing when it leaves the vault.
std::optional<QString> resolveMarkdownLink(const QString& link, const QString& fromFile);

// Percent-decoding that reports malformed input (escapes giving bytes that are not UTF-8). A "%"
// that starts no escape is kept as it stands.
std::optional<QString> percentDecoded(const QString& text);
