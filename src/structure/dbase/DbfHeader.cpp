#include "DbfHeader.h"

namespace korvex::dbase {

namespace {

constexpr std::size_t HeaderSize = 32;
constexpr std::size_t Level7HeaderSize = 68;
constexpr std::size_t DescriptorSize = 32;
constexpr std::size_t Level7DescriptorSize = 48;

constexpr std::uint8_t Terminator = 0x0D;
// Tables that went through a text-mode copy carry a line feed in place of the
// terminator; no descriptor can start with one, so it ends the list as well.
constexpr std::uint8_t LineFeedTerminator = 0x0A;

QString hexByte(std::uint8_t b)
{
    return QStringLiteral("0x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// A type letter is one printable ASCII character; anything else means the bytes are not
// a field descriptor.
bool isTypeLetter(std::uint8_t b)
{
    return b > 0x20 && b < 0x7F;
}

StoredField readDescriptor(ByteReader& r, bool level7)
{
    StoredField f;
    f.descriptorOffset = r.position();
    if (level7) {
        f.name = r.fixedString(32, "field name");
        f.type = char(r.u8("field type"));
        f.width = r.u8("field width");
        f.decimals = r.u8("field decimals");
        r.skip(2, "reserved descriptor bytes");
        f.productionTag = r.u8("production index flag") != 0;
        r.skip(4, "reserved descriptor bytes");
        f.nextAutoIncrement = r.u32le("next auto-increment value");
        r.skip(2, "reserved descriptor bytes");
    } else {
        f.name = r.fixedString(11, "field name");
        f.type = char(r.u8("field type"));
        r.skip(4, "field offset");
        f.width = r.u8("field width");
        f.decimals = r.u8("field decimals");
        f.foxFlags = r.u8("field flags");
        f.nextAutoIncrement = r.u32le("next auto-increment value"); // Visual FoxPro
        f.autoIncrementStep = r.u8("auto-increment step");
        r.skip(7, "reserved descriptor bytes"); // work area
        f.productionTag = r.u8("production index flag") != 0;
        // Clipper and FoxPro character fields longer than 255 bytes keep the high byte of
        // the width where other fields keep their decimals.
        if (f.type == 'C') {
            f.width += f.decimals * 256;
            f.decimals = 0;
        }
    }
    return f;
}

} // namespace

VersionFamily familyOfVersion(std::uint8_t version)
{
    switch (version) {
    case 0x03: // dBASE III/IV/5 (also FoxBASE+/FoxPro) without memo
    case 0x83: // dBASE III+ with memo
    case 0x8B: // dBASE IV/5 with memo
    case 0x43: // dBASE IV SQL table
    case 0x63: // dBASE IV SQL system file
    case 0x7B: // dBASE IV with memo (one public list)
    case 0xCB: // dBASE IV SQL table with memo
        return VersionFamily::DBase;
    case 0x04: // dBASE 7
    case 0x8C: // dBASE 7 with memo
        return VersionFamily::DBase7;
    case 0x30: // Visual FoxPro
    case 0x31: // Visual FoxPro with auto-increment
    case 0x32: // Visual FoxPro with Varchar/Varbinary
    case 0xF5: // FoxPro 2.x with memo
    case 0xFB: // FoxBASE with memo
        return VersionFamily::FoxPro;
    default: return VersionFamily::Unknown;
    }
}

DbfHeader readDbfHeader(const FileBytes& dbf)
{
    ByteReader r(dbf);
    DbfHeader h;
    h.version = r.u8("version byte");
    const auto family = familyOfVersion(h.version);
    if (family == VersionFamily::Unknown) {
        // Tables of formats that are known but not read are named; any other first byte
        // means the file is no dBASE or FoxPro table at all.
        if (h.version == 0x02)
            throw FormatError(FormatError::Kind::Unsupported, dbf.name, 0,
                              QStringLiteral("a dBASE II or FoxBASE table (version byte 0x02) is not supported"));
        if (h.version == 0xE5)
            throw FormatError(FormatError::Kind::Unsupported, dbf.name, 0,
                              QStringLiteral("a HiPer-Six table (version byte 0xE5) is not supported"));
        throw FormatError(FormatError::Kind::Damaged, dbf.name, std::nullopt,
                          QStringLiteral("not a dBASE table (its first byte, %1, is not the version byte of any "
                                         "dBASE or FoxPro table)")
                              .arg(hexByte(h.version)));
    }
    h.level7Layout = family == VersionFamily::DBase7;

    r.skip(3, "date of last update");
    h.recordCount = r.u32le("record count");
    h.headerLength = r.u16le("header length");
    h.recordSize = r.u16le("record length");
    r.skip(3, "reserved header bytes");
    h.encryptionFlag = r.u8("encryption flag");
    r.skip(12, "multi-user area");
    h.tableFlags = r.u8("table flags");
    h.languageDriverId = r.u8("language driver id");
    r.skip(2, "reserved header bytes");
    if (h.level7Layout) {
        h.languageDriverName = r.fixedString(32, "language driver name");
        r.skip(4, "reserved header bytes");
    }

    const std::size_t firstDescriptor = h.level7Layout ? Level7HeaderSize : HeaderSize;
    const std::size_t descriptorSize = h.level7Layout ? Level7DescriptorSize : DescriptorSize;
    if (h.headerLength > dbf.data.size())
        r.fail(FormatError::Kind::Damaged, QStringLiteral("header length %1 is beyond the end of the file (%2 bytes)")
                                               .arg(h.headerLength)
                                               .arg(dbf.data.size()));
    if (h.headerLength < firstDescriptor + 1)
        r.fail(FormatError::Kind::Damaged,
               QStringLiteral("header length %1 leaves no room for field descriptors").arg(h.headerLength));

    // Descriptors run to the terminator, which must stand inside the header: the header
    // length alone does not give the count (writers pad it differently).
    ByteReader header = r.sub(0, h.headerLength, "table header");
    header.seek(firstDescriptor, "field descriptors");
    for (;;) {
        const std::size_t at = header.position();
        const auto first = header.u8At(at, "field descriptor terminator");
        if (first == Terminator || first == LineFeedTerminator) {
            h.terminatorOffset = at;
            break;
        }
        if (h.headerLength - at < descriptorSize + 1)
            header.fail(FormatError::Kind::Damaged,
                        QStringLiteral("field descriptor %1 has no terminator before the header length %2")
                            .arg(h.fields.size() + 1)
                            .arg(h.headerLength));
        h.fields.push_back(readDescriptor(header, h.level7Layout));
    }

    if (h.fields.empty())
        throw FormatError(FormatError::Kind::Damaged, dbf.name, h.terminatorOffset,
                          QStringLiteral("the table has no fields"));

    std::size_t widthSum = 1; // the deletion flag
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const auto& f = h.fields[i];
        const auto number = QString::number(i + 1);
        if (f.name.empty())
            throw FormatError(FormatError::Kind::Damaged, dbf.name, f.descriptorOffset,
                              QStringLiteral("field %1 has no name").arg(number));
        if (!isTypeLetter(std::uint8_t(f.type)))
            throw FormatError(FormatError::Kind::Damaged, dbf.name, f.descriptorOffset,
                              QStringLiteral("field %1 has no valid type letter (byte %2)")
                                  .arg(number, hexByte(std::uint8_t(f.type))));
        if (f.width == 0)
            throw FormatError(FormatError::Kind::Damaged, dbf.name, f.descriptorOffset,
                              QStringLiteral("field %1 has width 0").arg(number));
        widthSum += std::size_t(f.width);
    }
    if (widthSum != h.recordSize)
        throw FormatError(FormatError::Kind::Damaged, dbf.name, 10,
                          QStringLiteral("record length %1 does not match the fields (%2 bytes with the deletion flag)")
                              .arg(h.recordSize)
                              .arg(widthSum));

    // The records the header counts must be in the file; the end-of-file mark may be absent.
    const auto needed = std::uint64_t(h.headerLength) + std::uint64_t(h.recordCount) * h.recordSize;
    if (needed > dbf.size())
        throw FormatError(
            FormatError::Kind::Damaged, dbf.name, dbf.size(),
            QStringLiteral("the file ends inside its records (%1 records of %2 bytes need %3 bytes, the file has %4)")
                .arg(h.recordCount)
                .arg(h.recordSize)
                .arg(needed)
                .arg(dbf.size()));
    return h;
}

} // namespace korvex::dbase
