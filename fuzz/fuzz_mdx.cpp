// libFuzzer entry for the production-index reader: the input is the .MDX of a small
// dBASE IV table whose header names it, so the tags are also matched against the
// table's fields. The only acceptable failure is FormatError. The test suite replays the
// seeds through this same function (built there under another name).

#include "FuzzIndexTable.h"

#ifndef KORVEX_FUZZ_ENTRY
#define KORVEX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int KORVEX_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size)
{
    using namespace korvex;
    static const fuzz::IndexedTable table(0x03);
    dbase::DbaseCompanions companions;
    companions.mdx = FileBytes{QStringLiteral("FUZZ.MDX"), {reinterpret_cast<const std::byte*>(data), size}};
    try {
        (void)dbase::readIndexes(table.definition, table.file(), companions);
    } catch (const FormatError&) {
    }
    return 0;
}
