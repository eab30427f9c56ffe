#include "outsidechanges.h"

#include "librarycontroller.h"
#include "recordstore.h"

#include <QSocketNotifier>

#include <algorithm>

OutsideChangeWatcher::OutsideChangeWatcher(LibraryController* library,
                                           std::shared_ptr<RepositoryExecutor> executor)
    : QObject(library), m_library(library), m_executor(std::move(executor))
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &OutsideChangeWatcher::settle);
    connect(&m_poll, &QTimer::timeout, this, [this]() {
        if (m_refreshing == 0)
            check();
    });
    // A load reads everything: afterwards the store tells how the vault is watched, and what
    // changed while it was read.
    connect(library, &LibraryController::loadPhaseChanged, this, [this]() {
        if (m_library->loadPhase() == LibraryController::LoadPhase::Ready)
            check();
    });
}

OutsideChangeWatcher::~OutsideChangeWatcher()
{
    delete m_notifier; // before the descriptor it waits on may close
}

void OutsideChangeWatcher::follow(std::shared_ptr<const VaultRepository> repository)
{
    if (repository == m_repository)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    m_quiet.stop();
    m_poll.stop();
    m_noticeShown = false;
    m_rung = false;
    m_repository = std::move(repository);
    if (!m_repository)
        return;
    const int descriptor = m_repository->records().changeSignal().descriptor();
    if (descriptor < 0)
        return; // checked every few seconds instead, once loaded
    m_notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &OutsideChangeWatcher::wake);
}

void OutsideChangeWatcher::wake()
{
    if (m_repository->records().changeSignal().clear())
        m_rung = true;
    ++m_wakes;
    if (!m_quiet.isActive())
        m_burst.start();
    const qint64 left = burstMilliseconds - m_burst.elapsed();
    m_quiet.start(int(std::clamp<qint64>(left, 0, quietMilliseconds)));
}

void OutsideChangeWatcher::settle()
{
    // A refresh under way is waited for; one that began after the last wake-up read everything
    // it announced.
    if (m_refreshing > 0 || (m_wakes == m_covered && !m_rung))
        return;
    check();
}

QCoro::Task<> OutsideChangeWatcher::check()
{
    if (!m_repository || m_library->loadPhase() != LibraryController::LoadPhase::Ready)
        co_return;
    if (m_checking) {
        m_checkAgain = true;
        co_return;
    }
    m_checking = true;
    const std::shared_ptr<const VaultRepository> repository = m_repository;
    do {
        m_checkAgain = false;
        m_rung = false;
        const quint64 begun = m_refreshesBegun;
        std::optional<VaultChangeCheck> found;
        try {
            found = co_await StorageCall(
                m_executor->run(repository, &VaultRepository::checkForChanges), this);
        } catch (const std::exception&) {
            // The vault cannot be examined now; the next refresh reports why.
        }
        if (repository != m_repository)
            break; // another vault meanwhile
        if (!found)
            continue;
        useState(found->state);
        // A refresh that began since the store was asked reads the changes itself.
        if (!found->changed || m_refreshesBegun != begun ||
            m_library->loadPhase() != LibraryController::LoadPhase::Ready)
            continue;
        ++m_refreshCount;
        try {
            co_await m_library->refreshAsync(false);
        } catch (const std::exception&) {
            // As for a refresh when the window becomes active: the next operation reports a
            // lasting failure.
        }
    } while (m_checkAgain);
    m_checking = false;
}

void OutsideChangeWatcher::useState(VaultWatchState state)
{
    const bool notified = state == VaultWatchState::watching && m_notifier;
    if (notified) {
        m_poll.stop();
        return;
    }
    if (!m_poll.isActive())
        m_poll.start(pollMilliseconds);
    if (m_noticeShown)
        return;
    const QString seconds = QString::number(pollMilliseconds / 1000);
    if (state == VaultWatchState::limitReached)
        m_library->showNotice(
            QStringLiteral(
                "仓库的文件夹太多，超出了系统可监视的数量，将每 %1 秒检查一次其他程序所做的更改")
                .arg(seconds));
    else if (state == VaultWatchState::unsupported)
        m_library->showNotice(
            QStringLiteral("仓库所在的文件系统不通知更改，将每 %1 秒检查一次其他程序所做的更改")
                .arg(seconds));
    else
        return;
    m_noticeShown = true;
}

OutsideChangeWatcher::Refreshing::Refreshing(OutsideChangeWatcher* watcher) : m_watcher(watcher)
{
    if (m_watcher) {
        ++m_watcher->m_refreshing;
        ++m_watcher->m_refreshesBegun;
        m_watcher->m_covered = m_watcher->m_wakes;
    }
}

OutsideChangeWatcher::Refreshing::~Refreshing()
{
    if (!m_watcher || --m_watcher->m_refreshing > 0)
        return;
    // What arrived during the refresh (a change it may have missed, or its own repairs) is
    // looked at once the burst is over.
    if (!m_watcher->m_quiet.isActive())
        m_watcher->settle();
}
