#!/usr/bin/env bash
# Renders an exported sample piece with f3d, a real glTF viewer, and reads the
# rendered pixels: the flag's stripes (red, white, then blue at the bottom
# left and red at the bottom right, as the viewer shows them from its camera)
# must show where they are. The rendering stays as an artefact.
#   render_export.sh PIECETOOL RENDER_CHECK SAMPLES ARTIFACTS
set -euo pipefail
piecetool=$1 check=$2 samples=$3 artifacts=$4
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$piecetool" export "$samples/profiles" "$samples/models" "$samples/textures" "$work" \
  --piece "Flag Pole" >/dev/null
picture="$artifacts/flag_pole_f3d.png"
rm -f "$picture"
render=(f3d --output="$picture" --resolution=256,256 "$work/flag_pole.glb")
if [[ -n "${DISPLAY:-}" ]]; then
  "${render[@]}"
else
  xvfb-run -a -s "-screen 0 640x480x24" "${render[@]}"
fi
echo "rendered $picture"
# f3d looks along -Z from +Z: the viewer's camera looks along +Z from -Z in
# its left-handed space, the same view once Z is mirrored. The brick pole
# stands at the left (x = -1), with nothing at the mirrored place.
"$check" "$picture" 5,5,grey 130,33,red 130,52,white 100,73,blue 165,73,red \
  70,100,brick 70,120,brick 192,120,grey
