#!/bin/bash
# The program in a real terminal (tmux, 80 x 24 and 60 x 20): the banner
# and the dialogs on the screen, keys of several terminal types, a log and
# the default output chosen with keys, the count and the saving line in
# sight above the next dialog, the window's text copied to the clipboard,
# Esc ending the program with exit code 0; Ctrl-C as the break request on
# a small terminal, a hang-up and SIGTERM, all leaving the output closed.
# Usage: terminal_test.sh PROGRAM
set -u
program=$1
# A missing tmux fails the test (it is never counted as skipped).
command -v tmux > /dev/null || {
  echo "tmux is missing: scripts/install-deps.sh --tests installs it"
  exit 1
}
export LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d)
socket="tessarine-test-$$"
tmuxc() { tmux -L "$socket" -f /dev/null "$@"; }
trap 'tmuxc kill-server 2> /dev/null; rm -rf "$work"' EXIT


screen() { tmuxc capture-pane -p -t "$1"; }

# Every wait ends at a deadline: what it waits for must be there by then.
deadline=30

# Runs a check until it holds; false when the deadline passes first.
poll() {  # seconds, command...
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.02
  done
}

on_screen() { screen "$1" 2> /dev/null | grep -qF -- "$2"; }
off_screen() { ! on_screen "$@"; }

# The last screen of a session, for a failure's message.
show_screen() {  # session
  echo "the screen of $1:" >&2
  screen "$1" >&2 2> /dev/null || echo "(the session has ended)" >&2
}

wait_for() {  # session, text
  poll "$deadline" on_screen "$1" "$2" && return 0
  fail "[$2] never appeared"
  show_screen "$1"
  return 1
}

wait_gone() {  # session, text
  poll "$deadline" off_screen "$1" "$2" && return 0
  fail "[$2] stayed on the screen"
  show_screen "$1"
  return 1
}

wait_file() {  # path [session]
  poll "$deadline" test -s "$1" && return 0
  fail "$1 never appeared"
  [[ -n "${2:-}" ]] && show_screen "$2"
  return 1
}

# Keys reach the program in the order they are sent; what they do is
# waited for on the screen.
keys() { tmuxc send-keys -t "$@"; }

# The terminal of a session holds typed bytes the program has not read.
input_queued() {  # session
  python3 - "$(tmuxc display-message -p -t "$1" '#{pane_tty}')" << 'PY'
import fcntl, os, struct, sys, termios
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
queued = struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0]
sys.exit(0 if queued > 0 else 1)
PY
}

# The program blocks in a read of the terminal (or a wait for one): the
# system call it sleeps in is read, poll, select, pselect6 or ppoll.
reading_keys() {  # pid
  local state call
  state=$(awk '{print $3}' "/proc/$1/stat" 2> /dev/null) || return 1
  [[ $state == S ]] || return 1
  read -r call _ < "/proc/$1/syscall" 2> /dev/null || return 1
  [[ $call =~ ^(0|7|23|270|271)$ ]]
}

. "$(dirname "$0")/program_test_logs.sh"

# Starts the program in a new session (80 x 24 unless given, with the
# terminal type given or tmux's own); its exit code goes to $work/NAME.rc.
start() {  # session name [columns rows [TERM]]
  rm -f "$work/$1.rc"
  local term=${4:+TERM=$4 }
  tmuxc new-session -d -s "$1" -x "${2:-80}" -y "${3:-24}" -c "$work" \
    "trap '' HUP; $term'$program'; echo \$? > '$work/$1.rc'"
  tmuxc set-option -g set-clipboard on
}

# The process id of the program in a session.
program_pid() {  # session
  pgrep -P "$(tmuxc list-panes -t "$1" -F '#{pane_pid}')" | head -n 1
}

# Waits for the running count on the screen, then stops the program there
# (SIGSTOP), so that whatever comes next reaches it mid-conversion.
stop_at_count() {  # session
  screen "$1" | grep -qE '^ +[0-9]+$' || return 1
  pid=$(program_pid "$1")
  [[ -n "$pid" ]] && kill -STOP "$pid"
}
hold_at_count() {  # session
  # Up to about a minute: the log is large enough that its conversion lasts
  # for seconds even in a release build on a quiet machine.
  poll 60 stop_at_count "$1" && return 0
  fail "$1: the conversion was never caught with its count on the screen"
  show_screen "$1"
  pid=""
  return 1
}

rc_of() { cat "$work/$1.rc" 2> /dev/null; }

make_log "$work/1996.log" 2
: > "$work/other.txt"
: > "$work/19empty.log"
mkdir "$work/sub" "$work/jp"
make_log "$work/jp/1997年8月のフォーラム記録.LOG" 3
stars='******************************************************'
hint='Enter: 決定  Tab: ファイルの種類  Esc: キャンセル  F2: コピー'

# --- A whole run with keys --------------------------------------------------
start main
wait_for main 'niftyログのファイル指定(キャンセルで終了）'
shot=$(screen main)
for text in "          $stars" 'Kanbelテキスト' '(tessarine)' \
  'ver 0.20 mavel     1997.08.20' "フォルダー: $work" 'nifty log用(19*.*)' \
  '../' 'sub/' '1996.log' '名前: 19*.*' "$hint" '0/5'; do
  grep -qF -- "$text" <<< "$shot" || fail "first screen lacks [$text]"
done
grep -qF other.txt <<< "$shot" && fail "other.txt matches 19*.*"

# The file type switches with Tab and back with Shift-Tab.
keys main Tab
wait_for main 'nifty log用(20*.*)' && wait_gone main '1996.log'
keys main BTab
wait_for main 'nifty log用(19*.*)' && wait_for main '1996.log'

# A missing file is refused with a notice.
keys main C-u
keys main -l 'missing.log'
keys main Enter
wait_for main 'ファイルが見つかりません: missing.log'

# The list: ../, jp/, sub/, 1996.log, 19empty.log; Down enters it at ../.
# The name field shows what Enter acts on: a folder with its separator.
keys main Down
wait_for main '名前: ../'
keys main Down
wait_for main '名前: jp/'
keys main Down
wait_for main '名前: sub/'
keys main Down
wait_for main '名前: 1996.log'
wait_for main '4/5'
keys main Enter
wait_for main '保存するKanbelテキストファイル名　（同じなら上書き）'
wait_for main '名前: kanbel.ren'
grep -qF "$work/1996.log に含まれる発言をKanbelテキスト化します" <<< "$(screen main)" ||
  fail "the log's path line is not shown"
keys main Enter
# The next run's open dialog; the run's result stays in sight above it.
wait_for main 'niftyログのファイル指定(キャンセルで終了）'
wait_for main 'ver 0.20 mavel'
shot=$(screen main)
grep -qxF "$work/kanbel.ren　に保存します。" <<< "$shot" ||
  fail "the saving line is covered by the next dialog"
grep -qxF " 2        $stars" <<< "$shot" ||
  fail "the count is covered by the next dialog"

# F2 copies the window's text (through the terminal's clipboard sequence).
keys main F2
wait_for main 'ウィンドウの内容をコピーしました。'
clip=$(tmuxc show-buffer 2> /dev/null)
grep -qxF " 2        $stars" <<< "$clip" ||
  fail "the clipboard lacks the count and the next banner: [$clip]"
grep -qxF "$work/1996.log に含まれる発言をKanbelテキスト化します" <<< "$clip" ||
  fail "the clipboard lacks the log's path line"
grep -qxF "$work/kanbel.ren　に保存します。" <<< "$clip" ||
  fail "the clipboard lacks the output's path line"
# Blank rows stay: the one between the log's line and the output's.
rows=$(printf '%s\n\n%s' "$work/1996.log に含まれる発言をKanbelテキスト化します" \
  "$work/kanbel.ren　に保存します。")
[[ "$clip" == *"$rows"* ]] || fail "the clipboard lost the window's blank rows"

# A log without messages: the message box, then the next run.
keys main C-u
keys main -l '19empty.log'
keys main Enter
wait_for main '保存するKanbelテキストファイル名　(前と同じなら追加)'
keys main Enter
wait_for main '(i) トラブル発生'
wait_for main "$work/19empty.logに発言はありませんでした"
wait_for main '[ OK ]'
wait_for main 'Enter: 閉じる  F2: コピー'
keys main Enter
wait_gone main '[ OK ]'
wait_for main 'niftyログのファイル指定(キャンセルで終了）'

keys main Escape
wait_file "$work/main.rc" main
[[ $(rc_of main) == 0 ]] || fail "exit code after Esc: $(rc_of main)"
expect_closed "$work/kanbel.ren"
[[ $(records "$work/kanbel.ren") -eq 2 ]] || fail "kanbel.ren records"

# --- Keys the dialog does not know leave it open, under several TERMs -------
for term in xterm-256color tmux-256color screen xterm vt100 ""; do
  session=keys${term//[^a-z0-9]/}
  start "$session" 80 24 "$term"
  wait_for "$session" '名前: 19*.*' || continue
  keys "$session" Home
  keys "$session" End
  keys "$session" PgDn
  keys "$session" M-a
  keys "$session" -H 1b 5b 39 39 7e  # ESC [ 9 9 ~: no key
  keys "$session" -H 1b 5b 31 3b 35 43  # Ctrl+Right
  # F2's notice comes after every key before it was read: the program
  # outlived them all.
  keys "$session" F2
  if ! wait_for "$session" 'ウィンドウの内容をコピーしました。'; then
    fail "TERM=$term: the keys ended the program (exit $(rc_of "$session"))"
    continue
  fi
  shot=$(screen "$session")
  # PgDn entered the list: the last of its five entries is highlighted.
  grep -qF '5/5' <<< "$shot" || fail "TERM=$term: PgDn did not move: $shot"
  grep -qF '名前: 19empty.log' <<< "$shot" ||
    fail "TERM=$term: something was typed into the name field: $shot"
  keys "$session" Escape
  wait_file "$work/$session.rc" "$session"
  [[ $(rc_of "$session") == 0 ]] || fail "TERM=$term: Esc exit code"
done

# --- A Japanese-named log, its name right in the window ---------------------
start jp
wait_for jp '名前: 19*.*'
keys jp C-u
keys jp -l 'jp/1997年8月のフォーラム記録.LOG'
keys jp Enter
wait_for jp '名前: kanbel.ren'
wait_for jp "$work/jp/1997年8月のフォーラム記録.LOG に含まれる"
keys jp C-u
keys jp -l 'jp/出力.ren'
keys jp Enter
wait_for jp "$work/jp/出力.ren　に保存します。"
keys jp Escape
wait_file "$work/jp.rc" jp
expect_closed "$work/jp/出力.ren"
[[ $(records "$work/jp/出力.ren") -eq 3 ]] || fail "jp/出力.ren records"

# --- The output chosen as the log being converted is asked again ------------
cp "$work/1996.log" "$work/same.copy"
start same
wait_for same '名前: 19*.*'
keys same C-u
keys same -l '1996.log'
keys same Enter
wait_for same '名前: kanbel.ren'
keys same C-u
keys same -l "$work/1996.log"
keys same Enter
wait_for same '出力のファイルは変換するログと同じです。'
wait_for same '保存するKanbelテキストファイル名　（同じなら上書き）'
grep -qF 'エラー[' <<< "$(screen same)" && fail "output = log ended with a report"
cmp -s "$work/1996.log" "$work/same.copy" || fail "output = log changed the log"
keys same Escape
wait_file "$work/same.rc" same

# --- After the terminal grows, the list shows as many entries as fit ------
# ../, jp/, sub/ and ten logs; at 14 rows the list shows one entry, the
# highlighted sub/. Grown to 30 rows it shows eight, ../ first.
mkdir -p "$work/many/sub" "$work/many/jp"
for i in $(seq 10 19); do : > "$work/many/19$i.log"; done
tmuxc new-session -d -s grow -x 80 -y 14 -c "$work/many" \
  "trap '' HUP; '$program'; echo \$? > '$work/grow.rc'"
wait_for grow '名前: 19*.*'
keys grow Down
keys grow Down
keys grow Down
wait_for grow '3/13'
wait_for grow '名前: sub/'
grep -qF ' ../' <<< "$(screen grow)" && fail "grow: ../ shown at 14 rows"
tmuxc resize-window -t grow -x 80 -y 30
wait_for grow ' ../'
shot=$(screen grow)
for text in ' jp/' ' sub/' ' 1910.log' ' 1914.log' '名前: sub/' '3/13'; do
  grep -qF -- "$text" <<< "$shot" || fail "grown list lacks [$text]: [$shot]"
done
keys grow Escape
wait_file "$work/grow.rc" grow

# --- Ctrl-C during a conversion at 60 x 20: the report is in sight ----------
# The run ends early: fewer records than the log has messages.
big_messages=3000000
make_log "$work/1997.log" "$big_messages"
start brk 60 20
wait_for brk 'niftyログのファイル指定'
keys brk C-u
keys brk -l "$work/1997.log"
keys brk Enter
wait_for brk '名前: kanbel.ren'
keys brk C-u
keys brk -l 'break.ren'
keys brk Enter
if hold_at_count brk; then
  # Typed while the program is held: waiting in its terminal, seen at the
  # program's next look at the keys.
  keys brk C-c
  poll "$deadline" input_queued brk ||
    fail "Ctrl-C never reached the terminal's input"
  kill -CONT "$pid"
  wait_for brk '中断しました'
  wait_for brk '任意のキーを押してください'
  wait_for brk '80x24より小さい'
  # The report waits for a key: the program sits reading the terminal.
  poll "$deadline" reading_keys "$pid" || {
    fail "the break report did not wait for a key"
    show_screen brk
  }
  keys brk x
  wait_file "$work/brk.rc" brk
  [[ $(rc_of brk) == 1 ]] || fail "exit code after a break: $(rc_of brk)"
  expect_closed "$work/break.ren"
  [[ $(records "$work/break.ren") -lt $big_messages ]] ||
    fail "break: the run ended"
fi

# --- A hang-up during a conversion closes the window in order ---------------
start hup
wait_for hup 'niftyログのファイル指定'
keys hup C-u
keys hup -l "$work/1997.log"
keys hup Enter
wait_for hup '名前: kanbel.ren'
keys hup C-u
keys hup -l 'hangup.ren'
keys hup Enter
if hold_at_count hup; then
  tmuxc kill-session -t hup
  kill -CONT "$pid"
  wait_file "$work/hup.rc" hup
  [[ $(rc_of hup) == 129 ]] || fail "exit code after a hang-up: $(rc_of hup)"
  expect_closed "$work/hangup.ren"
  [[ $(records "$work/hangup.ren") -lt $big_messages ]] ||
    fail "hang-up: the run ended"
fi

# --- SIGTERM closes the window: the open dialog ends, exit code 143 ---------
start term
wait_for term 'niftyログのファイル指定'
pid=$(program_pid term)
if [[ -n "$pid" ]]; then
  kill -TERM "$pid"
  wait_file "$work/term.rc" term
  [[ $(rc_of term) == 143 ]] || fail "exit code after SIGTERM: $(rc_of term)"
else
  fail "the program's process was not found"
fi

# --- A crash still gives the terminal back ----------------------------------
rm -f "$work/stty.txt"
tmuxc new-session -d -s crash -x 80 -y 24 -c "$work" \
  "'$program'; stty -a > '$work/stty.txt'; sleep 5"
wait_for crash 'niftyログのファイル指定'
pid=$(program_pid crash)
if [[ -n "$pid" ]]; then
  kill -SEGV "$pid"
  wait_file "$work/stty.txt" crash
  grep -qE '(^| )icanon( |$)' "$work/stty.txt" &&
    grep -qE '(^| )echo( |$)' "$work/stty.txt" ||
    fail "the terminal stayed raw after a crash: $(cat "$work/stty.txt")"
else
  fail "the program's process was not found"
fi

[[ $failures -eq 0 ]] && echo "terminal: all checks passed"
exit $((failures > 0))
