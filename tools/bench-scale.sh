#!/bin/sh
# Times korvex-report --json and --book over whole directories of 500, 2,000 and 20,000
# tables: copies of the sample tables with their companion files, each copy under a name
# of its own, in one temporary directory. Each form runs once per size (a size whose run
# passes the time limit is reported as over it). Usage:
#   tools/bench-scale.sh [SIZES...]     (default: 500 2000 20000)
# KORVEX_BENCH_BUILD names the release build folder (default build/release); it is built
# here unless KORVEX_BENCH_NO_BUILD is set. KORVEX_BENCH_LIMIT: seconds per run (900).
set -eu
cd "$(dirname "$0")/.."
samples=${KORVEX_SAMPLES:-../shared/samples}
if [ ! -d "$samples" ]; then
  echo "bench-scale: skipped, the sample tables are not in $samples (set KORVEX_SAMPLES)" >&2
  exit 0
fi
build=${KORVEX_BENCH_BUILD:-build/release}
if [ -z "${KORVEX_BENCH_NO_BUILD:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWERROR=ON -DKORVEX_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" -j 2 --target korvex-report korvex-report-print >/dev/null
fi
[ $# -gt 0 ] || set -- 500 2000 20000

exec /usr/bin/python3 - "$samples" "$build/src/app/cli/korvex-report" "${KORVEX_BENCH_LIMIT:-900}" "$@" <<'PYTHON'
import os, shutil, subprocess, sys, tempfile, time

samples, korvex, limit, sizes = sys.argv[1], sys.argv[2], float(sys.argv[3]), [int(s) for s in sys.argv[4:]]
# Every sample table with the files of its name beside it (memo, index, validity files).
tables = []
for d, _, files in sorted(os.walk(samples)):
    for f in sorted(files):
        base, ext = os.path.splitext(f)
        if ext.lower() in (".db", ".dbf"):
            tables.append([os.path.join(d, g) for g in files
                           if os.path.splitext(g)[0].lower() == base.lower()])
env = dict(os.environ, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="offscreen")

def run(argv):
    start = time.perf_counter()
    try:
        subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, timeout=limit)
    except subprocess.TimeoutExpired:
        return f"over {limit:.0f} s"
    return f"{time.perf_counter() - start:.1f} s"

print(f"korvex-report over one directory of N tables (copies of {len(tables)} sample tables), one run each")
for n in sizes:
    with tempfile.TemporaryDirectory() as work:
        directory = os.path.join(work, "tables")
        os.mkdir(directory)
        for i in range(n):
            for path in tables[i % len(tables)]:
                name = os.path.basename(path)
                shutil.copyfile(path, os.path.join(directory, f"T{i:05d}_{name}"))
        json = run([korvex, "--json", directory])
        book = run([korvex, "--book", os.path.join(work, "book.pdf"), directory])
        print(f"  {n:6d} tables: --json {json:>12}   --book {book:>12}", flush=True)
PYTHON
