#pragma once

#include <mutex>

// A descriptor that becomes readable when the change notifications of a vault have something to
// report, or when the vault's watch stopped: it lets a thread with an event loop wait for
// changes made outside without reading them (the record store reads them at its next call, on
// its own thread). Thread-safe.
class VaultChangeSignal
{
public:
    VaultChangeSignal() = default;
    ~VaultChangeSignal();
    VaultChangeSignal(const VaultChangeSignal&) = delete;
    VaultChangeSignal& operator=(const VaultChangeSignal&) = delete;

    // The descriptor to wait on, made at the first call; -1 when the system gives none.
    int descriptor();
    // Called on every wake-up: the descriptor is readable again only after something new.
    // Whether the watch stopped since the last call.
    bool clear();

    // For the record store: the notification descriptor to follow (one at a time), and to stop
    // following before it is closed.
    void follow(int notificationDescriptor);
    void unfollow();
    // The watch stopped: whoever waits should look at how the vault is kept up to date now.
    void ring();

private:
    void add(int descriptor);

    std::mutex m_mutex;
    int m_poll = -1;     // the epoll set waited on
    int m_bell = -1;     // an eventfd in the set, for ring()
    int m_followed = -1; // the inotify descriptor in the set
};

// How a vault is kept up to date between re-reads.
enum class VaultWatchState {
    watching,     // change notifications
    off,          // turned off (tests, the benchmark): every re-read compares every file
    unsupported,  // the vault's file system does not report every change
    limitReached, // the system's watches ran out, or the vault would take too many of them
};

// What a look at the vault without reading any file found.
struct VaultChangeCheck
{
    bool changed = false; // a re-read would find something new
    VaultWatchState state = VaultWatchState::watching;
};
