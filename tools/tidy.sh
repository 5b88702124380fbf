#!/bin/sh
# Runs clang-tidy with every check .clang-tidy turns on (constructs that are easily wrong,
# needless copies, the naming rules) over the project's own sources and prints each
# finding once, then a count per check. Exits 1 when there is a finding, 2 when a file did
# not parse. The compiler's own warnings count as findings too (clang-diagnostic-*), as
# warnings: the build's -Werror would make them stop the file.
#
#   tools/tidy.sh [REGEX...]   only the source files whose paths match one of the regexes
#
# It reads the compilation database and the meta-object code of the quick build, so run
# `tools/test.sh quick` (or build build/quick) first; it builds nothing itself. The
# benchmarks and the fuzz-only targets are not in that build; tools/naming.py checks their
# names. Two clang-tidy processes unless KORVEX_TIDY_JOBS says otherwise; the whole tree
# takes many minutes on two cores, so the test command does not run it. The full output
# stays in build/quick/tidy/tidy.log.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=build/quick
out=$build/tidy
jobs=${KORVEX_TIDY_JOBS:-2}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: $build has no compilation database; build it first with tools/test.sh quick" >&2
  exit 2
fi

# Our own files only: the code generated into the build directory is not ours to tidy.
mkdir -p "$out"
python3 - "$root" "$build/compile_commands.json" "$out/compile_commands.json" <<'EOF'
import json, os, sys
root, source, target = sys.argv[1:4]
with open(source, encoding="utf-8") as f:
    entries = {}
    for e in json.load(f):
        entries.setdefault(e["file"], e)
build = os.path.join(root, "build") + os.sep
# Files clang 14 cannot parse, though GCC builds them: qpdf's headers instantiate a vector
# of its JSON class where the class is still incomplete, which libstdc++ 12 refuses under
# clang.
unparsed = {os.path.join(root, "src/export/PdfNavigation.cpp")}
ours = [e for path, e in sorted(entries.items())
        if path.startswith(root + os.sep) and not path.startswith(build) and path not in unparsed]
with open(target, "w", encoding="utf-8") as f:
    json.dump(ours, f, indent=1)
EOF

status=0
run-clang-tidy -p "$out" -j "$jobs" -quiet -extra-arg=-Wno-error "$@" >"$out/tidy.log" 2>&1 || status=$?

# run-clang-tidy colours clang-tidy's output whatever it writes to; a header's finding
# comes once from every file that includes it.
sed 's/\x1b\[[0-9;]*m//g' "$out/tidy.log" >"$out/plain.log"
sed -n 's|^\(/[^:]*:[0-9]*:[0-9]*: warning: .* \[[^]]*\]\)$|\1|p' "$out/plain.log" |
  sed "s|^$root/||" | sort -u >"$out/findings.txt"
sed -n 's|^\(/[^:]*:[0-9]*:[0-9]*: \(fatal \)\{0,1\}error: .*\)$|\1|p' "$out/plain.log" |
  sed "s|^$root/||" | sort -u >"$out/errors.txt"

cat "$out/findings.txt" "$out/errors.txt"
count=$(wc -l <"$out/findings.txt")
if [ "$count" -gt 0 ]; then
  echo "tidy: $count findings:" >&2
  sed 's|.*\[\([^]]*\)\]$|\1|' "$out/findings.txt" | sort | uniq -c | sort -rn >&2
fi
if [ -s "$out/errors.txt" ] || [ "$status" -ne 0 ]; then
  echo "tidy: some files did not parse (see $out/tidy.log); their findings are missing" >&2
  exit 2
fi
if [ "$count" -gt 0 ]; then
  exit 1
fi
echo "tidy: no findings" >&2
