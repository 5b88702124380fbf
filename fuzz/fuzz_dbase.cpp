// libFuzzer entry for the dBASE reader: the input is a .DBF, read once on its own and once
// with the same bytes standing in for every companion file (memo and index headers).
// The only acceptable failure is FormatError. The test suite replays the seeds through
// this same function.

#include "dbase/DbaseReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace korvex;
    const FileBytes file{QStringLiteral("FUZZ.DBF"), {reinterpret_cast<const std::byte*>(data), size}};
    try {
        (void)dbase::readTable(file, {});
    } catch (const FormatError&) {
    }
    dbase::DbaseCompanions all;
    all.dbt = FileBytes{QStringLiteral("FUZZ.DBT"), file.data};
    all.fpt = FileBytes{QStringLiteral("FUZZ.FPT"), file.data};
    all.mdx = FileBytes{QStringLiteral("FUZZ.MDX"), file.data};
    all.cdx = FileBytes{QStringLiteral("FUZZ.CDX"), file.data};
    try {
        (void)dbase::readTable(file, all);
    } catch (const FormatError&) {
    }
    return 0;
}
