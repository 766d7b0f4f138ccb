#!/usr/bin/env bash
# The Windows program started with arguments, under Wine on a virtual X
# display: two logs and a wildcard converted into the named output with the
# main text window shown, no dialog, and one box with the summary at the
# end; the output must equal, byte for byte, the POSIX program's for the
# same logs in the same order. Screenshots are kept in the work folder.
#
# Usage: tests/wine/command_line_test.sh BUILD_DIR POSIX_TESSARINE SAMPLES_DIR
#   BUILD_DIR        the cross build (tessarine.exe; Wine prefix "wineprefix"
#                    and locale folder "locale" as .ci/windows.sh makes them)
#   POSIX_TESSARINE  a native build's tessarine, for the expected output
#   SAMPLES_DIR      the folder of the sample logs
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 BUILD_DIR POSIX_TESSARINE SAMPLES_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
posix_program=$(realpath "$2")
samples=$(cd "$3" && pwd)
exe="$build/tessarine.exe"
work="$build/command-line-test"
wine_loader=${TESSARINE_WINE:-/usr/lib/wine/wine64}
wineserver=${TESSARINE_WINESERVER:-/usr/lib/wine/wineserver}

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}
export LOCPATH=${LOCPATH:-$build/locale}

xvfb_pid=""
program_pid=""

say() { echo "command_line_test: $*"; }
shot() {
  import -display "$DISPLAY" -window root "$work/$1.png" 2>/dev/null ||
    say "screenshot $1 could not be taken"
}
cleanup() {
  if [[ -n "$program_pid" ]] && kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid" 2>/dev/null || true
  fi
  "$wineserver" -k 2>/dev/null || true
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
fail() {
  say "FAILED: $*"
  shot failure
  say "screenshots and logs are in $work"
  exit 1
}
program_running() { [[ ! -s "$work/exit-code" ]]; }
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

# --- the logs and the expected output ------------------------------------
rm -rf "$work"
mkdir -p "$work"
cp "$samples/NIFTY.LOG" "$samples/19970820.LOG" "$samples/19970821.TXT" "$work/"
# A second match of the wildcard, sorting after the first.
cp "$samples/19970820.LOG" "$work/19970822.TXT"
(
  cd "$work"
  "$posix_program" -q -o expected.ren 19970820.LOG NIFTY.LOG 1997082?.TXT
) || fail "the POSIX program failed"

# --- the virtual display ----------------------------------------------------
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.2
done
[[ -s "$work/display" ]] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

# --- the program with arguments: a full path, a name and a wildcard --------
windows_work="Z:${work//\//\\}"
(
  cd "$work"
  set +e
  timeout 300 env LC_ALL=ja_JP.UTF-8 "$wine_loader" "$exe" \
    -o ALL "$windows_work\\19970820.LOG" NIFTY.LOG '1997082?.TXT' \
    >"$work/program.log" 2>&1
  echo $? >"$work/exit-code.tmp"
  mv "$work/exit-code.tmp" "$work/exit-code"
) &
program_pid=$!

# The main window and then the box, both named "tessarine".
main_window=""
box=""
deadline=$((SECONDS + 180))
while ((SECONDS < deadline)) && program_running; do
  for id in $(windows_named '^tessarine$'); do
    if [[ -z "$main_window" ]]; then
      main_window=$id
    elif [[ "$id" != "$main_window" ]]; then
      box=$id
    fi
  done
  [[ -n "$box" ]] && break
  for other in $(windows_named .); do
    case "$other" in "$main_window") ;; *)
      name=$(xdotool getwindowname "$other" 2>/dev/null || true)
      [[ "$name" == tessarine ]] || fail "an unexpected window: [$name]"
      ;;
    esac
  done
  sleep 0.5
done
[[ -n "$main_window" ]] || fail "the main text window did not appear"
[[ -n "$box" ]] || fail "no box at the end (exit $(cat "$work/exit-code" 2>/dev/null))"
xdotool windowmove "$box" 300 460 2>/dev/null || true
sleep 1
shot summary-box
# The window holds the last run's lines: light pixels at its top.
lit=$(convert "$work/summary-box.png" -crop 640x120+0+0 +repage \
  -colorspace Gray -format '%[fx:maxima]' info: 2>/dev/null || echo 0)
awk -v v="$lit" 'BEGIN { exit !(v > 0.5) }' ||
  fail "the main text window shows no text (brightest value $lit)"

for attempt in 1 2 3; do
  xdotool windowfocus "$box" 2>/dev/null || true
  xdotool key --window "$box" Return 2>/dev/null || true
  for _ in $(seq 1 20); do
    program_running || break
    sleep 0.5
  done
  program_running || break
  say "the program is still running (attempt $attempt)"
done
program_running && fail "the program did not end after the box"
wait "$program_pid" || true
program_pid=""
code=$(cat "$work/exit-code")
[[ "$code" == 0 ]] || fail "exit code $code ($(cat "$work/program.log"))"
[[ -f "$work/ALL.ren" ]] || fail "ALL.ren was not written"
cmp "$work/ALL.ren" "$work/expected.ren" || fail "ALL.ren differs from the POSIX output"
say "passed: $(stat -c %s "$work/ALL.ren") bytes identical to the POSIX output"
