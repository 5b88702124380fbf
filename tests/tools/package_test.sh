#!/bin/sh
# The Debian packages as a user gets them: built with dpkg-buildpackage in a copy of the
# tree, checked by lintian and appstreamcli, installed with apt-get, used (korvex-report
# printing the demo database to PDF and writing JSON, the manual pages found by man, the
# completion loaded by bash, korvex started on a virtual X screen and ended with Alt+X),
# then purged: none of the paths the packages held may be left, apart from folders that
# other packages own too. Installs into the system, so it needs root or sudo without a
# password; skips (77) otherwise, or when the packaging tools are missing.
# Usage: package_test.sh SOURCE_DIR WORK_DIR DEMO_DATABASE
set -eu
source_dir=$1
work=$2
demo=$3

if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    sudo="sudo -n"
else
    echo "SKIP: installing packages needs root or sudo without a password"
    exit 77
fi
for tool in dpkg-buildpackage dh lintian appstreamcli apt-get man Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/install-deps.sh installs it)"; exit 77; }
done
for package in korvex korvex-cli; do
    if dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q 'installed$'; then
        echo "FAIL: $package is installed already; purge it first (the test would remove it)" >&2
        exit 1
    fi
done

server=""
program=""
installed=""
cleanup() {
    [ -z "$program" ] || kill "$program" 2>/dev/null || true
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    # A failed run leaves nothing installed behind it.
    [ -z "$installed" ] || $sudo apt-get purge -y -q -o DPkg::Lock::Timeout=600 korvex korvex-cli >/dev/null 2>&1 || true
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [ ! -s "$log" ] || { echo "--- $log" >&2; tail -n 40 "$log" >&2; }
    done
    exit 1
}
. "$(dirname "$0")/../support/xscreen.sh"

# The copy: the sources as they are, without build trees. It keeps its place between
# runs so that ccache finds the objects of the previous package build.
version=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
tree="$work/korvex-$version"
rm -rf "$work"
mkdir -p "$tree"
tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude='./obj-*' -cf - . | tar -C "$tree" -xf -

echo "== dpkg-buildpackage"
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$tree" CCACHE_NOHASHDIR=1
fi
(cd "$tree" && DEB_BUILD_OPTIONS="parallel=2" nice -n 10 dpkg-buildpackage -us -uc -b) >"$work/build.log" 2>&1 \
    || fail "dpkg-buildpackage"
changes=$(find "$work" -maxdepth 1 -name "korvex_${version}_*.changes")
[ -n "$changes" ] || fail "no .changes file"

echo "== lintian"
lintian --fail-on error,warning --info "$changes" >"$work/lintian.log" 2>&1 || fail "lintian"
cat "$work/lintian.log"

# What goes where: the desktop in korvex, the command line in korvex-cli.
dpkg-deb -c "$work"/korvex_"$version"_*.deb >"$work/korvex.contents"
dpkg-deb -c "$work"/korvex-cli_"$version"_*.deb >"$work/korvex-cli.contents"
for file in usr/bin/korvex usr/share/applications/korvex.desktop usr/share/metainfo/ usr/share/mime/packages/korvex.xml \
            usr/share/icons/hicolor/scalable/apps/korvex.svg usr/share/man/man1/korvex.1.gz; do
    grep -q " \./$file" "$work/korvex.contents" || fail "korvex lacks $file"
done
for file in usr/bin/korvex-report usr/bin/tbls-driver-korvex usr/libexec/korvex/korvex-report-print \
            usr/share/man/man1/korvex-report.1.gz usr/share/man/man1/tbls-driver-korvex.1.gz \
            usr/share/bash-completion/completions/korvex-report; do
    grep -q " \./$file\$" "$work/korvex-cli.contents" || fail "korvex-cli lacks $file"
done
! grep -q "libQt6Widgets\|libQt6PrintSupport" "$work/korvex-cli.contents" || fail "korvex-cli holds Qt libraries"
dpkg-deb -f "$work"/korvex-cli_"$version"_*.deb Depends | grep -q libqt6core6 || fail "korvex-cli does not depend on Qt Core"

echo "== apt-get install"
installed=yes
(cd "$work" && $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 \
    ./korvex_"$version"_*.deb ./korvex-cli_"$version"_*.deb) >"$work/install.log" 2>&1 || fail "apt-get install"
dpkg -L korvex korvex-cli | sort -u >"$work/paths"

appstreamcli validate --no-net /usr/share/metainfo/*korvex*.metainfo.xml >"$work/appstream.log" 2>&1 || fail "appstreamcli validate"

echo "== the installed programs"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
tables=$(find "$demo" -maxdepth 1 -type f \( -iname '*.db' -o -iname '*.dbf' \) | wc -l)
[ "$tables" -gt 1 ] || fail "the demo database $demo has no tables"
[ "$(command -v korvex-report)" = /usr/bin/korvex-report ] || fail "korvex-report is not /usr/bin/korvex-report"
/usr/bin/korvex-report --out "$work/reports" "$demo" >"$work/print.log" 2>&1 || fail "korvex-report --out"
[ "$(find "$work/reports" -name '*.pdf' | wc -l)" -eq "$tables" ] || fail "not one PDF per demo table"
/usr/bin/korvex-report --json "$demo" >"$work/demo.json" 2>"$work/json.log" || fail "korvex-report --json"
python3 -c 'import json, sys; t = json.load(open(sys.argv[1]))["tables"]; sys.exit(len(t) != int(sys.argv[2]) or any("error" in e for e in t))' \
    "$work/demo.json" "$tables" || fail "the JSON does not hold every demo table"

for page in korvex korvex-report tbls-driver-korvex; do
    man -w "$page" 2>/dev/null | grep -q "^/usr/share/man/man1/$page\.1\.gz$" || fail "man -w $page"
done
bash -c '. /usr/share/bash-completion/bash_completion && _completion_loader korvex-report; complete -p korvex-report' \
    >"$work/completion.log" 2>&1 || fail "bash does not load the completion of korvex-report"

# korvex on a screen of its own, found by its window and ended with Alt+X.
start_screen "$work"
QT_QPA_PLATFORM=xcb CUPS_SERVER="$work/no-cups-here.sock" /usr/bin/korvex >"$work/korvex.log" 2>&1 &
program=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name 'Korvex' | head -n 1) \
    || fail "the installed korvex shows no window"
xdotool windowfocus --sync "$main" key --clearmodifiers alt+x
status=0
within 200 sh -c "! kill -0 $program 2>/dev/null" || fail "korvex did not end on Alt+X"
wait "$program" || status=$?
program=""
[ "$status" -eq 0 ] || fail "korvex ended with $status"

echo "== apt-get purge"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=600 korvex korvex-cli \
    >"$work/purge.log" 2>&1 || fail "apt-get purge"
installed=""
left=""
while IFS= read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    # A folder that other packages own too (/usr/bin, /usr/share/man/man1) stays.
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then
        continue
    fi
    left="$left $path"
done <"$work/paths"
[ -z "$left" ] || fail "left after the purge:$left"
echo "built, checked, installed, used and purged without a trace"
