# The Paradox reader's fuzz target, seeded with the sample tables and their .VAL files.
file(GLOB_RECURSE paradox_seeds
  "${KORVEX_SAMPLES_DIR}/paradox/*.db" "${KORVEX_SAMPLES_DIR}/paradox/*.DB"
  "${KORVEX_SAMPLES_DIR}/paradox/*.val" "${KORVEX_SAMPLES_DIR}/paradox/*.VAL")
korvex_add_fuzzer(fuzz_paradox
  SOURCES fuzz_paradox.cpp
  LIBS korvex_structure
  SEEDS ${paradox_seeds})

# The secondary-index reader, seeded with the samples' index data files.
file(GLOB_RECURSE paradox_index_seeds
  "${KORVEX_SAMPLES_DIR}/paradox/*.[xX][0-9a-fA-F][0-9a-fA-F]"
  "${KORVEX_SAMPLES_DIR}/paradox/*.[xX][gG][0-9]")
korvex_add_fuzzer(fuzz_paradox_index
  SOURCES fuzz_paradox_index.cpp
  LIBS korvex_structure
  SEEDS ${paradox_index_seeds})

# The referential-integrity reader, seeded with the samples' .VAL files.
file(GLOB_RECURSE paradox_links_seeds "${KORVEX_SAMPLES_DIR}/paradox/*.val" "${KORVEX_SAMPLES_DIR}/paradox/*.VAL")
korvex_add_fuzzer(fuzz_paradox_links
  SOURCES fuzz_paradox_links.cpp
  LIBS korvex_structure
  SEEDS ${paradox_links_seeds})
