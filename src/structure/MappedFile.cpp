#include "MappedFile.h"

#include "FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// What a path that is no regular file is, for the message that refuses it.
QString notARegularFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("is a directory, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("is a named pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("is a socket, not a file");
    return QStringLiteral("not a regular file");
}

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::optional<MappedFile> MappedFile::open(const QString& path, QString& error, bool& notFound,
                                           std::optional<qint64> headBytes)
{
    notFound = false;
    const QByteArray name = encodeFileName(path);
    const auto failed = [&](int reason) {
        if (reason == ENOENT || reason == ENOTDIR) {
            notFound = true;
            error = QStringLiteral("no such file");
        } else if (reason == ENAMETOOLONG) {
            error = QStringLiteral("the path is longer than the system allows");
        } else {
            error = QStringLiteral("cannot open for reading: %1").arg(systemReason(reason));
        }
        return std::nullopt;
    };
    // Looked at before it is opened: opening a device can already do something (rewind a
    // tape), and opening a named pipe waits for a writer.
    struct stat status {};
    if (::stat(name.constData(), &status) != 0)
        return failed(errno);
    if (!S_ISREG(status.st_mode)) {
        error = notARegularFile(status.st_mode);
        return std::nullopt;
    }
    // Without blocking all the same, for a file replaced by a pipe in between.
    const Descriptor file{::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0)
        return failed(errno);
    if (::fstat(file.fd, &status) != 0) {
        error = QStringLiteral("cannot read: %1").arg(systemReason(errno));
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        error = notARegularFile(status.st_mode);
        return std::nullopt;
    }

    MappedFile mapped;
    mapped.path_ = path;
    const qint64 size = headBytes ? std::min<qint64>(*headBytes, status.st_size) : qint64(status.st_size);
    if (size > 0) {
        mapped.contents_.resize(size);
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pread(file.fd, mapped.contents_.data() + done, std::size_t(size - done), done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = QStringLiteral("cannot read: %1").arg(systemReason(errno));
                return std::nullopt;
            }
            if (n == 0)
                break; // the file was cut while being read: its bytes as they are now
            done += n;
        }
        mapped.contents_.truncate(done);
        if (done == size && size < qint64(status.st_size))
            mapped.wholeSize_ = std::uint64_t(status.st_size);
        mapped.bytes_ = std::span<const std::byte>(reinterpret_cast<const std::byte*>(mapped.contents_.constData()),
                                                   std::size_t(done));
    }
    return mapped;
}

MappedFile MappedFile::openCompanion(const QString& path, std::optional<qint64> headBytes)
{
    QString error;
    bool notFound = false;
    auto file = open(path, error, notFound, headBytes);
    if (!file)
        throw FormatError(FormatError::Kind::Unreadable, visibleFileName(path), std::nullopt, error);
    return std::move(*file);
}

FileBytes MappedFile::fileBytes() const
{
    return FileBytes{visibleFileName(path_), bytes_, wholeSize_};
}

} // namespace korvex
