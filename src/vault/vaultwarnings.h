#pragma once

#include <QList>
#include <QMutex>
#include <QString>

// What an operation could not do although it went on: a file it could not write back, a name it
// had to skip, an index it could not update. The operation's result stands; the warning tells
// the user what is missing from it.
struct VaultWarning
{
    enum class Kind {
        // About this operation: shown every time it happens.
        operation,
        // About the state of the vault (read-only, undecodable names, files that are not text):
        // every read meets it again, so a caller may show it once until it changes.
        vaultState,
    };
    Kind kind = Kind::operation;
    QString text; // one Chinese sentence
    friend bool operator==(const VaultWarning&, const VaultWarning&) = default;
};

// The warnings of one repository, collected from whichever thread its calls run on.
class VaultWarningLog
{
public:
    void add(const VaultWarning& warning);
    // The warnings so far, in order, each once; the log is left empty.
    QList<VaultWarning> take();

private:
    QMutex m_mutex;
    QList<VaultWarning> m_warnings;
};

// While alive, warnings reported on this thread go to `log`. Scopes nest; the innermost wins.
class VaultWarningScope
{
public:
    explicit VaultWarningScope(VaultWarningLog& log);
    ~VaultWarningScope();
    VaultWarningScope(const VaultWarningScope&) = delete;
    VaultWarningScope& operator=(const VaultWarningScope&) = delete;

private:
    VaultWarningLog* m_previous;
};

// Reports a warning to the scope of this thread; without a scope it is logged with qWarning, so
// that storage code may warn from anywhere.
void reportVaultWarning(VaultWarning::Kind kind, const QString& text);
