#include "DatabaseEngine.h"

#include "FileNames.h"
#include "FormatError.h"
#include "MappedFile.h"
#include "TableFiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace korvex {

using record::put16;
using record::putText;

namespace {

void putFlag(std::span<std::byte> r, std::size_t at, bool v) { put16(r, at, v ? 1 : 0); }

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

} // namespace

struct DatabaseEngine::OpenedTable {
    QString path;
    const TableFormat* format = nullptr;
    TableDefinition definition;
    std::optional<std::vector<IndexDescription>> indexes; // read on first use
    std::array<std::byte, record::LanguageDriverSize> languageDriver{};
};

struct DatabaseEngine::OpenedList {
    std::vector<std::array<std::byte, record::IntegrityDescriptorSize>> records;
    std::size_t next = 0;
};

DatabaseEngine::DatabaseEngine() : DatabaseEngine(builtInTableFormats()) {}

DatabaseEngine::DatabaseEngine(std::vector<std::unique_ptr<TableFormat>> formats)
    : formats_(std::move(formats))
{
}

DatabaseEngine::~DatabaseEngine() = default;

EngineResult DatabaseEngine::fail(EngineResult code, const QString& message)
{
    lastError_ = message;
    return code;
}

EngineResult DatabaseEngine::succeed()
{
    lastError_.clear();
    return result::Ok;
}

DatabaseEngine::OpenedTable* DatabaseEngine::find(TableHandle handle)
{
    const auto it = tables_.find(handle);
    return it == tables_.end() ? nullptr : it->second.get();
}

const TableFormat* DatabaseEngine::formatForExtension(const QString& extension) const
{
    for (const auto& f : formats_)
        if (f->handlesExtension(extension.toUpper()))
            return f.get();
    return nullptr;
}

EngineResult DatabaseEngine::RegisterPassword(const QString& password)
{
    if (!password.isEmpty() && !passwords_.contains(password))
        passwords_ << password;
    return succeed();
}

EngineResult DatabaseEngine::locateTable(const QString& databaseName, const QString& tableName, QString& path)
{
    if (tableName.isEmpty())
        return fail(result::NoSuchFile, QStringLiteral("no table name given"));
    QString candidate = tableName;
    if (!databaseName.isEmpty()) {
        QString directory;
        if (const auto r = existingDirectoryOf(databaseName, directory); r != result::Ok)
            return r;
        candidate = QDir(directory).filePath(tableName);
    }
    if (pathStatus(candidate).error == ENAMETOOLONG)
        return fail(result::NoSuchFile, pathTooLongMessage(QDir::cleanPath(candidate)));
    if (QFileInfo(candidate).suffix().isEmpty()) {
        // A bare table name: the first format whose extension finds a file.
        for (const auto& ext : {QStringLiteral("db"), QStringLiteral("dbf")})
            if (const auto found = TableFiles::findCaseBlind(candidate + '.' + ext, &listings_)) {
                path = *found;
                return result::Ok;
            }
    } else if (const auto found = TableFiles::findCaseBlind(candidate, &listings_)) {
        path = *found;
        return result::Ok;
    }
    return fail(result::NoSuchFile,
                QStringLiteral("%1: no such table").arg(visibleFileName(QDir::cleanPath(candidate))));
}

EngineResult DatabaseEngine::openDefinition(const QString& databaseName, const QString& tableName,
                                            std::unique_ptr<OpenedTable>& table)
{
    QString path;
    if (const auto r = locateTable(databaseName, tableName, path); r != result::Ok)
        return r;
    if (pathStatus(path).directory)
        return fail(result::NotATable, QStringLiteral("%1: is a directory, not a table").arg(visibleFileName(path)));

    const QString extension = QFileInfo(path).suffix();
    const TableFormat* format = formatForExtension(extension);
    if (format == nullptr)
        return fail(result::NotATable, QStringLiteral("%1: not a table (no table format uses the extension \"%2\")")
                                           .arg(visibleFileName(path), visibleFileName(extension)));

    QString error;
    bool notFound = false;
    const auto mapped = MappedFile::open(path, error, notFound, MappedFile::TableHeadBytes);
    if (!mapped)
        return fail(notFound ? result::NoSuchFile : result::ReadError,
                    QStringLiteral("%1: %2").arg(visibleFileName(path), error));

    table = std::make_unique<OpenedTable>();
    table->path = path;
    table->format = format;
    try {
        table->definition = format->readDefinition(*mapped, TableFiles(path, &listings_));
    } catch (const FormatError& thrown) {
        const FormatError e = directoryInPlaceOf(thrown, listings_);
        return fail(codeOf(e.kind()), e.message());
    }

    if (table->definition.passwordChecksum != 0) {
        const bool opens = std::any_of(passwords_.begin(), passwords_.end(), [&](const QString& pw) {
            return format->passwordOpens(table->definition, pw);
        });
        if (!opens)
            return fail(result::PasswordNeeded,
                        QStringLiteral("%1: the table is password protected and no registered password opens it")
                            .arg(visibleFileName(path)));
    }
    return result::Ok;
}

EngineResult DatabaseEngine::OpenTable(const QString& databaseName, const QString& tableName, TableHandle& handle)
{
    handle = 0;
    std::unique_ptr<OpenedTable> table;
    if (const auto r = openDefinition(databaseName, tableName, table); r != result::Ok)
        return r;

    const auto& def = table->definition;
    putText(table->languageDriver, record::language::Name, record::language::NameSize, def.languageDriverName);
    put16(table->languageDriver, record::language::CodePage, std::uint16_t(def.codePage));
    putText(table->languageDriver, record::language::Description,
            record::LanguageDriverSize - record::language::Description, def.languageDriverDescription);

    handle = nextHandle_++;
    tables_.emplace(handle, std::move(table));
    return succeed();
}

EngineResult DatabaseEngine::noHandle(TableHandle handle)
{
    return fail(result::InvalidHandle, QStringLiteral("no open table or list with handle %1").arg(handle));
}

EngineResult DatabaseEngine::loadIndexes(OpenedTable& table)
{
    if (table.indexes)
        return result::Ok;
    try {
        table.indexes = table.format->readIndexes(table.definition, TableFiles(table.path, &listings_));
    } catch (const FormatError& thrown) {
        const FormatError e = directoryInPlaceOf(thrown, listings_);
        const auto kind = e.kind();
        return fail(kind == FormatError::Kind::Missing      ? result::IndexMissing
                    : kind == FormatError::Kind::Unreadable ? result::ReadError
                                                            : result::IndexDamaged,
                    e.message());
    }
    return result::Ok;
}

EngineResult DatabaseEngine::CloseTable(TableHandle handle)
{
    if (tables_.erase(handle) == 0)
        return noHandle(handle);
    return succeed();
}

QString DatabaseEngine::tablePath(TableHandle handle) const
{
    const auto it = tables_.find(handle);
    return it == tables_.end() ? QString() : it->second->path;
}

EngineResult DatabaseEngine::ReadTableProperties(TableHandle handle, std::span<std::byte> r)
{
    namespace p = record::properties;
    if (const auto list = lists_.find(handle); list != lists_.end()) {
        if (r.size() < record::PropertiesSize)
            return fail(result::BufferTooSmall,
                        QStringLiteral("the properties record needs %1 bytes").arg(record::PropertiesSize));
        std::fill(r.begin(), r.begin() + record::PropertiesSize, std::byte{0});
        put16(r, p::RecordBufferSize, std::uint16_t(record::IntegrityDescriptorSize));
        return succeed();
    }
    OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    if (r.size() < record::PropertiesSize)
        return fail(result::BufferTooSmall, QStringLiteral("%1: the properties record needs %2 bytes")
                                                .arg(t->path).arg(record::PropertiesSize));
    const auto& d = t->definition;
    std::fill(r.begin(), r.begin() + record::PropertiesSize, std::byte{0});
    putText(r, p::Name, p::NameSize, t->path);
    putText(r, p::TableType, p::TableTypeSize, d.tableType);
    put16(r, p::FieldCount, std::uint16_t(std::min<std::size_t>(d.fields.size(), 0xFFFF)));
    put16(r, p::RecordSize, d.recordSize);
    put16(r, p::RecordBufferSize, d.recordBufferSize);
    put16(r, p::KeySize, d.keySize);
    put16(r, p::IndexCount, std::uint16_t(t->indexes ? std::min<std::size_t>(t->indexes->size(), 0xFFFF) : 0));
    put16(r, p::ValidityCheckCount, std::uint16_t(std::min<std::size_t>(d.validityChecks.size(), 0xFFFF)));
    putFlag(r, p::UniDirectional, d.uniDirectional);
    put16(r, p::AuxPasswordCount, d.auxPasswordCount);
    put16(r, p::TableLevel, d.level);
    put16(r, p::BlockSizeKb, d.blockSizeKb);
    put16(r, p::BlockSizeBytes, d.blockSizeBytes);
    putFlag(r, p::StrictIntegrity, d.strictIntegrity);
    return succeed();
}

EngineResult DatabaseEngine::ReadFieldDescriptors(TableHandle handle, std::span<std::byte> buffer)
{
    const OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    const auto& fields = t->definition.fields;
    const std::size_t capacity = buffer.size() / record::FieldDescriptorSize;
    if (fields.size() > capacity)
        return fail(result::TooManyFields, QStringLiteral("%1: the table has %2 fields; at most %3 can be described")
                                               .arg(t->path).arg(fields.size()).arg(capacity));
    namespace d = record::descriptor;
    std::uint16_t offset = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        auto r = buffer.subspan(i * record::FieldDescriptorSize, record::FieldDescriptorSize);
        std::fill(r.begin(), r.end(), std::byte{0});
        put16(r, d::FieldNumber, std::uint16_t(i + 1));
        putText(r, d::Name, d::NameSize, f.name);
        put16(r, d::LogicalType, std::uint16_t(f.logicalType));
        put16(r, d::Subtype, std::uint16_t(f.subtype));
        put16(r, d::Units1, std::uint16_t(f.units1));
        put16(r, d::Units2, std::uint16_t(f.units2));
        put16(r, d::Offset, offset);
        put16(r, d::Length, f.logicalLength);
        offset = std::uint16_t(offset + f.logicalLength);
    }
    return succeed();
}

EngineResult DatabaseEngine::readFieldList(TableHandle handle, std::vector<FieldListEntry>& list)
{
    list.clear();
    const OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    list.reserve(t->definition.fields.size());
    for (const auto& f : t->definition.fields)
        list.push_back(FieldListEntry{f.name, f.type, f.size, f.key});
    return succeed();
}

EngineResult DatabaseEngine::ReadLanguageDriver(TableHandle handle, const std::byte*& block)
{
    block = nullptr;
    const OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    if (t->definition.languageDriverDescription.isEmpty())
        return fail(result::NoSuchRecord,
                    QStringLiteral("%1: the language driver \"%2\" has no description")
                        .arg(t->path, t->definition.languageDriverName));
    block = t->languageDriver.data();
    return succeed();
}

EngineResult DatabaseEngine::ReadValidityCheck(TableHandle handle, int checkNumber, std::span<std::byte> r)
{
    const OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    const auto& checks = t->definition.validityChecks;
    if (checkNumber < 1 || std::size_t(checkNumber) > checks.size())
        return fail(result::NoSuchRecord, QStringLiteral("%1: no validity check number %2 (the table has %3)")
                                              .arg(t->path).arg(checkNumber).arg(checks.size()));
    if (r.size() < record::ValidityCheckSize)
        return fail(result::BufferTooSmall, QStringLiteral("%1: a validity check record needs %2 bytes")
                                                .arg(t->path).arg(record::ValidityCheckSize));
    namespace v = record::validity;
    const auto& c = checks[std::size_t(checkNumber - 1)];
    std::fill(r.begin(), r.begin() + record::ValidityCheckSize, std::byte{0});
    put16(r, v::FieldNumber, c.fieldNumber);
    putFlag(r, v::Required, c.required);
    putFlag(r, v::HasMinimum, c.hasMinimum);
    putFlag(r, v::HasMaximum, c.hasMaximum);
    putFlag(r, v::HasDefault, c.hasDefault);
    std::memcpy(r.data() + v::Minimum, c.minimum.data(), v::ValueSize);
    std::memcpy(r.data() + v::Maximum, c.maximum.data(), v::ValueSize);
    std::memcpy(r.data() + v::Default, c.defaultValue.data(), v::ValueSize);
    putText(r, v::Picture, v::PictureSize, c.picture);
    return succeed();
}

EngineResult DatabaseEngine::readIndexCount(TableHandle handle, int& count)
{
    count = 0;
    OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    if (const auto r = loadIndexes(*t); r != result::Ok)
        return r;
    count = int(t->indexes->size());
    return succeed();
}

EngineResult DatabaseEngine::readWarnings(TableHandle handle, QStringList& warnings)
{
    warnings.clear();
    const OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    warnings = t->definition.warnings;
    return succeed();
}

EngineResult DatabaseEngine::ListIndexes(TableHandle handle, std::vector<IndexDescription>& indexes)
{
    indexes.clear();
    OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    if (const auto r = loadIndexes(*t); r != result::Ok)
        return r;
    indexes = *t->indexes;
    return succeed();
}

EngineResult DatabaseEngine::OpenIntegrityList(const QString& databaseName, const QString& tableName,
                                               const QString& /*driverType*/, TableHandle& list)
{
    list = 0;
    std::unique_ptr<OpenedTable> table;
    if (const auto r = openDefinition(databaseName, tableName, table); r != result::Ok)
        return r;
    std::vector<IntegrityDescriptor> links;
    try {
        links = table->format->readIntegrityLinks(table->definition, TableFiles(table->path, &listings_));
    } catch (const FormatError& e) {
        return fail(e.kind() == FormatError::Kind::Unreadable ? result::ReadError : result::IntegrityDamaged,
                    e.message());
    }

    auto opened = std::make_unique<OpenedList>();
    // In the form the table was named in: a relative path stays short where the absolute one
    // would pass the system's limit in a deep directory.
    const QString directory = QFileInfo(table->path).path();
    for (std::size_t n = 0; n < links.size(); ++n) {
        auto& link = links[n];
        // A related table stored by its file name alone lives beside this table.
        const bool bareName = !link.relatedTable.contains('/') && !link.relatedTable.contains('\\') &&
                              !link.relatedTable.contains(':');
        if (bareName)
            link.relatedTable = directory + '/' + link.relatedTable;
        auto& r = opened->records.emplace_back();
        r.fill(std::byte{0});
        put16(r, record::integrity::Number, std::uint16_t(n + 1));
        record::putIntegrityDescriptor(r, link);
    }
    list = nextHandle_++;
    lists_.emplace(list, std::move(opened));
    return succeed();
}

EngineResult DatabaseEngine::RewindList(TableHandle list)
{
    const auto it = lists_.find(list);
    if (it == lists_.end())
        return noHandle(list);
    it->second->next = 0;
    return succeed();
}

EngineResult DatabaseEngine::NextRecord(TableHandle list, std::span<std::byte> buffer)
{
    const auto it = lists_.find(list);
    if (it == lists_.end())
        return noHandle(list);
    auto& l = *it->second;
    if (l.next >= l.records.size())
        return fail(result::EndOfList, QStringLiteral("no further record in the list"));
    if (buffer.size() < record::IntegrityDescriptorSize)
        return fail(result::BufferTooSmall,
                    QStringLiteral("a list record needs %1 bytes").arg(record::IntegrityDescriptorSize));
    const auto& r = l.records[l.next++];
    std::copy(r.begin(), r.end(), buffer.begin());
    return succeed();
}

EngineResult DatabaseEngine::CloseList(TableHandle list)
{
    if (lists_.erase(list) == 0)
        return noHandle(list);
    return succeed();
}

EngineResult DatabaseEngine::BcdToFloat(std::span<const std::byte, EngineBcd::Size> bcd, double& value)
{
    if (!korvex::BcdToFloat(bcd, value))
        return fail(result::InvalidValue, QStringLiteral("not a valid packed decimal"));
    return succeed();
}

} // namespace korvex
