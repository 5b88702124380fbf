// Preloaded into a program (LD_PRELOAD), makes the disk look full (or broken) in the folder
// KORVEX_FULL_DISK_DIR: the calls named in KORVEX_FULL_DISK_CALLS ("write", "fsync",
// "linkat", "rename", joined by commas) fail there with ENOSPC, or with EIO when
// KORVEX_FULL_DISK_ERROR is "EIO". Writes fail once KORVEX_FULL_DISK_ROOM bytes (default 0)
// are written; the write that reaches that count is cut short. A rename or link fails when
// either of its paths lies in the folder (renameat and renameat2 as rename); with
// KORVEX_FULL_DISK_RENAMES=N only the rename after the first N fails, so that putting things
// back can be watched. statvfs of the folder shows no
// free room while any call fails there. Every other call goes through unchanged.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/statvfs.h>
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

// The path a descriptor stands for; also a file opened without a name (O_TMPFILE) shows
// its folder here.
bool fileInFolder(int fd)
{
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    target[n < 0 ? 0 : n] = '\0';
    return inFolder(target);
}

// A path relative to a folder descriptor, as an absolute path where it can be told.
bool atInFolder(int dirfd, const char* path)
{
    if (path == nullptr)
        return false;
    if (path[0] == '/' || dirfd == AT_FDCWD) {
        if (path[0] == '/')
            return inFolder(path);
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return false;
        char full[8192];
        std::snprintf(full, sizeof full, "%s/%s", cwd, path);
        return inFolder(full);
    }
    return fileInFolder(dirfd);
}

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

int failure()
{
    const char* error = std::getenv("KORVEX_FULL_DISK_ERROR");
    errno = error != nullptr && std::strcmp(error, "EIO") == 0 ? EIO : ENOSPC;
    return -1;
}

// Whether this rename fails: it touches the folder and the renames allowed are used up.
bool renameFails(bool touchesFolder)
{
    static unsigned long done = 0;
    if (!fails("rename") || !touchesFolder)
        return false;
    const char* allowed = std::getenv("KORVEX_FULL_DISK_RENAMES");
    if (allowed == nullptr)
        return true;
    return done++ == std::strtoul(allowed, nullptr, 10);
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
        return failure();
    const ssize_t n = Real(fd, data, std::min(size, limit - written));
    written += n > 0 ? std::size_t(n) : 0;
    return n;
}

extern "C" int fsync(int fd)
{
    static const auto Real = next<int (*)(int)>("fsync");
    return fails("fsync") && fileInFolder(fd) ? failure() : Real(fd);
}

extern "C" int rename(const char* from, const char* to)
{
    static const auto Real = next<int (*)(const char*, const char*)>("rename");
    return renameFails(atInFolder(AT_FDCWD, from) || atInFolder(AT_FDCWD, to)) ? failure() : Real(from, to);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    static const auto Real = next<int (*)(int, const char*, int, const char*)>("renameat");
    return renameFails(atInFolder(fromDir, from) || atInFolder(toDir, to)) ? failure() : Real(fromDir, from, toDir, to);
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    static const auto Real = next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return renameFails(atInFolder(fromDir, from) || atInFolder(toDir, to)) ? failure()
                                                                           : Real(fromDir, from, toDir, to, flags);
}

extern "C" int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    static const auto Real = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return fails("linkat") && atInFolder(toDir, to) ? failure() : Real(fromDir, from, toDir, to, flags);
}

extern "C" int statvfs(const char* path, struct statvfs* buffer)
{
    static const auto Real = next<int (*)(const char*, struct statvfs*)>("statvfs");
    const int result = Real(path, buffer);
    const char* calls = std::getenv("KORVEX_FULL_DISK_CALLS");
    const char* dir = std::getenv("KORVEX_FULL_DISK_DIR");
    const bool itself = dir != nullptr && std::strcmp(path, dir) == 0;
    if (result == 0 && calls != nullptr && *calls != '\0' && (itself || atInFolder(AT_FDCWD, path)))
        buffer->f_bavail = buffer->f_bfree = 0;
    return result;
}
