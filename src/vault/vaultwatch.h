#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

// Change notifications for the folders of a vault (inotify), so that a re-read can look only at
// what changed instead of examining every file. Only folders on local file systems are watched:
// elsewhere (network and user-space file systems) changes made by other machines go unreported,
// and watchFolder refuses.
class VaultWatch
{
public:
    // Nothing when the system offers no watch (or has none left for this user).
    static std::unique_ptr<VaultWatch> create();
    ~VaultWatch();
    VaultWatch(const VaultWatch&) = delete;
    VaultWatch& operator=(const VaultWatch&) = delete;

    // One change reported for a watched folder: `name` is the entry that changed, empty when the
    // folder itself did.
    struct Event
    {
        int area = 0;   // as given to watchFolder
        QString folder; // vault-relative path of the watched folder
        QString name;
        bool isFolder = false;   // the entry is a folder
        bool folderGone = false; // the watched folder was deleted, moved or unmounted
    };
    struct Changes
    {
        bool overflow = false; // events were lost: nothing can be trusted
        QList<Event> events;
    };

    // Watches `absolutePath` (a folder) for changes of its entries, reporting them with `area`
    // and `relativePath`. Watching a folder again keeps its watch. Refused when the folder is on
    // a file system whose changes may go unreported, or no watch is left.
    enum class Outcome { watched, missing, refused };
    Outcome watchFolder(const QString& absolutePath, int area, const QString& relativePath);
    // Stops watching the folders of `area` that were not watched again since `beginArea`.
    void beginArea(int area);
    void endArea(int area);

    // Everything reported since the last call, without waiting.
    Changes takeChanges();

private:
    explicit VaultWatch(int fd);

    struct Folder
    {
        int area = 0;
        QString path;
        bool seen = true;
    };
    int m_fd;
    QHash<int, Folder> m_folders; // by watch descriptor
};
