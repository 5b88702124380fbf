// libFuzzer entry for the reader of Paradox secondary-index data files (.Xnn, .XGn). Each
// input is read as both kinds of index file, against tables made to fit its own header:
// an unkeyed table and keyed ones with one to three key fields, whose fields are the
// index file's, placed where its field numbers say. So a mutated real index file gets past
// the field checks and reaches the layout search. The tests replay the seeds through the
// same entry.

#include "ByteReader.h"
#include "CodePage.h"
#include "FormatError.h"
#include "paradox/ParadoxHeader.h"
#include "paradox/ParadoxIndexes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

using namespace korvex;
using namespace korvex::paradox;

// Tables beyond this many fields add nothing a smaller one does not reach.
constexpr std::size_t MostTableFields = 64;

// A table with keyCount key fields (none: unkeyed) that the documented layout of x fits:
// the index fields at their field numbers, the key fields first.
ParadoxHeader tableFitting(const ParadoxHeader& x, std::size_t keyCount, bool keyed)
{
    ParadoxHeader t;
    t.fileType = std::uint8_t(keyed ? FileType::KeyedTable : FileType::UnkeyedTable);
    t.fileVersionID = x.fileVersionID;
    t.primaryKeyFields = std::uint16_t(keyCount);
    const std::size_t n = x.fields.size();
    const std::size_t own = keyed ? keyCount + 1 : 3;
    const std::size_t m = n > own ? n - own : 0;
    std::size_t count = keyCount;
    for (std::size_t i = 0; i < m; ++i)
        count = std::max<std::size_t>(count, x.fields[i].fieldNumber & 0x7FFF);
    count = std::clamp<std::size_t>(count, 1, MostTableFields);
    t.fields.resize(count);
    for (std::size_t p = 0; p < count; ++p)
        t.fields[p] = StoredField{0x01, 10, std::uint16_t(p + 1), "Filler" + QByteArray::number(qulonglong(p))};
    for (std::size_t k = 0; k < keyCount && m + k < n && k < count; ++k) {
        t.fields[k] = x.fields[m + k];
        t.fields[k].fieldNumber = std::uint16_t(k + 1);
    }
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t number = x.fields[i].fieldNumber & 0x7FFF;
        if (number >= 1 && number <= count) {
            t.fields[number - 1] = x.fields[i];
            t.fields[number - 1].fieldNumber = std::uint16_t(number);
        }
    }
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    const ByteReader input(FileBytes{QStringLiteral("input.XG0"), bytes});
    ParadoxHeader x;
    try {
        x = parseHeader(input);
    } catch (const FormatError&) {
        return 0;
    }
    const CodePage codePage(1252);
    for (std::size_t keys = 0; keys <= 3; ++keys) {
        const ParadoxHeader table = tableFitting(x, keys, keys > 0);
        for (const auto kind : {IndexFileKind::SingleField, IndexFileKind::Composite}) {
            try {
                readSecondaryIndex(input, kind, table, codePage);
            } catch (const FormatError&) {
            }
        }
    }
    try {
        checkIndexTree(input, IndexFileKind::SingleField);
    } catch (const FormatError&) {
    }
    return 0;
}
