#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from the native build
# (which takes the Windows viewer from the windows build), its control fields
# and contents inspected, lintian run, then unpacked into a scratch root and
# its launcher started from there in the suite's display, with a home of its
# own: the viewer's main window must appear and the user's Wine prefix must be
# made under the user's data folder, not in the install tree.
#   deb_test.sh <source dir> <version> <artifact dir>
set -euo pipefail
source_dir=$1 version=$2 artifacts=$3
native="$source_dir/build/native"
fail() { echo "FAIL: $*"; exit 1; }

[[ -f "$native/CMakeCache.txt" ]] || fail "the native build is missing (cmake --preset native)"
cmake --build "$native" --target package >/dev/null || fail "the native build's package target failed"
deb="$native/packages/pieceviewer_${version}_amd64.deb"
[[ -f "$deb" ]] || fail "no $deb"
echo "deb: $deb, $(stat -c %s "$deb") bytes"

info=$(dpkg-deb --info "$deb")
for field in "Package: pieceviewer" "Version: $version" "Architecture: amd64"; do
  grep -qxF " $field" <<<"$info" || fail "control field \"$field\" missing"
done
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
for dep in wine fonts-ipafont-gothic fonts-wine locales libc6; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for path in usr/bin/pieceviewer usr/bin/piecetool usr/bin/pieceviewer-gui \
  usr/lib/pieceviewer/pieceviewer.exe usr/share/applications/pieceviewer.desktop \
  usr/share/icons/hicolor/scalable/apps/pieceviewer.svg \
  usr/share/man/man1/pieceviewer.1.gz usr/share/man/man1/piecetool.1.gz \
  usr/share/man/man1/pieceviewer-gui.1.gz usr/share/doc/pieceviewer/copyright \
  usr/share/doc/pieceviewer/model-viewer-LICENSE \
  usr/share/pieceviewer/blender/map_pieces-$version.zip \
  usr/share/pieceviewer/blender/make_asset_library.py \
  $(cd "$source_dir" && find samples -type f | sed 's|^|usr/share/pieceviewer/|') \
  $(cd "$source_dir/blender" && find map_pieces -type f \( -name '*.py' -o -name '*.toml' \) |
    sed 's|^|usr/share/pieceviewer/blender/|'); do
  grep -qxF "./$path" <<<"$contents" || fail "the package lacks /$path"
done
# The Debian package's add-on runs the package's piecetool: no second copy.
grep -q '^\./usr/share/pieceviewer/blender/.*/bin/' <<<"$contents" &&
  fail "the add-on's folder carries a piecetool of its own"
grep -qE 'Suggests:.*blender' <<<"$info" || fail "the package does not suggest blender"
outside=$(grep -vE '^\./(usr/)?$|^\./usr/' <<<"$contents" || true)
[[ -z "$outside" ]] || fail "files outside /usr: $outside"

lint=$(lintian --fail-on error "$deb" 2>&1) || { echo "$lint"; fail "lintian reports errors"; }
echo "lintian: ${lint:-no tags}"

scratch=$(mktemp -d "$native/package-deb-test.XXXXXX")
data="$scratch/home/.local/share/pieceviewer"
cleanup() {
  [[ -n "${launcher:-}" ]] && kill "$launcher" 2>/dev/null
  WINEPREFIX="$data/wineprefix" wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root"
[[ "$("$root/usr/bin/pieceviewer" --version)" == "pieceviewer $version" ]] ||
  fail "pieceviewer --version"
[[ "$("$root/usr/bin/piecetool" --version)" == "piecetool $version" ]] || fail "piecetool --version"
addon_files=$(unzip -Z1 "$root/usr/share/pieceviewer/blender/map_pieces-$version.zip" | sort)
grep -qxF map_pieces/__init__.py <<<"$addon_files" || fail "the add-on's zip lacks map_pieces/__init__.py"
grep -v '^map_pieces/' <<<"$addon_files" && fail "the add-on's zip holds files outside map_pieces/"
grep -q '/bin/' <<<"$addon_files" && fail "the add-on's zip carries a piecetool of its own"
zcat "$root/usr/share/man/man1/pieceviewer.1.gz" | grep -q 'texture.txr' ||
  fail "the pieceviewer manual page lacks the command line"
first=$("$root/usr/bin/piecetool" --help | head -1)
zcat "$root/usr/share/man/man1/piecetool.1.gz" | grep -qF "$first" ||
  fail "the piecetool manual page lacks its --help text \"$first\""
"$root/usr/bin/piecetool" site "$root/usr/share/pieceviewer/samples/"{profiles,models,textures} \
  "$scratch/site" >/dev/null || fail "piecetool site ended with an error"
for f in index.html model-viewer.min.js pieces/flag_pole.html pieces/flag_pole.glb; do
  [[ -s "$scratch/site/$f" ]] || fail "piecetool site wrote no $f"
done
# A sample's export imported back as a new piece, and drawn.
mkdir -p "$scratch/new/"{profiles,models,textures}
"$root/usr/bin/piecetool" import "$scratch/site/pieces/flag_pole.glb" "$scratch/new/"{profiles,models,textures} \
  >/dev/null || fail "piecetool import ended with an error"
"$root/usr/bin/piecetool" render "$scratch/new/"{profiles,models,textures} "$scratch/pictures" >/dev/null ||
  fail "piecetool render ended with an error"
[[ -s "$scratch/pictures/flag_pole.png" ]] || fail "piecetool render drew no picture of the imported piece"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/pieceviewer.desktop" || fail "desktop entry"
fi

# The launcher from the scratch root, for a user with a home of their own and
# no Japanese locale on the system (LOCPATH pointing nowhere hides it): the
# launcher must compile one into the user's data folder.
before=$(cd "$root" && find . | sort)
mkdir -p "$scratch/home"
HOME="$scratch/home" XDG_DATA_HOME= LOCPATH="$scratch/no-locales" WINEPREFIX= \
  "$root/usr/bin/pieceviewer-gui" >"$scratch/launcher.log" 2>&1 &
launcher=$!
seen=
for _ in $(seq 240); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Varnholt-Map Piece Viewer"'; then
    seen=1
    break
  fi
  kill -0 "$launcher" 2>/dev/null || break
  sleep 1
done
cat "$scratch/launcher.log"
[[ -n "$seen" ]] || fail "the launcher's viewer window \"Varnholt-Map Piece Viewer\" did not appear"
echo "launcher: the main window appeared"
sleep 2
mkdir -p "$artifacts"
shot="$artifacts/launcher_window.png"
import -window root -crop 660x480+0+0 +repage "$shot" || fail "no screenshot"
# The suite's display has no window manager: the launcher has Wine draw the
# title bar, where the root window's black would show otherwise.
title_bar=$(convert "$shot" -format '%[pixel:p{300,8}]' info:)
[[ "$title_bar" != black && "$title_bar" != "srgb(0,0,0)" ]] ||
  fail "the launcher's window has no title bar (see $shot)"
[[ -f "$data/wineprefix/system.reg" ]] || fail "no user prefix in $data/wineprefix"
[[ -f "$data/locale/ja_JP.UTF-8/LC_CTYPE" ]] || fail "no Japanese locale compiled in $data/locale"
# cmd's messages come out in the console's code page: Japanese text in
# Shift-JIS bytes means Wine runs the user's prefix in code page 932.
cp=$(LOCPATH="$data/locale" LC_ALL=ja_JP.UTF-8 WINEPREFIX="$data/wineprefix" WINEDEBUG=-all \
  wine cmd /c chcp 2>/dev/null | iconv -f SHIFT_JIS -t UTF-8 2>/dev/null || true)
grep -q 'コード ページ' <<<"$cp" || fail "the user's prefix does not run in code page 932: $cp"
after=$(cd "$root" && find . | sort)
[[ "$before" == "$after" ]] || fail "the launcher wrote into the install tree"
echo "launcher: user prefix in \$XDG_DATA_HOME/pieceviewer/wineprefix, code page 932"
