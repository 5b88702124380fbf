#!/bin/sh
# Installs what is missing, builds Korvex and runs every test: the normal build with
# warnings as errors, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a short run of every fuzz target.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/check-format.sh  # the lines this change touches follow .clang-format

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

echo "== build and test (warnings are errors)"
cmake -S . -B build/ci -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON >/dev/null
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

echo "== build and test under ASan+UBSan"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DSANITIZE=ON -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzz targets, short runs"
tools/fuzz.sh "${KORVEX_FUZZ_SECONDS:-20}"
