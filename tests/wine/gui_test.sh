#!/usr/bin/env bash
# The Windows program end to end under Wine on a virtual X display, driven
# as a person would drive it (keys and clicks through the X server), in one
# of two settings:
#   ja  a Japanese system: the locale ja_JP.UTF-8 (ANSI code page 932) in the
#       prefix that .ci/windows.sh makes;
#   en  a default English system: a fresh prefix made here, with no font
#       substitutions (the host's fonts, fonts-ipafont-gothic among them).
# In both: the dialogs' titles read as their Japanese text (the X window
# names, UTF-8); the dialogs open beside the window and the boxes centred on
# it; the banner is drawn with real glyphs (no missing-glyph boxes); each
# file dialog opens with the focus in its name box and the offered name
# selected, so that a name is typed or pasted as a person does, without
# clearing the box first; a log in a folder whose path is far longer than
# the old 128-byte file buffer is taken (it has no message, and the box that
# says so is centred on the window); a log whose file name is Japanese is chosen (its name
# pasted) and converted into an output whose name is typed over the offered
# one, and the output equals the expected file byte for byte; the window
# shrinks (scroll bars), grows,
# maximizes and restores (no scroll bars at full size); a log held open
# without sharing is refused and asked for again; and the system menu's
# copy, chosen from the real menu while the window waits after a break
# (Ctrl-C typed during a large log's conversion), puts the window's text on
# the clipboard, and the broken-off output ends with its 0x1A.
# A small Windows program (window_probe.exe, built here) reads the window's
# size, styles and the clipboard from outside, and holds a file open
# without sharing. Screenshots are kept in the work folder (BUILD_DIR/gui-test-LOCALE).
#
# Usage: tests/wine/gui_test.sh BUILD_DIR ja|en LOG EXPECTED_OUTPUT
# Every wait is bounded; the whole test ends within a few minutes.
set -euo pipefail

if [[ $# -ne 4 || ! "$2" =~ ^(ja|en)$ ]]; then
  echo "usage: $0 BUILD_DIR ja|en LOG EXPECTED_OUTPUT" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
setting=$2
log=$(realpath "$3")
expected=$(realpath "$4")
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/tessarine.exe"
work="$build/gui-test-$setting"
# shellcheck source=tests/wine/wine_helpers.sh
source "$here/wine_helpers.sh"

export LOCPATH=${LOCPATH:-$build/locale}
if [[ $setting == ja ]]; then
  export WINEPREFIX=$build/wineprefix
  wine_locale=ja_JP.UTF-8
else
  export WINEPREFIX=$build/wineprefix-en
  wine_locale=C.UTF-8
fi

rm -rf "$work"
mkdir -p "$work"
# The log under a Japanese name, and a copy that will be held open.
log_name="1997表示ログ.LOG"
cp "$log" "$work/$log_name"
cp "$log" "$work/1997held.LOG"
# A log without a message in a folder whose path is far over 127 bytes: the
# dialogs and the program take it, and the conversion says it has no message.
long_folder="$work/$(printf 'long-folder-name-%.0s' 1 2 3 4 5 6 7)"
mkdir -p "$long_folder"
printf 'no message here\r\n' >"$long_folder/1997SAMP.LOG"
windows_long_path="Z:${long_folder//\//\\}\\1997SAMP.LOG"

program_pid=""
holder_pid=""

say() { echo "gui_test[$setting]: $*"; }

shot() { take_shot "$1" || fail "screenshot $1 could not be taken"; }

cleanup() {
  for pid in "$program_pid" "$holder_pid"; do
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
    fi
  done
  # Ends the Wine processes of this test's prefix only.
  stop_wine
}
trap cleanup EXIT

# One value of the probe's "state" (outer, client, hscroll, ...).
state_of() { probe state | awk -v k="$1" '$1 == k { $1 = ""; print substr($0, 2) }'; }

program_running() { [[ ! -s "$work/exit-code" ]]; }

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
    sleep 0.3
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
    sleep 0.3
  done
  return 1
}

# The window's name as the X server has it, in UTF-8.
x_name() {
  LC_ALL=C.UTF-8 xprop -id "$1" _NET_WM_NAME 2>/dev/null |
    sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}

expect_title() {
  local id=$1 title=$2 got
  got=$(x_name "$id")
  [[ "$got" == "$title" ]] || fail "window title '$got', expected '$title'"
  say "title: $got"
}

# Gives the window the focus as a person does, with a click at its
# top-left corner (inside the frame, away from any control).
click_into() {
  local x y
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y)=')"
  x=$((X + 3))
  y=$((Y + 3))
  xdotool mousemove "$x" "$y" click 1
  sleep 0.3
}

keys() { xdotool key --delay 60 "$@"; }
type_text() { xdotool type --delay 40 "$1"; }

# The dialog's name box has the focus and its whole text (the offered
# name) is selected, so that typing replaces it. The dialog sets this up
# once it is shown: waited for, up to a deadline.
expect_name_selected() {
  local what=$1 deadline=$((SECONDS + 15)) state length
  while :; do
    state=$(probe name-box || true)
    length=$(awk '$1 == "length" { print $2 }' <<<"$state")
    if grep -qix 'focus edit' <<<"$state" && [[ -n "$length" ]] &&
      ((length > 0)) && grep -qx "selection 0 $length" <<<"$state"; then
      say "$what: name box focused, '$(sed -n 's/^text //p' <<<"$state")' selected"
      return 0
    fi
    ((SECONDS < deadline)) ||
      fail "$what: the name box is not focused with its text selected ($(tr '\n' ' ' <<<"$state"))"
    sleep 0.3
  done
}

# Rectangles: "L T R B".
rect_of_owned() { probe owned | awk -v t="$1" '$1 == "owned" && index($0, t) { print $2, $3, $4, $5; exit }'; }
main_rect() { probe owned | awk '$1 == "main" { print $2, $3, $4, $5 }'; }

# The dialog must leave the window's rows in sight: no overlap with the
# main window, and inside the screen.
expect_beside() {
  local what=$1 title=$2 dialog main
  dialog=$(rect_of_owned "$title")
  main=$(main_rect)
  [[ -n "$dialog" && -n "$main" ]] || fail "no rectangle for $what"
  read -r dl dt dr db <<<"$dialog"
  read -r ml mt mr mb <<<"$main"
  if ! ((dt >= mb || dl >= mr)); then
    fail "$what ($dialog) covers the window ($main)"
  fi
  ((dl >= 0 && dt >= 0 && dr <= 1024 && db <= 768)) ||
    fail "$what ($dialog) is not on the screen"
  say "$what at $dialog, the window at $main"
}

# --- the virtual display ----------------------------------------------------
start_display
say "display $DISPLAY"

# --- the prefix and the probe -----------------------------------------------
if [[ $setting == en ]]; then
  # Fresh every time: nothing of an earlier run (no font link, no
  # substitution) reaches this one.
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  say "making the English prefix $WINEPREFIX"
  timeout 300 env LC_ALL="$wine_locale" "$wine_loader" wineboot -i \
    >"$work/wineboot.log" 2>&1 || fail "wineboot could not make the prefix"
  timeout 120 "$wineserver" -w || true
fi
[[ -f "$WINEPREFIX/system.reg" ]] || fail "no Wine prefix at $WINEPREFIX"
build_probe
acp=$(probe acp)
say "ANSI code page $acp"
if [[ $setting == ja ]]; then
  [[ $acp == 932 ]] || fail "the Japanese setting has code page $acp"
else
  [[ $acp != 932 ]] || fail "the English setting has code page 932"
fi

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
log_title="niftyログのファイル指定(キャンセルで終了）"
open_dialog=$(wait_window 'nifty' 60) || fail "the open dialog did not appear"
expect_title "$open_dialog" "$log_title"
sleep 1
expect_beside "the open dialog" "$log_title"
shot open-dialog

# The banner, drawn with real glyphs: the window's first cell and the cell
# size from the window itself (80 x 24 cells fill the client area).
read -r cl ct cr cb <<<"$(state_of client)"
cell_w=$(((cr - cl) / 80))
cell_h=$(((cb - ct) / 24))
((cell_w > 0 && cell_h > cell_w)) || fail "cells of ${cell_w}x${cell_h}"
say "cells of ${cell_w}x${cell_h} pixels at $cl,$ct"
python3 "$here/glyph_check.py" "$work/open-dialog.png" "$cl" "$ct" \
  "$cell_w" "$cell_h" \
  "0:10:******************************************************" \
  "2:20:nifty log →　Kanbelテキスト" "3:26:(tessarine)" \
  "4:21:ver 0.20 mavel     1997.08.20" ||
  fail "the banner is not drawn with the font's glyphs"

# --- a log whose path is far over the old 128-byte buffer -------------------
say "typing a path of ${#windows_long_path} bytes"
click_into "$open_dialog"
expect_name_selected "the open dialog"
type_text "$windows_long_path"
sleep 0.5
keys Return
wait_gone "$open_dialog" 30 || fail "the open dialog did not take the long path"
long_save=$(wait_window 'Kanbel' 30) ||
  fail "no save dialog after the long path (it was refused)"
click_into "$long_save"
expect_name_selected "the save dialog after the long path"
type_text "long.ren"
keys Return
wait_gone "$long_save" 15 || fail "the save dialog did not close"
# The box is the one visible window that is neither the main window nor a
# dialog seen so far; the probe reads its title through the wide calls.
notice=""
deadline=$((SECONDS + 60))
while ((SECONDS < deadline)) && [[ -z "$notice" ]]; do
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    case " $main_window $open_dialog $long_save " in
      *" $id "*) ;;
      *) [[ -n $(rect_of_owned 'トラブル発生') ]] && notice=$id ;;
    esac
  done
  sleep 0.3
done
[[ -n "$notice" ]] || fail "no box saying that the long path's log has no message"
sleep 0.5
shot long-path-no-message
# The box is centred on the window.
box=$(rect_of_owned 'トラブル発生')
read -r bl bt br bb <<<"$box"
read -r ml mt mr mb <<<"$(main_rect)"
dx=$(((bl + br) - (ml + mr)))
dy=$(((bt + bb) - (mt + mb)))
((dx * dx <= 4 && dy * dy <= 4)) ||
  fail "the notice ($box) is not centred on the window ($ml $mt $mr $mb)"
say "notice centred on the window: $box"
click_into "$notice"
keys Return
wait_gone "$notice" 15 || fail "the notice did not close"
open_dialog=$(wait_window 'nifty' 30) ||
  fail "the open dialog did not come back after the notice"
# The run of the long path wrote an output with its end mark only.
long_out=$(find "$work" -name long.ren)
[[ -n "$long_out" && $(od -An -tx1 "$long_out" | tr -d ' \n') == 1a ]] ||
  fail "the long path's run left [$long_out] instead of an output with its end mark"
rm -f -- "$long_out"

# --- choose the log by its Japanese name -------------------------------------
# Pasted, as keyboards without Japanese input would have it; with its folder,
# since the dialog now opens in the long path's folder.
say "pasting the name $log_name"
probe set-clipboard "Z:${work//\//\\}\\$log_name" ||
  fail "the name could not be put on the clipboard"
click_into "$open_dialog"
expect_name_selected "the open dialog after the notice"
keys ctrl+v
sleep 0.5
shot open-dialog-name
keys Return
# A run (the long path's) came before: the title says that the same output
# is appended to.
save_title="保存するKanbelテキストファイル名　(前と同じなら追加)"
save_dialog=$(wait_window 'Kanbel' 30) || fail "the save dialog did not appear"
expect_title "$save_dialog" "$save_title"
sleep 0.5
expect_beside "the save dialog" "$save_title"
shot save-dialog

# --- a name typed over the offered one; the conversion runs ------------------
click_into "$save_dialog"
expect_name_selected "the save dialog"
type_text "typed.ren"
sleep 0.3
shot save-dialog-name
keys Return
wait_gone "$save_dialog" 15 || fail "the save dialog did not close"
next_dialog=$(wait_window 'nifty' 120) ||
  fail "the next open dialog did not appear after the conversion"
expect_title "$next_dialog" "$log_title"
sleep 1
shot after-conversion
written=$(cd "$work" && ls -- *.ren 2>/dev/null | tr '\n' ' ')
[[ "$written" == "typed.ren " ]] ||
  fail "the output files are [$written], expected only typed.ren"
cmp "$work/typed.ren" "$expected" ||
  fail "typed.ren differs from $expected"
say "typed.ren: $(stat -c %s "$work/typed.ren") bytes identical to $expected"

# --- smaller, larger, maximized, restored -------------------------------------
read -r ol ot or ob <<<"$(state_of outer)"
full_w=$((or - ol))
full_h=$((ob - ot))
grid="$((cr - cl)) $((cb - ct))"
expect_bars() {
  local what=$1 bars=$2 h v client
  sleep 0.5
  h=$(state_of hscroll)
  v=$(state_of vscroll)
  [[ "$h $v" == "$bars" ]] || fail "$what: scroll bars $h $v, expected $bars"
  if [[ $bars == "0 0" ]]; then
    read -r l t r b <<<"$(state_of client)"
    client="$((r - l)) $((b - t))"
    [[ "$client" == "$grid" ]] ||
      fail "$what: client area $client, the grid is $grid"
  fi
  say "$what: scroll bars $h $v"
}
probe resize $((full_w * 2 / 3)) $((full_h * 2 / 3))
expect_bars "smaller" "1 1"
shot smaller
probe resize "$full_w" "$full_h"
expect_bars "full size again" "0 0"
probe show max
expect_bars "maximized" "0 0"
[[ $(state_of maximized) == 1 ]] || fail "the window did not maximize"
shot maximized
probe show restore
expect_bars "restored" "0 0"
shot restored

# --- a log held open without sharing is refused, and asked for again -----
wine_run "$work/window_probe.exe" hold "Z:${work//\//\\}\\1997held.LOG" 120 \
  >"$work/hold.out" 2>&1 &
holder_pid=$!
for _ in $(seq 1 50); do
  grep -q held "$work/hold.out" 2>/dev/null && break
  sleep 0.2
done
grep -q held "$work/hold.out" || fail "the log could not be held open"
click_into "$next_dialog"
expect_name_selected "the next open dialog"
type_text "1997held.LOG"
keys Return
wait_gone "$next_dialog" 30 || fail "the open dialog did not take the held log"
next_dialog=$(wait_window 'nifty' 30) ||
  fail "the open dialog did not come back after the held log was refused"
say "the held log was refused and the open dialog asked again"
kill "$holder_pid" 2>/dev/null || true
holder_pid=""

# --- the system menu's copy, while the window waits after a break ----------
# A large log; its conversion is held (SIGSTOP) once the output has begun,
# Ctrl-C is typed into the held window, and the program goes on: the break
# always lands during the conversion. The report waits for a key with the
# window enabled.
awk 'BEGIN {
  handle = sprintf("guest%11s", "")
  printf "- FOO  MES(03) Free talk -\r\n"
  for (i = 1; i <= 400000; i++) {
    m = (i - 1) % 99999 + 1
    printf "%05d/%05d XYZ%05d  %s Title %d\r\n", m, m, m, handle, i
    printf "(03)   96/12/31 23:59  \r\n"
    printf "body of message %d\r\nsecond line\r\n\r\n", i
  }
}' >"$work/1997BIG.LOG"
click_into "$next_dialog"
expect_name_selected "the open dialog after the refusal"
type_text "1997BIG.LOG"
keys Return
big_save=$(wait_window 'Kanbel' 30) || fail "no save dialog for the large log"
click_into "$big_save"
expect_name_selected "the save dialog of the large log"
type_text "break.ren"
keys Return
deadline=$((SECONDS + 60))
until [[ -s "$work/break.ren" ]]; do
  ((SECONDS < deadline)) || fail "the large log's output was never begun"
  program_running || fail "the program ended before the large log's output began"
  sleep 0.02
done
wine_pid=$(pgrep -n -f 'tessarine\.exe' || true)
[[ -n "$wine_pid" ]] || fail "the program's process was not found"
kill -STOP "$wine_pid"
xdotool windowfocus --sync "$main_window" 2>/dev/null || true
keys ctrl+c
sleep 0.5
kill -CONT "$wine_pid"
deadline=$((SECONDS + 60))
until [[ $(state_of enabled) == 1 ]] && ! find_window 'Kanbel' | grep -q .; do
  ((SECONDS < deadline)) || fail "the window did not wait after the break"
  sleep 0.3
done
# Alt+Space opens the system menu, Y its copy submenu, T the text copy. The
# report may still be on its way when the window is enabled again: like a
# person, copy once more until it is there.
copied=0
for attempt in 1 2 3 4 5; do
  sleep 0.5
  click_into "$main_window"
  keys alt+space
  sleep 0.7
  shot system-menu
  keys y
  sleep 0.7
  shot copy-menu
  keys t
  sleep 0.7
  probe clipboard >"$work/clipboard.txt" || fail "the clipboard holds no text"
  if grep -qF "中断しました" "$work/clipboard.txt"; then
    copied=1
    break
  fi
  say "no break report in the copied text yet (attempt $attempt)"
done
((copied)) || fail "the copied text lacks the break report (see $work/clipboard.txt)"
for line in "nifty log →　Kanbelテキスト" "1997BIG.LOG に含まれる発言をKanbel" \
  "任意のキーを押してください"; do
  grep -qF "$line" "$work/clipboard.txt" ||
    fail "the copied text lacks '$line' (see $work/clipboard.txt)"
done
say "copied from the system menu: $(wc -l <"$work/clipboard.txt") lines"

# --- a key ends the run -------------------------------------------------------
keys space
deadline=$((SECONDS + 30))
while program_running && ((SECONDS < deadline)); do sleep 0.3; done
program_running && fail "the program did not end after the key"
wait "$program_pid" || true
program_pid=""
code=$(cat "$work/exit-code")
[[ "$code" == 1 ]] ||
  fail "exit code $code after the break (program output: $(cat "$work/program.log"))"
# The broken-off output was closed at the end with its 0x1A.
last=$(tail -c 1 "$work/break.ren" | od -An -tx1 | tr -d ' ')
[[ "$last" == 1a ]] || fail "the broken-off output ends in 0x$last, not 0x1a"
say "passed"
