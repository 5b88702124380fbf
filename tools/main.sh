#!/bin/sh
# Installs what is missing, builds Korvex and writes the demo database. On a desktop (a
# display is there) it starts the program korvex on the demo tables; without one it prints
# the structure report of every demo table, one PDF per table, and says how to start the
# program.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build/main
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWERROR=OFF -DKORVEX_TESTS=OFF -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target korvex korvex-report make-demo-database

demo="$build/demo"
reports="$build/demo-reports"
rm -rf "$demo" "$reports"
"$build/tools/demo/make-demo-database" "$demo"
demo=$(cd "$demo" && pwd)

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== starting korvex on the demo tables in $demo"
  # A table as argument opens the browser on its directory with that table selected.
  exec "$build/src/app/program/korvex" "$demo/ORDERS.DB"
fi

tables=$(find "$demo" -maxdepth 1 -type f \( -iname '*.db' -o -iname '*.dbf' \) | sort)
echo "== printing the structure reports of the demo tables in $demo"
# shellcheck disable=SC2086
"$build/src/app/cli/korvex-report" --out "$reports" $tables
echo "== the reports are in $(cd "$reports" && pwd)"
echo "== no display here: on a desktop, start the program with"
echo "   $(pwd)/$build/src/app/program/korvex $demo/ORDERS.DB"
