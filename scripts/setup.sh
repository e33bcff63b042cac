#!/usr/bin/env bash
# First-time set-up on Debian 12: installs what is missing, builds both
# builds, and opens the viewer (the Windows build, through Wine).
#
# On a desktop the viewer opens on your display and the script ends when you
# close it. Without a display (DISPLAY unset) the viewer runs in a virtual X
# display for a few seconds; a screenshot is written to build/out/viewer.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" --bench

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows

if [[ -n "${DISPLAY:-}" ]]; then
  export PV_KEEP_DISPLAY=1 # use the user's display rather than a virtual one
fi
source "$root/scripts/wine-session.sh"
wine_session_start
trap wine_session_stop EXIT

windows_root="Z:${root//\//\\}" # Wine shows the Linux file system as drive Z:
cat <<TEXT

Opening the viewer. Press "Load"; in "Select Piece Component Locations" type
(or choose with the "..." buttons) these folders and press "Load":
  Piece Profile Files (*.prt)    $windows_root\\samples\\profiles
  Piece 3D Model Data (*.msm)    $windows_root\\samples\\models
  Piece Texture Files (*.txr)    $windows_root\\samples\\textures
The sample pieces then appear in the list.
TEXT

if [[ -n "${PV_KEEP_DISPLAY:-}" ]]; then
  scripts/wine-run build/windows/bin/pieceviewer.exe
else
  out="$root/build/out"
  mkdir -p "$out"
  scripts/wine-run build/windows/bin/pieceviewer.exe &
  viewer=$!
  sleep 5
  import -window root -crop 640x440+0+0 +repage "$out/viewer.png" 2>/dev/null &&
    echo "no display: the viewer ran in a virtual display; screenshot in $out/viewer.png"
  kill "$viewer" 2>/dev/null || true
  wait "$viewer" 2>/dev/null || true
fi
