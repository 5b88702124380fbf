// Preloaded into a program (LD_PRELOAD), this library makes the disk look full inside one
// folder: for files in KORVEX_FULL_DISK_DIR the calls named in KORVEX_FULL_DISK_CALLS
// ("write", "fsync", "rename", joined by commas) fail with ENOSPC. Writes fail once
// KORVEX_FULL_DISK_ROOM bytes (default 0) have been written there; the write that crosses
// that count writes only what still fits. fdatasync counts as fsync. Every other call
// goes through unchanged.

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool fails(std::string_view call)
{
    const char* calls = std::getenv("KORVEX_FULL_DISK_CALLS");
    for (std::string_view rest = calls ? calls : ""; !rest.empty();) {
        const auto comma = rest.find(',');
        if (rest.substr(0, comma) == call)
            return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return false;
}

bool inFolder(const char* path)
{
    const char* dir = std::getenv("KORVEX_FULL_DISK_DIR");
    if (dir == nullptr || *dir == '\0' || path == nullptr)
        return false;
    const std::size_t n = std::strlen(dir);
    return std::strncmp(path, dir, n) == 0 && path[n] == '/';
}

// The file behind fd; a file opened without a name (O_TMPFILE) shows its folder as well.
bool fileInFolder(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n < 0)
        return false;
    target[n] = '\0';
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
    static const auto real = next<ssize_t (*)(int, const void*, std::size_t)>("write");
    static std::size_t written = 0;
    if (size == 0 || !fails("write") || !fileInFolder(fd))
        return real(fd, data, size);
    const char* room = std::getenv("KORVEX_FULL_DISK_ROOM");
    const std::size_t limit = room ? std::strtoul(room, nullptr, 10) : 0;
    if (written >= limit)
        return noSpace();
    const ssize_t n = real(fd, data, size < limit - written ? size : limit - written);
    if (n > 0)
        written += std::size_t(n);
    return n;
}

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    return fails("fsync") && fileInFolder(fd) ? noSpace() : real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    return fails("fsync") && fileInFolder(fd) ? noSpace() : real(fd);
}

extern "C" int rename(const char* from, const char* to)
{
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    return fails("rename") && (inFolder(from) || inFolder(to)) ? noSpace() : real(from, to);
}
