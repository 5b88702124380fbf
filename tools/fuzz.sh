#!/bin/sh
# Builds the libFuzzer targets with clang and runs them.
#
#   tools/fuzz.sh [SECONDS]       each target for SECONDS (default 20), starting from its kept
#                                 corpus in fuzz/corpus/<target>/ and its seeds (the sample
#                                 tables and fuzz/seeds/); what it finds stays in
#                                 build/fuzz/corpus/<target>/. The test command runs this.
#   tools/fuzz.sh grow SECONDS    each target for SECONDS from the kept corpus and the
#                                 hand-made seeds only, then merges what it found into the
#                                 kept corpus, minimised (-merge=1). The sample tables stay
#                                 out: they are other people's files, and an input grown
#                                 from one is mostly a copy of it.
set -eu
cd "$(dirname "$0")/.."
mode=run
if [ "${1:-}" = grow ]; then
  mode=grow
  shift
fi
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)

CXX=clang++ CC=clang cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_FUZZ=ON -DWERROR=ON >/dev/null
cmake --build build/fuzz -j "$jobs"

# The hand-made seeds of a target (fuzz/seeds/<kind>/), by the kind of file it reads.
own_seeds() {
  case $1 in
    fuzz_mdx) echo fuzz/seeds/mdx ;;
    fuzz_cdx) echo fuzz/seeds/cdx ;;
  esac
}

for target in build/fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  kept="fuzz/corpus/$name"
  # a crash, hang or runaway allocation lands here; once mended it goes into
  # fuzz/regressions/ (see the README there), where the tests replay it
  artifacts="build/fuzz/artifacts/$name"
  mkdir -p "$kept" "$artifacts"
  set -- -max_len=65536 -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$artifacts/"
  if [ "$mode" = run ]; then
    # new inputs go into the first folder; the kept corpus is only read
    corpus="build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    echo "-- $name for ${seconds}s"
    "$target" "$@" -max_total_time="$seconds" -print_final_stats=1 \
      "$corpus" "$kept" "build/fuzz/seeds/$name" 2>&1 | tail -n 12
  else
    grown="build/fuzz/grown/$name"
    rm -rf "$grown" "$kept.new"
    mkdir -p "$grown" "$kept.new"
    echo "-- growing $name for ${seconds}s"
    "$target" "$@" -max_total_time="$seconds" -print_final_stats=1 "$grown" "$kept" $(own_seeds "$name") 2>&1 \
      | tail -n 12
    # the kept corpus is replaced only by a merge that ran to its end
    "$target" "$@" -merge=1 "$kept.new" "$kept" "$grown" >"build/fuzz/merge-$name.log" 2>&1 \
      || { tail -n 5 "build/fuzz/merge-$name.log"; echo "fuzz: merging $name failed; $kept is as it was" >&2; exit 1; }
    rm -rf "$kept"
    mv "$kept.new" "$kept"
    echo "   kept: $(ls "$kept" | wc -l) inputs"
  fi
done
