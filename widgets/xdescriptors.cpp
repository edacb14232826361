#include "xdescriptors.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
// Calls found with each open descriptor but the listing's own.
template <typename Found> bool forEachOpen(Found found)
{
#ifdef Q_OS_LINUX
    DIR* listing = ::opendir("/proc/self/fd");
#else
    DIR* listing = ::opendir("/dev/fd");
#endif
    if (!listing)
        return false;
    const int own = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        char* end = nullptr;
        const long descriptor = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && descriptor != own)
            found(int(descriptor));
    }
    ::closedir(listing);
    return true;
}
#endif
}

void XDescriptors::markCloseOnExec(int descriptor)
{
#ifdef Q_OS_UNIX
    const int flags = ::fcntl(descriptor, F_GETFD);
    if (flags >= 0 && !(flags & FD_CLOEXEC))
        ::fcntl(descriptor, F_SETFD, flags | FD_CLOEXEC);
#else
    Q_UNUSED(descriptor)
#endif
}

void XDescriptors::markAllCloseOnExec()
{
#ifdef Q_OS_UNIX
    forEachOpen([](int descriptor) {
        if (descriptor > STDERR_FILENO)
            markCloseOnExec(descriptor);
    });
#endif
}

int XDescriptors::openCount()
{
    int count = 0;
#ifdef Q_OS_UNIX
    forEachOpen([&count](int) { ++count; });
#endif
    return count;
}
