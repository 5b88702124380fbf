#include "ConfigurationFile.h"

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

ConfigurationFile failed(const QString& reason)
{
    ConfigurationFile file;
    file.status = ConfigurationFile::Status::Failed;
    file.reason = reason;
    return file;
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString tooLarge(qint64 maxSize)
{
    return QStringLiteral("it is larger than %1 MB").arg(maxSize / (qint64{1024} * 1024));
}

} // namespace

ConfigurationFile ConfigurationFile::read(const QString& path, qint64 maxSize)
{
    const QByteArray name = encodeFileName(path);
    const Descriptor file{::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ConfigurationFile{};
        return failed(systemReason(errno));
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return failed(systemReason(errno));
    if (S_ISDIR(info.st_mode))
        return failed(QStringLiteral("it is a directory"));
    if (!S_ISREG(info.st_mode))
        return failed(QStringLiteral("it is not a regular file"));
    if (info.st_size > maxSize)
        return failed(tooLarge(maxSize));

    // One byte more than allowed tells a file that grew past the limit meanwhile.
    ConfigurationFile result;
    result.bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype done = 0;
    for (;;) {
        if (done == result.bytes.size()) {
            if (done > maxSize)
                return failed(tooLarge(maxSize));
            result.bytes.resize(std::min<qsizetype>(done * 2 + 4096, qsizetype(maxSize) + 1));
        }
        const ssize_t got = ::read(file.fd, result.bytes.data() + done, std::size_t(result.bytes.size() - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failed(systemReason(errno));
        }
        if (got == 0)
            break;
        done += got;
    }
    result.bytes.truncate(done);
    result.status = Status::Read;
    return result;
}

} // namespace korvex
