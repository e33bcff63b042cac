#!/usr/bin/env bash
# Whole runs of `pieceviewer /t` against peers, in the same run, on pictures
# made by our own generator (make_bench_pictures):
#   1024 x 1024 8-bit bitmap:  ImageMagick `convert in.bmp -colors 256 out.bmp`
#   1024 x 1024 24-bit bitmap: `nvcompress -rgb` on a TGA of the same picture
#                              (which also builds a full mip chain)
# Prints hyperfine's table and the medians with their ratios.
#   PV_BENCH_RUNS  runs per command (default 30)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" --bench >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target pieceviewer make_bench_pictures >/dev/null

program="$root/build/native/bin/pieceviewer"
# ImageMagick's own program, not any wrapper that may stand before it on PATH.
magick=/usr/bin/convert
[[ -x "$magick" ]] || magick=$(command -v convert)
runs=${PV_BENCH_RUNS:-30}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/build/native/bin/make_bench_pictures" "$work"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
hyperfine --style basic --warmup 3 --runs "$runs" --export-json "$work/eight.json" \
  -n "pieceviewer /t (8-bit)" "$program /t $work/pic8.bmp $work/out8.txr" \
  -n "convert -colors 256" "$magick $work/pic8.bmp -colors 256 $work/im8.bmp"
hyperfine --style basic --warmup 3 --runs "$runs" --export-json "$work/full.json" \
  -n "pieceviewer /t (24-bit)" "$program /t $work/pic24.bmp $work/out24.txr" \
  -n "nvcompress -rgb" "nvcompress -rgb $work/pic24.tga $work/nv24.dds"

python3 - "$work/eight.json" "$work/full.json" <<'PY'
import json, statistics, sys
goals = {0: 0.25, 1: 0.5}
for i, path in enumerate(sys.argv[1:]):
    results = json.load(open(path))["results"]
    ours, peer = results
    m_ours = statistics.median(ours["times"])
    m_peer = statistics.median(peer["times"])
    ratio = m_ours / m_peer
    verdict = "meets" if ratio <= goals[i] else "MISSES"
    print(f"{ours['command']}: median {m_ours * 1000:.1f} ms; {peer['command']}: median "
          f"{m_peer * 1000:.1f} ms; ratio {ratio:.3f} (goal <= {goals[i]}: {verdict})")
PY
