#!/usr/bin/env bash
# Compares what the two renderers draw: the example demo captured at 640x480
# by one build with --renderer gl1 and with --renderer gles2, every 10th
# frame of a 30 frames-per-second run (3 frames per second of music). Prints,
# for each part of the example (2D, 3D with fast shadows, 3D with accurate
# shadows, the 2D outro), the PSNR over all its frames (from their mean
# squared error), its worst frame and that frame's PSNR, and writes the worst
# pair with its difference into OUT_DIR/worst-PART.png.
#
# Usage: tools/compare-renderers.sh [BUILD_DIR] [OUT_DIR]
#   BUILD_DIR  the build whose player is run (default: build)
#   OUT_DIR    where frames go (default: a temporary folder, removed after)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-}"
if [ -z "$out" ]; then
  out="$(mktemp -d)"
  trap 'rm -rf "$out"' EXIT
fi
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy

for renderer in gl1 gles2; do
  rm -rf "$out/$renderer"
  "$build/demoplayer" -C examples/demo --batch --mode 640x480 --fixed-fps 3 \
    --capture "$out/$renderer" --renderer "$renderer" -q >/dev/null 2>&1
done

# The parts by music time (seconds): frame k shows time k / 3.
part_of() {
  awk -v t="$(awk -v k="$1" 'BEGIN { print k / 3 }')" 'BEGIN {
    if (t < 20) print "2D"; else if (t < 32) print "3D-fast";
    else if (t < 42) print "3D-accurate"; else print "2D-outro" }'
}

declare -A sum count worst worstFrame
for frame in "$out"/gl1/frame_*.png; do
  name="$(basename "$frame")"
  k=$((10#$(echo "$name" | tr -dc 0-9)))
  part="$(part_of "$k")"
  # Normalised mean squared error (0..1) of the pair.
  # (compare's status is 1 when the pictures differ at all.)
  mse=$( (compare -metric MSE "$frame" "$out/gles2/$name" null: 2>&1 || true) |
    sed 's/.*(\(.*\))/\1/')
  sum[$part]=$(awk -v a="${sum[$part]:-0}" -v b="$mse" 'BEGIN { print a + b }')
  count[$part]=$(( ${count[$part]:-0} + 1 ))
  if awk -v a="$mse" -v b="${worst[$part]:--1}" 'BEGIN { exit !(a > b) }'; then
    worst[$part]="$mse"
    worstFrame[$part]="$name"
  fi
done

psnr() { awk -v m="$1" 'BEGIN { if (m <= 0) print "inf"; else printf "%.1f", 10 * log(1 / m) / log(10) }'; }
printf "%-12s %7s %10s %s\n" part frames "PSNR (dB)" "worst frame (dB)"
for part in 2D 3D-fast 3D-accurate 2D-outro; do
  [ -n "${count[$part]:-}" ] || continue
  mean=$(awk -v s="${sum[$part]}" -v n="${count[$part]}" 'BEGIN { print s / n }')
  printf "%-12s %7d %10s %s %s\n" "$part" "${count[$part]}" "$(psnr "$mean")" \
    "${worstFrame[$part]}" "$(psnr "${worst[$part]}")"
  name="${worstFrame[$part]}"
  compare "$out/gl1/$name" "$out/gles2/$name" -compose src "$out/diff-$part.png" 2>/dev/null || true
  montage "$out/gl1/$name" "$out/gles2/$name" "$out/diff-$part.png" -tile 3x -geometry +2+2 \
    "$out/worst-$part.png"
done
