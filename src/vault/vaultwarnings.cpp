#include "vaultwarnings.h"

#include <QMutexLocker>

namespace {

thread_local VaultWarningLog* currentLog = nullptr;

} // namespace

void VaultWarningLog::add(const VaultWarning& warning)
{
    const QMutexLocker locker(&m_mutex);
    if (!m_warnings.contains(warning))
        m_warnings.append(warning);
}

QList<VaultWarning> VaultWarningLog::take()
{
    const QMutexLocker locker(&m_mutex);
    return std::exchange(m_warnings, {});
}

VaultWarningScope::VaultWarningScope(VaultWarningLog& log) : m_previous(currentLog)
{
    currentLog = &log;
}

VaultWarningScope::~VaultWarningScope()
{
    currentLog = m_previous;
}

void reportVaultWarning(VaultWarning::Kind kind, const QString& text)
{
    if (currentLog)
        currentLog->add(VaultWarning{kind, text});
    else
        qWarning("%s", qUtf8Printable(text));
}
