#pragma once

#include "repositoryexecutor.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <qcorotask.h>

#include <memory>

class LibraryController;
class QSocketNotifier;

// Keeps the published contents up to date with what other programs (a sync tool, another
// editor, larch) change in the vault: their changes lead to a refresh, which is cheap since it
// reads only what changed.
//
// The watcher waits on the change notifications of the open vault's record store without
// reading them. When they have been quiet for a moment (a sync tool writing 500 files is one
// burst, waited out), it asks the store whether a refresh would find anything new; the store
// answers from the notifications it has not yet taken, so changes that a refresh already read
// (the application's own writes, each followed by its refresh) lead to nothing more. Where
// there are no notifications (a file system that does not report changes, or no watches left),
// the store compares every file's identity instead, every few seconds, and a notice says so.
class OutsideChangeWatcher : public QObject
{
    Q_OBJECT

public:
    // A burst is over when nothing new arrived for this long, or this long after its beginning
    // while it goes on, so that a long synchronisation still shows its progress.
    static constexpr int quietMilliseconds = 200;
    static constexpr int burstMilliseconds = 3000;
    // How often the files are compared without notifications.
    static constexpr int pollMilliseconds = 3000;

    OutsideChangeWatcher(LibraryController* library, std::shared_ptr<RepositoryExecutor> executor);
    ~OutsideChangeWatcher() override;

    // The open vault's repository; given again whenever the vault is replaced.
    void follow(std::shared_ptr<const VaultRepository> repository);
    const std::shared_ptr<const VaultRepository>& repository() const { return m_repository; }

    // Marks a refresh of the library for as long as it lives: a refresh that begins after a
    // change was noticed reads it, so no other refresh is needed for it.
    class Refreshing
    {
    public:
        explicit Refreshing(OutsideChangeWatcher* watcher);
        ~Refreshing();
        Refreshing(const Refreshing&) = delete;
        Refreshing& operator=(const Refreshing&) = delete;

    private:
        QPointer<OutsideChangeWatcher> m_watcher;
    };

    // The refreshes that outside changes caused, and whether the files are compared every few
    // seconds for lack of notifications.
    int refreshCount() const { return m_refreshCount; }
    bool isPolling() const { return m_poll.isActive(); }

private:
    void wake();
    void settle();
    QCoro::Task<> check();
    void useState(VaultWatchState state);

    LibraryController* m_library;
    std::shared_ptr<RepositoryExecutor> m_executor;
    std::shared_ptr<const VaultRepository> m_repository;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_quiet;
    QElapsedTimer m_burst;
    QTimer m_poll;
    quint64 m_wakes = 0;   // wake-ups so far
    quint64 m_covered = 0; // the wake-ups before the last refresh began
    bool m_rung = false;   // the watch stopped: the store must be asked, refresh or not
    int m_refreshing = 0;  // refreshes under way
    quint64 m_refreshesBegun = 0;
    bool m_checking = false;
    bool m_checkAgain = false;
    bool m_noticeShown = false;
    int m_refreshCount = 0;
};
