#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// One version of a file on disk, told without reading it: rewriting the file (even with the
// same size), replacing it by a rename or touching it changes at least one field. Used to
// notice that a file changed since it was read, and to reuse what was parsed from it.
struct FileIdentity
{
    qint64 size = 0;
    qint64 modifiedNs = 0; // modification time, nanoseconds since the epoch
    qint64 changedNs = 0;  // status change time, nanoseconds since the epoch
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` (symbolic links followed); nothing when it cannot be
// examined (missing, unreadable folder).
std::optional<FileIdentity> fileIdentity(const QString& path);
// The identity of an open file.
std::optional<FileIdentity> fileIdentity(int fd);
