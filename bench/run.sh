#!/bin/sh
# Measures, in one run: the six engines natively (frames per second), sox's
# nearest effects on the same kind of input, and the render host end to end
# through the Phaser in a real DirectShow graph under Wine.
# Needs the Windows build (./make.sh run) for the last part; sox and bc.
set -eu
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench --target engine_bench >/dev/null
echo "## Engines (native, optimised)"
build/bench/bench/engine_bench
echo
echo "## sox"
bench/sox_compare.sh
echo

render=build/windows/bin/orkv-render.exe
if [ ! -f "$render" ]; then
  echo "(no Windows build: skipping the render host)"
  exit 0
fi
echo "## Render host under Wine (60 s of 44.1 kHz stereo through the Phaser)"
export WINEPREFIX="$PWD/build/windows/wineprefix"
cmake/wine-session.sh start
trap 'cmake/wine-session.sh stop' EXIT
work=$(mktemp -d)
run="build/windows/wine-run $render"
$run --make-test-signal "$work/in16.wav" --seconds 60 -q
$run --make-test-signal "$work/inf.wav" --seconds 60 --float -q
for input in in16 inf; do
  $run --plugin Phaser --in "$work/$input.wav" --out "$work/out.wav" 2>&1 | grep rendered
done
rm -rf "$work"
