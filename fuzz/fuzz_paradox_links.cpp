// libFuzzer entry for the reader of referential-integrity links in Paradox .VAL files.
// Each input is read as the .VAL of a table whose fields are those the input's own footer
// describes (so that a mutated real .VAL gets past the footer check and reaches its
// referential-integrity section), with a dependent's rule looked up in the input itself.
// The tests replay the seeds through the same entry.

#include "ByteReader.h"
#include "CodePage.h"
#include "FormatError.h"
#include "paradox/IntegrityLinks.h"
#include "paradox/ParadoxHeader.h"
#include "paradox/ValidityFile.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace korvex;
using namespace korvex::paradox;

std::size_t u16At(const std::uint8_t* data, std::size_t at)
{
    return data[at] | std::size_t(data[at + 1]) << 8;
}

// The table the footer (offset at 0x09) describes, as far as the input holds it.
ParadoxHeader tableOfFooter(const std::uint8_t* data, std::size_t size)
{
    ParadoxHeader t;
    t.fileType = std::uint8_t(FileType::KeyedTable);
    t.fileVersionID = 11;
    t.changeCount2 = size > 0 ? data[0] : 0;
    if (size < 0x0D)
        return t;
    const std::size_t footer = data[9] | std::size_t(data[10]) << 8 | std::size_t(data[11]) << 16 |
                               std::size_t(data[12]) << 24;
    if (footer > size || size - footer < 6)
        return t;
    const std::size_t count = std::min<std::size_t>(u16At(data, footer), 255);
    t.primaryKeyFields = std::uint16_t(std::min<std::size_t>(u16At(data, footer + 2), count));
    const std::size_t descriptors = footer + 6 + 2 * count;
    for (std::size_t i = 0; i < count && descriptors + 2 * i + 1 < size; ++i)
        t.fields.push_back(StoredField{data[descriptors + 2 * i], data[descriptors + 2 * i + 1], std::uint16_t(i + 1),
                                       "F" + QByteArray::number(qulonglong(i + 1))});
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    const ByteReader input(FileBytes{QStringLiteral("input.VAL"), bytes});
    const ParadoxHeader table = tableOfFooter(data, size);
    // The dependent's .VAL is the input again: its master links decide, when it has any.
    const DependentRule rule = [&](const QByteArray&, const QByteArray& linkName) -> std::optional<bool> {
        try {
            const ValFile v = parseValFile(input, table);
            if (v.status == ValFile::Status::Read && v.header.integrityOffset != 0)
                for (const auto& link : parseIntegritySection(input, v.header).masterLinks)
                    if (link.name == linkName)
                        return link.updateRule != 0;
        } catch (const FormatError&) {
        }
        return std::nullopt;
    };
    try {
        integrityLinks(input, table, CodePage(850), rule);
    } catch (const FormatError&) {
    }
    return 0;
}
