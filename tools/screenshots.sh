#!/bin/sh
# Takes the README's pictures of the configuration dialog's pages and the margins dialog:
# builds a small screenshot program from tests/ (never installed) and runs it on a virtual
# X screen with Qt's xcb platform, saving PNGs of the windows into docs/.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
build=build/ci
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKORVEX_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target korvex_settings_screenshots
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
# A fresh configuration: no settings of the user's reach the pictures.
XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 800x600x24" "$build/tests/korvex_settings_screenshots" docs
