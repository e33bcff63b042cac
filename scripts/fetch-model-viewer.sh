#!/usr/bin/env bash
# Fetches <model-viewer>, the web component that shows a piece turning on the
# pages of `piecetool site`, from the npm registry: the pinned release, its
# tarball checked against the pinned integrity hash before anything is taken
# from it. Keeps its UMD bundle (a classic script: pages opened from disk can
# load no modules) and its licence. The build embeds both in piecetool.
#   fetch-model-viewer.sh [DEST]   (default: build/third_party/model-viewer-VERSION)
# Does nothing when DEST already holds both files.
# Another release changes three pins together: the version and integrity
# here, the bundle's SHA-256 in src/site/CMakeLists.txt, and the hash of its
# shadow-tree style sheet in the policy of src/site/assets/piece.html (the
# browser test reports the policy violation until that is updated).
set -euo pipefail
version=4.4.0
# npm view @google/model-viewer@4.4.0 dist.integrity
integrity='sha512-8z1SB5sPlzKoak5mdx/D31brBakPYm3Qi31EfAucHAUrtrHHCbabypkKvSwReYhUpPaxyJ46oT47uWE/hrs1Zw=='
repo=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$repo/build/third_party/model-viewer-$version}
files=(dist/model-viewer-umd.min.js LICENSE)
if [[ -f "$dest/model-viewer-umd.min.js" && -f "$dest/LICENSE" ]]; then
  exit 0
fi
for tool in npm node tar; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "fetch-model-viewer: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done
mkdir -p "$dest"
work=$(mktemp -d "$dest/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "@google/model-viewer@$version" >/dev/null)
tarball="$work/google-model-viewer-$version.tgz"
actual="sha512-$(node -e 'const c = require("crypto"), fs = require("fs");
process.stdout.write(c.createHash("sha512").update(fs.readFileSync(process.argv[1])).digest("base64"))' "$tarball")"
if [[ "$actual" != "$integrity" ]]; then
  echo "fetch-model-viewer: the tarball of @google/model-viewer@$version is not the pinned one" >&2
  echo "  expected $integrity" >&2
  echo "  got      $actual" >&2
  exit 1
fi
tar -xzf "$tarball" -C "$work" "${files[@]/#/package/}"
for file in "${files[@]}"; do
  mv "$work/package/$file" "$dest/$(basename "$file")"
done
echo "fetched @google/model-viewer@$version into $dest"
