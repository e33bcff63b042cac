#!/usr/bin/env bash
# The Windows zip as a user gets it: built by CPack, unpacked into an empty
# folder, its programs run from there under a Wine prefix made afresh for
# this test: the converter converts a sample texture, and the viewer loads
# the unpacked samples and shows a piece turning (the GUI test of the sample
# piece, run against the unpacked viewer).
#   zip_test.sh <source dir> <windows build dir> <version> <pv_gui_tests.exe>
set -euo pipefail
source_dir=$1 build=$2 version=$3 gui_tests=$4
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G ZIP >/dev/null) || fail "cpack did not make the zip"
zip="$build/packages/pieceviewer-$version-win64.zip"
[[ -f "$zip" ]] || fail "no $zip"
echo "zip: $zip, $(stat -c %s "$zip") bytes"

scratch=$(mktemp -d "$build/package-zip-test.XXXXXX")
cleanup() {
  WINEPREFIX="$scratch/prefix" wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir "$scratch/empty"
unzip -q "$zip" -d "$scratch/empty"
top="$scratch/empty/pieceviewer-$version-win64"
[[ -d "$top" ]] || fail "the zip holds no folder pieceviewer-$version-win64"

# Exactly the programs, the README, the licence of <model-viewer>, the
# samples and the Blender add-on: its zip, its folder with piecetool.exe and
# the asset library script.
addon_zip="blender/map_pieces-$version-win64.zip"
expected=$( { printf '%s\n' README.txt pieceviewer.exe piecetool.exe model-viewer-LICENSE.txt \
                "$addon_zip" blender/make_asset_library.py blender/map_pieces/bin/piecetool.exe
              (cd "$source_dir" && find samples -type f)
              (cd "$source_dir" && find blender/map_pieces -type f \( -name '*.py' -o -name '*.toml' \)); } | sort)
actual=$(cd "$top" && find . -type f | sed 's|^\./||' | sort)
if [[ "$expected" != "$actual" ]]; then
  diff <(echo "$expected") <(echo "$actual") || true
  fail "the zip's files differ from the expected list (< expected, > found)"
fi
for f in $(cd "$source_dir" && find samples -type f); do
  cmp -s "$source_dir/$f" "$top/$f" || fail "$f differs from the repository's"
done
# The add-on's zip is one folder, map_pieces/, as Blender installs it, with
# the add-on's files and the converter it runs.
inner=$(unzip -Z1 "$top/$addon_zip" | sort)
outside=$(grep -v '^map_pieces/' <<<"$inner" || true)
[[ -z "$outside" ]] || fail "$addon_zip holds files outside map_pieces/: $outside"
for f in map_pieces/__init__.py map_pieces/blender_manifest.toml map_pieces/bin/piecetool.exe; do
  grep -qxF "$f" <<<"$inner" || fail "$addon_zip lacks $f"
done
grep -q '__pycache__\|\.pyc$' <<<"$inner" && fail "$addon_zip holds byte code"
grep -q $'\r$' "$top/README.txt" || fail "README.txt has no Windows line ends"
grep -q 'Language for non-Unicode programs' "$top/README.txt" ||
  fail "README.txt does not say how to set the Japanese code page"

# A fresh prefix, set up the way the scripts set theirs up; the display is
# the suite's own.
export WINEPREFIX="$scratch/prefix" PV_KEEP_DISPLAY=1
source "$source_dir/scripts/wine-session.sh"
wine_session_start >/dev/null
[[ -d "$WINEPREFIX/drive_c/windows" ]] || fail "the fresh prefix was not made"

out=$(wine "$top/piecetool.exe" --version | tr -d '\r')
[[ "$out" == "piecetool $version" ]] || fail "piecetool.exe --version said \"$out\""
mkdir "$scratch/addon"
unzip -q "$top/$addon_zip" -d "$scratch/addon"
out=$(wine "$scratch/addon/map_pieces/bin/piecetool.exe" --version | tr -d '\r')
[[ "$out" == "piecetool $version" ]] || fail "the add-on's piecetool.exe --version said \"$out\""
echo "add-on: $addon_zip carries piecetool $version"
wine "$top/pieceviewer.exe" /b "$top/samples/textures/brick.txr" "$scratch/brick.bmp" ||
  fail "pieceviewer.exe /b ended with an error"
# brick.txr is 64 x 64 at 24 bits: a 54-byte header and 64 rows of 192 bytes.
[[ "$(stat -c %s "$scratch/brick.bmp" 2>/dev/null)" == 12342 ]] ||
  fail "pieceviewer.exe /b did not write the 12342-byte bitmap"
echo "converter: brick.txr -> brick.bmp, 12342 bytes"
# The site carries <model-viewer> from inside piecetool.exe: nothing to find
# beside it. (Its command line takes Windows paths: "/tmp" would read as an
# option.)
samples_win=$(winepath -w "$top/samples")
wine "$top/piecetool.exe" site "$samples_win\\profiles" "$samples_win\\models" \
  "$samples_win\\textures" "$(winepath -w "$scratch/site")" >/dev/null ||
  fail "piecetool.exe site ended with an error"
for f in index.html model-viewer.min.js pieces/flag_pole.html pieces/flag_pole.glb; do
  [[ -s "$scratch/site/$f" ]] || fail "piecetool.exe site wrote no $f"
done
echo "site: the samples' pages with <model-viewer>"
# A sample's export imported back as a new piece, and drawn.
mkdir -p "$scratch/new/"{profiles,models,textures}
new_win=$(winepath -w "$scratch/new")
wine "$top/piecetool.exe" import "$(winepath -w "$scratch/site/pieces/flag_pole.glb")" \
  "$new_win\\profiles" "$new_win\\models" "$new_win\\textures" >/dev/null ||
  fail "piecetool.exe import ended with an error"
wine "$top/piecetool.exe" render "$new_win\\profiles" "$new_win\\models" "$new_win\\textures" \
  "$(winepath -w "$scratch/pictures")" >/dev/null || fail "piecetool.exe render ended with an error"
[[ -s "$scratch/pictures/flag_pole.png" ]] || fail "piecetool.exe render drew no picture of the imported piece"
echo "import and render: a sample's export imported back and drawn"

PV_PROGRAM_PATH="$top/pieceviewer.exe" PV_SAMPLES_DIR="$top/samples" \
  wine "$gui_tests" --gtest_filter=MainWindowTest.ShowsTheSamplePiecesBesideTheTurningPreview ||
  fail "the unpacked viewer did not show a sample piece turning"
echo "viewer: the unpacked samples loaded, a piece turns"
