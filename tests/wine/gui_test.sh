#!/usr/bin/env bash
# The Windows program end to end under Wine on a virtual X display: the main
# text window and the open dialog appear, a path too long for the dialog's
# file buffer is refused with a notice and the dialog comes back, a log's
# path is typed into the open dialog, the save dialog's default name is
# accepted, the conversion runs, the next open dialog is cancelled, and the
# program ends with exit code 0. The output file must equal, byte for byte,
# the expected file (the POSIX program's output for the same log).
# Screenshots are kept in the work folder.
#
# Usage: tests/wine/gui_test.sh BUILD_DIR LOG EXPECTED_OUTPUT
#   BUILD_DIR        the cross build (tessarine.exe; Wine prefix "wineprefix"
#                    and locale folder "locale" as .ci/windows.sh makes them)
#   LOG              the log to convert
#   EXPECTED_OUTPUT  what the conversion must write
# Every wait is bounded; the whole test ends within a few minutes.
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 BUILD_DIR LOG EXPECTED_OUTPUT" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
log=$(realpath "$2")
expected=$(realpath "$3")
exe="$build/tessarine.exe"
work="$build/gui-test"
wine_loader=${TESSARINE_WINE:-/usr/lib/wine/wine64}
wineserver=${TESSARINE_WINESERVER:-/usr/lib/wine/wineserver}

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}
export LOCPATH=${LOCPATH:-$build/locale}
# Wine takes its code page (932) from the locale; the script's own tools
# keep theirs.
wine_locale=ja_JP.UTF-8

rm -rf "$work"
mkdir -p "$work"
log_name=1997SAMP.LOG
cp "$log" "$work/$log_name"
# The log's path as the program sees it: Wine's drive Z: is the root.
windows_log_path="Z:${work//\//\\}\\$log_name"
# A copy of the log whose path is longer than the dialog's file buffer
# (127 bytes): the program refuses it with a notice and asks again.
long_folder="$work/$(printf 'long-folder-name-%.0s' 1 2 3 4 5 6 7)"
mkdir -p "$long_folder"
cp "$log" "$long_folder/$log_name"
windows_long_path="Z:${long_folder//\//\\}\\$log_name"

xvfb_pid=""
program_pid=""
failed=0

say() { echo "gui_test: $*"; }

shot() {
  import -display "$DISPLAY" -window root "$work/$1.png" 2>/dev/null ||
    say "screenshot $1 could not be taken"
}

cleanup() {
  if [[ -n "$program_pid" ]] && kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid" 2>/dev/null || true
  fi
  # Ends the Wine processes of this test's prefix only.
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

# A visible window whose name matches the pattern; empty when there is none.
find_window() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true
}

# Waits up to $2 seconds for a visible window named like $1; prints its id.
wait_window() {
  local pattern=$1 deadline=$((SECONDS + $2)) id
  while ((SECONDS < deadline)); do
    id=$(find_window "$pattern")
    if [[ -n "$id" ]]; then
      echo "$id"
      return 0
    fi
    program_running || return 1
    sleep 0.5
  done
  return 1
}

# Waits up to $2 seconds for the window $1 to go away.
wait_gone() {
  local id=$1 deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    if ! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$id"; then
      return 0
    fi
    sleep 0.5
  done
  return 1
}

program_running() { [[ ! -s "$work/exit-code" ]]; }

keys() {
  local window=$1
  shift
  xdotool windowfocus "$window" 2>/dev/null || true
  xdotool key --window "$window" --delay 50 "$@" 2>/dev/null || true
}

type_text() {
  xdotool windowfocus "$1" 2>/dev/null || true
  xdotool type --window "$1" --delay 40 "$2" 2>/dev/null || true
}

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
say "display $DISPLAY"

# --- start ------------------------------------------------------------------
(
  cd "$work"
  set +e
  timeout 300 env LC_ALL="$wine_locale" "$wine_loader" "$exe" \
    >"$work/program.log" 2>&1
  echo $? >"$work/exit-code.tmp"
  mv "$work/exit-code.tmp" "$work/exit-code"
) &
program_pid=$!

main_window=$(wait_window '^tessarine$' 120) ||
  fail "the main text window did not appear"
say "main text window $main_window"
open_dialog=$(wait_window 'nifty' 60) || fail "the open dialog did not appear"
say "open dialog $open_dialog"

# Keep the banner in sight for the screenshot.
xdotool windowmove "$open_dialog" 40 420 2>/dev/null || true
sleep 1
shot open-dialog
# The banner's rows are drawn white on black: the top of the window must
# hold light pixels.
lit=$(convert "$work/open-dialog.png" -crop 640x120+0+0 +repage \
  -colorspace Gray -format '%[fx:maxima]' info: 2>/dev/null || echo 0)
awk -v v="$lit" 'BEGIN { exit !(v > 0.5) }' ||
  fail "the main text window shows no text (brightest value $lit)"

# --- a path too long for the file buffer -------------------------------------
say "typing a path of ${#windows_long_path} bytes"
keys "$open_dialog" End shift+Home BackSpace
type_text "$open_dialog" "$windows_long_path"
sleep 0.5
keys "$open_dialog" Return
wait_gone "$open_dialog" 30 || fail "the open dialog did not take the long path"
notice=""
deadline=$((SECONDS + 30))
while ((SECONDS < deadline)) && [[ -z "$notice" ]]; do
  for id in $(xdotool search --onlyvisible --name '^tessarine$' 2>/dev/null); do
    [[ "$id" != "$main_window" ]] && notice=$id
  done
  sleep 0.5
done
[[ -n "$notice" ]] || fail "no notice about the long path"
shot long-path-notice
keys "$notice" Return
wait_gone "$notice" 15 || fail "the notice did not close"
open_dialog=$(wait_window 'nifty' 30) ||
  fail "the open dialog did not come back after the notice"
say "the open dialog is back: $open_dialog"

# --- choose the log ---------------------------------------------------------
save_dialog=""
for attempt in 1 2 3; do
  say "typing the log's path (attempt $attempt)"
  # Replace whatever the name box holds.
  keys "$open_dialog" End shift+Home BackSpace
  type_text "$open_dialog" "$windows_log_path"
  sleep 0.5
  keys "$open_dialog" Return
  if save_dialog=$(wait_window 'Kanbel' 30); then break; fi
  shot "open-dialog-attempt-$attempt"
  program_running || break
  # A box about the name (file not found) is closed before trying again.
  for box in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    case "$box" in "$main_window" | "$open_dialog") continue ;; esac
    keys "$box" Return
  done
  save_dialog=""
done
[[ -n "$save_dialog" ]] || fail "the save dialog did not appear"
say "save dialog $save_dialog"
xdotool windowmove "$save_dialog" 40 420 2>/dev/null || true
sleep 1
shot save-dialog

# --- accept the default output name -----------------------------------------
for attempt in 1 2 3; do
  keys "$save_dialog" Return
  wait_gone "$save_dialog" 15 && break
  say "the save dialog is still open (attempt $attempt)"
done
wait_gone "$save_dialog" 1 || fail "the save dialog did not close"

# --- the conversion runs; the next run asks for a log again -----------------
next_dialog=""
deadline=$((SECONDS + 120))
while ((SECONDS < deadline)) && program_running; do
  next_dialog=$(find_window 'nifty')
  [[ -n "$next_dialog" ]] && break
  # Any other box (a log without messages, a run-time error) is a failure.
  for other in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    if [[ "$other" != "$main_window" ]]; then
      fail "an unexpected window appeared: $(xdotool getwindowname "$other")"
    fi
  done
  sleep 0.5
done
[[ -n "$next_dialog" ]] ||
  fail "the next open dialog did not appear after the conversion"
say "next open dialog $next_dialog"
xdotool windowmove "$next_dialog" 40 420 2>/dev/null || true
sleep 1
shot after-conversion

# --- cancel: the program ends -----------------------------------------------
for attempt in 1 2 3; do
  keys "$next_dialog" Escape
  for _ in $(seq 1 30); do
    program_running || break
    sleep 0.5
  done
  program_running || break
  say "the program is still running (attempt $attempt)"
done
program_running && fail "the program did not end after the cancel"
wait "$program_pid" || true
program_pid=""

code=$(cat "$work/exit-code")
[[ "$code" == 0 ]] || fail "exit code $code (program output: $(cat "$work/program.log"))"

# --- the output -------------------------------------------------------------
[[ -f "$work/kanbel.ren" ]] || fail "no kanbel.ren was written"
if ! cmp "$work/kanbel.ren" "$expected"; then
  failed=1
  say "kanbel.ren differs from $expected"
fi
((failed == 0)) || fail "the output differs"
say "passed: $(stat -c %s "$work/kanbel.ren") bytes identical to $expected"
