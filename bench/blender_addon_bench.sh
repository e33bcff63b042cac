#!/usr/bin/env bash
# The Map Pieces add-on on 1,000 generated pieces (each a box whose faces use
# four 64 x 64 textures of its own), once each, in Debian's Blender 3.4:
# map_pieces.import_catalogue and map_pieces.make_asset_library in one
# headless Blender, then blender/make_asset_library.py from the command line
# (its time includes Blender's start-up, as a user's run does). For scale,
# piecetool export of the same catalogue, which the operators run first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset native >/dev/null
cmake --build --preset native --target piecetool make_site_bench_catalogue blender_addon >/dev/null

bin="$root/build/native/bin"
version=$(sed -n 's/^project(pieceviewer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="$root/build/native/packages/map_pieces-$version.zip"
pieces=${PV_BENCH_PIECES:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/make_site_bench_catalogue" "$work/catalogue" "$pieces"
folders=("$work/catalogue/profiles" "$work/catalogue/models" "$work/catalogue/textures")
export BLENDER_USER_CONFIG="$work/user/config" BLENDER_USER_SCRIPTS="$work/user/scripts"
export PATH="/usr/bin:$PATH"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); load: $(cut -d' ' -f1-3 /proc/loadavg)"
start=$(date +%s.%N)
"$bin/piecetool" export "${folders[@]}" "$work/glb" >/dev/null
echo "piecetool export: $(echo "$(date +%s.%N) - $start" | bc) s"
blender -b --factory-startup --python-exit-code 1 --python "$root/bench/blender_addon_bench.py" -- \
  "$zip" "${folders[@]}" "$work" 2>&1 | grep '^BENCH'
start=$(date +%s.%N)
blender -b --factory-startup --python-exit-code 1 --python "$root/blender/make_asset_library.py" -- \
  --piecetool "$bin/piecetool" "${folders[@]}" "$work/script.blend" 2>&1 | grep 'pieces written'
echo "make_asset_library.py (with Blender's start-up): $(echo "$(date +%s.%N) - $start" | bc) s"
