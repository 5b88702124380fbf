#pragma once

#include <QByteArray>
#include <QString>

namespace korvex {

// The whole of a small configuration file that the user keeps by hand (the settings file,
// the aliases file), read so that whatever stands at its path cannot stop the program: it
// is opened without waiting (a FIFO without a writer would block the open for good), it
// must be a regular file (a device such as /dev/zero never ends), and it may hold at most
// MaxSize bytes (a file that grows while it is read is cut off there and refused too).
struct ConfigurationFile {
    // Far above any settings or aliases file a person writes, far below what would strain
    // the memory.
    static constexpr qint64 MaxSize = qint64{8} * 1024 * 1024;

    enum class Status { Read, Missing, Failed };

    Status status = Status::Missing;
    QByteArray bytes; // Read: the file's bytes
    QString reason;   // Failed: why, in the system's words or in the words above

    // Missing when nothing is at path (nor the folders leading to it).
    static ConfigurationFile read(const QString& path, qint64 maxSize = MaxSize);
};

} // namespace korvex
