# Shell helpers of the tests that drive real programs on a virtual X screen; sourced, so
# that `server` and DISPLAY are the sourcing script's. Its cleanup kills "$server", and its
# fail() says what went wrong.

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
    tenths=$1
    shift
    while ! "$@"; do
        tenths=$((tenths - 1))
        [ "$tenths" -gt 0 ] || return 1
        sleep 0.1
    done
}

# Starts Xvfb on a free display, logging to $1/xvfb.log, and exports DISPLAY. Xvfb writes
# its display number once it takes connections. Another X server starting at the same
# moment may take the same number: then this one ends, and a second try takes the next.
start_screen() {
    for attempt in 1 2 3; do
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>"$1/xvfb.log" &
        server=$!
        within 100 sh -c "test -s '$1/display' || ! kill -0 $server 2>/dev/null"
        [ -s "$1/display" ] && kill -0 "$server" 2>/dev/null && break
        server=""
        sleep 1
    done
    [ -n "$server" ] || fail "Xvfb did not start"
    DISPLAY=":$(cat "$1/display")"
    export DISPLAY
}
