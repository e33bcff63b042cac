#!/usr/bin/env bash
# The catalogue commands on 1,000 pieces made by our own generator (each a
# box whose faces use four 64 x 64 textures of its own), in one run:
# - piecetool site against piecetool export --unlit: site does what export
#   does (the models as .glb) and more (the check's findings, the pages with
#   each model inline, the texture pictures, the thumbnails, which are the
#   preview's picture of each piece drawn in software). Goal: site within
#   twice export.
# - piecetool render at 256 x 256 on every core: goal at least 200 pieces a
#   second.
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
# Each run writes into a new folder, as a first run does. None is removed
# before the end: thousands of files just deleted slow down the file system's
# next allocations, and would weigh on whichever command ran next.
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/times.json" \
  -n "piecetool export --unlit" "$bin/piecetool export $folders $work/export-\$(date +%s%N) --unlit >/dev/null" \
  -n "piecetool site" "$bin/piecetool site $folders $work/site-\$(date +%s%N) >/dev/null" \
  -n "piecetool render" "$bin/piecetool render $folders $work/render-\$(date +%s%N) >/dev/null"
echo "each run writes: export $(du -sh "$(ls -d "$work"/export-* | head -1)" | cut -f1)," \
  "site $(du -sh "$(ls -d "$work"/site-* | head -1)" | cut -f1)"

python3 - "$work/times.json" "$pieces" <<'PY'
import json, statistics, sys
export, site, render = (statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"])
pieces = int(sys.argv[2])
meets = lambda ok: "meets" if ok else "MISSES"
print(f"{pieces} pieces: export --unlit {export:.2f} s, site {site:.2f} s; "
      f"site / export {site / export:.2f} (goal <= 2: {meets(site / export <= 2)})")
print(f"{pieces} pieces at 256 x 256: render {render:.2f} s, {pieces / render:.0f} pieces a second "
      f"(goal >= 200: {meets(pieces / render >= 200)})")
PY
