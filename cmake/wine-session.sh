#!/bin/sh
# Sets up and tears down the Wine environment of a test run:
#   wine-session.sh prefix  creates the prefix without any interactive dialog
#   wine-session.sh start   prefix + Xvfb + a persistent wineserver (fast starts)
#   wine-session.sh stop    stops both, leaving nothing running
# WINEPREFIX must be set by the caller. With ORKV_PROBE_32_BIT naming a 32-bit
# program that prints "32-bit ok", start also checks that this machine runs
# 32-bit Windows programs; when it cannot, it says so and leaves a note in the
# prefix, by which wine-run makes every test of that build skip.
set -eu
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display_file="$WINEPREFIX/.orkv-display"
xvfb_pid_file="$WINEPREFIX/.orkv-xvfb.pid"

make_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$WINEPREFIX"
  WINEARCH=win64 wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  [ -f "$WINEPREFIX/system.reg" ]
}

start_xvfb() {
  command -v Xvfb >/dev/null 2>&1 || return 0
  n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  echo $! >"$xvfb_pid_file"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  echo ":$n" >"$display_file"
}

probe_32_bit() {
  note="$WINEPREFIX/.orkv-no-32-bit"
  rm -f "$note"
  [ -n "${ORKV_PROBE_32_BIT:-}" ] || return 0
  if output=$(wine "$ORKV_PROBE_32_BIT" </dev/null 2>&1) && echo "$output" | grep -q "^32-bit ok"; then
    return 0
  fi
  echo "this machine cannot run 32-bit Windows programs under Wine, so no 32-bit test runs" \
    "(install Debian's wine32:i386 after 'dpkg --add-architecture i386'; the kernel must run" \
    "32-bit programs). Wine said: $(echo "$output" | head -n 3 | tr '\n' ' ')" >"$note"
  {
    echo "**********************************************************************"
    echo "WARNING: $(cat "$note")"
    echo "**********************************************************************"
  } >&2
}

stop_xvfb() {
  if [ -f "$xvfb_pid_file" ]; then
    kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
    rm -f "$xvfb_pid_file"
  fi
  rm -f "$display_file"
}

case "${1:-}" in
  prefix) make_prefix ;;
  start)
    make_prefix
    # A server left over from an interrupted run would refuse the new one.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    stop_xvfb
    start_xvfb
    # Detached from our output: ctest waits for every holder of a test's pipe.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # The first program starts Wine's background processes (services, explorer),
    # which would otherwise inherit the first test's pipe and hold ctest up.
    if [ -f "$display_file" ]; then DISPLAY=$(cat "$display_file"); export DISPLAY; fi
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    probe_32_bit
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    stop_xvfb
    ;;
  *) echo "usage: $0 prefix|start|stop" >&2; exit 2 ;;
esac
