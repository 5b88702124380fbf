#!/bin/sh
# Times korvex-report --book over every sample table on a release build: wall-clock time
# and peak memory of each round from /usr/bin/time -v, their medians, and the targets
# (under 3 s, under 200 MB). Usage: tools/bench-book.sh [ROUNDS] (KORVEX_BENCH_BUILD names
# another release build folder than build/bench).
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
rounds=${1:-5}
samples=${KORVEX_SAMPLES:-../shared/samples}
if [ ! -d "$samples" ]; then
  echo "bench-book: skipped, the sample tables are not in $samples (set KORVEX_SAMPLES)" >&2
  exit 0
fi
jobs=$(nproc 2>/dev/null || echo 2)
build=${KORVEX_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWERROR=ON >/dev/null
cmake --build "$build" -j "$jobs" --target korvex-report korvex-report-print >/dev/null

exec /usr/bin/python3 - "$rounds" "$samples" "$build/src/app/korvex-report" <<'PYTHON'
import os, re, statistics, subprocess, sys, tempfile

rounds, samples, korvex = int(sys.argv[1]), sys.argv[2], sys.argv[3]
tables = sorted(os.path.join(d, f) for d, _, files in os.walk(samples) for f in files
                if f.lower().endswith((".db", ".dbf")))
env = dict(os.environ, LC_ALL="C.UTF-8")
wall, memory = [], []
with tempfile.TemporaryDirectory() as work:
    book = os.path.join(work, "samples.pdf")
    for r in range(rounds + 1):
        run = subprocess.run(["/usr/bin/time", "-v", korvex, "--book", book, *tables],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=env)
        if r == 0:  # the first round only warms the caches
            continue
        clock = re.search(r"Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)", run.stderr)
        h, m, s = int(clock[1] or 0), int(clock[2]), float(clock[3])
        wall.append(h * 3600 + m * 60 + s)
        memory.append(int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr)[1]) / 1024)
    pages = subprocess.run(["pdfinfo", book], capture_output=True, text=True).stdout
    pages = re.search(r"Pages:\s+(\d+)", pages)[1]
print(f"korvex-report --book: {len(tables)} tables, {pages} pages, {rounds} rounds")
print(f"  wall clock  median {statistics.median(wall):.2f} s (max {max(wall):.2f}; target under 3 s)")
print(f"  peak memory median {statistics.median(memory):.0f} MB (max {max(memory):.0f}; target under 200 MB)")
PYTHON
