#!/usr/bin/env bash
# Frames per second of the example demo's 2D part (4 s to 19 s) and its 3D
# parts, fast shadows (24 s to 32 s) and accurate shadows (32 s to 42 s), at
# 640x480 and 1280x720, drawn as fast as the machine can (batch, 60 frames
# per second of music, no capture), for one player or two side by side: in
# each round every run of the second follows the same run of the first, and
# the ratio second/first of the fastest runs is printed. Start-up and loading
# are timed by a run that ends at its first frame and taken off.
#
# Usage: bench/app/frame-rate.sh BUILD_DIR[:RENDERER] [OTHER_BUILD_DIR[:RENDERER]] [ROUNDS]
#   RENDERER  gl1 or gles2 (default: the player's default)
#   ROUNDS    how often each run is repeated; the fastest counts (default 2)
# e.g. bench/app/frame-rate.sh build:gl1 build:gles2
set -euo pipefail
cd "$(dirname "$0")/../.."
first="${1:?usage: bench/app/frame-rate.sh BUILD_DIR [OTHER_BUILD_DIR] [ROUNDS]}"
second="${2:-}"
rounds="${3:-2}"
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy

once() {  # BUILD[:RENDERER] MODE START UNTIL: the wall time of one run
  local build="${1%%:*}" renderer=() s e
  [ "$build" != "$1" ] && renderer=(--renderer "${1#*:}")
  s=$(date +%s.%N)
  "$build/demoplayer" -C examples/demo --batch --mode "$2" --fixed-fps 60 --start "$3" \
    --until "$4" "${renderer[@]}" -q >/dev/null 2>&1
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { print e - s }'
}
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

printf "%-9s %-7s %12s %12s %6s\n" mode part "$(basename "$first")" \
  "$( [ -n "$second" ] && basename "$second")" ratio
for mode in 640x480 1280x720; do
  for part in "2D 4 19" "3D-fast 24 32" "3D-acc 32 42"; do
    set -- $part
    loadEnd=$(awk -v s="$2" 'BEGIN { print s + 0.001 }')
    # Round by round, each player's whole run and load run in turn, so both
    # meet the same load from the rest of the machine; the fastest counts.
    wa="" la="" wb="" lb=""
    for _ in $(seq "$rounds"); do
      wa=$(least "$wa" "$(once "$first" "$mode" "$2" "$3")")
      la=$(least "$la" "$(once "$first" "$mode" "$2" "$loadEnd")")
      if [ -n "$second" ]; then
        wb=$(least "$wb" "$(once "$second" "$mode" "$2" "$3")")
        lb=$(least "$lb" "$(once "$second" "$mode" "$2" "$loadEnd")")
      fi
    done
    a=$(awk -v w="$wa" -v l="$la" -v s="$2" -v u="$3" 'BEGIN { print (u - s) * 60 / (w - l) }')
    if [ -n "$second" ]; then
      b=$(awk -v w="$wb" -v l="$lb" -v s="$2" -v u="$3" 'BEGIN { print (u - s) * 60 / (w - l) }')
      awk -v m="$mode" -v p="$1" -v a="$a" -v b="$b" \
        'BEGIN { printf "%-9s %-7s %12.1f %12.1f %6.2f\n", m, p, a, b, b / a }'
    else
      printf "%-9s %-7s %12.1f\n" "$mode" "$1" "$a"
    fi
  done
done
