#!/bin/sh
# Installs the build tree into a fresh prefix and checks the installed program: every file
# where the desktop looks for it, a valid desktop entry, MIME data the MIME database takes
# (*.db a Paradox table, application/vnd.dbf the dBASE type), and korvex-report finding its
# printing program under the new prefix.
# Usage: install_test.sh BUILD_DIR TABLE
set -eu
build=$1
table=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
for file in bin/korvex bin/korvex-report libexec/korvex/korvex-report-print; do
    [ -x "$prefix/$file" ] || fail "$file is not installed as a program"
done
for file in share/applications/korvex.desktop share/icons/hicolor/scalable/apps/korvex.svg \
            share/mime/packages/korvex.xml share/metainfo/org.example.korvex.Korvex.metainfo.xml \
            share/man/man1/korvex.1 share/man/man1/korvex-report.1 share/man/man1/tbls-driver-korvex.1 \
            share/bash-completion/completions/korvex-report; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/korvex.desktop" || fail "the desktop entry is not valid"
else
    echo "desktop-file-validate is not installed (tools/install-deps.sh installs it): the entry is not validated"
fi

if command -v update-mime-database >/dev/null; then
    XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime" 2>"$work/mime.log" || { cat "$work/mime.log"; fail "update-mime-database"; }
    [ ! -s "$work/mime.log" ] || { cat "$work/mime.log"; fail "update-mime-database complains"; }
    grep -q '^application/x-paradox-db:\*\.db$' "$prefix/share/mime/globs" || fail "*.db is not a Paradox table"
    grep -q '^application/vnd.dbf application/x-dbf$' "$prefix/share/mime/aliases" || fail "application/vnd.dbf is no alias"
else
    echo "update-mime-database is not installed: the MIME data is not checked"
fi

XDG_CONFIG_HOME="$work/config" "$prefix/bin/korvex-report" --out "$work/reports" "$table" >"$work/print.log" 2>&1 \
    || { cat "$work/print.log"; fail "the installed korvex-report cannot print"; }
[ -n "$(find "$work/reports" -name '*.pdf')" ] || fail "the installed korvex-report wrote no PDF"
echo "installed and checked under a fresh prefix"
