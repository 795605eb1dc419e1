#!/bin/sh
# Measures, in one run: Debian's sox on the effects it shares with this suite,
# the six engines natively (frames per second and their ratio to sox, silence
# against audio, 1/8/32 instances), and the render host end to end through the
# Phaser in a real DirectShow graph under Wine, against the engine alone on the
# same files. Needs the Windows build (./make.sh run, and its engine_bench target)
# for the last part; sox, bc.
set -eu
cd "$(dirname "$0")/.."

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores;" \
  "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

cmake --preset bench >/dev/null
cmake --build --preset bench --target engine_bench >/dev/null
work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

echo "## sox"
SOX_SUMMARY="$work/sox.txt" bench/sox_compare.sh
echo
echo "## Engines (native, optimised) against sox"
build/bench/bench/engine_bench --sox "$work/sox.txt"
echo

render=build/windows/bin/orkv-render.exe
if [ ! -f "$render" ]; then
  echo "(no Windows build: skipping the render host)"
  exit 0
fi
echo "## Render host under Wine against the engine alone"
echo "(60 s of 44.1 kHz stereo through the Phaser's default preset, best of five in wall"
echo "time: the render host end to end from graph start to the last buffer written; the"
echo "engine alone on the same file read into memory, in the same Windows build under Wine"
echo "and, for comparison, natively.)"
echo
cmake --build --preset windows --target engine_bench >/dev/null
export WINEPREFIX="$PWD/build/windows/wineprefix"
cmake/wine-session.sh start
cleanup() {
  cmake/wine-session.sh stop
  rm -rf "$work"
}
run="build/windows/wine-run $render"
$run --make-test-signal "$work/in16.wav" --seconds 60 -q
$run --make-test-signal "$work/inf.wav" --seconds 60 --float -q
echo "| Input  | render host fr/s | engine alone fr/s | ratio | engine natively fr/s | ratio |"
echo "|--------|-----------------:|------------------:|------:|---------------------:|------:|"
for input in in16 inf; do
  # Best of five, as the engine alone is.
  host=0
  for attempt in 1 2 3 4 5; do
    speed=$($run --plugin Phaser --in "$work/$input.wav" --out "$work/out.wav" 2>&1 |
      sed -n 's/.*: \([0-9]*\) frames\/s.*/\1/p')
    if [ "$speed" -gt "$host" ]; then host=$speed; fi
  done
  engine=$(build/windows/wine-run build/windows/bench/engine_bench.exe --file "$work/$input.wav" |
    tr -d '\r')
  native=$(build/bench/bench/engine_bench --file "$work/$input.wav")
  printf '| %-6s | %16s | %17s | %5.2f | %20s | %5.2f |\n' \
    "$([ $input = in16 ] && echo 16-bit || echo float)" "$host" "$engine" \
    "$(echo "$host / $engine" | bc -l)" "$native" "$(echo "$host / $native" | bc -l)"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
