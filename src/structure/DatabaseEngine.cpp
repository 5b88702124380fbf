#include "DatabaseEngine.h"

#include "DesktopDirectory.h"
#include "FileNames.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace korvex {

using record::put16;
using record::putText;

namespace {

void putFlag(std::span<std::byte> r, std::size_t at, bool v)
{
    put16(r, at, v ? 1 : 0);
}

// The language driver's description: a table file's driver, or for a server's table the
// database's encoding and collation, which decide what its text fields hold and how they sort.
QString languageDriverDescription(const TableDefinition& d)
{
    if (!d.server || !d.languageDriverDescription.isEmpty())
        return d.languageDriverDescription;
    if (d.server->collation.isEmpty())
        return d.server->encoding;
    return d.server->encoding + QStringLiteral(", collation ") + d.server->collation;
}

} // namespace

struct DatabaseEngine::OpenedTable {
    explicit OpenedTable(std::unique_ptr<DatabaseTable> opened)
        : table(std::move(opened)), path(table->path()), definition(table->definition())
    {}

    std::unique_ptr<DatabaseTable> table;
    QString path;                                         // table->path()
    const TableDefinition& definition;                    // table->definition()
    std::optional<std::vector<IndexDescription>> indexes; // read on first use
    std::array<std::byte, record::LanguageDriverSize> languageDriver{};
    QString databaseName; // as it was asked for
    QString tableName;
};

struct DatabaseEngine::OpenedList {
    std::vector<std::array<std::byte, record::IntegrityDescriptorSize>> records;
    std::size_t next = 0;
};

DatabaseEngine::DatabaseEngine() : DatabaseEngine(builtInTableFormats())
{}

DatabaseEngine::DatabaseEngine(std::vector<std::unique_ptr<TableFormat>> formats) : formats_(std::move(formats))
{}

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

EngineResult DatabaseEngine::RegisterPassword(const QString& password)
{
    if (!password.isEmpty() && !passwords_.contains(password))
        passwords_ << password;
    return succeed();
}

EngineResult DatabaseEngine::openDatabaseTable(const QString& databaseName, const QString& tableName,
                                               std::unique_ptr<DatabaseTable>& table)
{
    try {
        std::unique_ptr<Database> transient;
        table = databaseNamed(databaseName, transient).openTable(tableName);
    } catch (const EngineError& e) {
        return fail(e.code(), e.message());
    }
    if (table->definition().passwordChecksum != 0) {
        const bool opens = std::any_of(passwords_.begin(), passwords_.end(),
                                       [&](const QString& pw) { return table->passwordOpens(pw); });
        if (!opens)
            return fail(result::PasswordNeeded,
                        QStringLiteral("%1: the table is password protected and no registered password opens it")
                            .arg(visibleFileName(table->path())));
    }
    return result::Ok;
}

EngineResult DatabaseEngine::OpenTable(const QString& databaseName, const QString& tableName, TableHandle& handle)
{
    handle = 0;
    std::unique_ptr<DatabaseTable> opened;
    if (const auto r = openDatabaseTable(databaseName, tableName, opened); r != result::Ok)
        return r;
    auto table = std::make_unique<OpenedTable>(std::move(opened));
    table->databaseName = databaseName;
    table->tableName = tableName;

    const auto& def = table->definition;
    putText(table->languageDriver, record::language::Name, record::language::NameSize, def.languageDriverName);
    put16(table->languageDriver, record::language::CodePage, std::uint16_t(def.codePage));
    putText(table->languageDriver, record::language::Description,
            record::LanguageDriverSize - record::language::Description, languageDriverDescription(def));

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
        table.indexes = table.table->indexes();
    } catch (const EngineError& e) {
        return fail(e.code(), e.message());
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
        return fail(
            result::BufferTooSmall,
            QStringLiteral("%1: the properties record needs %2 bytes").arg(t->path).arg(record::PropertiesSize));
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
                                               .arg(t->path)
                                               .arg(fields.size())
                                               .arg(capacity));
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
    if (languageDriverDescription(t->definition).isEmpty())
        return fail(result::NoSuchRecord, QStringLiteral("%1: the language driver \"%2\" has no description")
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
                                              .arg(t->path)
                                              .arg(checkNumber)
                                              .arg(checks.size()));
    if (r.size() < record::ValidityCheckSize)
        return fail(
            result::BufferTooSmall,
            QStringLiteral("%1: a validity check record needs %2 bytes").arg(t->path).arg(record::ValidityCheckSize));
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

EngineResult DatabaseEngine::readDefinition(TableHandle handle, const TableDefinition*& definition)
{
    definition = nullptr;
    const OpenedTable* t = find(handle);
    if (t == nullptr)
        return noHandle(handle);
    definition = &t->definition;
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
    // Within a run the files stay as they were: a table whose report lists its links is
    // open already, and its links are read through that opening rather than a second one.
    DatabaseTable* table = nullptr;
    if (listings_.inRun())
        for (const auto& [handle, t] : tables_)
            if (t->databaseName == databaseName && t->tableName == tableName) {
                table = t->table.get();
                break;
            }
    std::unique_ptr<DatabaseTable> ownOpening;
    if (table == nullptr) {
        if (const auto r = openDatabaseTable(databaseName, tableName, ownOpening); r != result::Ok)
            return r;
        table = ownOpening.get();
    }
    std::vector<IntegrityDescriptor> links;
    try {
        links = table->integrityLinks();
    } catch (const EngineError& e) {
        return fail(e.code(), e.message());
    }

    auto opened = std::make_unique<OpenedList>();
    for (std::size_t n = 0; n < links.size(); ++n) {
        auto& r = opened->records.emplace_back();
        r.fill(std::byte{0});
        put16(r, record::integrity::Number, std::uint16_t(n + 1));
        record::putIntegrityDescriptor(r, links[n]);
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
