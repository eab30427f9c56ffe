#pragma once

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

// Reads a file as strict UTF-8 text. Throws FileError(read), also for invalid UTF-8.
QString readTextFile(const QString& path);

// Replaces the file atomically and durably: the bytes go to a hidden temporary file in the same
// folder, which is flushed to disk and renamed over the target; then the folder is synced.
// On failure the previous file is untouched and no temporary file is left behind.
void writeFileAtomically(const QString& path, const QByteArray& bytes);
inline void writeTextFileAtomically(const QString& path, const QString& text)
{
    writeFileAtomically(path, text.toUtf8());
}

// Creates a folder with its intermediate folders; an existing folder is success.
void createFolder(const QString& path);

// Moves a file or folder; fails (EEXIST) when the target exists rather than replacing it.
void moveItem(const QString& from, const QString& to);

bool pathExists(const QString& path);
bool isDirectory(const QString& path);
bool isRegularFile(const QString& path);

// The modification date (millisecond precision), or distantPast() when it cannot be read.
QDateTime fileModificationDate(const QString& path);
