#!/usr/bin/env bash
# Times `pieceviewer /b` on a 2048 x 2048 24-bit texture (all 11 levels)
# against `cp` of a file of the same size, in the same run, and prints the
# medians and their ratio. Run from anywhere after building the native preset.
#   RUNS   repetitions per command (default 31)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/native/bin/pieceviewer"
runs=${RUNS:-31}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The input: a TXR of our own making with pseudo-random pixels.
python3 - "$work/big.txr" <<'PY'
import os, struct, sys
w = h = 2048
levels = 11
size = 16
blocks = []
for i in range(levels):
    lw, lh = w >> i, h >> i
    stride = (3 * lw + 3) // 4 * 4
    blocks.append(stride * lh)
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<4i", w, h, 24, levels))
    for n in blocks:
        f.write(os.urandom(n))
PY
head -c "$(stat -c %s "$work/big.txr")" /dev/urandom > "$work/same-size.bin"

median_ms() { sort -n | awk '{ a[NR] = $1 } END { printf "%.2f", a[int((NR + 1) / 2)] }'; }

time_runs() {
  local i start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "scale=3; ($end - $start) / 1000000" | bc
  done
}

# Alternate the two commands so that both see the same machine state.
: >"$work/pv.times"
: >"$work/cp.times"
for ((r = 0; r < runs; r++)); do
  RUNS=1 runs=1 time_runs "$program" /b "$work/big.txr" "$work/out.bmp" >>"$work/pv.times"
  RUNS=1 runs=1 time_runs cp "$work/same-size.bin" "$work/copy.bin" >>"$work/cp.times"
done
pv=$(median_ms <"$work/pv.times")
cp=$(median_ms <"$work/cp.times")
echo "input: $(stat -c %s "$work/big.txr") bytes; output: $(stat -c %s "$work/out.bmp") bytes; $runs runs each; $(nproc) cores"
echo "pieceviewer /b median: $pv ms"
echo "cp (same size) median: $cp ms"
echo "ratio pieceviewer/cp: $(echo "scale=2; $pv / $cp" | bc)"
