#pragma once

#include "fileidentity.h"
#include "stagedfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// File-system primitives of the vault. Every failure throws FileError with the system's reason.

// The date used when a file has no readable modification date: earlier than any real file.
QDateTime distantPast();

// Reads a whole file's bytes. Throws FileError(read).
QByteArray readFileBytes(const QString& path);

// Decodes strict UTF-8; nothing when the bytes are not valid UTF-8. A leading byte-order mark
// is kept in the text so that writing the text back reproduces the file byte for byte.
std::optional<QString> decodeUtf8Strict(const QByteArray& bytes);

// The reason given when a file is not valid UTF-8.
QString notUtf8Reason();

// Reads a file as strict UTF-8 text. Throws FileError(read), also for invalid UTF-8.
QString readTextFile(const QString& path);

// Reads a whole file's bytes and tells which version of the file they are; nothing (and no
// version) when the file does not exist. Throws FileError(read) for any other failure.
std::optional<QByteArray> readFileVersion(const QString& path,
                                          std::optional<FileIdentity>& version);

// Whether two identities are one version of one file: same file, size and modification time.
// The status change time is not compared, since putting a file in place by a rename changes it.
bool sameVersion(const FileIdentity& a, const FileIdentity& b);

// Replaces the file atomically and durably (see StagedFile): on failure the previous file is
// untouched and no temporary file is left behind.
void writeFileAtomically(const QString& path, const QByteArray& bytes);
inline void writeTextFileAtomically(const QString& path, const QString& text)
{
    writeFileAtomically(path, text.toUtf8());
}
// Creates the file atomically and durably unless something exists at `path`; false then, and
// nothing is written. Two writers can never both create the same file.
bool createFileExclusively(const QString& path, const QByteArray& bytes);

// Flushes a folder's entries (new, renamed or removed names in it) to disk; best effort.
void syncFolder(const QString& folder);
void syncFolderOf(const QString& path);

// Creates a folder with its intermediate folders, durably; an existing folder is success.
void createFolder(const QString& path);

// Moves a file or folder, durably; fails (EEXIST) when the target exists rather than replacing it.
void moveItem(const QString& from, const QString& to);

bool pathExists(const QString& path);
bool isDirectory(const QString& path);
bool isRegularFile(const QString& path);

// The modification date (millisecond precision), or distantPast() when it cannot be read.
QDateTime fileModificationDate(const QString& path);
