#!/bin/sh
# Installs what is missing, builds Korvex and runs its tests.
#
#   tools/test.sh                  what CI runs: in build/ci the normal build with warnings
#                                  as errors (benchmarks compiled too) and every test, the
#                                  same tests under AddressSanitizer and
#                                  UndefinedBehaviorSanitizer in build/asan, and a short run
#                                  of every fuzz target
#   tools/test.sh quick [ARG...]   the edit-test loop: in build/quick a Debug build with
#                                  warnings as errors, through ccache when it is installed,
#                                  and every test; no benchmarks, sanitizers or fuzzing.
#                                  ARGs go to ctest: `tools/test.sh quick -LE slow` leaves
#                                  out the tests labelled "slow", `-R <pattern>` picks some.
#
# The slow tests (sweeps over cut and altered files, the private CUPS scheduler, PDF text
# and pixels, the full-disk runs, configuration dialog saves) carry the ctest label "slow".
set -eu
cd "$(dirname "$0")/.."

mode=full
if [ $# -gt 0 ]; then
  case "$1" in
    quick) mode=quick; shift ;;
    *) echo "usage: tools/test.sh [quick [ctest arguments...]]" >&2; exit 2 ;;
  esac
fi

tools/install-deps.sh
tools/check-format.sh  # every C++ file follows .clang-format

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

if [ "$mode" = quick ]; then
  launcher=""
  if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
  echo "== quick build and test (Debug, warnings are errors)"
  # shellcheck disable=SC2086
  cmake -S . -B build/quick -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DKORVEX_BENCHMARKS=OFF $launcher >/dev/null
  cmake --build build/quick -j "$jobs"
  exec ctest --test-dir build/quick --output-on-failure -j "$jobs" "$@"
fi

echo "== build and test (warnings are errors)"
cmake -S . -B build/ci -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DKORVEX_BENCHMARKS=ON >/dev/null
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

echo "== build and test under ASan+UBSan"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DSANITIZE=ON -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzz targets, short runs"
tools/fuzz.sh "${KORVEX_FUZZ_SECONDS:-20}"
