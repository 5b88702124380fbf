#include "ParadoxReader.h"

#include "CodePage.h"
#include "LanguageDrivers.h"
#include "ParadoxFieldTypes.h"
#include "ParadoxHeader.h"
#include "PasswordChecksum.h"
#include "StoredValues.h"
#include "ValidityFile.h"

#include <limits>

namespace korvex::paradox {

namespace {

// Code page of a 3.x table whose sort-order byte names no known driver: DOS Paradox's
// own, US code page.
constexpr int DosDefaultCodePage = 437;
constexpr int WindowsDefaultCodePage = 1252;

std::span<const std::byte> bytesOf(const QByteArray& b)
{
    return std::as_bytes(std::span(b.constData(), std::size_t(b.size())));
}

struct DriverChoice {
    QString name;
    QString description;
    int codePage = WindowsDefaultCodePage;
};

// From 4.x on the driver's symbolic name is authoritative; the sort-order byte is shared
// by several drivers and is the only identifier of 3.x tables. The code page comes from
// the driver, since the one recorded at 0x6A is the creating machine's.
DriverChoice chooseDriver(const ParadoxHeader& h)
{
    DriverChoice c;
    if (h.fileVersionID >= 5 && !h.sortOrderId.isEmpty()) {
        c.name = CodePage::withoutControls(QString::fromLatin1(h.sortOrderId));
        if (const auto* d = languageDriverByName(c.name)) {
            c.name = QString::fromLatin1(d->name);
            c.description = QString::fromLatin1(d->description);
            c.codePage = d->codePage;
        } else {
            c.codePage = codePageOfDriverName(c.name).value_or(h.dosCodePage != 0 ? h.dosCodePage
                                                                                  : WindowsDefaultCodePage);
        }
        return c;
    }
    if (const auto* d = languageDriverBySortOrder(h.sortOrder)) {
        c.name = QString::fromLatin1(d->name);
        c.description = QString::fromLatin1(d->description);
        c.codePage = d->codePage;
    } else {
        c.codePage = h.fileVersionID >= 5 && h.dosCodePage != 0 ? h.dosCodePage : DosDefaultCodePage;
    }
    return c;
}

// The data blocks follow the header; the last one may be cut short (one real table ends
// half-way through it), but a file that does not reach its last block has lost records.
void checkDataBlocks(const ByteReader& file, std::uint64_t fileSize, const ParadoxHeader& h)
{
    if (h.fileBlocks == 0)
        return;
    const std::uint64_t lastBlockStart = std::uint64_t(h.headerSize) + std::uint64_t(h.fileBlocks - 1) * h.blockSize();
    if (fileSize <= lastBlockStart)
        file.failAt(std::size_t(fileSize), FormatError::Kind::Damaged,
                    QStringLiteral("file ends before data block %1 of %1 (%2 bytes, the block starts at byte %3)")
                        .arg(h.fileBlocks)
                        .arg(fileSize)
                        .arg(lastBlockStart));
}

QString fieldLabel(std::size_t index, const QString& name)
{
    return QStringLiteral("field %1 (\"%2\")").arg(index + 1).arg(name);
}

// Turns one stored field into the engine's description of it. Sizes are checked against
// what the type allows, so that the record size below adds up only for a sound header.
FieldDefinition describeField(const ByteReader& file, const ParadoxHeader& header, std::size_t index,
                              const CodePage& codePage)
{
    const StoredField& stored = header.fields[index];
    FieldDefinition f;
    f.name = codePage.decode(bytesOf(stored.name));
    const int sizeByte = stored.sizeByte;
    const auto info = fieldTypeInfo(stored.typeCode);
    if (!info) {
        // A type this reader does not know: reported as Unknown, its size byte taken for
        // its record size so that the rest of the table can still be described.
        f.storedType = QStringLiteral("0x%1").arg(stored.typeCode, 2, 16, QLatin1Char('0'));
        f.storedSize = sizeByte;
        f.logicalLength = std::uint16_t(sizeByte);
        return f;
    }
    f.type = info->type;
    f.logicalType = info->logicalType;
    f.subtype = info->subtype;
    f.storedType = QString(QLatin1Char(info->letter));

    auto badSize = [&](const QString& rule) {
        file.failAt(header.descriptorOffset(index), FormatError::Kind::Damaged,
                    QStringLiteral("%1: size byte %2, but %3").arg(fieldLabel(index, f.name)).arg(sizeByte).arg(rule));
    };
    switch (info->logicalType) {
    case LogicalType::ZString: // Alpha: 1 to 255 characters, the engine adds a terminator
    case LogicalType::Bytes:
        if (sizeByte == 0)
            badSize(QStringLiteral("a field of its type holds 1 to 255 bytes"));
        f.storedSize = sizeByte;
        f.units1 = std::int16_t(sizeByte);
        f.size = sizeByte;
        f.logicalLength = std::uint16_t(info->logicalType == LogicalType::ZString ? sizeByte + 1 : sizeByte);
        break;
    case LogicalType::Blob:
        // The leader (the value's first bytes, kept in the record) and its .MB locator.
        // The engine's record buffer carries both, so that the value can be opened from it.
        if (sizeByte < BlobLocatorSize)
            badSize(QStringLiteral("a BLOB field takes at least %1 bytes").arg(BlobLocatorSize));
        f.storedSize = sizeByte;
        f.units1 = std::int16_t(sizeByte - BlobLocatorSize);
        f.size = f.units1;
        f.logicalLength = std::uint16_t(sizeByte);
        break;
    case LogicalType::Bcd:
        if (sizeByte > BcdMaxDecimals)
            badSize(QStringLiteral("a BCD field has at most %1 decimals").arg(BcdMaxDecimals));
        f.storedSize = BcdStoredSize;
        f.units1 = BcdPrecision;
        f.units2 = std::int16_t(sizeByte);
        f.size = sizeByte;
        f.logicalLength = info->logicalLength;
        break;
    default:
        if (sizeByte != info->fixedStoredSize)
            badSize(QStringLiteral("a field of its type takes %1 bytes").arg(info->fixedStoredSize));
        f.storedSize = sizeByte;
        f.logicalLength = info->logicalLength;
        break;
    }
    return f;
}

ValidityCheck engineCheck(const StoredCheck& stored, const StoredField& field, const CodePage& codePage)
{
    ValidityCheck c;
    c.fieldNumber = std::uint16_t(stored.fieldIndex + 1);
    c.required = stored.required;
    // A value flagged as present but stored blank gives nothing to show: it counts as absent.
    auto decode = [&](const std::optional<QByteArray>& value, ValueSlot& slot) {
        return value && decodeStoredValue(field.typeCode, bytesOf(*value), codePage, slot);
    };
    c.hasMinimum = decode(stored.minimum, c.minimum);
    c.hasMaximum = decode(stored.maximum, c.maximum);
    c.hasDefault = decode(stored.defaultValue, c.defaultValue);
    if (stored.picture)
        c.picture = codePage.decode(bytesOf(*stored.picture));
    return c;
}

void readValidityChecks(const FileBytes& val, const ParadoxHeader& header, const CodePage& codePage,
                        TableDefinition& table)
{
    ValFile v;
    try {
        v = parseValFile(ByteReader(val), header);
    } catch (const FormatError& e) {
        // The table itself is sound; it is its validity-check file that is damaged.
        if (e.kind() != FormatError::Kind::Damaged)
            throw;
        throw FormatError(FormatError::Kind::ValidityDamaged, e.file(), e.offset(), e.detail());
    }
    switch (v.status) {
    case ValFile::Status::Stale:
        table.warnings << QStringLiteral("%1: written for an earlier state of the table (change counter %2, "
                                         "the table's is %3); its validity checks and referential-integrity "
                                         "links are not read")
                              .arg(val.name)
                              .arg(v.header.changeCount)
                              .arg(header.changeCount2);
        return;
    case ValFile::Status::DosLayout:
        table.warnings << QStringLiteral("%1: a DOS-era validity-check file (version %2), whose layout is not "
                                         "known; its validity checks and referential-integrity links are not read")
                              .arg(val.name)
                              .arg(v.header.version);
        return;
    case ValFile::Status::Read: break;
    }
    table.validityChecks.reserve(v.checks.size());
    for (const auto& check : v.checks)
        table.validityChecks.push_back(engineCheck(check, header.fields[check.fieldIndex], codePage));
}

} // namespace

std::uint16_t tableLevel(std::uint8_t fileVersionID)
{
    // Paradox 3.0 files (version 3) have no level of their own; the engine's lowest,
    // level 3, is the 3.x format it reads them with.
    if (fileVersionID == 3 || fileVersionID == 4)
        return 3;
    if (fileVersionID >= 5 && fileVersionID <= 9)
        return 4;
    if (fileVersionID == 10 || fileVersionID == 11)
        return 5;
    if (fileVersionID == 12)
        return 7;
    return 0;
}

TableDefinition readTable(const FileBytes& db, const FileBytes* val)
{
    const ByteReader file(db);
    const ParadoxHeader header = parseHeader(file);
    // Index files share the header layout; name them for what they are.
    if (!header.isTable())
        file.failAt(4, FormatError::Kind::Damaged,
                    QStringLiteral("not a Paradox table (file type %1: %2)")
                        .arg(header.fileType)
                        .arg(QLatin1String(describeFileType(header.fileType))));
    checkDataBlocks(file, db.size(), header);

    TableDefinition t;
    t.tableType = QStringLiteral("PARADOX");
    t.level = tableLevel(header.fileVersionID);
    t.recordSize = header.recordSize;
    t.blockSizeKb = header.maxTableSize;
    t.auxPasswordCount = header.auxPasswords;
    t.passwordChecksum = header.passwordChecksum();
    t.uniDirectional = false;
    // Where strict referential integrity is recorded is not documented. Bit 1 of byte
    // 0x55 is set only in tables that take part in referential integrity (and clear in
    // others that do), which fits a per-table option; it is read as that option.
    t.strictIntegrity = (header.flags55 & 0x02) != 0;

    const DriverChoice driver = chooseDriver(header);
    t.codePage = driver.codePage;
    t.languageDriverName = driver.name;
    t.languageDriverDescription = driver.description;
    std::vector<std::span<const std::byte>> names;
    for (const auto& f : header.fields)
        names.push_back(bytesOf(f.name));
    if (CodePage(driver.codePage).namesReadBetterAsUtf8(names)) {
        t.codePage = CodePage::Utf8;
        t.warnings << utf8NamesWarning(db.name, driver.codePage);
    }
    const CodePage codePage(t.codePage);

    const bool keyed = header.fileType == std::uint8_t(FileType::KeyedTable);
    const std::size_t keyFields = keyed ? header.primaryKeyFields : 0;
    if (keyFields > header.fields.size())
        file.failAt(0x23, FormatError::Kind::Damaged,
                    QStringLiteral("%1 key fields, but only %2 fields").arg(keyFields).arg(header.fields.size()));

    std::size_t recordBytes = 0;
    std::size_t bufferBytes = 0;
    std::size_t keyBytes = 0;
    t.fields.reserve(header.fields.size());
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        FieldDefinition f = describeField(file, header, i, codePage);
        f.key = i < keyFields;
        if (f.type == FieldType::AutoInc)
            f.nextValue = std::int64_t(header.autoIncrement) + 1;
        recordBytes += std::size_t(f.storedSize);
        bufferBytes += f.logicalLength;
        if (f.key)
            keyBytes += std::size_t(f.storedSize);
        t.fields.push_back(std::move(f));
    }
    if (recordBytes != header.recordSize)
        file.failAt(0, FormatError::Kind::Damaged,
                    QStringLiteral("the fields take %1 bytes, but the record size is %2")
                        .arg(recordBytes)
                        .arg(header.recordSize));
    // The engine's record buffer holds each field's logical value (see describeField).
    if (bufferBytes > std::numeric_limits<std::uint16_t>::max())
        file.failAt(
            header.descriptorOffset(0), FormatError::Kind::Unsupported,
            QStringLiteral("the fields' values take %1 bytes, more than a record buffer holds").arg(bufferBytes));
    t.recordBufferSize = std::uint16_t(bufferBytes);
    t.keySize = std::uint16_t(keyBytes);

    if (val)
        readValidityChecks(*val, header, codePage, t);
    return t;
}

std::uint32_t passwordChecksum(const QByteArray& password)
{
    return masterPasswordChecksum(bytesOf(password));
}

} // namespace korvex::paradox
