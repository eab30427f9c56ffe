// Loaded into `larch` by the durability test: writes the path of every folder flushed to disk
// to the file named by FSYNC_SPY_LOG, one a line, then flushes as asked.

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int fsync(int fd)
{
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    struct stat info
    {
    };
    const char* log = std::getenv("FSYNC_SPY_LOG");
    if (log && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        char path[PATH_MAX + 1];
        const ssize_t length = readlink(link, path, PATH_MAX);
        const int out = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (length > 0 && out >= 0) {
            path[length] = '\n';
            (void)!write(out, path, size_t(length) + 1);
        }
        if (out >= 0)
            close(out);
    }
    return real(fd);
}
