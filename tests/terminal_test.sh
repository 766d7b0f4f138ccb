#!/bin/bash
# The program in a real terminal (tmux, 80 x 24): the banner and the dialogs
# on the screen, a log and the default output chosen with keys, the count
# and the next banner, the window's text copied to the clipboard, Esc
# ending the program with exit code 0; Ctrl-C as the break request and a
# hang-up during a conversion, both leaving the output closed.
# Usage: terminal_test.sh PROGRAM
set -u
program=$1
command -v tmux > /dev/null || { echo "tmux is missing"; exit 77; }
export LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d)
socket="tessarine-test-$$"
tmuxc() { tmux -L "$socket" -f /dev/null "$@"; }
trap 'tmuxc kill-server 2> /dev/null; rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

screen() { tmuxc capture-pane -p -t "$1"; }

# Waits up to 30 s for text on the screen of a session.
wait_for() {  # session, text
  for _ in $(seq 600); do
    screen "$1" 2> /dev/null | grep -qF -- "$2" && return 0
    sleep 0.05
  done
  fail "[$2] never appeared; the screen:"
  screen "$1" >&2
  return 1
}

wait_gone() {  # session, text
  for _ in $(seq 600); do
    screen "$1" | grep -qF -- "$2" || return 0
    sleep 0.05
  done
  fail "[$2] stayed on the screen"
  return 1
}

wait_file() {  # path
  for _ in $(seq 600); do
    [[ -s "$1" ]] && return 0
    sleep 0.05
  done
  fail "$1 never appeared"
  return 1
}

keys() { tmuxc send-keys -t "$@"; sleep 0.15; }

expect_closed() {
  [[ -f "$1" ]] || { fail "$1 missing"; return; }
  [[ $(tail -c 1 "$1" | od -An -tx1 | tr -d ' ') == 1a ]] ||
    fail "$1 does not end with 0x1A"
  [[ $(tr -cd '\032' < "$1" | wc -c) -eq 1 ]] || fail "$1: several 0x1A"
}

. "$(dirname "$0")/program_test_logs.sh"

# Starts the program in a new 80 x 24 session; its exit code goes to
# $work/NAME.rc.
start() {  # session name
  rm -f "$work/$1.rc"
  tmuxc new-session -d -s "$1" -x 80 -y 24 -c "$work" \
    "trap '' HUP; '$program'; echo \$? > '$work/$1.rc'"
  tmuxc set-option -g set-clipboard on
}

make_log "$work/1996.log" 2
: > "$work/other.txt"
: > "$work/19empty.log"
mkdir "$work/sub"
stars='******************************************************'

# --- A whole run with keys --------------------------------------------------
start main
wait_for main 'niftyログのファイル指定(キャンセルで終了）'
shot=$(screen main)
for text in "          $stars" 'Kanbelテキスト' '(tessarine)' \
  'ver 0.20 mavel     1997.08.20' "Folder: $work" 'nifty log用(19*.*)' \
  '../' 'sub/' '1996.log' 'Name:   19*.*' 'Esc: cancel'; do
  grep -qF -- "$text" <<< "$shot" || fail "first screen lacks [$text]"
done
grep -qF other.txt <<< "$shot" && fail "other.txt matches 19*.*"

# The file type switches with Tab and back with Left.
keys main Tab
wait_for main 'nifty log用(20*.*)' && wait_gone main '1996.log'
keys main Left
wait_for main 'nifty log用(19*.*)' && wait_for main '1996.log'

# A missing file is refused with a notice.
keys main C-u
keys main -l 'missing.log'
keys main Enter
wait_for main 'File not found: missing.log'

# The list: ../, sub/, 1996.log, 19empty.log.
keys main Home
keys main Down
keys main Down
wait_for main 'Name:   1996.log'
keys main Enter
wait_for main '保存するKanbelテキストファイル名　（同じなら上書き）'
wait_for main 'Name:   kanbel.ren'
grep -qF "$work/1996.log に含まれる発言をKanbelテキスト化します" <<< "$(screen main)" ||
  fail "the log's path line is not shown"
keys main Enter
# The next run's open dialog, below the rest of the new banner.
wait_for main 'niftyログのファイル指定(キャンセルで終了）'
wait_for main 'ver 0.20 mavel'

# F2 copies the window's text (through the terminal's clipboard sequence).
keys main F2
wait_for main "The window's text was copied."
clip=$(tmuxc show-buffer 2> /dev/null)
grep -qxF " 2        $stars" <<< "$clip" ||
  fail "the clipboard lacks the count and the next banner: [$clip]"
grep -qxF "$work/1996.log に含まれる発言をKanbelテキスト化します" <<< "$clip" ||
  fail "the clipboard lacks the log's path line"
grep -qxF "$work/kanbel.ren　に保存します。" <<< "$clip" ||
  fail "the clipboard lacks the output's path line"

# A log without messages: the message box, then the next run.
keys main C-u
keys main -l '19empty.log'
keys main Enter
wait_for main '保存するKanbelテキストファイル名　(前と同じなら追加)'
keys main Enter
wait_for main '(i) トラブル発生'
wait_for main "$work/19empty.logに発言はありませんでした"
wait_for main '[ OK ]'
keys main Enter
wait_gone main '[ OK ]'
wait_for main 'niftyログのファイル指定(キャンセルで終了）'

keys main Escape
wait_file "$work/main.rc"
[[ $(cat "$work/main.rc" 2> /dev/null) == 0 ]] ||
  fail "exit code after Esc: $(cat "$work/main.rc" 2> /dev/null)"
expect_closed "$work/kanbel.ren"
[[ $(records "$work/kanbel.ren") -eq 2 ]] || fail "kanbel.ren records"

# --- Ctrl-C during a conversion: the break report waits for a key -----------
make_log "$work/1997.log" 400000
start brk
wait_for brk 'niftyログのファイル指定'
keys brk C-u
keys brk -l "$work/1997.log"
keys brk Enter
wait_for brk 'Name:   kanbel.ren'
keys brk C-u
keys brk -l 'break.ren'
# Ctrl-C typed with the Enter that starts the conversion waits in the
# terminal's input and is seen at the conversion's first look at the keys.
tmuxc send-keys -t brk Enter C-c
wait_for brk '中断しました'
wait_for brk '任意のキーを押してください'
sleep 0.3
[[ -e "$work/brk.rc" ]] && fail "the break report did not wait for a key"
keys brk x
wait_file "$work/brk.rc"
[[ $(cat "$work/brk.rc" 2> /dev/null) == 1 ]] ||
  fail "exit code after a break: $(cat "$work/brk.rc" 2> /dev/null)"
expect_closed "$work/break.ren"

# --- A hang-up during a conversion closes the window in order ---------------
start hup
wait_for hup 'niftyログのファイル指定'
keys hup C-u
keys hup -l "$work/1997.log"
keys hup Enter
wait_for hup 'Name:   kanbel.ren'
keys hup C-u
keys hup -l 'hangup.ren'
keys hup Enter
# The running count is drawn while the conversion runs, always on one row.
# A fast machine may finish before two different counts are seen; the count
# staying on its row is also checked by the window model's tests.
count_row() { screen hup | grep -nE '^ +[0-9]+$' | head -n 1; }
first=""
for _ in $(seq 100); do
  first=$(count_row)
  [[ -n "$first" ]] && break
  sleep 0.02
done
sleep 0.05
second=$(count_row)
if [[ -n "$first" && -n "$second" && "$first" != "$second" ]]; then
  [[ ${first%%:*} == "${second%%:*}" ]] && ((${second##*:} > ${first##*:})) ||
    fail "the count did not go up in place: [$first] then [$second]"
fi
tmuxc kill-session -t hup
wait_file "$work/hup.rc"
[[ $(cat "$work/hup.rc" 2> /dev/null) == 0 ]] ||
  fail "exit code after a hang-up: $(cat "$work/hup.rc" 2> /dev/null)"
expect_closed "$work/hangup.ren"
n=$(records "$work/hangup.ren")
[[ $n -lt 400000 ]] ||
  echo "note: the conversion ended before the hang-up ($n records)"

# --- SIGTERM closes the window: the open dialog ends, exit code 0 -----------
start term
wait_for term 'niftyログのファイル指定'
program_pid=$(pgrep -P "$(tmuxc list-panes -t term -F '#{pane_pid}')" |
  head -n 1)
if [[ -n "$program_pid" ]]; then
  kill -TERM "$program_pid"
  wait_file "$work/term.rc"
  [[ $(cat "$work/term.rc" 2> /dev/null) == 0 ]] ||
    fail "exit code after SIGTERM: $(cat "$work/term.rc" 2> /dev/null)"
else
  fail "the program's process was not found"
fi

# --- A crash still gives the terminal back ----------------------------------
rm -f "$work/stty.txt"
tmuxc new-session -d -s crash -x 80 -y 24 -c "$work" \
  "'$program'; stty -a > '$work/stty.txt'; sleep 5"
wait_for crash 'niftyログのファイル指定'
shell_pid=$(tmuxc list-panes -t crash -F '#{pane_pid}')
program_pid=$(pgrep -P "$shell_pid" | head -n 1)
if [[ -n "$program_pid" ]]; then
  kill -SEGV "$program_pid"
  wait_file "$work/stty.txt"
  grep -qE '(^| )icanon( |$)' "$work/stty.txt" &&
    grep -qE '(^| )echo( |$)' "$work/stty.txt" ||
    fail "the terminal stayed raw after a crash: $(cat "$work/stty.txt")"
else
  fail "the program's process was not found"
fi

[[ $failures -eq 0 ]] && echo "terminal: all checks passed"
exit $((failures > 0))
