#pragma once

#include <QString>

// Removes the temporary files that writes killed before they finished left behind: hidden files
// named ".<name>.larch-XXXXXX" in the vault's folders and in ".larch", not touched for a minute.
// Most writes stage their file without a name and leave nothing; this catches file systems that
// cannot do that, and renames killed while their rewritten files waited. Holds the vault's write
// lock while it removes, so that no write of this system is under way; the minute spares a write
// from another machine sharing the folder. Best effort: what cannot be removed stays.
void sweepStaleTemporaryFiles(const QString& rootPath);

// Whether a file name is one of those temporary names.
bool isTemporaryFileName(const QByteArray& name);
