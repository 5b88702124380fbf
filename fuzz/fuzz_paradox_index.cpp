// libFuzzer entry for the reader of Paradox secondary-index data files (.Xnn, .XGn). Each
// input is read against a table made to fit its own header: unkeyed, or keyed with one to
// three key fields, whose fields are the index file's, placed where its field numbers say.
// So a mutated real index file gets past the field checks and reaches the layout search.
// Which table, and which kind of index file the input is read as, byte 0x0A says (the
// low byte of the blocks-in-use count, which nothing reads): bits 0 and 1 the number of
// key fields (0: unkeyed), bit 2 set reads the input as the other kind than its file type
// names. One reading per input keeps an execution cheap, and the fuzzer reaches every
// table by mutating that byte. The tests replay the seeds through the same entry.

#include "ByteReader.h"
#include "CodePage.h"
#include "FormatError.h"
#include "paradox/ParadoxHeader.h"
#include "paradox/ParadoxIndexes.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace {

using namespace korvex;
using namespace korvex::paradox;

// Tables beyond this many fields add nothing a smaller one does not reach.
constexpr std::size_t MostTableFields = 64;
// The byte choosing the table and the kind of index file, and its parts.
constexpr std::size_t ReadingChoice = 0x0A;
constexpr std::uint8_t KeyCountBits = 0x03;
constexpr std::uint8_t OtherKind = 0x04;

// "Filler1" ... made once: the names of the table's fields the index does not use.
const std::array<QByteArray, MostTableFields>& fillerNames()
{
    static const auto names = [] {
        std::array<QByteArray, MostTableFields> n;
        for (std::size_t p = 0; p < n.size(); ++p)
            n[p] = "Filler" + QByteArray::number(qulonglong(p));
        return n;
    }();
    return names;
}

// A table with keyCount key fields (none: unkeyed) that the documented layout of x fits:
// the index fields at their field numbers, the key fields first.
ParadoxHeader tableFitting(const ParadoxHeader& x, std::size_t keyCount)
{
    const bool keyed = keyCount > 0;
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
        t.fields[p] = StoredField{0x01, 10, std::uint16_t(p + 1), fillerNames()[p]};
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

bool namesComposite(std::uint8_t fileType)
{
    switch (FileType(fileType)) {
    case FileType::CompositeIndexData:
    case FileType::CompositeIndexTree:
    case FileType::CompositeIndexDataMaintained: return true;
    default: return false;
    }
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
    // parseHeader read the fixed part, so the choice byte is there.
    const std::uint8_t choice = data[ReadingChoice];
    const bool composite = namesComposite(x.fileType) != ((choice & OtherKind) != 0);
    const auto kind = composite ? IndexFileKind::Composite : IndexFileKind::SingleField;
    static const CodePage codePage(1252);
    try {
        readSecondaryIndex(input, kind, tableFitting(x, choice & KeyCountBits), codePage);
    } catch (const FormatError&) {
    }
    try {
        checkIndexTree(input, kind);
    } catch (const FormatError&) {
    }
    return 0;
}
