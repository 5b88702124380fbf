# The Paradox reader's fuzz target, seeded with the sample tables and their .VAL files.
file(GLOB_RECURSE paradox_seeds
  "${KORVEX_SAMPLES_DIR}/paradox/*.db" "${KORVEX_SAMPLES_DIR}/paradox/*.DB"
  "${KORVEX_SAMPLES_DIR}/paradox/*.val" "${KORVEX_SAMPLES_DIR}/paradox/*.VAL")
korvex_add_fuzzer(fuzz_paradox
  SOURCES fuzz_paradox.cpp
  LIBS korvex_structure
  SEEDS ${paradox_seeds})
