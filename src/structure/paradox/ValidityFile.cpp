#include "ValidityFile.h"

#include "ParadoxFieldTypes.h"

namespace korvex::paradox {

namespace {

constexpr std::size_t HeaderSize = 0x35;
// The first version whose layout is known; below it lies the DOS-era layout.
constexpr std::uint8_t FirstKnownVersion = 9;
// The fixed part of a check record, before the parts it announces.
constexpr std::size_t CheckFixedSize = 0x1C;
constexpr std::size_t LookupSlotSize = 80;

ValHeader readHeader(ByteReader& r)
{
    ValHeader h;
    h.changeCount = r.u8("the table's change counter");
    h.version = r.u8("the version");
    h.checkCount = r.u8("the check count");
    h.tableUpdateTime = r.u32le("the table's update time");
    h.hiFieldID = r.u8("the highest field number");
    r.skip(1, "the header");
    h.footerOffset = r.u32le("the footer offset");
    h.integrityOffset = r.u32le("the referential-integrity offset");
    r.seek(HeaderSize, "the header");
    return h;
}

ValFooter readFooter(ByteReader r, const ParadoxHeader& table)
{
    ValFooter f;
    const std::size_t start = r.position();
    f.fieldCount = r.u16le("the footer's field count");
    f.keyFieldCount = r.u16le("the footer's key field count");
    const std::uint16_t stringArea = r.u16le("the footer's name area size");
    if (f.fieldCount != table.fields.size())
        r.failAt(start, FormatError::Kind::Damaged,
                 QStringLiteral("the field list describes %1 fields, but the table has %2")
                     .arg(f.fieldCount)
                     .arg(table.fields.size()));
    f.fieldNumbers.reserve(f.fieldCount);
    for (std::size_t i = 0; i < f.fieldCount; ++i)
        f.fieldNumbers.push_back(r.u16le("the footer's field numbers"));
    f.descriptors.reserve(f.fieldCount);
    for (std::size_t i = 0; i < f.fieldCount; ++i) {
        const std::uint8_t type = r.u8("the footer's field descriptors");
        const std::uint8_t size = r.u8("the footer's field descriptors");
        const auto& field = table.fields[i];
        // The values below are sized by the table's fields; a .VAL written for other
        // fields would be read out of step.
        if (type != field.typeCode || size != field.sizeByte)
            r.failAt(r.position() - 2, FormatError::Kind::Damaged,
                     QStringLiteral("the field list describes field %1 as type 0x%2 size %3, "
                                    "but the table has type 0x%4 size %5")
                         .arg(i + 1)
                         .arg(type, 2, 16, QLatin1Char('0'))
                         .arg(size)
                         .arg(field.typeCode, 2, 16, QLatin1Char('0'))
                         .arg(field.sizeByte));
        f.descriptors.emplace_back(type, size);
    }
    // The table's path when the .VAL was written and the field names; not used.
    r.skip(stringArea, "the footer's names");
    return f;
}

StoredCheck readCheck(ByteReader& r, const ParadoxHeader& table, std::size_t sequence)
{
    StoredCheck c;
    const std::size_t start = r.position();
    c.fieldIndex = r.u8("a check's field index");
    if (c.fieldIndex >= table.fields.size())
        r.failAt(start, FormatError::Kind::Damaged,
                 QStringLiteral("validity check %1 is for field %2, but the table has %3 fields")
                     .arg(sequence)
                     .arg(c.fieldIndex + 1)
                     .arg(table.fields.size()));
    const std::uint8_t pictureLength = r.u8("a check's picture length");
    c.required = r.u8("a check's required flag") != 0;
    c.lookupOptions = r.u8("a check's lookup options");
    // Which parts follow is told by memory addresses the writer left behind: only zero
    // or non-zero matters.
    const bool hasLookup = r.u32le("a check's lookup flag") != 0;
    r.skip(4, "a check record");
    const bool hasMinimum = r.u32le("a check's minimum flag") != 0;
    const bool hasMaximum = r.u32le("a check's maximum flag") != 0;
    const bool hasDefault = r.u32le("a check's default flag") != 0;
    const bool hasPicture = r.u32le("a check's picture flag") != 0;

    const auto& field = table.fields[c.fieldIndex];
    const std::size_t valueSize = storedSizeOf(field.typeCode, field.sizeByte);
    if (hasLookup)
        c.lookupTable = copyOf(r.fixedString(LookupSlotSize, "a lookup table name"));
    if (hasMinimum)
        c.minimum = copyOf(r.bytes(valueSize, "a minimum value"));
    if (hasMaximum)
        c.maximum = copyOf(r.bytes(valueSize, "a maximum value"));
    if (hasDefault)
        c.defaultValue = copyOf(r.bytes(valueSize, "a default value"));
    if (hasPicture)
        c.picture = copyOf(r.fixedString(pictureLength, "a picture"));
    return c;
}

} // namespace

ValFile parseValFile(const ByteReader& val, const ParadoxHeader& table)
{
    ValFile v;
    ByteReader r = val;
    v.header.changeCount = r.u8At(0, "the table's change counter");
    if (v.header.changeCount != table.changeCount2) {
        v.status = ValFile::Status::Stale;
        return v;
    }
    v.header.version = r.u8At(1, "the version");
    if (v.header.version == 0)
        r.failAt(1, FormatError::Kind::Damaged, QStringLiteral("not a validity-check file (version 0)"));
    if (v.header.version > NewestVersion)
        r.failAt(1, FormatError::Kind::Unsupported,
                 QStringLiteral("validity-check file version %1 is not supported").arg(v.header.version));
    if (v.header.version < FirstKnownVersion) {
        v.status = ValFile::Status::DosLayout;
        return v;
    }

    v.header = readHeader(r);
    const std::size_t bodyEnd = v.header.integrityOffset != 0 ? v.header.integrityOffset : v.header.footerOffset;
    if (v.header.footerOffset < HeaderSize || v.header.footerOffset > val.size())
        r.failAt(0x09, FormatError::Kind::Damaged,
                 QStringLiteral("footer offset %1 lies outside the file").arg(v.header.footerOffset));
    if (bodyEnd < HeaderSize || bodyEnd > v.header.footerOffset)
        r.failAt(0x0D, FormatError::Kind::Damaged,
                 QStringLiteral("referential-integrity offset %1 lies outside the checks and the footer")
                     .arg(v.header.integrityOffset));
    if (std::size_t(v.header.checkCount) * CheckFixedSize > bodyEnd - HeaderSize)
        r.failAt(
            0x02, FormatError::Kind::Damaged,
            QStringLiteral("%1 validity checks do not fit before offset %2").arg(v.header.checkCount).arg(bodyEnd));

    ByteReader footer = val;
    footer.seek(v.header.footerOffset, "the footer");
    v.footer = readFooter(footer, table);

    v.checks.reserve(v.header.checkCount);
    for (std::size_t i = 0; i < v.header.checkCount; ++i)
        v.checks.push_back(readCheck(r, table, i + 1));
    if (r.position() > bodyEnd)
        r.fail(FormatError::Kind::Damaged,
               QStringLiteral("the validity checks run past offset %1, where the %2 begins")
                   .arg(bodyEnd)
                   .arg(v.header.integrityOffset != 0 ? QStringLiteral("referential-integrity section")
                                                      : QStringLiteral("footer")));
    return v;
}

} // namespace korvex::paradox
