#include "floorreader.h"

#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

bool isMarkdown(const char* name)
{
    const size_t length = std::strlen(name);
    return length >= 3 && name[length - 3] == '.' && (name[length - 2] | 0x20) == 'm' &&
           (name[length - 1] | 0x20) == 'd';
}

void walk(const std::string& folder, bool top, std::vector<std::string>& files)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (top && std::strcmp(entry->d_name, "Attachments") == 0)
            continue;
        std::string path = folder + '/' + entry->d_name;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            struct stat info
            {
            };
            if (::stat(path.c_str(), &info) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            walk(path, false, files);
        else if (type == DT_REG && isMarkdown(entry->d_name))
            files.push_back(std::move(path));
    }
    ::closedir(dir);
}

qint64 readAll(const std::vector<std::string>& files, int threads)
{
    std::atomic<size_t> next{0};
    std::atomic<qint64> total{0};
    const auto worker = [&] {
        std::vector<char> buffer(1 << 16);
        qint64 bytes = 0;
        for (size_t i = next++; i < files.size(); i = next++) {
            const int fd = ::open(files[i].c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            struct stat info
            {
            };
            if (::fstat(fd, &info) != 0) {
                ::close(fd);
                continue;
            }
            if (size_t(info.st_size) + 1 > buffer.size())
                buffer.resize(size_t(info.st_size) + 1);
            // One read per file: a short read of a regular file that gave its whole size is
            // its end, so the confirming read of an empty end is left out.
            for (;;) {
                const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                if (n <= 0)
                    break;
                bytes += n;
                if (size_t(n) < buffer.size() && n >= info.st_size)
                    break;
            }
            ::close(fd);
        }
        total += bytes;
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
        pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool)
        thread.join();
    return total;
}

} // namespace

std::vector<std::string> listLoadedFiles(const QString& vaultRoot)
{
    const std::string root = QFile::encodeName(vaultRoot).toStdString();
    std::vector<std::string> files;
    walk(root, true, files);
    const std::string index = root + "/.larch/memo-index.json";
    if (::access(index.c_str(), R_OK) == 0)
        files.push_back(index);
    return files;
}

FloorResult measureFloor(const QString& vaultRoot, int threads)
{
    QElapsedTimer timer;
    timer.start();
    const std::vector<std::string> files = listLoadedFiles(vaultRoot);
    FloorResult result;
    result.bytes = readAll(files, threads);
    result.milliseconds = double(timer.nsecsElapsed()) / 1e6;
    result.files = int(files.size());
    return result;
}
