#!/bin/sh
# Builds the benchmarks in a release build and runs them.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DWERROR=ON -DKORVEX_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j "$jobs" --target bench_structure bench_report bench_aliases bench_settings bench_main_window bench_diff
export QT_QPA_PLATFORM=offscreen
build/bench/tests/bench/bench_structure
build/bench/tests/bench/bench_report
build/bench/tests/bench/bench_aliases
build/bench/tests/bench/bench_settings
build/bench/tests/bench/bench_main_window
build/bench/tests/bench/bench_diff
tools/bench-json.sh
tools/bench-book.sh
