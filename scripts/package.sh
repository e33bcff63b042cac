#!/usr/bin/env bash
# Builds both release packages from a clean or existing checkout:
#   build/windows/packages/pieceviewer-VERSION-win64.zip   (CPack, windows preset)
#   build/native/packages/pieceviewer_VERSION_amd64.deb     (CPack, native preset;
#                                                           holds the windows build's viewer)
#   build/windows/packages/map_pieces-VERSION-win64.zip     (the Blender add-on with piecetool.exe)
#   build/native/packages/map_pieces-VERSION.zip            (the Blender add-on with piecetool)
# Both release packages carry the add-on too.
# Installs what is missing first, like the other scripts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh"

cmake --preset windows >/dev/null
cmake --build --preset windows --target package
cmake --preset native >/dev/null
cmake --build --preset native --target package

echo
ls -l build/windows/packages/*.zip build/native/packages/*.deb build/native/packages/*.zip
