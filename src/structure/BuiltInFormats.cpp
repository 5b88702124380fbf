#include "TableFormat.h"

namespace korvex {

std::vector<std::unique_ptr<TableFormat>> builtInTableFormats()
{
    return {};
}

} // namespace korvex
