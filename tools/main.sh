#!/bin/sh
# Installs what is missing, builds Korvex and runs its main job: makes the demo database
# and prints the structure report of every demo table as one PDF per table.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build/main
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWERROR=OFF -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target korvex-report paradox_writer

demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
"$build/tests/fixtures/paradox_writer" "$demo/paradox"
/usr/bin/python3 tests/fixtures/make_dbase_fixtures.py "$demo/dbase" >/dev/null

tables=$(find "$demo" -type f \( -iname '*.db' -o -iname '*.dbf' \) | sort)
echo "== structure of the demo tables"
# shellcheck disable=SC2086
"$build/src/app/korvex-report" --json --password Korvex7 $tables
