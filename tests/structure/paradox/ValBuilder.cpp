#include "ValBuilder.h"

namespace korvex::test::paradox {

namespace {

void putU16(QByteArray& b, std::uint16_t v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void putU32(QByteArray& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray padded(const QByteArray& text, int size)
{
    QByteArray b = text.left(size);
    b.append(QByteArray(size - b.size(), '\0'));
    return b;
}

QByteArray body(const ValBuilder& v)
{
    QByteArray b;
    for (const auto& c : v.checks) {
        b.append(char(c.fieldIndex));
        b.append(char(c.picture ? c.picture->size() + 1 : 0));
        b.append(char(c.required ? 1 : 0));
        b.append(char(c.lookupOptions));
        putU32(b, c.lookupTable ? v.pointer : 0);
        putU32(b, 0);
        putU32(b, c.minimum ? v.pointer + 1 : 0);
        putU32(b, c.maximum ? v.pointer + 2 : 0);
        putU32(b, c.defaultValue ? v.pointer + 3 : 0);
        putU32(b, c.picture ? v.pointer + 4 : 0);
        if (c.lookupTable)
            b.append(padded(*c.lookupTable, 80));
        for (const auto* value : {&c.minimum, &c.maximum, &c.defaultValue})
            if (*value)
                b.append(**value);
        if (c.picture)
            b.append(*c.picture).append('\0');
    }
    return b;
}

} // namespace

std::size_t ValBuilder::footerOffset() const
{
    return std::size_t(0x35 + body(*this).size() + integritySection.size());
}

QByteArray ValBuilder::build() const
{
    const QByteArray checkBytes = body(*this);
    const std::uint32_t integrityOffset = integritySection.isEmpty() ? 0 : std::uint32_t(0x35 + checkBytes.size());
    QByteArray b;
    b.append(char(changeCount));
    b.append(char(version));
    b.append(char(checks.size()));
    putU32(b, updateTime);
    b.append(char(hiFieldID));
    b.append('\0');
    putU32(b, std::uint32_t(footerOffset()));
    putU32(b, integrityOffset);
    b.append(QByteArray(0x35 - b.size(), '\0'));
    b.append(checkBytes);
    b.append(integritySection);

    QByteArray names;
    for (const auto& f : fields)
        names.append(f.name).append('\0');
    putU16(b, std::uint16_t(fields.size()));
    putU16(b, keyFieldCount);
    putU16(b, std::uint16_t(79 + names.size()));
    for (int i = 0; i < fields.size(); ++i)
        putU16(b, std::uint16_t(i + 1));
    for (const auto& f : fields) {
        b.append(char(f.type));
        b.append(char(f.size));
    }
    b.append(padded(tablePath, 79));
    b.append(names);
    return b;
}

} // namespace korvex::test::paradox
