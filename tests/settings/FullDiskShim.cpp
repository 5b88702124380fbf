// Preloaded into a program (LD_PRELOAD), makes the disk look full in the folder
// KORVEX_FULL_DISK_DIR: the calls named in KORVEX_FULL_DISK_CALLS ("write", "fsync",
// "rename", joined by commas) fail there with ENOSPC. Writes fail once
// KORVEX_FULL_DISK_ROOM bytes (default 0) are written; the write that reaches that count is
// cut short. Every other call goes through unchanged.

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool fails(const char* call)
{
    const char* calls = std::getenv("KORVEX_FULL_DISK_CALLS");
    return calls != nullptr && std::strstr(calls, call) != nullptr;
}

bool inFolder(const char* path)
{
    const char* dir = std::getenv("KORVEX_FULL_DISK_DIR");
    const std::size_t n = dir ? std::strlen(dir) : 0;
    return n > 0 && path != nullptr && std::strncmp(path, dir, n) == 0 && path[n] == '/';
}

// Also a file opened without a name (O_TMPFILE) shows its folder here.
bool fileInFolder(int fd)
{
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    target[n < 0 ? 0 : n] = '\0';
    return inFolder(target);
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

int noSpace()
{
    errno = ENOSPC;
    return -1;
}

} // namespace

extern "C" ssize_t write(int fd, const void* data, std::size_t size)
{
    static const auto Real = next<ssize_t (*)(int, const void*, std::size_t)>("write");
    static std::size_t written = 0;
    if (!fails("write") || !fileInFolder(fd))
        return Real(fd, data, size);
    const char* room = std::getenv("KORVEX_FULL_DISK_ROOM");
    const std::size_t limit = room ? std::strtoul(room, nullptr, 10) : 0;
    if (written >= limit)
        return noSpace();
    const ssize_t n = Real(fd, data, std::min(size, limit - written));
    written += n > 0 ? std::size_t(n) : 0;
    return n;
}

extern "C" int fsync(int fd)
{
    static const auto Real = next<int (*)(int)>("fsync");
    return fails("fsync") && fileInFolder(fd) ? noSpace() : Real(fd);
}

extern "C" int rename(const char* from, const char* to)
{
    static const auto Real = next<int (*)(const char*, const char*)>("rename");
    return fails("rename") && (inFolder(from) || inFolder(to)) ? noSpace() : Real(from, to);
}
