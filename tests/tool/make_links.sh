#!/usr/bin/env bash
# Set-up of the Windows build's link test: output folders that hold links to
# a folder outside them. Wine makes no links itself, but shows those of the
# Linux file system to Windows programs as reparse points.
#   make_links.sh FOLDER SAMPLES
set -euo pipefail
root=$1 samples=$2
rm -rf "$root"
mkdir -p "$root/outside/pieces" "$root/outside/sub" "$root/in/sub" "$root/site" "$root/out" \
  "$root/render"
cp "$samples/textures/brick.txr" "$root/in/sub/a.txr"
for file in pieces/brick_cube.html sub/a.bmp brick_cube.png; do
  echo old >"$root/outside/$file"
done
ln -s "$root/outside/pieces" "$root/site/pieces"
ln -s "$root/outside/sub" "$root/out/sub"
ln -s "$root/outside/brick_cube.png" "$root/render/brick_cube.png"
