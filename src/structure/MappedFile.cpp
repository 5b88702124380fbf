#include "MappedFile.h"

#include <QFileInfo>

namespace korvex {

std::optional<MappedFile> MappedFile::open(const QString& path, QString& error, bool& notFound)
{
    notFound = false;
    const QFileInfo info(path);
    if (!info.exists()) {
        notFound = true;
        error = QStringLiteral("no such file");
        return std::nullopt;
    }
    if (!info.isFile()) {
        error = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    MappedFile mapped;
    mapped.path_ = path;
    mapped.file_ = std::make_unique<QFile>(path);
    if (!mapped.file_->open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open for reading: %1").arg(mapped.file_->errorString());
        return std::nullopt;
    }
    const qint64 size = mapped.file_->size();
    if (size > 0) {
        const uchar* p = mapped.file_->map(0, size);
        if (p == nullptr) {
            error = QStringLiteral("cannot read: %1").arg(mapped.file_->errorString());
            return std::nullopt;
        }
        mapped.bytes_ = std::span<const std::byte>(reinterpret_cast<const std::byte*>(p), std::size_t(size));
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

MappedFile::~MappedFile()
{
    if (file_ && !bytes_.empty())
        file_->unmap(const_cast<uchar*>(reinterpret_cast<const uchar*>(bytes_.data())));
}

FileBytes MappedFile::fileBytes() const
{
    return FileBytes{path_, bytes_};
}

} // namespace korvex
