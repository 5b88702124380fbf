#include "IndexFileBuilder.h"

#include "paradox/ParadoxFieldTypes.h"

namespace korvex::test::paradox {

namespace {

void putU16(QByteArray& b, int at, std::size_t v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

void putU32(QByteArray& b, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray IndexFileBuilder::build() const
{
    const bool dataHeader = version >= 5;
    QByteArray b(dataHeader ? 0x78 : 0x58, '\0');
    std::size_t recordSize = 0;
    for (const auto& f : fields)
        recordSize += korvex::paradox::storedSizeOf(f.type, f.size);
    putU16(b, 0x00, recordSize);
    b[0x04] = char(fileType);
    b[0x05] = char(2);
    b[0x15] = char(indexFieldNumber != 0 ? indexFieldNumber : fields.value(0).number & 0xFF);
    putU16(b, 0x21, std::size_t(fields.size()));
    putU16(b, 0x23, std::size_t(fields.size() - 1));
    putU32(b, 0x25, dataHeader ? 0xFF00FF00 : 0);
    b[0x39] = char(version);
    b[0x55] = char(options);
    if (dataHeader) {
        putU16(b, 0x58, 0x100 + version);
        putU16(b, 0x5A, 0x100 + version);
        putU16(b, 0x6A, 850);
    }
    for (const auto& f : fields)
        b.append(char(f.type)).append(char(f.size));
    b.append(QByteArray(4 + 4 * fields.size(), '\0'));
    b.append(QByteArray("resttemp.X").leftJustified(version >= 12 ? 261 : 79, '\0'));
    for (const auto& f : fields)
        b.append(f.name).append('\0');
    if (dataHeader) {
        for (const auto& f : fields)
            b.append(char(f.number & 0xFF)).append(char(f.number >> 8));
        b.append(sortOrderId).append('\0');
        if (fileType == 6 || fileType == 8)
            b.append(indexName).append('\0');
        putU16(b, 0x51, std::size_t(b.size()));
        const int headerSize = (int(b.size()) + 0x7FF) & ~0x7FF;
        b.append(QByteArray(headerSize - b.size(), '\0'));
    }
    putU16(b, 0x02, std::size_t(b.size()));
    return b;
}

} // namespace korvex::test::paradox
