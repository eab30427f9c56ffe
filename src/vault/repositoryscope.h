#pragma once

#include "vaultlock.h"
#include "vaultrepository.h"
#include "vaultwarnings.h"

// Every repository operation opens one of these first. Warnings reported while it runs go to the
// repository's log; one that may write also holds the vault's write lock, so that the
// application and the command-line program never interleave their read-modify-writes. Both
// nest: an operation made of others locks once.

class ReadScope
{
public:
    explicit ReadScope(const VaultRepository& repository) : m_warnings(repository.warningLog()) {}

private:
    VaultWarningScope m_warnings;
};

class WriteScope
{
public:
    explicit WriteScope(const VaultRepository& repository)
        : m_warnings(repository.warningLog()), m_lock(repository.rootPath())
    {
    }

private:
    VaultWarningScope m_warnings;
    VaultWriteLock m_lock;
};
