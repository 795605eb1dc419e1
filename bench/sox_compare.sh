#!/bin/sh
# Times Debian's sox on the input engine_bench uses (10 s of 44.1 kHz stereo,
# 440 Hz left / 660 Hz right, half scale, 16-bit and float) for the effects
# sox shares with this suite, and prints frames per second. sox has no
# resonant swept low-pass, so the Filter has no counterpart here.
set -eu

RATE=44100
SECONDS_LONG=10
FRAMES=$((RATE * SECONDS_LONG))
RUNS=${RUNS:-5}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

sox -n -r $RATE -b 16 -e signed-integer -c 2 "$WORK/in16.wav" \
  synth $SECONDS_LONG sine 440 sine 660 vol 0.5
sox "$WORK/in16.wav" -b 32 -e floating-point "$WORK/inf.wav"

# Best wall time of RUNS runs, in seconds.
best_time() {
  best=""
  i=0
  while [ $i -lt "$RUNS" ]; do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    i=$((i + 1))
  done
  echo "$best"
}

row() {
  name=$1
  shift
  t16=$(best_time sox "$WORK/in16.wav" "$WORK/out16.wav" "$@")
  tf=$(best_time sox "$WORK/inf.wav" -b 32 -e floating-point "$WORK/outf.wav" "$@")
  printf '| %-8s | %-36s | %12.0f | %12.0f |\n' "$name" "$*" \
    "$(echo "$FRAMES / $t16" | bc -l)" "$(echo "$FRAMES / $tf" | bc -l)"
}

echo "sox $(sox --version 2>&1 | sed 's/.*SoX v//'), stereo $RATE Hz, best of $RUNS runs of $FRAMES frames"
echo "(wall time of the whole sox process, file I/O included)."
echo
echo "| Effect   | sox arguments                        | 16-bit fr/s  | float fr/s   |"
echo "|----------|--------------------------------------|-------------:|-------------:|"
row Phaser phaser 0.8 0.74 3 0.4 0.3 -s
row Chorus chorus 0.7 0.9 26 0.4 0.26 2.2 -s
row Flanger flanger 3 0.9 45 71 0.4 sine 25 lin
row C-Delay echo 0.8 0.9 350 0.45
row Tremolo tremolo 3 45
echo "| Filter   | (no sox counterpart)                 |            - |            - |"
