#!/bin/sh
# Photographs each plug-in's page in the property frame after its intro, with
# the pointer resting on its first knob (the display shows the effect, the
# knob's label and its value), from the real windows under Wine and Xvfb, into
# docs/pages/<Library>.png.
# Needs the Windows build (cmake --build --preset windows --target orkv-editor
# and the six libraries).
set -eu
cd "$(dirname "$0")/../.."
bin=build/windows/bin
export WINEPREFIX="$PWD/build/windows/wineprefix"
session=cmake/wine-session.sh
"$session" start
trap '"$session" stop' EXIT
mkdir -p docs/pages
scratch=$(mktemp -d)
for plugin in ORKVPhaser ORKVChorus ORKVFlanger ORKVFilter ORKVCDelay ORKVTremolo; do
  build/windows/wine-run "$bin/orkv-editor.exe" "$plugin" "Z:$scratch/$plugin.bin" \
    --screenshot "Z:$scratch/$plugin.bmp" >/dev/null
  python3 tools/editor/bmp_to_png.py "$scratch/$plugin.bmp" "docs/pages/$plugin.png"
done
rm -rf "$scratch"
ls docs/pages
