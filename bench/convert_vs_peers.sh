#!/usr/bin/env bash
# piecetool convert against its peers, in the same run, on pictures made by
# our own generator (make_convert_bench_pictures):
#   500 bitmaps of 256 x 256 (half 8-bit, half 24-bit) to TXR:
#     piecetool convert --jobs 1 and --jobs 2 against a shell loop of
#     `pieceviewer /t` over the same files
#   a 1024 x 1024 paletted PNG to TXR (the 8-bit way) against ImageMagick
#     `convert in.png -colors 256 out.bmp`
# Prints hyperfine's tables and the medians with their ratios.
#   PV_BENCH_RUNS  runs per command (default 5 for the folder, 6x that for the PNG)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" --bench >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target piecetool pieceviewer make_convert_bench_pictures >/dev/null

bin="$root/build/native/bin"
# ImageMagick's own program, not any wrapper that may stand before it on PATH.
magick=/usr/bin/convert
[[ -x "$magick" ]] || magick=$(command -v convert)
runs=${PV_BENCH_RUNS:-5}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/make_convert_bench_pictures" "$work"
mkdir -p "$work/loop"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); load: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/folder.json" \
  -n "pieceviewer /t loop" "for f in $work/in/*.bmp; do $bin/pieceviewer /t \$f $work/loop/\$(basename \$f .bmp).txr; done" \
  -n "piecetool convert --jobs 1" "$bin/piecetool convert --force --jobs 1 $work/in --out $work/j1 >/dev/null" \
  -n "piecetool convert --jobs 2" "$bin/piecetool convert --force --jobs 2 $work/in --out $work/j2 >/dev/null"
# The same bytes whichever way they were made.
for f in "$work"/loop/*.txr; do cmp "$f" "$work/j2/$(basename "$f")"; done
hyperfine --style basic --warmup 3 --runs "$((runs * 6))" --export-json "$work/png.json" \
  -n "piecetool convert (PNG, 8-bit way)" "$bin/piecetool convert --force $work/pic8.png --out $work/png >/dev/null" \
  -n "convert -colors 256" "$magick $work/pic8.png -colors 256 $work/im8.bmp"

python3 - "$work/folder.json" "$work/png.json" <<'PY'
import json, statistics, sys
folder = json.load(open(sys.argv[1]))["results"]
loop, one, two = (statistics.median(r["times"]) for r in folder)
print(f"500 bitmaps: pieceviewer /t loop {loop:.2f} s; convert --jobs 1 {one:.2f} s "
      f"({loop / one:.2f}x the loop); --jobs 2 {two:.2f} s ({loop / two:.2f}x the loop, "
      f"goal >= 1.8: {'meets' if loop / two >= 1.8 else 'MISSES'}); jobs 2 over jobs 1 {one / two:.2f}x")
ours, peer = (statistics.median(r["times"]) for r in json.load(open(sys.argv[2]))["results"])
print(f"1024x1024 PNG: piecetool {ours * 1000:.1f} ms; ImageMagick {peer * 1000:.1f} ms; "
      f"ratio {ours / peer:.3f}")
PY
