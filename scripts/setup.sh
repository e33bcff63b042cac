#!/usr/bin/env bash
# First-time set-up on Debian 12: installs what is missing, builds both
# builds, and opens the viewer (the Windows build, through Wine).
#
# The viewer opens with the sample pieces loaded (the script fills in its
# folder dialog). On a desktop it opens on your display and the script ends
# when you close it. Without a display (DISPLAY unset) the viewer runs in a virtual X
# display for a few seconds; a screenshot is written to build/out/viewer.png,
# or, when the viewer's window never appears or the viewer ends first, the
# script says so and exits with 1.
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

Opening the viewer with the sample pieces: the script presses "Load" and
fills in "Select Piece Component Locations" with the three sample folders
(type your own there next time; the viewer asks at every start):
  Piece Profile Files (*.prt)    $windows_root\\samples\\profiles
  Piece 3D Model Data (*.msm)    $windows_root\\samples\\models
  Piece Texture Files (*.txr)    $windows_root\\samples\\textures
TEXT

# Drives the viewer's own folder dialog, as a user would, then waits for the
# viewer to end.
demo=(scripts/wine-run build/windows/bin/open_samples.exe
  "$windows_root\\build\\windows\\bin\\pieceviewer.exe"
  "$windows_root\\samples\\profiles" "$windows_root\\samples\\models"
  "$windows_root\\samples\\textures")
if [[ -n "${PV_KEEP_DISPLAY:-}" ]]; then
  "${demo[@]}"
else
  out="$root/build/out"
  mkdir -p "$out"
  rm -f "$out/viewer.png" # a screenshot of an earlier run must not pass for this one's
  "${demo[@]}" &
  viewer=$! # the demonstration ends when the viewer ends
  running() { kill -0 "$viewer" 2>/dev/null; }
  window_shown() { xwininfo -root -tree 2>/dev/null | grep -q '"Varnholt-Map Piece Viewer"'; }
  # Sets `ended` to how the viewer ended, once it has.
  how_it_ended() {
    local code=0
    wait "$viewer" 2>/dev/null || code=$?
    ended="ended (exit code $code)"
  }
  problem=
  for _ in $(seq 60); do
    window_shown && break
    running || break
    sleep 1
  done
  if window_shown; then
    sleep 6 # the scan, the first piece's textures, a few frames of its turn
    if ! running; then
      how_it_ended
      problem="the viewer $ended before its screenshot was taken"
    elif ! window_shown; then
      problem="the viewer's window went away before its screenshot was taken"
    elif ! import -window root -crop 660x480+0+0 +repage "$out/viewer.png" 2>/dev/null; then
      problem="the screenshot could not be taken"
    fi
  elif running; then
    problem="the viewer's window did not appear within a minute"
  else
    how_it_ended
    problem="the viewer $ended without showing its window"
  fi
  wineserver -k 2>/dev/null || true
  wait "$viewer" 2>/dev/null || true
  if [[ -n "$problem" ]]; then
    rm -f "$out/viewer.png"
    echo "setup: $problem; no screenshot" >&2
    exit 1
  fi
  echo "no display: the viewer ran in a virtual display; screenshot in $out/viewer.png"
fi
