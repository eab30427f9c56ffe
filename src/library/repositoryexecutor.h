#pragma once

#include "vaultrepository.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <coroutine>
#include <functional>
#include <memory>
#include <type_traits>

// The storage thread: one worker that runs repository calls one at a time, in the order they
// arrive. Every repository of the process (the open vault's, and the older ones that editor
// sessions still hold) is used through it, so no two file operations ever overlap.
class RepositoryExecutor
{
public:
    RepositoryExecutor();
    // Waits for the calls already handed over.
    ~RepositoryExecutor();
    RepositoryExecutor(const RepositoryExecutor&) = delete;
    RepositoryExecutor& operator=(const RepositoryExecutor&) = delete;

    // Runs `(repository->*method)(args...)` on the storage thread; the arguments are copied.
    // A thrown StorageError reaches the future with its type intact.
    //
    // Callers name a repository method rather than pass a lambda: GCC 12 destroys a capturing
    // lambda that is a temporary of a co_await expression twice.
    template <typename Method, typename... Args>
    auto run(std::shared_ptr<const VaultRepository> repository, Method method, Args... args)
        -> QFuture<std::invoke_result_t<Method, const VaultRepository&, const Args&...>>
    {
        return QtConcurrent::run(
            &m_pool, [repository = std::move(repository), method, ... args = std::move(args)]() {
                return std::invoke(method, *repository, args...);
            });
    }

    // Blocks until every call handed over so far has ended.
    void waitForDone() { m_pool.waitForDone(); }

private:
    QThreadPool m_pool;
};

// Awaits a storage future from a coroutine on the GUI thread. The coroutine resumes on the
// thread of `context`; if `context` is destroyed first, the coroutine is never resumed (the
// object it works for is gone), which is how sessions and the controller hold their pending
// work weakly.
template <typename T> class StorageCall
{
public:
    StorageCall(QFuture<T> future, QObject* context)
        : m_future(std::move(future)), m_context(context)
    {
    }

    bool await_ready() const { return m_future.isFinished(); }

    void await_suspend(std::coroutine_handle<> awaiting)
    {
        auto* watcher = new QFutureWatcher<T>(m_context);
        QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, awaiting]() {
            watcher->deleteLater();
            awaiting.resume();
        });
        watcher->setFuture(m_future);
    }

    // Rethrows the error of the call.
    T await_resume()
    {
        if constexpr (std::is_void_v<T>)
            m_future.waitForFinished();
        else
            return m_future.result();
    }

private:
    QFuture<T> m_future;
    QObject* m_context;
};
