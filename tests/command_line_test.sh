#!/bin/bash
# The program with arguments: logs named on the command line give the same
# bytes as the same logs chosen one after another in line mode with the same
# output; usage errors, refused lists and signals; the progress line only on
# a terminal.
# Usage: command_line_test.sh PROGRAM
set -u
program=$(realpath "$1")
export LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d)
socket="tessarine-cli-test-$$"
tmuxc() { tmux -L "$socket" -f /dev/null "$@"; }
trap 'tmuxc kill-server 2> /dev/null; rm -rf "$work"' EXIT


. "$(dirname "$0")/program_test_logs.sh"

# Runs the program and leaves exit code, standard output and standard error
# in $rc, out.txt and err.txt.
run() {
  "$program" "$@" > "$work/out.txt" 2> "$work/err.txt"
  rc=$?
}

# Line mode: each log is chosen with the same output; the answers end at
# the next open dialog.
session() {  # output, logs...
  local output=$1 answers=""
  shift
  for log in "$@"; do answers+="$log"$'\n'"$output"$'\n'; done
  printf '%s' "$answers" | "$program" > /dev/null 2>&1 ||
    fail "line mode session over $* failed"
}

cd "$work" || exit 1
make_log a.log 3
# A log that starts in conference 3 without its board line: the board comes
# from the conference memory of an earlier log of the same run.
printf '%s\r\n' '00007/00007 XYZ00007  guest            Title B' \
  '(03)   96/12/31 23:59  ' 'body b' '' > b.log
make_log c.log 2
: > empty.log

# --- Three logs in one command equal the same three in one session --------
echo "stale content" > cli.ren
run -o cli a.log b.log empty.log c.log
[[ $rc -eq 0 ]] || fail "three logs: exit code $rc"
[[ -s out.txt ]] && fail "three logs: standard output not empty"
[[ $(cat err.txt) == "tessarine: empty.log: warning: no messages in this log" ]] ||
  fail "three logs: standard error [$(cat err.txt)]"
session "$work/session.ren" "$work/a.log" "$work/b.log" "$work/empty.log" \
  "$work/c.log"
cmp -s cli.ren session.ren || fail "three logs: output differs from the session"
expect_closed cli.ren
[[ $(records cli.ren) -eq 6 ]] || fail "three logs: $(records cli.ren) records"
grep -qF '#TFree talk  00007 Title B' cli.ren ||
  fail "the conference memory did not carry over to b.log"
"$program" -o alone b.log
grep -qF '#T 00007 Title B' alone.ren || fail "b.log alone kept a board"

# -a appends the first log too: the archive before, then the session's bytes.
make_log old.log 2
"$program" -q -o appended old.log
cp appended.ren before.ren
run -a -o appended.ren a.log b.log c.log
[[ $rc -eq 0 ]] || fail "-a: exit code $rc"
session "$work/fresh.ren" "$work/a.log" "$work/b.log" "$work/c.log"
cmp -s appended.ren <(head -c -1 before.ren; cat fresh.ren) ||
  fail "-a: output is not the archive followed by the session's records"
expect_closed appended.ren

# The default output name, and a name without "." gets ".ren".
run a.log
[[ $rc -eq 0 && -f kanbel.ren && $(records kanbel.ren) -eq 3 ]] ||
  fail "no kanbel.ren"
[[ -f cli.ren && ! -e cli ]] || fail "-o cli did not write cli.ren"

# --- Usage errors: exit code 2, a usage line, nothing written --------------
while IFS='|' read -r args message; do
  rm -f kanbel.ren
  # shellcheck disable=SC2086
  run $args
  [[ $rc -eq 2 ]] || fail "[$args]: exit code $rc"
  grep -qxF "tessarine: $message" err.txt || fail "[$args]: [$(head -1 err.txt)]"
  grep -q '^usage: tessarine \[-o OUT\]' err.txt || fail "[$args]: no usage line"
  [[ -e kanbel.ren ]] && fail "[$args]: wrote kanbel.ren"
done << 'EOF'
-x a.log|unknown option -x
--bogus a.log|unknown option --bogus
-a|no log given
-o|option -o needs a file name
a.log -o|option -o needs a file name
--output|option --output needs a file name
EOF
run --help
[[ $rc -eq 0 ]] && grep -q '^usage: tessarine' out.txt || fail "--help"
run --version
[[ $rc -eq 0 && $(cat out.txt) == "tessarine 0.20" ]] || fail "--version"

# --- Logs that cannot be converted stop the command before any write ------
mkdir folder.log
cp cli.ren kept.ren
run -o kept.ren a.log missing.log folder.log c.log
[[ $rc -eq 1 ]] || fail "missing log: exit code $rc"
grep -qxF 'tessarine: missing.log: file not found (error 63)' err.txt ||
  fail "missing log: [$(cat err.txt)]"
grep -qxF 'tessarine: folder.log: is a folder (error 74)' err.txt ||
  fail "folder: [$(cat err.txt)]"
cmp -s kept.ren cli.ren || fail "missing log: the output was touched"
run -o fifo.ren a.log /dev/null
[[ $rc -eq 1 && ! -e fifo.ren ]] || fail "/dev/null taken for a log"

# The output may not be one of the logs, under any of its names.
cp a.log a.keep
ln -s a.log link.ren
for out in a.log "$work/a.log" link.ren; do
  for append in --verbose --append; do
    run "$append" -o "$out" c.log a.log
    [[ $rc -eq 1 ]] || fail "output = log ($append $out): exit code $rc"
    grep -qF "is one of the logs" err.txt ||
      fail "output = log: [$(cat err.txt)]"
    cmp -s a.log a.keep || fail "output = log ($append $out): the log was touched"
  done
done

# An output in a folder that does not exist: an error about the output.
run -o nodir/x.ren a.log
[[ $rc -eq 1 ]] || fail "bad output: exit code $rc"
grep -qxF 'tessarine: nodir/x.ren: bad file name or folder not found (error 55)' \
  err.txt || fail "bad output: [$(cat err.txt)]"

# --- OUT names: the save dialog's rule on the name part --------------------
mkdir -p names/sub
cd names/sub || exit 1
"$program" -o ./x.ren ../../a.log && [[ -f x.ren && ! -e x.ren.ren ]] ||
  fail "-o ./x.ren did not write x.ren"
# -a extends that same file.
"$program" -a -o ./x.ren ../../c.log
[[ $(records x.ren) -eq 5 ]] || fail "-a -o ./x.ren: $(records x.ren) records"
"$program" -o ../y.ren ../../a.log && [[ -f ../y.ren && ! -e ../y.ren.ren ]] ||
  fail "-o ../y.ren did not write ../y.ren"
"$program" -o ../z ../../a.log && [[ -f ../z.ren ]] || fail "-o ../z: no ../z.ren"
mkdir adir.ren
while IFS='|' read -r out code text; do
  "$program" -o "$out" ../../a.log 2> "$work/err.txt"
  rc=$?
  [[ $rc -eq $code ]] || fail "-o [$out]: exit code $rc"
  grep -qxF "tessarine: $out: $text" "$work/err.txt" ||
    fail "-o [$out]: [$(cat "$work/err.txt")]"
done << 'EOF'
out/|2|the output name ends in a folder separator; give a file name
../|2|the output name ends in a folder separator; give a file name
 |2|the output's file name is blank
sub/ |2|the output's file name is blank
adir.ren|1|is a folder (error 74)
EOF
[[ $(find . .. -maxdepth 1 -name '*.ren' -type f | sort | tr '\n' ' ') == \
   "../y.ren ../z.ren ./x.ren " ]] ||
  fail "a refused OUT wrote a file: $(find . .. -maxdepth 1 -name '*.ren')"
[[ -e .ren || -e out/.ren ]] && fail "a refused OUT wrote a hidden .ren"
cd "$work" || exit 1

# --- The texts follow the messages locale: Japanese or English -------------
ja_run() { env -u LC_ALL -u LC_MESSAGES LANG=ja_JP.UTF-8 "$program" "$@"; }
ja_run --help > help-ja.txt
grep -q '^使い方: tessarine \[-o 出力\]' help-ja.txt ||
  fail "Japanese --help: [$(head -n 2 help-ja.txt)]"
grep -q '^  -a, --append       出力を新しく書かず' help-ja.txt ||
  fail "Japanese --help lacks its options"
LC_ALL=C.UTF-8 LANG=ja_JP.UTF-8 "$program" --help > help-en.txt
grep -q '^usage: tessarine \[-o OUT\]' help-en.txt ||
  fail "LC_ALL=C.UTF-8: no English help"
grep -qF 'name part has no ".")' help-en.txt || fail "English --help: the OUT rule"
env -u LC_ALL LANG=C LC_MESSAGES=ja_JP.UTF-8 "$program" --help |
  grep -q '^使い方' || fail "LC_MESSAGES=ja_JP.UTF-8: no Japanese help"
ja_run -o ja.ren a.log missing.log 2> err-ja.txt
grep -qxF 'tessarine: missing.log: ファイルが見つかりません (エラー 63)' err-ja.txt ||
  fail "Japanese error: [$(cat err-ja.txt)]"
ja_run -x a.log 2> err-ja.txt
[[ $(sed -n 1p err-ja.txt) == 'tessarine: 知らないオプションです: -x' &&
   $(sed -n 2p err-ja.txt) == '使い方: tessarine [-o 出力] [-a] [-q] [-v] ログ...' ]] ||
  fail "Japanese usage error: [$(cat err-ja.txt)]"
ja_run -v -o ja.ren a.log c.log 2> err-ja.txt
grep -qE '^tessarine: ログ 2 件、発言 5 件、[0-9]+ バイトを ja.ren に書き込みました \([0-9.]+ 秒\)$' \
  err-ja.txt || fail "Japanese summary: [$(cat err-ja.txt)]"

# --- Every log is opened before anything is written; reasons name what ----
# happened (an ordinary user meets permissions; the suite runs as root).
mkdir -p perm/shut
make_log perm/noread.log 1
make_log perm/shut/in.log 1
chmod 0755 perm "$work"
chmod 0 perm/noread.log
chmod 0700 perm/shut
ln -s loop2.log perm/loop1.log
ln -s loop1.log perm/loop2.log
cp cli.ren perm/kept.ren
chmod 0666 perm/kept.ren
chmod 0777 perm
as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
while IFS='|' read -r log message; do
  cp cli.ren perm/kept.ren
  as_user "$program" -o perm/kept.ren a.log "$log" > out.txt 2> err.txt
  rc=$?
  [[ $rc -eq 1 ]] || fail "$log: exit code $rc"
  [[ $(cat err.txt) == "tessarine: $log: $message" ]] || fail "$log: [$(cat err.txt)]"
  cmp -s perm/kept.ren cli.ren || fail "$log: the output was written"
done << 'CASES'
perm/noread.log|permission denied (error 70)
perm/shut/in.log|a folder on the way may not be entered (error 69)
perm/loop1.log|too many symbolic links (a loop) (error 68)
folder.log|is a folder (error 74)
/dev/null|not an ordinary file (a device, FIFO or socket) (error 58)
CASES
# What OUT names: a folder, a FIFO, a device.
mkfifo out.fifo
ln -s /dev/null devlink.ren
while IFS='|' read -r out message; do
  run -o "$out" a.log
  [[ $rc -eq 1 ]] || fail "OUT $out: exit code $rc"
  [[ $(cat err.txt) == "tessarine: $out: $message" ]] || fail "OUT $out: [$(cat err.txt)]"
done << 'CASES'
folder.log|is a folder (error 74)
out.fifo|not an ordinary file (a device, FIFO or socket) (error 58)
devlink.ren|not an ordinary file (a device, FIFO or socket) (error 58)
CASES
rm -f out.fifo devlink.ren

# --- Names reach standard error as text: controls are shown as "?" --------
make_log $'esc\e]0;T\a.log' 1
make_log $'nl\nx.log' 1
run -v -o $'o\e[31m.ren' $'esc\e]0;T\a.log' $'nl\nx.log' missing$'\x9b'.log
grep -q $'[\x01-\x09\x0b-\x1f\x7f]' err.txt && fail "a control reached standard error: $(cat -A err.txt)"
LC_ALL=C.UTF-8 iconv -f UTF-8 -t UTF-8 err.txt > /dev/null 2>&1 ||
  fail "bytes that are no text reached standard error: $(cat -A err.txt)"
grep -qxF 'tessarine: missing?.log: file not found (error 63)' err.txt ||
  fail "controls: [$(cat -A err.txt)]"
run -v -o $'o\e[31m.ren' $'esc\e]0;T\a.log' $'nl\nx.log'
[[ $(wc -l < err.txt) -eq 3 ]] || fail "a newline in a name split a line: $(cat -A err.txt)"
grep -qxF 'tessarine: esc?]0;T?.log: 1 messages' err.txt || fail "-v: [$(cat -A err.txt)]"

# --- A file-size limit and a full disk: the output ends after a whole ------
# record with one 0x1A; an appended archive keeps what it held.
ends_after_record() {  # file: "#E", CR LF, an empty line, then the mark
  [[ $(tail -c 7 "$1" | od -An -tx1 | tr -d ' \n') == 23450d0a0d0a1a ]] ||
    fail "$1 does not end after a whole record: $(tail -c 16 "$1" | od -An -c)"
}
make_log fs.log 30000
(ulimit -f 1000; "$program" -o limit.ren fs.log) > out.txt 2> err.txt
rc=$?
[[ $rc -eq 1 ]] || fail "ulimit -f: exit code $rc"
grep -qF 'limit.ren: disk full (error 67)' err.txt || fail "ulimit -f: [$(cat err.txt)]"
expect_closed limit.ren
ends_after_record limit.ren
[[ $(stat -c %s limit.ren) -le 1024000 ]] || fail "ulimit -f: the output is too long"
mkdir -p small
if mount -t tmpfs -o size=1m tessarine-small small; then
  cp cli.ren small/archive.ren
  before=$(stat -c %s small/archive.ren)
  run -a -o small/archive.ren fs.log
  [[ $rc -eq 1 ]] || fail "full disk: exit code $rc"
  grep -qF 'disk full (error 67)' err.txt || fail "full disk: [$(cat err.txt)]"
  expect_closed small/archive.ren
  ends_after_record small/archive.ren
  cmp -s <(head -c $((before - 1)) cli.ren) <(head -c $((before - 1)) small/archive.ren) ||
    fail "full disk: the archive lost what it held"
  rm small/archive.ren
  run -o small/new.ren fs.log
  [[ $rc -eq 1 ]] || fail "full disk, new output: exit code $rc"
  expect_closed small/new.ren
  ends_after_record small/new.ren
  umount small
else
  fail "the small tmpfs could not be mounted"
fi

# --- Appending before an end mark that an editor followed with CR LF -------
"$program" -q -o edited.ren a.log
printf '\r\n' >> edited.ren
run -a -o edited.ren c.log
expect_closed edited.ren
[[ $(records edited.ren) -eq 5 ]] || fail "edited archive: $(records edited.ren) records"

# --- Signals: the output closed with its mark, exit 128 + signal ----------
make_log big.log 400000
big_size=$(stat -c %s big.log)
# The read position of the program in a log (big.log unless named), or
# nothing when it does not have it open.
log_position() {  # pid[, log]
  local fd
  for fd in /proc/"$1"/fd/*; do
    if [[ $(readlink "$fd") == "$work/${2:-big.log}" ]]; then
      awk '/^pos:/ { print $2 }' /proc/"$1"/fdinfo/"${fd##*/}"
      return
    fi
  done
}
# The program started through this script writes its process number to a
# file and stops itself before it starts: a test lets it go on in short
# steps, so that it stands where the test needs it however busy the
# machine.
printf '#!/bin/sh\necho $$ > "$1"\nkill -STOP $$\nshift\nexec "$@"\n' \
  > with-pid.sh
# The process number in the pid file once that process has stopped itself.
stopped_pid() {  # pid file
  local pid=""
  for _ in $(seq 3000); do
    pid=$(cat "$1" 2> /dev/null)
    [[ -n $pid && $(awk '{ print $3 }' /proc/"$pid"/stat 2> /dev/null) == T ]] &&
      break
    sleep 0.01
  done
  echo "$pid"
}
# Lets the stopped program run in short steps, stopped again after each
# (the shell's own builtins between, no new process), until its output is
# longer than size; fails when it is not.
step_until() {  # pid, output, size
  local size=0 k
  for _ in $(seq 20000); do
    kill -CONT "$1" || break
    for ((k = 0; k < 100; k++)); do :; done
    kill -STOP "$1"
    size=$(stat -c %s "$2" 2> /dev/null || echo 0)
    [[ $size -gt $3 ]] && return
  done
  fail "$2: the output did not pass $3 bytes in steps (at $size)"
}
# The output of a.log alone: once an output of a.log and big.log is longer,
# records of big.log have been written to it.
"$program" -o alone.ren a.log 2> /dev/null || fail "a.log alone"
alone_size=$(stat -c %s alone.ren)
# Starts a conversion of a.log and big.log, stops the process once its
# output holds records of big.log, checks that it still stands inside
# big.log, sends the signal and lets it go on. Leaves the exit code in $rc.
signal_run() {  # signal, output
  rm -f "$2" "$2.pid"
  sh with-pid.sh "$2.pid" "$program" -o "$2" a.log big.log 2> /dev/null &
  local pid=$! size=0
  [[ $(stopped_pid "$2.pid") == "$pid" ]] || fail "$1: the program did not stop itself"
  step_until "$pid" "$2" "$alone_size"
  local position
  position=$(log_position "$pid")
  size=$(stat -c %s "$2" 2> /dev/null || echo 0)
  if [[ $size -le $alone_size ]]; then
    fail "$1: no record of big.log reached the output before the hold"
  fi
  if [[ -z "$position" || $position -ge $big_size ]]; then
    fail "$1: could not hold the program inside big.log (at [$position])"
  fi
  kill -"$1" "$pid"
  kill -CONT "$pid"
  wait "$pid"
  rc=$?
}
signal_run TERM term.ren
[[ $rc -eq 143 ]] || fail "SIGTERM: exit code $rc"
expect_closed term.ren
ends_after_record term.ren
n=$(records term.ren)
[[ $n -gt 3 && $n -lt 400003 ]] || fail "SIGTERM: $n records"
signal_run INT int.ren
[[ $rc -eq 130 ]] || fail "SIGINT: exit code $rc"
expect_closed int.ren

# --- A log cut short while it is read gives an error, not a short result ---
cp big.log cut.log
sh with-pid.sh cut.pid "$program" -o cut.ren a.log cut.log 2> cut.err &
pid=$!
[[ $(stopped_pid cut.pid) == "$pid" ]] || fail "cut log: the program did not stop itself"
# Held once records of cut.log are written: it has then taken the log's size
# (a cut before that is a shorter log, not a change) and read little of it.
step_until "$pid" cut.ren "$alone_size"
position=$(log_position "$pid" cut.log)
[[ -n "$position" && $position -lt $((big_size / 2)) ]] ||
  fail "cut log: could not hold the program in the first half of the log (at [$position])"
truncate -s $((big_size / 2)) cut.log
kill -CONT "$pid"
wait "$pid"
rc=$?
[[ $rc -eq 1 ]] || fail "cut log: exit code $rc"
grep -qxF 'tessarine: cut.log: the log changed while it was read (error 62)' cut.err ||
  fail "cut log: [$(cat cut.err)]"
expect_closed cut.ren
ends_after_record cut.ren

# --- Progress and summary only on a terminal -------------------------------
run -o quiet.ren a.log c.log
[[ -s err.txt ]] && fail "not a terminal: standard error [$(cat err.txt)]"
run -v -o verbose.ren a.log c.log
grep -qE '^tessarine: 2 logs, 5 messages, [0-9]+ bytes written to verbose.ren in [0-9.]+ s$' \
  err.txt || fail "-v: no summary in [$(cat err.txt)]"
if command -v tmux > /dev/null; then
  # Holds the program while its progress line shows: stepped until its
  # output is longer than the given size (big.log has started), stopped for
  # longer than the 0.1 s between two draws, and stepped until another
  # megabyte is written (the next draw comes within a few thousand
  # statements), it stands stopped inside big.log. Leaves its process
  # number in $held.
  hold_showing_progress() {  # pid file, output, size
    local pid first position
    pid=$(stopped_pid "$1")
    step_until "$pid" "$2" "$3"
    first=$(stat -c %s "$2")
    sleep 0.2
    step_until "$pid" "$2" $((first + 1000000))
    position=$(log_position "$pid")
    [[ -n "$position" && $position -lt $big_size ]] ||
      fail "$2: could not hold the program inside big.log (at [$position])"
    held=$pid
  }
  # The screen of a tmux session once it shows what the pattern matches
  # (the program held, so it stays), or after 10 s.
  screen_showing() {  # session, pattern
    for _ in $(seq 500); do
      screen=$(tmuxc capture-pane -p -t "$1")
      [[ "$screen" =~ $2 ]] && return
      sleep 0.02
    done
  }
  # The session's screen once the command in it has ended.
  screen_at_exit() {  # session
    for _ in $(seq 9000); do
      screen=$(tmuxc capture-pane -p -t "$1")
      [[ "$screen" == *"exit "* ]] && return
      sleep 0.02
    done
  }
  tmuxc new-session -d -s cli -x 80 -y 24 \
    "cd '$work' && sh with-pid.sh cli.pid '$program' -o tty.ren a.log big.log; echo \"exit \$?\"; sleep 60"
  hold_showing_progress cli.pid tty.ren "$alone_size"
  screen_showing cli '\[2/2\] big\.log.*messages.*MB/s'
  [[ "$screen" == *"[2/2] big.log"*"messages"*"MB/s"* ]] ||
    fail "tmux: no progress line while held: [$screen]"
  kill -CONT "$held"
  screen_at_exit cli
  [[ "$screen" == *"exit 0"* ]] || fail "tmux: the command did not end: [$screen]"
  grep -qE '^tessarine: 2 logs, 400003 messages, [0-9]+ bytes written to tty.ren in' \
    <<< "$screen" || fail "tmux: no summary: [$screen]"
  grep -q 'MB/s' <<< "$screen" && fail "tmux: the progress line was not cleared"
  # In Japanese at 40 columns (the locale need not be installed): the
  # progress line is cut to the width between characters.
  tmuxc new-session -d -s narrow -x 40 -y 10 \
    "cd '$work' && env -u LC_ALL LANG=ja_JP.UTF-8 sh with-pid.sh narrow.pid '$program' -o tty-ja.ren big.log; echo \"exit \$?\"; sleep 60"
  hold_showing_progress narrow.pid tty-ja.ren 0
  screen_showing narrow '\[1/1\] big\.log'
  row=$(grep -F '[1/1] big.log' <<< "$screen")
  # Cut after the count, somewhere in the rate and its unit "MB/s", to 38
  # or 39 cells (発, 言 and 件 take two each).
  [[ "$row" =~ ^\[1/1\]\ big\.log\ +[0-9]+%\ +発言\ [0-9]+\ 件\ +[0-9.]+(\ (M(B(/s?)?)?)?)?$ ]] &&
    (( ${#row} + 3 >= 38 && ${#row} + 3 <= 39 )) ||
    fail "narrow: no Japanese progress line cut at 39 cells while held: [$screen]"
  kill -CONT "$held"
  screen_at_exit narrow
  [[ "$screen" == *"exit 0"* ]] || fail "narrow: the command did not end: [$screen]"
  # The session stays (ending the last one would end the server while the
  # next one starts); the exit trap ends the server.
  tmuxc new-session -d -s quiet -x 80 -y 24 \
    "cd '$work' && '$program' -q -o tty.ren a.log; echo \"exit \$?\"; sleep 60"
  for _ in $(seq 300); do
    screen=$(tmuxc capture-pane -p -t quiet)
    [[ "$screen" == *"exit "* ]] && break
    sleep 0.02
  done
  [[ $(grep -v '^$' <<< "$screen") == "exit 0" ]] || fail "-q on a terminal: [$screen]"
else
  fail "tmux is missing"
fi

[[ $failures -eq 0 ]] && echo "command line: all checks passed"
exit $((failures > 0))
