#!/bin/sh
# Line and branch coverage of the table readers (src/structure) under their tests, with
# clang's source-based coverage. The tests replay the kept fuzz corpus and the fuzz
# regressions, so the corpus counts too. Writes build/coverage/report.txt (per file) and
# build/coverage/html/; prints the per-file table.
# Usage: tools/coverage.sh [ctest regex] (default: the reader tests, leaving out the slow ones)
set -eu
cd "$(dirname "$0")/.."
build=build/coverage
suites='Alias|ByteReader|CodePage|DayNumbers|Dbase[A-Za-z]*|Engine[A-Za-z]*|IntegrityRecord|LevelText|Paradox[A-Za-z]*'
suites="$suites|PasswordChecksum|ResolveRelatedTable|StoredValues|TableFileAccess|Texts|ValidityFile|ValueSlot"
tests=${1:-"^($suites)[A-Za-z]*\\."}
jobs=$(nproc 2>/dev/null || echo 2)

CXX=clang++ CC=clang cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKORVEX_COVERAGE=ON >/dev/null
readers="test_structure_core test_aliases test_paradox test_dbase test_dbase_indexes"
# only the readers' test programs and the pxlib writer of the fixture tables they read:
# the rest of the tree adds nothing to the report
# shellcheck disable=SC2086 # one target per word
cmake --build "$build" -j "$jobs" --target $readers paradox_writer >/dev/null
rm -rf "$build/profiles"
mkdir -p "$build/profiles"
LLVM_PROFILE_FILE="$PWD/$build/profiles/%p-%m.profraw" \
  ctest --test-dir "$build" -j "$jobs" -R "$tests" -LE slow --output-on-failure >"$build/ctest.log" 2>&1 \
  || { tail -n 30 "$build/ctest.log"; echo "coverage: some tests failed (see $build/ctest.log)" >&2; exit 1; }
llvm-profdata merge -sparse "$build"/profiles/*.profraw -o "$build/merged.profdata"

objects=""
for t in $readers; do
  binary=$(find "$build/tests" -type f -name "$t" -perm -u+x | head -n 1)
  # llvm-cov takes the first program as its argument and every further one after -object
  if [ -n "$binary" ]; then
    if [ -z "$objects" ]; then objects="$binary"; else objects="$objects -object $binary"; fi
  fi
done
# shellcheck disable=SC2086 # one -object per binary
llvm-cov report $objects -instr-profile="$build/merged.profdata" "$PWD/src/structure" \
  | sed "s#$PWD/##" >"$build/report.txt"
# shellcheck disable=SC2086
llvm-cov show $objects -instr-profile="$build/merged.profdata" -format=html -output-dir="$build/html" \
  "$PWD/src/structure" >/dev/null
cat "$build/report.txt"
