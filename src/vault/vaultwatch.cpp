#include "vaultwatch.h"

#include <QFile>

#include <cerrno>
#include <sys/inotify.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

// File systems whose changes all pass through this machine's kernel, so that every change is
// reported. Network and user-space file systems are missing on purpose.
bool isLocalFileSystem(const struct statfs& info)
{
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // xfs
    case 0x9123683E: // btrfs
    case 0x01021994: // tmpfs
    case 0xF2F52010: // f2fs
    case 0x2FC12FC1: // zfs
    case 0x794C7630: // overlay
    case 0xCA451A4E: // bcachefs
    case 0x3153464A: // jfs
    case 0x4D44:     // vfat
    case 0x2011BAB0: // exfat
    case 0x7366746E: // ntfs3
    case 0x52654973: // reiserfs
        return true;
    default:
        return false;
    }
}

constexpr uint32_t watchedEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                   IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                   IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

std::unique_ptr<VaultWatch> VaultWatch::create()
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<VaultWatch>(new VaultWatch(fd));
}

VaultWatch::VaultWatch(int fd) : m_fd(fd) {}

VaultWatch::~VaultWatch()
{
    ::close(m_fd);
}

VaultWatch::Outcome VaultWatch::watchFolder(const QString& absolutePath, int area,
                                            const QString& relativePath)
{
    const QByteArray path = QFile::encodeName(absolutePath);
    struct statfs info
    {
    };
    if (::statfs(path.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Outcome::missing : Outcome::refused;
    if (!isLocalFileSystem(info))
        return Outcome::refused;
    const int wd = ::inotify_add_watch(m_fd, path.constData(), watchedEvents);
    if (wd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Outcome::missing : Outcome::refused;
    m_folders.insert(wd, Folder{area, relativePath, true});
    return Outcome::watched;
}

void VaultWatch::beginArea(int area)
{
    for (Folder& folder : m_folders) {
        if (folder.area == area)
            folder.seen = false;
    }
}

void VaultWatch::endArea(int area)
{
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        if (it->area == area && !it->seen) {
            ::inotify_rm_watch(m_fd, it.key());
            it = m_folders.erase(it);
        } else {
            ++it;
        }
    }
}

VaultWatch::Changes VaultWatch::takeChanges()
{
    Changes changes;
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // EAGAIN: nothing more
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changes.overflow = true;
                continue;
            }
            const auto folder = m_folders.constFind(event->wd);
            if (folder == m_folders.cend())
                continue; // a watch removed meanwhile
            Event reported;
            reported.area = folder->area;
            reported.folder = folder->path;
            if (event->len > 0)
                reported.name = QFile::decodeName(event->name);
            reported.isFolder = event->mask & IN_ISDIR;
            reported.folderGone =
                event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED);
            if (event->mask & IN_IGNORED)
                m_folders.erase(folder);
            changes.events.append(reported);
        }
    }
    return changes;
}
