#!/usr/bin/env bash
# Exports the samples and the generated catalogue in every form (.glb and
# .gltf, with and without --unlit) and runs the Khronos glTF validator on
# every file written: no error, warning, info or hint is accepted.
#   validate_exports.sh PIECETOOL MAKE_CATALOGUE SAMPLES WORK NPM_FOLDER
set -euo pipefail
piecetool=$1 make_catalogue=$2 samples=$3 work=$4 npm_folder=$5
here=$(cd "$(dirname "$0")" && pwd)
# The validator comes from the npm registry, into a folder of the build.
version=2.0.0-dev.3.10
if [[ ! -f "$npm_folder/node_modules/gltf-validator/package.json" ]] ||
   ! grep -q "\"version\": \"$version\"" "$npm_folder/node_modules/gltf-validator/package.json"; then
  mkdir -p "$npm_folder"
  npm install --silent --no-audit --no-fund --prefix "$npm_folder" "gltf-validator@$version"
fi
rm -rf "$work"
mkdir -p "$work"
"$make_catalogue" "$work/generated"
files=()
for source in "$samples" "$work/generated"; do
  for form in "" --gltf; do
    for light in "" --unlit; do
      out="$work/out/$(basename "$source")$form$light"
      # The generated catalogue holds broken models on purpose: exit code 1.
      "$piecetool" export "$source/profiles" "$source/models" "$source/textures" "$out" \
        $form $light >/dev/null || [[ $? -eq 1 ]]
      files+=("$out"/*.glb "$out"/*.gltf)
    done
  done
done
existing=()
for f in "${files[@]}"; do [[ -f "$f" ]] && existing+=("$f"); done
echo "${#existing[@]} files to validate"
node "$here/validate_gltf.js" "$npm_folder/node_modules" "${existing[@]}"
