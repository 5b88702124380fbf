#include "TableSource.h"

#include "AliasDatabase.h"
#include "TableFiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace korvex {

using record::get16;
using record::getText;

std::int16_t FieldDescriptorBuffer::at(int i, std::size_t member) const
{
    const std::size_t base = std::size_t(i) * record::FieldDescriptorSize + member;
    return std::int16_t(get16(bytes_, base));
}

TableSource::~TableSource()
{
    close();
}

void TableSource::check(EngineResult r) const
{
    if (r != result::Ok)
        throw EngineError(r, engine_.lastError());
}

void TableSource::open(const QString& databaseName, const QString& tableName)
{
    close();
    TableHandle h = 0;
    check(engine_.OpenTable(databaseName, tableName, h));
    handle_ = h;
    auto r = engine_.readFieldList(handle_, fields_);
    if (r == result::Ok)
        r = engine_.readWarnings(handle_, warnings_);
    if (r != result::Ok) {
        const EngineError error(r, engine_.lastError());
        close();
        throw error;
    }
}

void TableSource::open(AliasDatabase& database, const QString& tableName)
{
    close();
    check(database.connect());
    try {
        open(database.databaseName(), tableName);
    } catch (const EngineError&) {
        if (!database.keepConnection())
            database.disconnect();
        throw;
    }
    // The open table holds its files; the database name is needed no longer.
    if (!database.keepConnection())
        database.disconnect();
}

void TableSource::close()
{
    if (handle_ != 0)
        engine_.CloseTable(handle_);
    handle_ = 0;
    fields_.clear();
    warnings_.clear();
    indexCount_ = 0;
}

void TableSource::refreshIndexDefinitions()
{
    check(engine_.readIndexCount(handle_, indexCount_));
}

std::vector<IndexDescription> TableSource::indexes()
{
    std::vector<IndexDescription> list;
    check(engine_.ListIndexes(handle_, list));
    return list;
}

TableProperties TableSource::properties()
{
    std::array<std::byte, record::PropertiesSize> r{};
    check(engine_.ReadTableProperties(handle_, r));
    namespace p = record::properties;
    TableProperties props;
    props.tableType = getText(r, p::TableType, p::TableTypeSize);
    props.recordSize = get16(r, p::RecordSize);
    props.recordBufferSize = get16(r, p::RecordBufferSize);
    props.keySize = get16(r, p::KeySize);
    props.validityCheckCount = get16(r, p::ValidityCheckCount);
    props.uniDirectional = get16(r, p::UniDirectional) != 0;
    props.auxPasswordCount = get16(r, p::AuxPasswordCount);
    props.tableLevel = get16(r, p::TableLevel);
    props.blockSizeKb = get16(r, p::BlockSizeKb);
    props.blockSizeBytes = get16(r, p::BlockSizeBytes);
    props.strictIntegrity = get16(r, p::StrictIntegrity) != 0;
    return props;
}

bool TableSource::readFieldDescriptors(FieldDescriptorBuffer& buffer)
{
    return engine_.ReadFieldDescriptors(handle_, buffer.bytes()) == result::Ok;
}

ValidityCheck TableSource::validityCheck(int checkNumber)
{
    std::array<std::byte, record::ValidityCheckSize> r{};
    check(engine_.ReadValidityCheck(handle_, checkNumber, r));
    namespace v = record::validity;
    ValidityCheck c;
    c.fieldNumber = get16(r, v::FieldNumber);
    c.required = get16(r, v::Required) != 0;
    c.hasMinimum = get16(r, v::HasMinimum) != 0;
    c.hasMaximum = get16(r, v::HasMaximum) != 0;
    c.hasDefault = get16(r, v::HasDefault) != 0;
    std::memcpy(c.minimum.data(), r.data() + v::Minimum, v::ValueSize);
    std::memcpy(c.maximum.data(), r.data() + v::Maximum, v::ValueSize);
    std::memcpy(c.defaultValue.data(), r.data() + v::Default, v::ValueSize);
    c.picture = getText(r, v::Picture, v::PictureSize);
    return c;
}

std::optional<QString> TableSource::languageDriverText()
{
    const std::byte* block = nullptr;
    if (engine_.ReadLanguageDriver(handle_, block) != result::Ok || block == nullptr)
        return std::nullopt;
    const std::span<const std::byte> r(block, record::LanguageDriverSize);
    return getText(r, record::language::Description, record::LanguageDriverSize - record::language::Description);
}

void TableSource::bcdToFloat(std::span<const std::byte, EngineBcd::Size> bcd, double& value)
{
    engine_.BcdToFloat(bcd, value); // the result code is not tested: value stays on failure
}

QString TableSource::tablePath() const
{
    return engine_.tablePath(handle_);
}

IntegrityList TableSource::integrityLinks(const QString& databaseName, const QString& tableName)
{
    TableHandle list = 0;
    check(engine_.OpenIntegrityList(databaseName, tableName, QString(), list));
    std::array<std::byte, record::PropertiesSize> props{};
    if (const auto r = engine_.ReadTableProperties(list, props); r != result::Ok) {
        const EngineError error(r, engine_.lastError());
        engine_.CloseList(list);
        throw error;
    }
    return IntegrityList(engine_, list, get16(props, record::properties::RecordBufferSize));
}

QString TableSource::relatedTablePath(const IntegrityDescriptor& link) const
{
    return resolveRelatedTable(link.relatedTable, QFileInfo(tablePath()).path());
}

void TableSource::openRelated(const TableSource& table, const QString& databaseName, const IntegrityDescriptor& link)
{
    if (table.isServerTable())
        open(databaseName, link.relatedTable);
    else
        open(QString(), table.relatedTablePath(link));
}

const TableDefinition* TableSource::definition() const
{
    const TableDefinition* d = nullptr;
    if (handle_ == 0 || engine_.readDefinition(handle_, d) != result::Ok)
        return nullptr;
    return d;
}

bool TableSource::isServerTable() const
{
    const TableDefinition* d = definition();
    return d != nullptr && d->server.has_value();
}

IntegrityList::IntegrityList(DatabaseEngine& engine, TableHandle list, std::size_t recordSize)
    : engine_(engine), list_(list), buffer_(std::max(recordSize, record::IntegrityDescriptorSize))
{}

IntegrityList::IntegrityList(IntegrityList&& other) noexcept
    : engine_(other.engine_), list_(std::exchange(other.list_, 0)), buffer_(std::move(other.buffer_))
{}

IntegrityList::~IntegrityList()
{
    if (list_ != 0)
        engine_.CloseList(list_);
}

void IntegrityList::check(EngineResult r) const
{
    if (r != result::Ok)
        throw EngineError(r, engine_.lastError());
}

void IntegrityList::rewind()
{
    Q_ASSERT_X(list_ != 0, "IntegrityList::rewind", "the list was moved away");
    check(engine_.RewindList(list_));
}

std::optional<IntegrityDescriptor> IntegrityList::next()
{
    Q_ASSERT_X(list_ != 0, "IntegrityList::next", "the list was moved away");
    const auto r = engine_.NextRecord(list_, buffer_);
    if (r == result::EndOfList)
        return std::nullopt;
    check(r);
    return record::getIntegrityDescriptor(buffer_);
}

QString resolveRelatedTable(const QString& storedPath, const QString& tableDirectory)
{
    if (QFileInfo::exists(storedPath))
        return storedPath;
    const bool windowsPath = storedPath.contains('\\') ||
                             (storedPath.size() >= 2 && storedPath[1] == ':' && storedPath[0].isLetter());
    if (!windowsPath)
        return storedPath;
    const qsizetype cut = std::max(storedPath.lastIndexOf('\\'), storedPath.lastIndexOf(':'));
    const QString fileName = storedPath.mid(cut + 1);
    if (fileName.isEmpty())
        return storedPath;
    if (const auto found = TableFiles::findCaseBlind(QDir(tableDirectory).filePath(fileName)))
        return *found;
    return storedPath;
}

} // namespace korvex
