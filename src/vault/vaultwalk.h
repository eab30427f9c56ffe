#pragma once

#include "fileidentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

// One entry met by walkVault.
struct VaultWalkEntry
{
    QString absolutePath;
    QString relativePath; // vault-relative, "/"-separated
    QString name;
    bool isFolder = false;      // a real folder; a symbolic link to one is not
    bool isRegularFile = false; // a real file; a symbolic link to one is not
    bool isSymbolicLink = false;
    QDateTime modifiedAt; // the target's date for a link; distantPast() when unknown or not asked
};

enum class VaultWalkDates { read, skip };

// Walks the tree below `rootPath` depth first, each folder before its contents and the entries of
// a folder in name order, so that the order is the same on every run. Hidden entries (names
// beginning with ".") are skipped together with everything below them, and symbolic links are
// reported but never followed, so the walk cannot leave the vault or loop. Names that are not
// valid UTF-8 are skipped too, each with a warning (vaultwarnings.h). `visit` returns
// whether to descend into a folder. Folders that cannot be opened, the root included, are
// skipped; an entry whose properties cannot be read throws FileError(list). Without dates the
// walk mostly gets by on the folder listing alone.
void walkVault(const QString& rootPath, const std::function<bool(const VaultWalkEntry&)>& visit,
               VaultWalkDates dates = VaultWalkDates::read);

// Reads a whole file into `buffer`, which a caller may reuse from file to file to save
// allocations, and returns the file's modification date as it was when the file was opened;
// `modifiedMsecs`, when given, receives the same date as milliseconds since the epoch (what the
// date's toMSecsSinceEpoch() gives, without its time-zone computation). Throws FileError(read).
QDateTime readFileInto(const QString& path, QByteArray& buffer, qint64* modifiedMsecs = nullptr);
// The same, giving the file's identity as it was when the file was opened.
FileIdentity readFileWithIdentity(const QString& path, QByteArray& buffer);
// Milliseconds of a time in nanoseconds since the epoch, rounded down.
qint64 msecsOfNs(qint64 ns);
