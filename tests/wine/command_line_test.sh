#!/usr/bin/env bash
# The Windows program started with arguments, under Wine on a virtual X
# display with a Japanese setting (code page 932):
# - two logs and a wildcard converted into the named output with the main
#   text window shown, no dialog, and one box with the summary at the end;
# - wildcards among names whose characters end in the byte of "\" (0x5C: 表,
#   ソ), in a folder whose name has such characters too: `19*表.LOG` named
#   with its full path and `*ソ*.LOG` with a relative one expand to the
#   matching logs in name order;
# each output must equal, byte for byte, the POSIX program's for the same
# logs in the same order;
# - the window closed during a conversion ends the program with exit code 1
#   both with the dialogs and with the log as an argument, the output closed
#   with its end-of-file mark after the records written so far. The program
#   is held (SIGSTOP) once its output has begun, the close is posted to the
#   held program, and the program goes on (SIGCONT): the close always lands
#   in the middle of the conversion.
# Screenshots are kept in the work folder.
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
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/tessarine.exe"
work="$build/command-line-test"
# shellcheck source=tests/wine/wine_helpers.sh
source "$here/wine_helpers.sh"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export LOCPATH=${LOCPATH:-$build/locale}
wine_locale=ja_JP.UTF-8

program_pid=""

say() { echo "command_line_test: $*"; }
shot() { take_shot "$1" || say "screenshot $1 could not be taken"; }
cleanup() {
  if [[ -n "$program_pid" ]] && kill -0 "$program_pid" 2>/dev/null; then
    kill -CONT "$program_pid" 2>/dev/null || true
    kill "$program_pid" 2>/dev/null || true
  fi
  stop_wine
}
trap cleanup EXIT
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

# Starts tessarine.exe in the folder $2 with the arguments after it; the
# run is called $1 (its exit code goes to $work/$1.code). The Wine process
# is the one started here, so that it can be held and let go by its id.
start_program() {
  local name=$1 dir=$2
  shift 2
  rm -f "$work/$name.code"
  (
    cd "$dir"
    env LC_ALL="$wine_locale" "$wine_loader" "$exe" "$@" \
      >"$work/$name.log" 2>&1 &
    echo $! >"$work/$name.pid"
    set +e
    wait $!
    echo $? >"$work/$name.code.tmp"
    mv "$work/$name.code.tmp" "$work/$name.code"
  ) &
  for _ in $(seq 1 50); do
    [[ -s "$work/$name.pid" ]] && break
    sleep 0.1
  done
  program_pid=$(cat "$work/$name.pid")
}
running() { [[ ! -s "$work/$1.code" ]]; }
# Waits up to $2 seconds for the run $1 to end; its exit code is then in
# $code.
wait_end() {
  local deadline=$((SECONDS + $2))
  while running "$1" && ((SECONDS < deadline)); do sleep 0.3; done
  running "$1" && fail "$1: the program did not end"
  program_pid=""
  code=$(cat "$work/$1.code")
}

# The run $1 of logs given as arguments: the main window, then the box,
# both named "tessarine" and no other window; Return on the box ends it.
# The exit code is then in $code.
run_to_box() {
  local name=$1 main_window="" box="" id other deadline
  start_program "$@"
  deadline=$((SECONDS + 180))
  while ((SECONDS < deadline)) && running "$name"; do
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
        local title
        title=$(xdotool getwindowname "$other" 2>/dev/null || true)
        [[ "$title" == tessarine ]] || fail "$name: an unexpected window: [$title]"
        ;;
      esac
    done
    sleep 0.5
  done
  [[ -n "$main_window" ]] || fail "$name: the main text window did not appear"
  [[ -n "$box" ]] || fail "$name: no box at the end (exit $(cat "$work/$name.code" 2>/dev/null))"
  xdotool windowmove "$box" 300 460 2>/dev/null || true
  sleep 1
  shot "$name"
  # The window holds the last run's lines: light pixels at its top.
  local lit
  lit=$(convert "$work/$name.png" -crop 640x120+0+0 +repage \
    -colorspace Gray -format '%[fx:maxima]' info: 2>/dev/null || echo 0)
  awk -v v="$lit" 'BEGIN { exit !(v > 0.5) }' ||
    fail "$name: the main text window shows no text (brightest value $lit)"
  for attempt in 1 2 3; do
    xdotool windowfocus "$box" 2>/dev/null || true
    xdotool key --window "$box" Return 2>/dev/null || true
    for _ in $(seq 1 20); do
      running "$name" || break
      sleep 0.5
    done
    running "$name" || break
    say "$name: the program is still running (attempt $attempt)"
  done
  wait_end "$name" 10
}

# Compares the output $2 of the run $1 with the POSIX program's $3.
expect_same() {
  [[ -f "$2" ]] || fail "$1: $(basename "$2") was not written"
  cmp "$2" "$3" || fail "$1: $(basename "$2") differs from the POSIX output"
  say "$1: $(stat -c %s "$2") bytes identical to the POSIX output"
}

# --- the logs and the expected outputs ------------------------------------
rm -rf "$work"
mkdir -p "$work"
cp "$samples/NIFTY.LOG" "$samples/19970820.LOG" "$samples/19970821.TXT" "$work/"
# A second match of the wildcard, sorting after the first.
cp "$samples/19970820.LOG" "$work/19970822.TXT"
(
  cd "$work"
  "$posix_program" -q -o expected.ren 19970820.LOG NIFTY.LOG 1997082?.TXT
  "$posix_program" -q -o expected-hyo.ren 19970820.LOG NIFTY.LOG
  "$posix_program" -q -o expected-so.ren 19970821.TXT 19970820.LOG
) || fail "the POSIX program failed"
# ソ (0x83 0x5C) and 表 (0x95 0x5C) end in the byte of "\"; so does 能.
folder="$work/ソフト表"
mkdir -p "$folder"
cp "$samples/19970820.LOG" "$folder/19970822表.LOG"
cp "$samples/NIFTY.LOG" "$folder/19970823表.LOG"
cp "$samples/19970821.TXT" "$folder/19970823ソ.LOG"
cp "$samples/19970820.LOG" "$folder/ソ19970824ソ.LOG"
cp "$samples/NIFTY.LOG" "$folder/能19970825.TXT"
# Matches of the patterns one folder up, which must not be taken.
cp "$samples/NIFTY.LOG" "$work/19970821表.LOG"
cp "$samples/NIFTY.LOG" "$work/ソ.LOG"

# --- the virtual display ----------------------------------------------------
start_display
build_probe

# --- a full path, a name and a wildcard ------------------------------------
run_to_box plain "$work" -o ALL "$(windows_path "$work")\\19970820.LOG" \
  NIFTY.LOG '1997082?.TXT'
[[ "$code" == 0 ]] || fail "plain: exit code $code ($(cat "$work/plain.log"))"
expect_same plain "$work/ALL.ren" "$work/expected.ren"

# --- wildcards among names with 0x5C as a second byte ---------------------
run_to_box hyo "$work" -o HYO.ren "$(windows_path "$folder")\\19*表.LOG"
[[ "$code" == 0 ]] || fail "19*表.LOG: exit code $code ($(cat "$work/hyo.log"))"
expect_same "19*表.LOG" "$work/HYO.ren" "$work/expected-hyo.ren"
run_to_box so "$work" -o SO.ren 'ソフト表\*ソ*.LOG'
[[ "$code" == 0 ]] || fail "*ソ*.LOG: exit code $code ($(cat "$work/so.log"))"
expect_same "*ソ*.LOG" "$work/SO.ren" "$work/expected-so.ren"

# --- the window closed during a conversion --------------------------------
# A log of about 40 MB: well over a second of conversion under Wine.
close_dir="$work/close"
mkdir -p "$close_dir"
for _ in $(seq 1 3200); do cat "$samples/NIFTY.LOG"; done >"$close_dir/1997BIG.LOG"
(cd "$close_dir" && "$posix_program" -q -o full.ren 1997BIG.LOG) ||
  fail "the POSIX program failed on the big log"
full_size=$(stat -c %s "$close_dir/full.ren")

# Holds the run $1 once its output $2 has begun, closes the window, lets
# the program go on and checks what it leaves.
close_during_conversion() {
  local name=$1 output=$2 deadline size last
  deadline=$((SECONDS + 120))
  until [[ -s "$output" ]]; do
    ((SECONDS < deadline)) || fail "$name: the output was never begun"
    running "$name" || fail "$name: the program ended before its output began"
    sleep 0.02
  done
  kill -STOP "$program_pid"
  size=$(stat -c %s "$output")
  ((size < full_size)) ||
    fail "$name: the conversion was over before the close ($size bytes)"
  probe close || fail "$name: the window could not be closed"
  kill -CONT "$program_pid"
  wait_end "$name" 60
  [[ "$code" == 1 ]] || fail "$name: exit code $code after the window was closed"
  size=$(stat -c %s "$output")
  ((size < full_size)) || fail "$name: the output is complete ($size bytes)"
  last=$(tail -c 1 "$output" | od -An -tx1 | tr -d ' ')
  [[ "$last" == 1a ]] || fail "$name: the output ends in 0x$last, not 0x1a"
  say "$name: exit code 1, $size of $full_size bytes, closed with 0x1a"
}

# With the log as an argument.
start_program close-arguments "$close_dir" -o cut.ren 1997BIG.LOG
close_during_conversion close-arguments "$close_dir/cut.ren"

# With the dialogs: the log's name typed over the offered one, the save
# dialog's name taken as it is.
start_program close-dialogs "$close_dir"
open_dialog=""
for _ in $(seq 1 200); do
  open_dialog=$(windows_named nifty | head -n 1)
  [[ -n "$open_dialog" ]] && break
  running close-dialogs || break
  sleep 0.3
done
[[ -n "$open_dialog" ]] || fail "close-dialogs: the open dialog did not appear"
sleep 1
xdotool windowfocus "$open_dialog" 2>/dev/null || true
xdotool type --delay 40 1997BIG.LOG
xdotool key Return
save_dialog=""
for _ in $(seq 1 100); do
  save_dialog=$(windows_named Kanbel | head -n 1)
  [[ -n "$save_dialog" ]] && break
  sleep 0.3
done
[[ -n "$save_dialog" ]] || fail "close-dialogs: the save dialog did not appear"
sleep 1
xdotool windowfocus "$save_dialog" 2>/dev/null || true
xdotool key Return
close_during_conversion close-dialogs "$close_dir/kanbel.ren"
rm -f "$close_dir/1997BIG.LOG" "$close_dir"/*.ren
say "passed"
