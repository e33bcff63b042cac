#!/usr/bin/env bash
# Speed of the 3D preview under Wine in its own Xvfb display: frames per second
# of the preview turning a 17-texture piece against an empty clear-and-present
# loop on the same display set-up (alternating rounds, same run), and the time
# LoadSelectedPiece takes for that piece (17 textures of 256 x 256).
# Prints medians and the ratio. Build the windows preset first.
#   ROUNDS          rounds of each measurement (default 15)
#   SECONDS_PER     seconds per frame-rate round (default 1)
#   PV_BENCH_BREAKDOWN=1  also time the steps of one texture load
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$root/build/windows/bin/pv_preview_bench.exe"
[[ -x "$bench" ]] || { echo "build the windows preset first: $bench is missing"; exit 1; }
source "$root/scripts/wine-session.sh"
wine_session_start
trap wine_session_stop EXIT
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "renderer: Wine $(wine --version 2>/dev/null | sed 's/^wine-//'), Xvfb $(xdpyinfo 2>/dev/null | awk '/depth of root/ {print $5}')-bit"
"$root/scripts/wine-run" "$bench" "${ROUNDS:-15}" "${SECONDS_PER:-1}"
