#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 20), seeded from the sample tables and the fixture tables.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)

CXX=clang++ CC=clang cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_FUZZ=ON -DWERROR=ON >/dev/null
cmake --build build/fuzz -j "$jobs"

for target in build/fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds="build/fuzz/seeds/$name"
  corpus="build/fuzz/corpus/$name"
  # a crash, hang or runaway allocation lands here; once mended it goes into
  # fuzz/regressions/ (see the README there), where the tests replay it
  artifacts="build/fuzz/artifacts/$name"
  mkdir -p "$corpus" "$artifacts"
  echo "-- $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" "$seeds" 2>&1 | tail -n 12
done
