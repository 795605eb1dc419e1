#!/bin/sh
# Builds the Orvelt KV effects and runs them on a Debian machine.
#   ./make.sh run    install what is missing, build, render the demo through all six plug-ins
#   ./make.sh test     install what is missing, build, run every test (native, Windows
#                      64-bit and 32-bit, and the check of the release archive)
#   ./make.sh release  install what is missing, build both architectures, write
#                      dist/orkv-effects-<version>.zip and check it
set -eu
cd "$(dirname "$0")"

# fonts-liberation: a metric-compatible Arial for the editor's display under Wine.
# wine32:i386 runs the 32-bit build (Debian's i386 architecture is added for it);
# python3-pefile and zip make and check the release archive.
packages="cmake make g++ git clang-format googletest mingw-w64 wine wine64 wine32:i386 xvfb xauth
  fonts-liberation python3-pefile zip"

install_missing() {
  missing=""
  for p in $packages; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
}

# The six plug-in libraries and the render host.
build_deliverables() {
  cmake --preset windows
  cmake --build --preset windows --target ORKVPhaser ORKVChorus ORKVFlanger ORKVFilter \
    ORKVCDelay ORKVTremolo orkv-render
}

# Renders the built-in test signal through every plug-in in a real DirectShow
# graph under Wine; the results go to out/.
run_demo() {
  build_deliverables
  bin=build/windows/bin
  export WINEPREFIX="$PWD/build/windows/wineprefix"
  session=cmake/wine-session.sh
  "$session" start
  trap '"$session" stop' EXIT
  mkdir -p out
  run="build/windows/wine-run $bin/orkv-render.exe"
  $run --make-test-signal out/demo-input.wav
  for plugin in Phaser Chorus Flanger Filter CDelay Tremolo; do
    $run --plugin "$plugin" --in out/demo-input.wav --out "out/demo-$plugin.wav"
  done
  echo
  echo "Rendered the test signal (out/demo-input.wav) through the six plug-ins:"
  ls -1 out/demo-*.wav
}

# Debian's python3, which has python3-pefile (another python3 may come first in PATH).
python=/usr/bin/python3

# Packs the stripped libraries and programs of both Windows builds (the files
# the tests ran) into dist/ and checks the archive.
pack_and_check() {
  archive=$(tools/release/make_release.sh build/windows/bin build/windows-x86/bin dist)
  $python tools/release/check_release.py "$archive"
}

# A 32-bit build whose tests could not run says so once more at the end.
report_32_bit_skips() {
  note=build/windows-x86/wineprefix/.orkv-no-32-bit
  [ -f "$note" ] || return 0
  echo "WARNING: the 32-bit tests were SKIPPED: $(cat "$note")" >&2
}

run_tests() {
  cmake --workflow --preset native
  cmake --workflow --preset windows
  cmake --workflow --preset windows-x86
  pack_and_check
  report_32_bit_skips
}

release() {
  for preset in windows windows-x86; do
    cmake --preset "$preset"
    cmake --build --preset "$preset" --target ORKVPhaser ORKVChorus ORKVFlanger ORKVFilter \
      ORKVCDelay ORKVTremolo orkv-render orkv-editor
  done
  pack_and_check
}

case "${1:-}" in
  run) install_missing; run_demo ;;
  test) install_missing; run_tests ;;
  release) install_missing; release ;;
  *) echo "usage: $0 run|test|release" >&2; exit 2 ;;
esac
