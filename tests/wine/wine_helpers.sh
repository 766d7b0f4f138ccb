# shellcheck shell=bash
# shellcheck disable=SC2154  # work, here and wine_locale: see below
# Sourced by the Wine tests: the virtual X display, screenshots, the window
# probe, running a Windows program and ending Wine. The sourcing script sets
# before it uses them:
#   work         its work folder (screenshots and logs go there)
#   here         the folder of this file and window_probe.cc
#   wine_locale  the locale Wine runs in (ja_JP.UTF-8, C.UTF-8)
#   say          a function that prints a line of the test
# and sets WINEPREFIX. Every wait here is bounded.

wine_loader=${TESSARINE_WINE:-/usr/lib/wine/wine64}
wineserver=${TESSARINE_WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}

xvfb_pid=""

# Starts a virtual X display of 1024 x 768 and exports DISPLAY; fails the
# test when it does not come up within 20 seconds.
start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.2
  done
  [[ -s "$work/display" ]] || fail "Xvfb did not start"
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
}

# The whole screen as $work/NAME.png; fails (status 1) when it cannot be
# taken.
take_shot() {
  import -display "$DISPLAY" -window root "$work/$1.png" 2>/dev/null
}

# Ends the Wine processes of this test's prefix and the display.
stop_wine() {
  "$wineserver" -k 2>/dev/null || true
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}

fail() {
  say "FAILED: $*"
  take_shot failure || true
  say "screenshots and logs are in $work"
  exit 1
}

# A Windows program under Wine in the test's locale.
wine_run() { env LC_ALL="$wine_locale" "$wine_loader" "$@"; }

# Builds $work/window_probe.exe, the small program that reads windows and
# the clipboard from outside and holds files open.
build_probe() {
  x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -municode -static \
    -o "$work/window_probe.exe" "$here/window_probe.cc" ||
    fail "the window probe does not build"
}

# Runs the probe with the arguments; its output without the console's CRs.
# The status is the probe's.
probe() {
  local status=0
  wine_run "$work/window_probe.exe" "$@" 2>>"$work/probe.log" \
    >"$work/probe.out" || status=$?
  tr -d '\r' <"$work/probe.out"
  return $status
}
