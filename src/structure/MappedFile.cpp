#include "MappedFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

// Files up to this size are read rather than mapped: for them a mapping costs more (page
// faults, and a TLB flush when it goes) than copying.
constexpr qint64 LargestReadFile = 64 * 1024;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor when it goes out of scope; a mapping stays valid without it.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

void MappedFile::Unmap::operator()(void* address) const
{
    ::munmap(address, size);
}

std::optional<MappedFile> MappedFile::open(const QString& path, QString& error, bool& notFound)
{
    notFound = false;
    // Without blocking, so that a named pipe is refused below instead of waiting for a writer.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) {
        const int reason = errno;
        if (reason == ENOENT || reason == ENOTDIR) {
            notFound = true;
            error = QStringLiteral("no such file");
        } else {
            error = QStringLiteral("cannot open for reading: %1").arg(systemReason(reason));
        }
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(file.fd, &status) != 0) {
        error = QStringLiteral("cannot read: %1").arg(systemReason(errno));
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        error = QStringLiteral("not a regular file");
        return std::nullopt;
    }

    MappedFile mapped;
    mapped.path_ = path;
    const qint64 size = status.st_size;
    if (size > LargestReadFile) {
        void* address = ::mmap(nullptr, std::size_t(size), PROT_READ, MAP_SHARED, file.fd, 0);
        if (address == MAP_FAILED) {
            error = QStringLiteral("cannot read: %1").arg(systemReason(errno));
            return std::nullopt;
        }
        mapped.mapping_ = std::unique_ptr<void, Unmap>(address, Unmap{std::size_t(size)});
        mapped.bytes_ = std::span<const std::byte>(static_cast<const std::byte*>(address), std::size_t(size));
    } else if (size > 0) {
        mapped.contents_.resize(size);
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::read(file.fd, mapped.contents_.data() + done, std::size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = QStringLiteral("cannot read: %1").arg(systemReason(errno));
                return std::nullopt;
            }
            if (n == 0)
                break;  // the file was cut while being read: its bytes as they are now
            done += n;
        }
        mapped.contents_.truncate(done);
        mapped.bytes_ = std::span<const std::byte>(reinterpret_cast<const std::byte*>(mapped.contents_.constData()),
                                                   std::size_t(done));
    }
    return mapped;
}

MappedFile MappedFile::openCompanion(const QString& path)
{
    QString error;
    bool notFound = false;
    auto file = open(path, error, notFound);
    if (!file)
        throw FormatError(FormatError::Kind::Damaged, path, std::nullopt, error);
    return std::move(*file);
}

FileBytes MappedFile::fileBytes() const
{
    return FileBytes{path_, bytes_};
}

} // namespace korvex
