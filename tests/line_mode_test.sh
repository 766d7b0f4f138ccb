#!/bin/bash
# The program in line mode (standard input not a terminal): logs and output
# files chosen by input lines, the window's rows on standard output, output
# files closed with one 0x1A however the run ends.
# Usage: line_mode_test.sh PROGRAM [SOURCE_DIR]
set -u
program=$1
source_dir=${2:-}
export LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

expect_line() {  # file, line number, expected text
  local got
  got=$(sed -n "$2p" "$1")
  [[ "$got" == "$3" ]] || fail "$1 line $2: got [$got], expected [$3]"
}

count_eof_marks() { tr -cd '\032' < "$1" | wc -c; }

# The file ends with its one end-of-file mark.
expect_closed() {
  [[ -f "$1" ]] || { fail "$1 missing"; return; }
  [[ $(tail -c 1 "$1" | od -An -tx1 | tr -d ' ') == 1a ]] ||
    fail "$1 does not end with 0x1A"
  [[ $(count_eof_marks "$1") -eq 1 ]] ||
    fail "$1 holds $(count_eof_marks "$1") end-of-file marks"
}

. "$(dirname "$0")/program_test_logs.sh"

stars='******************************************************'
banner_ok() {  # stdout file, first line of the banner
  local first=$2
  [[ -n "${3:-}" ]] || expect_line "$1" $((first + 0)) "          $stars"
  expect_line "$1" $((first + 1)) ""
  expect_line "$1" $((first + 2)) "                    nifty log → 　Kanbelテキスト"
  expect_line "$1" $((first + 3)) "                          (tessarine)"
  expect_line "$1" $((first + 4)) "                     ver 0.20 mavel     1997.08.20"
  expect_line "$1" $((first + 5)) "          $stars"
}
open_prompt='niftyログのファイル指定(キャンセルで終了） [19*.*]: '
new_prompt='保存するKanbelテキストファイル名　（同じなら上書き） [kanbel.ren]: '

log=$work/1996.log
make_log "$log" 2
cd "$work" || exit 1

# --- One log, then the end of the input at the next open dialog ------------
out=$work/out.ren
printf '%s\n%s\n' "$log" "$out" | "$program" > run1.txt 2> run1.err
rc=$?
[[ $rc -eq 0 ]] || fail "first run exit code $rc"
[[ -s run1.err ]] && fail "first run wrote to standard error: $(cat run1.err)"
banner_ok run1.txt 1
expect_line run1.txt 9 "$open_prompt$log"
expect_line run1.txt 10 "$log に含まれる発言をKanbelテキスト化します"
expect_line run1.txt 11 ""
expect_line run1.txt 12 "$new_prompt$out"
expect_line run1.txt 13 "$out　に保存します。"
# The count stays on its row; the next banner starts there at column 10.
expect_line run1.txt 14 " 2        $stars"
banner_ok run1.txt 14 after-count
expect_line run1.txt 22 "$open_prompt"
[[ $(wc -l < run1.txt) -eq 22 ]] || fail "first run: $(wc -l < run1.txt) lines"
expect_closed "$out"
[[ $(records "$out") -eq 2 ]] || fail "first run: $(records "$out") records"
head -c 4 "$out" | cmp -s - <(printf '#S\r\n') || fail "record head missing"

# --- The same output file in the second run is appended to -----------------
rm -f "$out"
printf '%s\n%s\n%s\n\n' "$log" "$out" "$log" | "$program" > run2.txt
rc=$?
[[ $rc -eq 0 ]] || fail "append run exit code $rc"
grep -qxF "保存するKanbelテキストファイル名　(前と同じなら追加) [out.ren]: " \
  run2.txt || fail "append run: no append dialog"
expect_closed "$out"
[[ $(records "$out") -eq 4 ]] || fail "append run: $(records "$out") records"

# --- A new program overwrites; an empty answer takes the initial name ------
printf '%s\n\n' "$log" | "$program" > run3.txt
[[ $? -eq 0 ]] || fail "default name run exit code"
expect_closed "$work/kanbel.ren"
[[ $(records "$work/kanbel.ren") -eq 2 ]] || fail "kanbel.ren records"
printf '%s\n%s\n' "$log" "$out" | "$program" > /dev/null
[[ $(records "$out") -eq 2 ]] || fail "new program did not overwrite"

# --- A cancelled save dialog ends the program without an output ------------
printf '%s\n' "$log" | "$program" > run4.txt
rc=$?
[[ $rc -eq 0 ]] || fail "cancelled save exit code $rc"
[[ $(tail -n 1 run4.txt) == "$new_prompt" ]] ||
  fail "cancelled save: last line [$(tail -n 1 run4.txt)]"
[[ -e "$work/cancelled.ren" ]] && fail "cancelled save wrote a file"

# --- Names the dialogs refuse are asked for again --------------------------
printf '%s\n%s\n%s\n%s\n' missing.log "$log" "$work/nodir/x.ren" "x.ren" |
  "$program" > run5.txt
[[ $? -eq 0 ]] || fail "refused names exit code"
grep -qF "  File not found: $work/missing.log" run5.txt ||
  fail "no notice for a missing log"
grep -qF "  Folder not found: $work/nodir" run5.txt ||
  fail "no notice for a missing folder"
expect_closed "$work/x.ren"

# --- Signals during a long conversion -------------------------------------
big=$work/1997.log
make_log "$big" 1000000
# Runs the program on a log, sends the signal once the conversion has
# started, and leaves the exit code in $rc.
signal_run() {  # signal, output file, stdout file
  rm -f "$work/in.fifo"
  mkfifo "$work/in.fifo"
  "$program" < "$work/in.fifo" > "$3" 2>&1 &
  local pid=$!
  exec 3> "$work/in.fifo"
  printf '%s\n%s\n' "$big" "$2" >&3
  for _ in $(seq 200); do
    grep -q 'に保存します' "$3" && break
    sleep 0.02
  done
  kill -"$1" "$pid"
  wait "$pid"
  rc=$?
  exec 3>&-
}

signal_run TERM "$work/term.ren" term.txt
[[ $rc -eq 0 ]] || fail "SIGTERM exit code $rc"
expect_closed "$work/term.ren"
n=$(records "$work/term.ren")
[[ $n -lt 1000000 ]] ||
  echo "note: the conversion ended before SIGTERM ($n records)"

signal_run HUP "$work/hup.ren" hup.txt
[[ $rc -eq 0 ]] || fail "SIGHUP exit code $rc"
expect_closed "$work/hup.ren"

signal_run INT "$work/int.ren" int.txt
[[ $rc -eq 1 ]] || fail "SIGINT exit code $rc"
grep -q '中断しました' int.txt || fail "SIGINT: no break report"
expect_closed "$work/int.ren"

# --- The sample logs, and the forum sample with its expected output --------
if [[ -n "$source_dir" ]]; then
  for sample in "$source_dir"/samples/*; do
    case "$sample" in *.py | *.ren | *.md) continue ;; esac
    [[ -f "$sample" ]] || continue
    name=$(basename "${sample%.*}")
    rm -f "$work/$name.ren"
    printf '%s\n%s\n' "$sample" "$work/$name.ren" | "$program" > sample.txt
    [[ $? -eq 0 ]] || fail "$sample: exit code"
    expect_closed "$work/$name.ren"
    [[ $(records "$work/$name.ren") -gt 0 ]] || fail "$sample: no records"
  done
  data=$source_dir/tests/data
  if [[ -f "$data/forum_sample.log" && -f "$data/forum_sample.ren" ]]; then
    printf '%s\n%s\n' "$data/forum_sample.log" "$work/forum.ren" |
      "$program" > forum.txt
    [[ $? -eq 0 ]] || fail "forum sample: exit code"
    cmp -s "$data/forum_sample.ren" "$work/forum.ren" ||
      fail "forum sample: the output differs from forum_sample.ren"
  fi
fi

[[ $failures -eq 0 ]] && echo "line mode: all checks passed"
exit $((failures > 0))
