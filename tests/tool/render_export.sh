#!/usr/bin/env bash
# Renders an exported sample piece with f3d, a real glTF viewer, and reads the
# rendered pixels with ImageMagick: the flag's stripes (red, white, then blue at the bottom
# left and red at the bottom right, as the viewer shows them from its camera)
# must show where they are. The rendering stays as an artefact.
#   render_export.sh PIECETOOL SAMPLES ARTIFACTS
set -euo pipefail
piecetool=$1 samples=$2 artifacts=$3
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
failures=0
for probe in 5,5,grey 130,33,red 130,52,white 100,73,blue 165,73,red 70,100,brick \
  70,120,brick 192,120,grey; do
  IFS=, read -r x y colour <<<"$probe"
  read -r r g b < <(convert "$picture" -format \
    "%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]\n" info:)
  case $colour in
    red) ok=$((r > g + 60 && r > b + 60)) ;;
    brick) ok=$((r > g + 35 && r > b + 45)) ;;
    blue) ok=$((b > r + 60 && b > g + 30)) ;;
    white) ok=$((r > 130 && g > 130 && b > 130)) ;;
    grey) ok=$((r < 100 && g < 100 && b < 100 && r + 20 > b && b + 20 > r)) ;;
  esac
  if ((ok)); then
    echo "$probe is $r $g $b: as expected"
  else
    echo "$probe is $r $g $b: expected $colour"
    failures=$((failures + 1))
  fi
done
exit $((failures > 0))
