# fuzz_dbase: the dBASE reader under libFuzzer, seeded with the sample tables' .DBF files.
file(GLOB_RECURSE dbase_seeds "${KORVEX_SAMPLES_DIR}/dbase/*.dbf" "${KORVEX_SAMPLES_DIR}/dbase/*.DBF")
korvex_add_fuzzer(fuzz_dbase
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_dbase.cpp
  LIBS korvex_structure
  SEEDS ${dbase_seeds})
