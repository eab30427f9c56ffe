#pragma once

#include <QString>

// The application and the command-line program may write one vault at the same time; each write
// operation of the repository holds this lock, so their read-modify-writes never interleave.
//
// The lock is an advisory file lock (flock) on a file outside the vault, so that nothing of it is
// synced to other machines: in the runtime folder ($XDG_RUNTIME_DIR, else the cache folder),
// named after the vault's real path, so that a vault reached through a symbolic link and through
// its target share one lock. It is re-entrant within a thread: an operation made of others takes
// it once. Two threads of one process exclude each other like two processes.
class VaultWriteLock
{
public:
    // Waits for the lock of the vault at `rootPath`. When the lock file cannot be made (no
    // writable runtime or cache folder) the operation goes on unlocked, as it did before locks
    // existed. Throws FileError when another program holds the lock for a minute.
    explicit VaultWriteLock(const QString& rootPath);
    ~VaultWriteLock();
    VaultWriteLock(const VaultWriteLock&) = delete;
    VaultWriteLock& operator=(const VaultWriteLock&) = delete;

private:
    QString m_key;
    bool m_held = false;
};

// A name for the vault at `rootPath` made from its real path (its cleaned absolute path while it
// does not exist): the same for every way of reaching the folder, and usable as a file name.
QString vaultFileKey(const QString& rootPath);

// "larch-notes" in the runtime folder and in the state folder ($XDG_STATE_HOME, else
// ~/.local/state), created on first use; empty when they cannot be made.
QString larchRuntimeFolder();
QString larchStateFolder();
