#pragma once

#include "fileidentity.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A new version of a file, written beside it and flushed to disk but not yet in place: the first
// half of an atomic, durable write. While staged it has no name where the file system allows
// one without (a write killed before it is in place leaves nothing behind); elsewhere, or when
// asked to, it has a hidden temporary name ".<name>.larch-XXXXXX" in the file's folder, which
// loading sweeps away once it is stale. A staged file that is never committed is removed.
class StagedFile
{
public:
    enum class Naming { unnamedIfPossible, named };

    // Writes `bytes`; keeps the permissions of the file it will replace (0644 for a new one).
    // Throws FileError(write), leaving nothing behind.
    StagedFile(const QString& path, const QByteArray& bytes,
               Naming naming = Naming::unnamedIfPossible);
    ~StagedFile();
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    QString path() const { return m_path; }
    // The version it will have in place.
    FileIdentity identity() const { return m_identity; }

    // Puts it in place, replacing whatever is there, and syncs the folder.
    void commit();
    // Puts it in place only if the file there is still the version `expected`, or, with nothing
    // expected, only if nothing is there. Otherwise returns false and leaves the file exactly as
    // the other program left it; the staged file stays staged. Where the file system can swap
    // two names atomically, a change that lands between the check and the swap is caught too:
    // the other program's version is swapped back.
    bool commitIfUnchanged(const std::optional<FileIdentity>& expected);

private:
    // Links an unnamed file under a temporary name, so that it can be renamed into place.
    void giveName();

    QString m_path;
    QByteArray m_target;    // encoded path
    QByteArray m_temporary; // encoded temporary name; empty while the file has none
    int m_fd = -1;          // open while the file has no name
    FileIdentity m_identity;
    bool m_done = false;
};
