#!/bin/sh
# Times korvex-report --json on a release build, side by side in one run with independent
# readers of the same tables: pxlib reading the fields of every Paradox table plus
# python3-dbfread reading the fields of every dBASE table, and cat of the same files.
# Each program reads every sample .db and .dbf in one run; the rounds alternate the
# programs, and the median of each is compared. Usage: tools/bench-json.sh [ROUNDS]
# (KORVEX_BENCH_BUILD names another release build folder than build/bench).
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
rounds=${1:-21}
samples=${KORVEX_SAMPLES:-../shared/samples}
if [ ! -d "$samples" ]; then
  echo "bench-json: skipped, the sample tables are not in $samples (set KORVEX_SAMPLES)" >&2
  exit 0
fi
jobs=$(nproc 2>/dev/null || echo 2)
build=${KORVEX_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWERROR=ON -DKORVEX_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$jobs" --target korvex-report bench_pxlib_fields >/dev/null

exec /usr/bin/python3 - "$rounds" "$samples" "$build/src/app/cli/korvex-report" \
  "$build/tests/bench/bench_pxlib_fields" tests/structure/dbase/dbfread_fields.py <<'PYTHON'
import os, resource, statistics, subprocess, sys, time

rounds, samples, korvex, pxlib, dbfread = int(sys.argv[1]), *sys.argv[2:]
tables = sorted(os.path.join(d, f) for d, _, files in os.walk(samples) for f in files
                if f.lower().endswith((".db", ".dbf")))
paradox = [t for t in tables if t.lower().endswith(".db")]
dbase = [t for t in tables if t.lower().endswith(".dbf")]
size = sum(os.path.getsize(t) for t in tables)
print(f"{len(tables)} tables ({len(paradox)} Paradox, {len(dbase)} dBASE), {size / 1e6:.1f} MB, "
      f"{rounds} rounds; median wall-clock time, and median processor time (user + system)")

commands = {
    "korvex-report --json": [[korvex, "--json", *tables]],
    "pxlib (.db fields)": [[pxlib, *paradox]],
    "dbfread (.dbf fields)": [["/usr/bin/python3", dbfread, *dbase]],
    "cat": [["cat", *tables]],
}
env = dict(os.environ, LC_ALL="C.UTF-8")
def processor_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime

wall = {name: [] for name in commands}
cpu = {name: [] for name in commands}
for r in range(rounds + 1):
    names = list(commands)
    names = names[r % len(names):] + names[:r % len(names)]
    for name in names:
        start, start_cpu = time.perf_counter(), processor_seconds()
        for argv in commands[name]:
            subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        if r > 0:  # the first round only warms the caches
            wall[name].append((time.perf_counter() - start) * 1000)
            cpu[name].append((processor_seconds() - start_cpu) * 1000)

med_wall = {name: statistics.median(t) for name, t in wall.items()}
med_cpu = {name: statistics.median(t) for name, t in cpu.items()}
print(f"  {'':24} {'wall':>8}    {'(min)':>8}  {'processor':>9}")
for name in commands:
    print(f"  {name:24} {med_wall[name]:8.1f} ms ({min(wall[name]):6.1f})  {med_cpu[name]:7.1f} ms")
both = ("pxlib (.db fields)", "dbfread (.dbf fields)")
readers_wall = sum(med_wall[n] for n in both)
readers_cpu = sum(med_cpu[n] for n in both)
print(f"  {'pxlib + dbfread':24} {readers_wall:8.1f} ms {'':8}  {readers_cpu:7.1f} ms")
k = "korvex-report --json"
print(f"{k} / (pxlib + dbfread): wall {med_wall[k] / readers_wall:.2f}, "
      f"processor {med_cpu[k] / readers_cpu:.2f} (target at most 1)")
print(f"{k} / cat:               wall {med_wall[k] / med_wall['cat']:.2f}, "
      f"processor {med_cpu[k] / med_cpu['cat']:.2f} (target at most 4)")
PYTHON
