#!/bin/sh
# Builds the Orvelt KV effects and runs them on a Debian machine.
#   ./make.sh run    install what is missing, build, render the demo through all six plug-ins
#   ./make.sh test   install what is missing, build, run every test (native and Windows)
set -eu
cd "$(dirname "$0")"

# fonts-liberation: a metric-compatible Arial for the editor's display under Wine.
packages="cmake make g++ git clang-format googletest mingw-w64 wine wine64 xvfb xauth fonts-liberation"

install_missing() {
  missing=""
  for p in $packages; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
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

run_tests() {
  cmake --workflow --preset native
  cmake --workflow --preset windows
}

case "${1:-}" in
  run) install_missing; run_demo ;;
  test) install_missing; run_tests ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
