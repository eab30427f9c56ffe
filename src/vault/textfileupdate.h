#pragma once

#include <QString>

#include <functional>
#include <optional>

// Read-modify-write of a text file that never overwrites what another program wrote meanwhile.

// A change of a file's text: given the text (nothing when the file does not exist), the new
// text, or nothing to leave the file as it is. It may run more than once (see updateTextFile),
// so it must depend on the text alone.
using TextFileChange = std::function<std::optional<QString>(const std::optional<QString>& text)>;

// Reads `path` as strict UTF-8, applies `change` and writes the result atomically and durably.
// If the file changed on disk since it was read (its size, modification time or inode differ),
// nothing is overwritten: the file is read again and `change` applied to what it holds now.
// Returns the text the file holds afterwards (nothing when it does not exist). Throws
// FileError(read) for a file that cannot be read or is not UTF-8, FileError(write), and
// whatever `change` throws.
std::optional<QString> updateTextFile(const QString& path, const TextFileChange& change);
