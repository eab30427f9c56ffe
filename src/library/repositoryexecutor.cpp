#include "repositoryexecutor.h"

RepositoryExecutor::RepositoryExecutor()
{
    m_pool.setMaxThreadCount(1);
    // Keep the one thread alive: starting a thread per call would cost more than most calls.
    m_pool.setExpiryTimeout(-1);
}

RepositoryExecutor::~RepositoryExecutor()
{
    m_pool.waitForDone();
}
