#include "processsetup.h"

#include <QByteArray>
#include <QFile>

#include <cstdlib>
#include <unistd.h>

namespace {

// Whether the kernel gives large pages to memory that asks for them.
bool largePagesOnRequest()
{
    QFile setting(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    if (!setting.open(QIODevice::ReadOnly))
        return false;
    const QByteArray value = setting.readAll();
    return value.contains("[always]") || value.contains("[madvise]");
}

} // namespace

void prepareProcess(char* argv[])
{
    if (qEnvironmentVariableIsEmpty("TZ") && QFile::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
#ifdef __GLIBC__
    static const QByteArray tunable("glibc.malloc.hugetlb=1");
    QByteArray tunables = qgetenv("GLIBC_TUNABLES");
    if (tunables.contains("glibc.malloc.hugetlb") || !largePagesOnRequest())
        return;
    tunables = tunables.isEmpty() ? tunable : tunables + ':' + tunable;
    qputenv("GLIBC_TUNABLES", tunables);
    ::execv("/proc/self/exe", argv);
    // Could not start again: go on with small pages.
#else
    Q_UNUSED(argv);
#endif
}
