#!/bin/sh
# Builds the benchmarks in a release build and runs them.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DWERROR=ON -DKORVEX_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j "$jobs" --target bench_structure bench_report bench_aliases bench_settings bench_main_window bench_diff bench_server
export QT_QPA_PLATFORM=offscreen
build/bench/tests/bench/bench_structure
build/bench/tests/bench/bench_report
build/bench/tests/bench/bench_aliases
build/bench/tests/bench/bench_settings
build/bench/tests/bench/bench_main_window
build/bench/tests/bench/bench_diff
# The server readers side by side, on a private PostgreSQL cluster and MariaDB server that
# are stopped again however the benchmark ends.
state=$(mktemp -d)
trap 'sh tests/support/mariadb.sh stop "$state/my" >/dev/null 2>&1 || :; sh tests/support/postgres.sh stop "$state/pg" >/dev/null 2>&1 || :; rm -rf "$state"' EXIT
sh tests/support/postgres.sh start "$state/pg" >/dev/null
sh tests/support/mariadb.sh start "$state/my" >/dev/null
KORVEX_PG_STATE="$state/pg" KORVEX_MY_STATE="$state/my" build/bench/tests/bench/bench_server
tools/bench-json.sh
tools/bench-book.sh
