#!/usr/bin/env bash
# Browser tests of piecetool site: the sites of the samples and of a hostile
# catalogue opened from disk (file://) in Debian's Chromium, with its default
# file access, driven by playwright-core from the npm registry. Skipped, with
# exit code 77, when Chromium is not installed.
#   site_browser.sh PIECETOOL MAKE_HOSTILE SAMPLES WORK NPM_FOLDER ARTIFACTS
set -euo pipefail
piecetool=$1 make_hostile=$2 samples=$3 work=$4 npm_folder=$5 artifacts=$6
here=$(cd "$(dirname "$0")" && pwd)
chromium=${PV_CHROMIUM:-/usr/bin/chromium} # Debian's, unless the environment names another
if [[ ! -x "$chromium" ]]; then
  echo "SKIPPED: $chromium is missing (scripts/install-deps.sh installs Debian's chromium)"
  exit 77
fi
# playwright-core, pinned, into a folder of its own: the glTF validator's test
# may install into build/npm-tools at the same time.
version=1.65.2
modules="$npm_folder/playwright/node_modules"
if [[ ! -f "$modules/playwright-core/package.json" ]] ||
   ! grep -q "\"version\": \"$version\"" "$modules/playwright-core/package.json"; then
  mkdir -p "$npm_folder/playwright"
  npm install --silent --no-audit --no-fund --prefix "$npm_folder/playwright" "playwright-core@$version"
fi
rm -rf "$work"
mkdir -p "$work" "$artifacts"
"$make_hostile" "$work/hostile"
# The site's models are what export --unlit writes, byte for byte.
"$piecetool" export "$samples/profiles" "$samples/models" "$samples/textures" "$work/export" \
  --unlit >/dev/null
"$piecetool" site "$samples/profiles" "$samples/models" "$samples/textures" "$work/samples" \
  >/dev/null
for glb in "$work/export"/*.glb; do
  cmp "$glb" "$work/samples/pieces/$(basename "$glb")"
done
echo "the site's models are the unlit exports"
node "$here/site_browser_test.js" "$modules" "$piecetool" "$chromium" "$samples" "$work" \
  "$artifacts"
