#!/usr/bin/env bash
# Times `pieceviewer /b` on a 2048 x 2048 24-bit texture of one level
# against `cp` of a file of the bitmap's size (12 MiB) and against a minimal
# row-reversing writer (bench/minimal_bmp_writer.c: the input mapped with its
# pages populated, the rows written bottom-up with gathered writes into a
# temporary file, renamed), alternating the three in the same run, and prints
# the medians and the ratios. Run from anywhere after building the native preset.
#   RUNS         repetitions per command (default 31)
#   PIECEVIEWER  the program to time (default: the native build of this tree)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program="${PIECEVIEWER:-$root/build/native/bin/pieceviewer}"
minimal="$root/build/native/bench/minimal_bmp_writer"
[[ -x "$minimal" ]] || minimal=$(find "$root/build/native" -name minimal_bmp_writer -type f -perm -u+x | head -1)
runs=${RUNS:-31}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The input: a TXR of our own making with pseudo-random pixels.
python3 - "$work/big.txr" <<'PY'
import os, struct, sys
w = h = 2048
levels = 1
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
# cp copies as many bytes as the converter writes: level 0 and the headers.
head -c $((54 + 2048 * 2048 * 3)) /dev/urandom > "$work/same-size.bin"

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
: >"$work/min.times"
for ((r = 0; r < runs; r++)); do
  RUNS=1 runs=1 time_runs "$program" /b "$work/big.txr" "$work/out.bmp" >>"$work/pv.times"
  RUNS=1 runs=1 time_runs cp "$work/same-size.bin" "$work/copy.bin" >>"$work/cp.times"
  RUNS=1 runs=1 time_runs "$minimal" "$work/big.txr" "$work/minimal.bmp" >>"$work/min.times"
done
cmp -s "$work/out.bmp" "$work/minimal.bmp" || { echo "the two writers wrote different bytes"; exit 1; }
pv=$(median_ms <"$work/pv.times")
cp=$(median_ms <"$work/cp.times")
mw=$(median_ms <"$work/min.times")
echo "input: $(stat -c %s "$work/big.txr") bytes; output: $(stat -c %s "$work/out.bmp") bytes; $runs runs each; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "pieceviewer /b median:          $pv ms"
echo "minimal row-reversing writer:   $mw ms"
echo "cp (same size) median:          $cp ms"
echo "ratio pieceviewer/cp:      $(echo "scale=3; $pv / $cp" | bc)"
echo "ratio pieceviewer/minimal: $(echo "scale=3; $pv / $mw" | bc)"
