#!/bin/sh
# Takes the README's pictures: the main window in its three views (on the demo database),
# the configuration dialog's pages and the margins dialog. Builds small screenshot
# programs from tests/ (never installed) and runs them on a virtual X screen with Qt's xcb
# platform, saving PNGs of the windows into docs/.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
build=build/ci
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target korvex_settings_screenshots korvex_main_window_screenshots make-demo-database
runtime=$(mktemp -d)
# The demo tables at a short, fixed path, since the main window shows it.
demo="${TMPDIR:-/tmp}/korvex-demo"
trap 'rm -rf "$runtime" "$demo"' EXIT
rm -rf "$demo"
"$build/tools/demo/make-demo-database" "$demo" >/dev/null
# A fresh configuration: no settings of the user's reach the pictures.
run() {
  XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 800x600x24" "$@"
}
run "$build/tests/korvex_settings_screenshots" docs
run "$build/tests/korvex_main_window_screenshots" docs "$demo"
