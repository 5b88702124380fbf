#!/bin/sh
# Installs what is missing, builds Korvex and runs its main job: makes the demo database
# and prints the structure report of every demo table, one PDF per table.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build/main
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWERROR=OFF -DKORVEX_TESTS=OFF -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target korvex-report make-demo-database

demo="$build/demo"
reports="$build/demo-reports"
rm -rf "$demo" "$reports"
"$build/tools/demo/make-demo-database" "$demo"

tables=$(find "$demo" -maxdepth 1 -type f \( -iname '*.db' -o -iname '*.dbf' \) | sort)
echo "== printing the structure reports of the demo tables in $demo"
# shellcheck disable=SC2086
"$build/src/app/cli/korvex-report" --out "$reports" $tables
echo "== the reports are in $(cd "$reports" && pwd)"
