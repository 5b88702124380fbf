// The index and referential-integrity fuzz targets' entries, under names of their own so
// that the tests can replay their seeds beside the table reader's entry.

#define LLVMFuzzerTestOneInput fuzzParadoxIndex
#include "fuzz_paradox_index.cpp"
#undef LLVMFuzzerTestOneInput

#define LLVMFuzzerTestOneInput fuzzParadoxLinks
#include "fuzz_paradox_links.cpp"
#undef LLVMFuzzerTestOneInput
