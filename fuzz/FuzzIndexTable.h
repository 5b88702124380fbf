#pragma once

#include "dbase/DbaseIndexes.h"
#include "dbase/DbaseReader.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The tests link both index targets into one program, each entry under its own name.
#ifndef KORVEX_FUZZ_ENTRY
#define KORVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace korvex::fuzz {

// A table of two fields (NAME C(10), QTY N(5)) whose header names its index file (byte
// 28), for the index fuzz targets: version 0x03 makes a dBASE table with a production
// .MDX, 0xF5 a FoxPro table with a structural .CDX.
struct IndexedTable {
    explicit IndexedTable(std::uint8_t version)
    {
        bytes[0] = std::byte{version};
        bytes[8] = std::byte{HeaderLength};
        bytes[10] = std::byte{16}; // record size: deletion flag and both fields
        bytes[28] = std::byte{0x01};
        field(32, "NAME", 'C', 10);
        field(64, "QTY", 'N', 5);
        bytes[96] = std::byte{0x0D};
        definition = dbase::readTable(file(), {});
    }

    FileBytes file() const { return {QStringLiteral("FUZZ.DBF"), bytes}; }

    static constexpr std::size_t HeaderLength = 97;
    std::array<std::byte, HeaderLength> bytes{};
    TableDefinition definition;

private:
    void field(std::size_t at, const char* name, char type, int width)
    {
        for (std::size_t i = 0; name[i] != '\0'; ++i)
            bytes[at + i] = std::byte(name[i]);
        bytes[at + 11] = std::byte(type);
        bytes[at + 16] = std::byte(width);
    }
};

// Reads data as the index file of table (its .CDX for a FoxPro table, else its .MDX);
// the only acceptable failure is FormatError.
inline void readIndexFile(const IndexedTable& table, const std::uint8_t* data, std::size_t size)
{
    const FileBytes index{QStringLiteral("FUZZ.IDX"), {reinterpret_cast<const std::byte*>(data), size}};
    dbase::DbaseCompanions companions;
    (table.definition.tableType == QLatin1String("FOXPRO") ? companions.cdx : companions.mdx) = index;
    try {
        (void)dbase::readIndexes(table.definition, table.file(), companions);
    } catch (const FormatError&) {
    }
}

} // namespace korvex::fuzz
