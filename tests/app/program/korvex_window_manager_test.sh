#!/bin/sh
# The real program under a real window manager (openbox on Xvfb): what a frame around the
# window must not change. Three starts keep the inside size 500 x 330 (the stored size is
# the inside, not the frame); the titles are exactly the windows' own; Shift+F10 opens the
# table list's menu; `korvex --version` says 3.2.0. Then the main window test's case for a
# window manager checks the minimum and the 600 x 400 layout inside the frame. Skips (77)
# when Xvfb, openbox, xdotool or xprop is missing.
# Usage: korvex_window_manager_test.sh KORVEX MAKE-DEMO-DATABASE TEST-MAIN-WINDOW
set -eu
korvex=$1
make_demo=$2
main_window_test=$3
for tool in Xvfb openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/install-deps.sh installs it)"; exit 77; }
done

work=$(mktemp -d)
server=""
manager=""
program=""
cleanup() {
    [ -z "$program" ] || kill "$program" 2>/dev/null || true
    [ -z "$manager" ] || kill "$manager" 2>/dev/null || true
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work/korvex.log" "$work/openbox.log" "$work/xvfb.log"; do
        [ ! -s "$log" ] || { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}
. "$(dirname "$0")/../../support/xscreen.sh"

version=$(QT_QPA_PLATFORM=offscreen "$korvex" --version)
[ "$version" = "korvex 3.2.0" ] || fail "korvex --version says '$version'"

"$make_demo" "$work/tables" >/dev/null

start_screen "$work"

mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export CUPS_SERVER="$work/no-cups-here.sock" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
settings="$XDG_CONFIG_HOME/korvex/KORVEX20.INI"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
manager=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
within 100 wm_running || fail "openbox did not start"

# The windows of the program that are on the screen (its menus are windows of their own).
windows_shown() { xdotool search --onlyvisible --pid "$program" '' 2>/dev/null | wc -l; }

start() {
    "$korvex" "$work/tables" >"$work/korvex.log" 2>&1 &
    program=$!
    main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Korvex V3\.2$' | head -n 1) || fail "no main window"
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    sleep 0.5
}
stop() {
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key --clearmodifiers alt+x
    within 100 sh -c "! kill -0 $program 2>/dev/null" || fail "Alt+X did not end the program"
    status=0
    wait "$program" || status=$?
    program=""
    [ "$status" -eq 0 ] || fail "the program ended with $status"
}

for run in 1 2 3; do
    start
    eval "$(xdotool getwindowgeometry --shell "$main")"
    [ "$WIDTH" = 500 ] && [ "$HEIGHT" = 330 ] || fail "start $run: the inside is ${WIDTH}x${HEIGHT}, not 500x330"
    title=$(xdotool getwindowname "$main")
    [ "$title" = "Korvex V3.2" ] || fail "start $run: the main window's title is '$title'"
    if [ "$run" = 3 ]; then
        # Shift+F10 in the table list (the focus starts there) opens its menu.
        before=$(windows_shown)
        xdotool key --clearmodifiers shift+F10
        within 50 sh -c "[ \$(xdotool search --onlyvisible --pid $program '' | wc -l) -gt $before ]" \
            || fail "Shift+F10 opened no menu"
        xdotool key Escape
        within 50 sh -c "[ \$(xdotool search --onlyvisible --pid $program '' | wc -l) -eq $before ]" \
            || fail "Escape did not close the menu"
        # The configuration dialog's title, exactly.
        xdotool key --clearmodifiers alt+c
        dialog=$(timeout 20 xdotool search --sync --onlyvisible --name 'Configuration' | head -n 1) \
            || fail "Alt+C opened no configuration dialog"
        title=$(xdotool getwindowname "$dialog")
        [ "$title" = "Korvex V3.2 - Configuration" ] || fail "the configuration dialog's title is '$title'"
        xdotool windowactivate --sync "$dialog" 2>/dev/null || true
        xdotool key Escape
        within 50 sh -c "! xdotool search --onlyvisible --name 'Configuration' >/dev/null" \
            || fail "Escape did not close the configuration dialog"
    fi
    stop
    grep -q '^width=500$' "$settings" && grep -q '^height=330$' "$settings" \
        || fail "start $run stored $(grep -E '^(width|height)=' "$settings" | tr '\n' ' ')"
done

KORVEX_WINDOW_MANAGER=1 "$main_window_test" --gtest_filter='*UnderAWindowManager*' --gtest_also_run_disabled_tests \
    >"$work/korvex.log" 2>&1 || fail "the main window's test under the window manager failed"
grep -q '\[  PASSED  \] 1 test' "$work/korvex.log" || fail "the main window's test under the window manager did not run"
echo "three starts kept 500x330 inside; titles exact; Shift+F10 opened the list's menu; minimum and layout hold"
