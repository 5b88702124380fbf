// libFuzzer entry for the Paradox reader. Each input is read three ways: as a table's .DB
// file, as the header of any file of the family (index files included), and as the .VAL
// of a table whose fields are those the input's own footer describes, so that a mutated
// real .VAL reaches the check records instead of stopping at a field-list mismatch.
// The tests replay the seeds through the same entry.

#include "ByteReader.h"
#include "FormatError.h"
#include "paradox/ParadoxFieldTypes.h"
#include "paradox/ParadoxHeader.h"
#include "paradox/ParadoxReader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Descriptors = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

void putU16(QByteArray& b, std::size_t at, std::size_t v)
{
    b[qsizetype(at)] = char(v & 0xFF);
    b[qsizetype(at + 1)] = char((v >> 8) & 0xFF);
}

// A Paradox 5.x unkeyed table header with the given fields, names F1, F2 ...
QByteArray tableWith(const Descriptors& fields, std::uint8_t changeCount)
{
    QByteArray b(0x78, '\0');
    std::size_t recordSize = 0;
    for (const auto& [type, size] : fields)
        recordSize += korvex::paradox::storedSizeOf(type, size);
    putU16(b, 0x00, recordSize);
    b[0x04] = char(2); // unkeyed table
    b[0x05] = char(2); // 2 KB blocks
    putU16(b, 0x21, fields.size());
    b[0x2E] = char(changeCount);
    b[0x39] = char(11);
    putU16(b, 0x6A, 850);
    for (const auto& [type, size] : fields)
        b.append(char(type)).append(char(size));
    b.append(QByteArray(qsizetype(4 + 4 * fields.size() + 79), '\0'));
    for (std::size_t i = 0; i < fields.size(); ++i)
        b.append("F" + QByteArray::number(qulonglong(i + 1))).append('\0');
    for (std::size_t i = 0; i < fields.size(); ++i)
        b.append(char((i + 1) & 0xFF)).append(char((i + 1) >> 8));
    b.append("ascii", 6);
    const std::size_t headerSize = (std::size_t(b.size()) + 0x7FF) & ~std::size_t(0x7FF);
    putU16(b, 0x02, headerSize);
    b.append(QByteArray(qsizetype(headerSize) - b.size(), '\0'));
    return b;
}

// The field list in the footer of a .VAL (offset at 0x09), as far as the input holds it.
Descriptors footerFields(const std::uint8_t* data, std::size_t size)
{
    Descriptors fields;
    if (size < 0x0D)
        return fields;
    const std::size_t footer = data[9] | std::size_t(data[10]) << 8 | std::size_t(data[11]) << 16 |
                               std::size_t(data[12]) << 24;
    if (footer > size || size - footer < 6)
        return fields;
    const std::size_t count = std::min<std::size_t>(data[footer] | std::size_t(data[footer + 1]) << 8, 255);
    const std::size_t descriptors = footer + 6 + 2 * count;
    for (std::size_t i = 0; i < count && descriptors + 2 * i + 1 < size; ++i)
        fields.emplace_back(data[descriptors + 2 * i], data[descriptors + 2 * i + 1]);
    return fields;
}

Descriptors everyType()
{
    using namespace korvex::paradox;
    return {{Alpha, 20}, {Date, 4},     {Short, 2}, {Long, 4},      {Money, 8},
            {Number, 8}, {Logical, 1},  {Memo, 11}, {Binary, 10},   {FormattedMemo, 12},
            {Ole, 10},   {Graphic, 10}, {Time, 4},  {Timestamp, 8}, {AutoIncrement, 4},
            {Bcd, 2},    {Bytes, 8}};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace korvex;
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    const FileBytes input{QStringLiteral("input"), bytes};
    try {
        paradox::readTable(input, nullptr);
    } catch (const FormatError&) {
    }
    try {
        paradox::parseHeader(ByteReader(input));
    } catch (const FormatError&) {
    }
    if (size > 0) {
        Descriptors fields = footerFields(data, size);
        if (fields.empty())
            fields = everyType();
        const QByteArray table = tableWith(fields, data[0]);
        const FileBytes db{QStringLiteral("input.db"),
                           {reinterpret_cast<const std::byte*>(table.constData()), std::size_t(table.size())}};
        try {
            paradox::readTable(db, &input);
        } catch (const FormatError&) {
        }
    }
    return 0;
}
