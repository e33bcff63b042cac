#!/usr/bin/env bash
# First-time set-up on Debian 12: installs what is missing, builds both
# builds, and runs the program's main job on the shipped samples.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" --bench

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows

out="$root/build/out"
mkdir -p "$out"
echo "converting samples/textures/brick.txr with the Linux converter"
build/native/bin/pieceviewer /b samples/textures/brick.txr "$out/brick.bmp"
echo "  wrote $out/brick.bmp"

source "$root/scripts/wine-session.sh"
wine_session_start
trap wine_session_stop EXIT
echo "converting samples/textures/stone.txr with the Windows program under Wine"
scripts/wine-run build/windows/bin/pieceviewer.exe /b samples/textures/stone.txr "$out/stone.bmp"
echo "  wrote $out/stone.bmp"
