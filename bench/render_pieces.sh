#!/usr/bin/env bash
# piecetool render on 1,000 generated pieces at 256 x 256 (each a box with
# four 64 x 64 textures of its own, made by our own generator), on every core:
# pieces a second, the goal being at least 200. piecetool export of the same
# pieces, in the same run, is the yardstick of a pass over the catalogue that
# reads every model and texture.
#   PV_BENCH_RUNS  runs per command (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" --bench >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target piecetool make_site_bench_catalogue >/dev/null

bin="$root/build/native/bin"
runs=${PV_BENCH_RUNS:-5}
pieces=1000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/make_site_bench_catalogue" "$work/catalogue" "$pieces"
folders="$work/catalogue/profiles $work/catalogue/models $work/catalogue/textures"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); load: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/times.json" \
  -n "piecetool render" "$bin/piecetool render $folders $work/render-\$(date +%s%N) >/dev/null" \
  -n "piecetool export" "$bin/piecetool export $folders $work/export-\$(date +%s%N) >/dev/null"

python3 - "$work/times.json" "$pieces" <<'PY'
import json, statistics, sys
render, export = (statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"])
pieces = int(sys.argv[2])
rate = pieces / render
print(f"{pieces} pieces at 256 x 256: render {render:.2f} s, {rate:.0f} pieces a second "
      f"(goal >= 200: {'meets' if rate >= 200 else 'MISSES'}); export {export:.2f} s, "
      f"render / export {render / export:.2f}")
PY
