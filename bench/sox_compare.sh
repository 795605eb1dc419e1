#!/bin/sh
# Times (CPU) Debian's sox on the input engine_bench uses (10 s of 44.1 kHz stereo,
# 440 Hz left / 660 Hz right, half scale, 16-bit and float) for the effects
# sox shares with this suite, and prints frames per second. sox has no
# resonant swept low-pass, so the Filter has no counterpart here. With
# SOX_SUMMARY=<file>, also writes "<engine> <16-bit fr/s> <float fr/s> <16-bit
# fr/s without start-up> <float ...>" lines there for engine_bench --sox.
set -eu
SUMMARY=${SOX_SUMMARY:-/dev/null}
: >"$SUMMARY"

RATE=44100
SECONDS_LONG=10
FRAMES=$((RATE * SECONDS_LONG))
RUNS=${RUNS:-5}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The 10 s input, and 70 s of the same signal: the difference of the two
# times is sox's cost for 60 s of audio without its start-up (about 60 ms of
# CPU here, as much as the effect on 10 s).
EXTRA_SECONDS=60
EXTRA_FRAMES=$((RATE * EXTRA_SECONDS))
for len in short long; do
  seconds=$SECONDS_LONG
  [ $len = long ] && seconds=$((SECONDS_LONG + EXTRA_SECONDS))
  sox -n -r $RATE -b 16 -e signed-integer -c 2 "$WORK/${len}16.wav" \
    synth $seconds sine 440 sine 660 vol 0.5
  sox "$WORK/${len}16.wav" -b 32 -e floating-point "$WORK/${len}f.wav"
done

# Best CPU time (user + system) of RUNS runs of the whole process, in seconds:
# on a shared machine other processes do not add to it.
cpu_time() {
  python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(r.ru_utime + r.ru_stime)' "$@"
}

best_time() {
  best=""
  i=0
  while [ $i -lt "$RUNS" ]; do
    t=$(cpu_time "$@")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    i=$((i + 1))
  done
  echo "$best"
}

row() {
  name=$1
  shift
  s16=$(best_time sox "$WORK/short16.wav" "$WORK/out16.wav" "$@")
  sf=$(best_time sox "$WORK/shortf.wav" -b 32 -e floating-point "$WORK/outf.wav" "$@")
  l16=$(best_time sox "$WORK/long16.wav" "$WORK/out16.wav" "$@")
  lf=$(best_time sox "$WORK/longf.wav" -b 32 -e floating-point "$WORK/outf.wav" "$@")
  r16=$(echo "$FRAMES / $s16" | bc -l)
  rf=$(echo "$FRAMES / $sf" | bc -l)
  m16=$(echo "$EXTRA_FRAMES / ($l16 - $s16)" | bc -l)
  mf=$(echo "$EXTRA_FRAMES / ($lf - $sf)" | bc -l)
  printf '| %-8s | %-36s | %10.0f | %10.0f | %10.0f | %10.0f |\n' "$name" "$*" "$r16" "$rf" \
    "$m16" "$mf"
  printf '%s %.0f %.0f %.0f %.0f\n' "$name" "$r16" "$rf" "$m16" "$mf" >>"$SUMMARY"
}

echo "sox $(sox --version 2>&1 | sed 's/.*SoX v//'), stereo $RATE Hz, best of $RUNS runs, CPU time of"
echo "the whole process with file I/O: on $FRAMES frames, and for $EXTRA_FRAMES more frames"
echo "(the difference of two runs: sox's throughput without its start-up)."
echo
echo "| Effect   | sox arguments                        | 16-bit     | float      | 16-bit, no start-up | float, no start-up |"
echo "|----------|--------------------------------------|-----------:|-----------:|-----------:|-----------:|"
row Phaser phaser 0.8 0.74 3 0.4 0.3 -s
row Chorus chorus 0.7 0.9 26 0.4 0.26 2.2 -s
row Flanger flanger 3 0.9 45 71 0.4 sine 25 lin
row C-Delay echo 0.8 0.9 350 0.45
row Tremolo tremolo 3 45
echo "| Filter   | (no sox counterpart)                 |          - |          - |          - |          - |"
