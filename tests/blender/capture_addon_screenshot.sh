#!/usr/bin/env bash
# The screenshot of Blender with the Map Pieces sidebar panel and the
# imported sample catalogue, kept as a test artefact: Blender with a window
# on a virtual display (Xvfb) drawn by Mesa's software OpenGL.
#   capture_addon_screenshot.sh ZIP SAMPLES OUT.png
# Exits 77 (skipped) without Blender or xvfb-run.
set -uo pipefail
zip=$1 samples=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
for tool in blender xvfb-run; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it): no screenshot"
    exit 77
  fi
done
user=$(mktemp -d)
trap 'rm -rf "$user"' EXIT
rm -f "$out"
mkdir -p "$(dirname "$out")"
# Debian's python3 beside Blender first on the PATH (Blender's Python finds
# its library folder by it).
PATH="$(dirname "$(readlink -f "$(command -v blender)")"):$PATH" \
  BLENDER_USER_CONFIG="$user/config" BLENDER_USER_SCRIPTS="$user/scripts" LIBGL_ALWAYS_SOFTWARE=1 \
  timeout 240 xvfb-run -a -s "-screen 0 1280x800x24" \
  blender --factory-startup --enable-event-simulate --python "$here/addon_screenshot.py" -- \
  "$zip" "$samples" "$out" >"$user/log" 2>&1
code=$?
if [[ $code -ne 0 || ! -s "$out" ]]; then
  tail -40 "$user/log"
  echo "FAIL: Blender exited with $code, screenshot ${out} $([[ -s $out ]] && echo written || echo missing)"
  exit 1
fi
echo "screenshot: $out"
