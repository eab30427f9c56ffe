#include "changesignal.h"

#include <cstdint>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

VaultChangeSignal::~VaultChangeSignal()
{
    if (m_bell >= 0)
        ::close(m_bell);
    if (m_poll >= 0)
        ::close(m_poll);
}

int VaultChangeSignal::descriptor()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_poll >= 0)
        return m_poll;
    m_poll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_poll < 0)
        return -1;
    m_bell = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_bell >= 0)
        add(m_bell);
    if (m_followed >= 0)
        add(m_followed);
    return m_poll;
}

void VaultChangeSignal::add(int descriptor)
{
    // Edge-triggered: each new notification wakes the waiter once, while the notifications
    // themselves stay unread for the store.
    struct epoll_event event
    {
    };
    event.events = EPOLLIN | EPOLLET;
    event.data.fd = descriptor;
    ::epoll_ctl(m_poll, EPOLL_CTL_ADD, descriptor, &event);
}

bool VaultChangeSignal::clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_poll < 0)
        return false;
    struct epoll_event events[4];
    while (::epoll_wait(m_poll, events, 4, 0) > 0) {
    }
    std::uint64_t rings = 0;
    return m_bell >= 0 && ::read(m_bell, &rings, sizeof rings) > 0 && rings > 0;
}

void VaultChangeSignal::follow(int notificationDescriptor)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_followed >= 0 && m_poll >= 0)
        ::epoll_ctl(m_poll, EPOLL_CTL_DEL, m_followed, nullptr);
    m_followed = notificationDescriptor;
    if (m_poll >= 0)
        add(m_followed);
}

void VaultChangeSignal::unfollow()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_followed >= 0 && m_poll >= 0)
        ::epoll_ctl(m_poll, EPOLL_CTL_DEL, m_followed, nullptr);
    m_followed = -1;
}

void VaultChangeSignal::ring()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::uint64_t one = 1;
    if (m_bell >= 0 && ::write(m_bell, &one, sizeof one) < 0) {
        // Already rung and not yet cleared: the waiter wakes up anyway.
    }
}
