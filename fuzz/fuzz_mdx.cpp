// libFuzzer entry for the production-index reader: the input is the .MDX of a small
// dBASE IV table whose header names it, so the tags are also matched against the
// table's fields. The only acceptable failure is FormatError. The test suite replays the
// seeds through this same function (built there under another name).

#include "FuzzIndexTable.h"

extern "C" int KORVEX_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size)
{
    static const korvex::fuzz::IndexedTable Table(0x03);
    korvex::fuzz::readIndexFile(Table, data, size);
    return 0;
}
