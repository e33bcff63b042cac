#!/usr/bin/env bash
# Includes run one way, downward through the folders of src/:
#   common, resources < quantize, png < texture < preview < catalogue
#     < render, gltf < site < tool < app
# A file includes its own folder and the folders below it, never a folder
# beside it (of the same rank) or above it. The one exception is the viewer's
# design of one state record: Win32 files (*_win.*) of catalogue/ and
# preview/ may include app/app_state.h and the catalogue's records.
# Prints every include that breaks the order and fails when there is one.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

git ls-files -z 'src/*.cpp' 'src/*.h' | xargs -0 grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' |
  awk '
    BEGIN {
      n = split("common resources|quantize png|texture|preview|catalogue|render gltf|site|tool|app", ranks, "|")
      for (r = 1; r <= n; ++r) {
        m = split(ranks[r], names, " ")
        for (k = 1; k <= m; ++k) rank[names[k]] = r
      }
      bad = 0
    }
    {
      split($0, parts, ":")
      file = parts[1]
      line = parts[2]
      split(file, path, "/")
      from = path[2]
      target = $0
      sub(/^[^"]*"/, "", target)
      sub(/".*$/, "", target)
      to = substr(target, 1, index(target, "/") - 1)
      if (from == to) next
      if (!(from in rank)) { print file ":" line ": folder " from " has no place in the order"; ++bad; next }
      if (!(to in rank)) { print file ":" line ": includes " target ", outside the order"; ++bad; next }
      if (rank[to] < rank[from]) next
      win = path[3] ~ /_win\.(cpp|h)$/ && (from == "catalogue" || from == "preview")
      if (win && (target == "app/app_state.h" || to == "catalogue")) next
      print file ":" line ": " from "/ includes " target ", which is not below it"
      ++bad
    }
    END { exit bad > 0 }
  '
