#include "DesktopDirectory.h"

#include "FileNames.h"
#include "FormatError.h"
#include "MappedFile.h"
#include "TableFiles.h"
#include "TableSource.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <unistd.h>

namespace korvex {

namespace {

EngineResult codeOf(FormatError::Kind kind)
{
    switch (kind) {
    case FormatError::Kind::Damaged: return result::NotATable;
    case FormatError::Kind::Unsupported: return result::UnsupportedVersion;
    case FormatError::Kind::TooManyFields: return result::TooManyFields;
    case FormatError::Kind::Missing: return result::NoSuchFile;
    case FormatError::Kind::ValidityDamaged: return result::ValidityDamaged;
    case FormatError::Kind::Unreadable: return result::ReadError;
    }
    return result::NotATable;
}

// A file that a table says it has, where a directory of that name stands: said so, rather
// than "no such file".
FormatError directoryInPlaceOf(const FormatError& e, DirectoryListings& listings)
{
    if (e.kind() != FormatError::Kind::Missing)
        return e;
    const QFileInfo missing(e.file());
    const auto directories = listings.of(missing.path())->directoriesMatching(missing.fileName());
    if (directories.empty())
        return e;
    return FormatError(FormatError::Kind::Unreadable, QDir(missing.path()).filePath(directories.front()), std::nullopt,
                       QStringLiteral("is a directory, not a file"));
}

// One table file opened through its format; indexes and links are read from its files
// when asked for.
class DesktopTable : public DatabaseTable {
public:
    DesktopTable(QString path, const TableFormat& format, TableDefinition definition, DirectoryListings& listings)
        : path_(std::move(path)), format_(format), definition_(std::move(definition)), listings_(listings)
    {}

    QString path() const override { return path_; }
    const TableDefinition& definition() const override { return definition_; }

    std::vector<IndexDescription> indexes() override
    {
        // A format that reads the indexes at opening has them in the definition already.
        if (definition_.indexesAtOpening)
            return *definition_.indexesAtOpening;
        try {
            return format_.readIndexes(definition_, TableFiles(path_, &listings_));
        } catch (const FormatError& thrown) {
            const FormatError e = directoryInPlaceOf(thrown, listings_);
            const auto kind = e.kind();
            throw EngineError(kind == FormatError::Kind::Missing      ? result::IndexMissing
                              : kind == FormatError::Kind::Unreadable ? result::ReadError
                                                                      : result::IndexDamaged,
                              e.message());
        }
    }

    std::vector<IntegrityDescriptor> integrityLinks() override
    {
        std::vector<IntegrityDescriptor> links;
        try {
            links = format_.readIntegrityLinks(definition_, TableFiles(path_, &listings_));
        } catch (const FormatError& e) {
            throw EngineError(e.kind() == FormatError::Kind::Unreadable ? result::ReadError : result::IntegrityDamaged,
                              e.message());
        }
        // In the form the table was named in: a relative path stays short where the absolute
        // one would pass the system's limit in a deep directory.
        const QString directory = QFileInfo(path_).path();
        for (auto& link : links) {
            // A related table stored by its file name alone lives beside this table.
            const bool bareName = !link.relatedTable.contains('/') && !link.relatedTable.contains('\\') &&
                                  !link.relatedTable.contains(':');
            if (bareName)
                link.relatedTable = directory + '/' + link.relatedTable;
        }
        return links;
    }

    bool passwordOpens(const QString& password) const override { return format_.passwordOpens(definition_, password); }

private:
    QString path_;
    const TableFormat& format_;
    TableDefinition definition_;
    DirectoryListings& listings_;
};

} // namespace

const TableFormat* formatForExtension(const std::vector<std::unique_ptr<TableFormat>>& formats,
                                      const QString& extension)
{
    for (const auto& f : formats)
        if (f->handlesExtension(extension.toUpper()))
            return f.get();
    return nullptr;
}

DesktopDirectory::DesktopDirectory(QString directory, const std::vector<std::unique_ptr<TableFormat>>& formats,
                                   DirectoryListings& listings)
    : directory_(std::move(directory)), formats_(formats), listings_(listings)
{}

QString DesktopDirectory::existingDirectory() const
{
    const PathStatus status = pathStatus(directory_);
    if (status.error == ENAMETOOLONG)
        throw EngineError(result::NoSuchFile, pathTooLongMessage(directory_));
    if (!status.directory)
        throw EngineError(result::NoSuchFile, QStringLiteral("%1: no such directory").arg(visibleFileName(directory_)));
    return directory_;
}

QStringList DesktopDirectory::tableNames()
{
    if (directory_.isEmpty())
        throw EngineError(result::NoSuchFile, QStringLiteral("no database or directory given"));
    const QString directory = existingDirectory();
    if (::access(encodeFileName(directory).constData(), R_OK) != 0)
        throw EngineError(result::ReadError,
                          QStringLiteral("%1: the directory cannot be read").arg(visibleFileName(directory)));

    // Regular files and links to them, without hidden files: the leftovers of editors and
    // synchronisers, never tables a user picks. Names keep their bytes (FileNames.h).
    QStringList names;
    const auto listing = listings_.of(directory);
    for (qsizetype i = 0; i < listing->names().size(); ++i) {
        const QString& name = listing->names()[i];
        const auto dot = name.lastIndexOf('.');
        if (dot > 0 && !name.startsWith('.') && listing->isRegularFile(i) &&
            formatForExtension(formats_, name.sliced(dot + 1)) != nullptr)
            names << name;
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int blind = a.compare(b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : a < b;
    });
    return names;
}

DesktopDirectory::Located DesktopDirectory::locate(const QString& tableName) const
{
    if (tableName.isEmpty())
        throw EngineError(result::NoSuchFile, QStringLiteral("no table name given"));
    QString candidate = tableName;
    if (!directory_.isEmpty())
        candidate = QDir(existingDirectory()).filePath(tableName);
    const PathStatus status = pathStatus(candidate);
    if (status.error == ENAMETOOLONG)
        throw EngineError(result::NoSuchFile, pathTooLongMessage(QDir::cleanPath(candidate)));
    const bool hasSuffix = !QFileInfo(candidate).suffix().isEmpty();
    // A table named as it is on disk, which is how tables mostly come.
    if (hasSuffix && status.exists() && candidate == QDir::cleanPath(candidate))
        return {candidate, status};
    if (!hasSuffix) {
        // A bare table name: the first format whose extension finds a file.
        for (const auto& ext : {QStringLiteral("db"), QStringLiteral("dbf")})
            if (const auto found = TableFiles::findCaseBlind(candidate + '.' + ext, &listings_))
                return {*found, std::nullopt};
    } else if (const auto found = TableFiles::findCaseBlind(candidate, &listings_)) {
        return {*found, std::nullopt};
    }
    throw EngineError(result::NoSuchFile,
                      QStringLiteral("%1: no such table").arg(visibleFileName(QDir::cleanPath(candidate))));
}

std::unique_ptr<DatabaseTable> DesktopDirectory::openTable(const QString& tableName)
{
    const Located located = locate(tableName);
    const QString& path = located.path;
    if ((located.status ? *located.status : pathStatus(path)).directory)
        throw EngineError(result::NotATable,
                          QStringLiteral("%1: is a directory, not a table").arg(visibleFileName(path)));

    const QString extension = QFileInfo(path).suffix();
    const TableFormat* format = formatForExtension(formats_, extension);
    if (format == nullptr)
        throw EngineError(result::NotATable,
                          QStringLiteral("%1: not a table (no table format uses the extension \"%2\")")
                              .arg(visibleFileName(path), visibleFileName(extension)));

    QString error;
    bool notFound = false;
    const auto mapped = MappedFile::open(path, error, notFound, MappedFile::TableHeadBytes);
    if (!mapped)
        throw EngineError(notFound ? result::NoSuchFile : result::ReadError,
                          QStringLiteral("%1: %2").arg(visibleFileName(path), error));
    try {
        return std::make_unique<DesktopTable>(path, *format,
                                              format->readDefinition(*mapped, TableFiles(path, &listings_)), listings_);
    } catch (const FormatError& thrown) {
        const FormatError e = directoryInPlaceOf(thrown, listings_);
        throw EngineError(codeOf(e.kind()), e.message());
    }
}

} // namespace korvex
