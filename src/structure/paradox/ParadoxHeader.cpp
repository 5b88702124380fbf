#include "ParadoxHeader.h"

namespace korvex::paradox {

namespace {

constexpr std::size_t FixedPartSize = 0x58;
constexpr std::size_t DataHeaderEnd = 0x78;
// The slot holding the table's file name at creation time; Paradox 7 widened it.
constexpr std::size_t TableNameSlot = 79;
constexpr std::size_t TableNameSlot7 = 261;
// A field name is at most 25 characters; anything beyond a byte string's worth is damage.
constexpr std::size_t MaxFieldNameBytes = 255;
constexpr std::size_t MaxSortOrderIdBytes = 63;
constexpr std::size_t MaxIndexNameBytes = 255;

} // namespace

const char* describeFileType(std::uint8_t fileType)
{
    switch (FileType(fileType)) {
    case FileType::KeyedTable: return "keyed table";
    case FileType::PrimaryIndex: return "primary index";
    case FileType::UnkeyedTable: return "unkeyed table";
    case FileType::SingleFieldIndexData: return "secondary index data, not maintained";
    case FileType::SingleFieldIndexTree: return "secondary index tree";
    case FileType::SingleFieldIndexDataMaintained: return "secondary index data, maintained";
    case FileType::CompositeIndexData: return "composite secondary index data, not maintained";
    case FileType::CompositeIndexTree: return "composite secondary index tree";
    case FileType::CompositeIndexDataMaintained: return "composite secondary index data, maintained";
    }
    return "unknown file type";
}

bool ParadoxHeader::isTable() const
{
    return fileType == std::uint8_t(FileType::KeyedTable) || fileType == std::uint8_t(FileType::UnkeyedTable);
}

bool ParadoxHeader::hasFieldNames() const
{
    switch (FileType(fileType)) {
    case FileType::PrimaryIndex:
    case FileType::SingleFieldIndexTree:
    case FileType::CompositeIndexTree: return false;
    default: return true;
    }
}

std::uint32_t ParadoxHeader::passwordChecksum() const
{
    // From 4.x on, 0x25 holds the marker 0xFF00FF00 and the checksum moved to the data
    // header; .PX and .Y files keep theirs at 0x25 in every version.
    return hasDataHeader ? encryption2 : encryption1;
}

ParadoxHeader parseHeader(const ByteReader& file)
{
    ParadoxHeader h;
    ByteReader fixed = file.sub(0, FixedPartSize, "the fixed part of the header");

    h.recordSize = fixed.u16le("record size");
    h.headerSize = fixed.u16le("header size");
    h.fileType = fixed.u8("file type");
    h.maxTableSize = fixed.u8("block size");
    h.numRecords = fixed.u32le("record count");
    fixed.skip(2, "blocks in use");
    h.fileBlocks = fixed.u16le("block count");
    h.firstBlock = fixed.u16le("first block");
    h.lastBlock = fixed.u16le("last block");
    h.indexFieldNumber = fixed.u8At(0x15, "index field number");
    h.indexRoot = fixed.u16leAt(0x1E, "index root block");
    h.indexLevels = fixed.u8At(0x20, "index levels");
    const std::uint16_t numFields = fixed.u16leAt(0x21, "field count");
    h.primaryKeyFields = fixed.u16leAt(0x23, "key field count");
    h.encryption1 = fixed.u32leAt(0x25, "password checksum");
    h.sortOrder = fixed.u8At(0x29, "sort order");
    h.changeCount2 = fixed.u8At(0x2E, "change counter");
    h.fileVersionID = fixed.u8At(0x39, "format version");
    h.auxPasswords = fixed.u8At(0x3D, "auxiliary password count");
    h.autoIncrement = fixed.u32leAt(0x49, "auto-increment value");
    h.realHeaderSize = fixed.u16leAt(0x51, "used header size");
    h.flags55 = fixed.u8At(0x55, "table flags");

    // Plausibility first, so that a file of another kind is called what it is before its
    // byte 0x39 is taken for a version number.
    if (h.fileType > HighestFileType)
        file.failAt(0x04, FormatError::Kind::Damaged,
                    QStringLiteral("not a Paradox file (unknown file type %1)").arg(h.fileType));
    if (h.maxTableSize < 1 || h.maxTableSize > 32)
        file.failAt(0x05, FormatError::Kind::Damaged,
                    QStringLiteral("not a Paradox file (block size of %1 KB)").arg(h.maxTableSize));
    if (h.headerSize < FixedPartSize)
        file.failAt(0x02, FormatError::Kind::Damaged,
                    QStringLiteral("not a Paradox file (header size of %1 bytes)").arg(h.headerSize));
    if (h.recordSize == 0)
        file.failAt(0x00, FormatError::Kind::Damaged, QStringLiteral("not a Paradox file (record size 0)"));
    if (h.fileVersionID < OldestVersion || h.fileVersionID > NewestVersion)
        file.failAt(0x39, FormatError::Kind::Unsupported,
                    QStringLiteral("Paradox format version %1 is not supported (known: %2 to %3)")
                        .arg(h.fileVersionID)
                        .arg(OldestVersion)
                        .arg(NewestVersion));
    if (numFields == 0)
        file.failAt(0x21, FormatError::Kind::Damaged, QStringLiteral("the header lists no fields"));
    if (file.size() < h.headerSize)
        file.failAt(file.size(), FormatError::Kind::Damaged,
                    QStringLiteral("file ends inside the header (%1 of %2 bytes)").arg(file.size()).arg(h.headerSize));

    const bool names = h.hasFieldNames();
    h.hasDataHeader = names && h.fileVersionID >= 5;

    ByteReader r = file;
    if (h.hasDataHeader) {
        r.seek(0x5C, "the data header");
        h.encryption2 = r.u32le("password checksum");
        h.fileUpdateTime = r.u32le("update time");
        h.hiFieldID = r.u16le("highest field number");
        r.seek(0x6A, "the data header");
        h.dosCodePage = r.u16le("code page");
        r.seek(DataHeaderEnd, "the data header");
    } else {
        r.seek(FixedPartSize, "the field descriptors");
    }

    // Each field takes at least its descriptor, and in files with names a pointer and a
    // name terminator: refuse a count the file cannot hold before reserving for it.
    const std::size_t bytesPerField = names ? 2 + 4 + 1 : 2;
    if (std::size_t(numFields) * bytesPerField > r.remaining())
        file.failAt(0x21, FormatError::Kind::Damaged,
                    QStringLiteral("%1 fields do not fit in a file of %2 bytes").arg(numFields).arg(file.size()));
    h.fields.resize(numFields);
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        h.fields[i].typeCode = r.u8("field type");
        h.fields[i].sizeByte = r.u8("field size");
        h.fields[i].fieldNumber = std::uint16_t(i + 1);
    }
    // The writer's memory pointers: one for the table, and in .DB and X files one per field.
    r.skip(4, "the field pointer");
    if (names)
        r.skip(std::size_t(numFields) * 4, "the field name pointers");
    r.skip(h.fileVersionID >= 12 ? TableNameSlot7 : TableNameSlot, "the table name");

    if (names) {
        for (auto& f : h.fields)
            f.name = copyOf(r.zString(MaxFieldNameBytes, "a field name"));
        if (h.fileVersionID >= 5) {
            h.fieldNumbersOffset = r.position();
            for (auto& f : h.fields)
                f.fieldNumber = r.u16le("the field numbers");
            h.sortOrderId = copyOf(r.zString(MaxSortOrderIdBytes, "the sort-order name"));
            if (h.fileType == std::uint8_t(FileType::CompositeIndexData) ||
                h.fileType == std::uint8_t(FileType::CompositeIndexDataMaintained)) {
                h.indexName = copyOf(r.zString(MaxIndexNameBytes, "the index name"));
            }
        }
    }
    h.parsedEnd = r.position();
    if (h.parsedEnd > h.headerSize)
        file.failAt(0x02, FormatError::Kind::Damaged,
                    QStringLiteral("the field list runs past the header's size (%1 bytes needed, %2 declared)")
                        .arg(h.parsedEnd)
                        .arg(h.headerSize));
    return h;
}

} // namespace korvex::paradox
