# fuzz_dbase: the dBASE reader under libFuzzer, seeded with the sample tables' .DBF files.
file(GLOB_RECURSE dbase_seeds "${KORVEX_SAMPLES_DIR}/dbase/*.dbf" "${KORVEX_SAMPLES_DIR}/dbase/*.DBF")
korvex_add_fuzzer(fuzz_dbase
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_dbase.cpp
  LIBS korvex_structure
  SEEDS ${dbase_seeds})

# fuzz_mdx, fuzz_cdx: the tag lists of the production and the structural index under
# libFuzzer, seeded with the sample index files and with hand-built ones for what no
# sample has (FOR clauses in an .MDX, a tag directory under an interior node) in seeds/.
file(GLOB_RECURSE mdx_seeds "${KORVEX_SAMPLES_DIR}/dbase/*.mdx" "${KORVEX_SAMPLES_DIR}/dbase/*.MDX"
     "${CMAKE_CURRENT_LIST_DIR}/seeds/mdx/*")
korvex_add_fuzzer(fuzz_mdx
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_mdx.cpp ${CMAKE_CURRENT_LIST_DIR}/FuzzIndexTable.h
  LIBS korvex_structure
  SEEDS ${mdx_seeds})
file(GLOB_RECURSE cdx_seeds "${KORVEX_SAMPLES_DIR}/dbase/*.cdx" "${KORVEX_SAMPLES_DIR}/dbase/*.CDX"
     "${CMAKE_CURRENT_LIST_DIR}/seeds/cdx/*")
korvex_add_fuzzer(fuzz_cdx
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_cdx.cpp ${CMAKE_CURRENT_LIST_DIR}/FuzzIndexTable.h
  LIBS korvex_structure
  SEEDS ${cdx_seeds})
