#!/bin/sh
# The real program on a virtual X screen, driven from the keyboard as a user would: korvex
# starts on the demo tables (one of them given on the command line), Ctrl+A selects them
# all, Alt+P prints, Enter closes the note that says where the PDF files go, Alt+X ends
# the program. Every table must arrive as a PDF in the documents folder, and the settings
# file must remember the directory. Skips (77) when Xvfb or xdotool is missing.
# Usage: korvex_keyboard_test.sh KORVEX MAKE-DEMO-DATABASE
set -eu
korvex=$1
make_demo=$2
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/install-deps.sh installs it)"; exit 77; }
done

work=$(mktemp -d)
server=""
program=""
cleanup() {
    [ -z "$program" ] || kill "$program" 2>/dev/null || true
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work/korvex.log" "$work/xvfb.log"; do
        [ ! -s "$log" ] || { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}
. "$(dirname "$0")/../../support/xscreen.sh"

"$make_demo" "$work/tables" >/dev/null
tables=$(find "$work/tables" -maxdepth 1 -type f \( -iname '*.db' -o -iname '*.dbf' \) | wc -l)
[ "$tables" -gt 1 ] || fail "the demo database has no tables"

start_screen "$work"

# A fresh user: settings, documents and runtime folders in the scratch folder, and no
# printer (an unreachable CUPS server), so that the reports go to PDF files.
mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export CUPS_SERVER="$work/no-cups-here.sock" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
pdfs="$HOME/Documents/Korvex"
pdf_count() { find "$pdfs" -name '*.pdf' 2>/dev/null | wc -l; }

"$korvex" "$work/tables/ORDERS.DB" >"$work/korvex.log" 2>&1 &
program=$!
main=$(timeout 20 xdotool search --sync --onlyvisible --name 'Korvex V3\.2' | head -n 1) || fail "no main window"
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool key --clearmodifiers ctrl+a
sleep 0.3
xdotool key --clearmodifiers alt+p

# When the run has ended, a note says where the PDF files went (a fresh user sees it once).
# Enter closes every box that comes up; the run is over when every table is a PDF and the
# note has come and gone: the last PDF is written a moment before the note shows.
told=$work/note-closed
all_printed() {
    for window in $(xdotool search --onlyvisible --name 'Korvex V3\.2' 2>/dev/null); do
        if [ "$window" != "$main" ]; then
            xdotool windowfocus --sync "$window" 2>/dev/null && xdotool key Return && touch "$told"
        fi
    done
    [ -e "$told" ] && [ "$(pdf_count)" -eq "$tables" ] &&
        [ "$(xdotool search --onlyvisible --name 'Korvex V3\.2' | wc -l)" -eq 1 ]
}
within 600 all_printed || fail "$(pdf_count) of $tables tables printed"

xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+x
within 100 sh -c "! kill -0 $program 2>/dev/null" || fail "Alt+X did not end the program"
status=0
wait "$program" || status=$?
program=""
[ "$status" -eq 0 ] || fail "the program ended with $status"

for pdf in "$pdfs"/*.pdf; do
    [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "$pdf is no PDF file"
done
grep -q "^LastDirectory=$work/tables\$" "$XDG_CONFIG_HOME/korvex/KORVEX20.INI" \
    || fail "the settings file does not remember the directory"
echo "printed $tables tables from the keyboard: $(ls "$pdfs" | tr '\n' ' ')"
