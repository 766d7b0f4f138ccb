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


expect_line() {  # file, line number, expected text
  local got
  got=$(sed -n "$2p" "$1")
  [[ "$got" == "$3" ]] || fail "$1 line $2: got [$got], expected [$3]"
}


# The file ends with its one end-of-file mark.
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
help='（空行: [ ] 内の名前を使う　入力の終わり (Ctrl-D): 終了）'
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
# The first prompt says what an empty line and the end of input do.
expect_line run1.txt 9 "$help"
expect_line run1.txt 10 "$open_prompt$log"
expect_line run1.txt 11 "$log に含まれる発言をKanbelテキスト化します"
expect_line run1.txt 12 ""
expect_line run1.txt 13 "$new_prompt$out"
expect_line run1.txt 14 "$out　に保存します。"
# The count stays on its row; the next banner starts there at column 10.
expect_line run1.txt 15 " 2        $stars"
banner_ok run1.txt 15 after-count
expect_line run1.txt 23 "$open_prompt"
[[ $(wc -l < run1.txt) -eq 23 ]] || fail "first run: $(wc -l < run1.txt) lines"
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

# --- A script that ends at a save dialog leaves the output at stake alone --
# kanbel.ren is what an empty answer would have written; the run was half
# chosen, so the script did not get what it asked for.
cp "$work/kanbel.ren" before.ren
printf '%s\n' "$log" | "$program" > run4.txt 2> run4.err
rc=$?
[[ $rc -eq 1 ]] || fail "script ended at the save dialog: exit code $rc"
[[ $(tail -n 1 run4.txt) == "$new_prompt" ]] ||
  fail "ended at the save dialog: last line [$(tail -n 1 run4.txt)]"
[[ $(cat run4.err) == "tessarine: 保存するファイルを指定する前に入力が終わりました" ]] ||
  fail "ended at the save dialog: standard error [$(cat run4.err)]"
cmp -s before.ren "$work/kanbel.ren" || fail "ended at the save dialog: kanbel.ren changed"

# --- A refused answer ends a script: its answers never shift ---------------
# The answers alternate log and output; one answer is refused. Every refusal
# (a missing log or folder, a folder, a pattern, a FIFO, the output as the
# log, a line too long) ends the program at once with exit code 1 and one
# line on standard error; the files named later are never touched.
mkdir -p desync/sub
for day in 20 22 23; do make_log "desync/199708$day.LOG" 2; done
mkfifo desync/fifo.LOG
sums() { (cd desync && sha256sum 19970820.LOG 19970822.LOG 19970823.LOG); }
long=$(head -c 20000000 /dev/zero | tr '\0' a)
while IFS='|' read -r what first reason; do
  rm -f desync/199708.ren
  before=$(sums)
  [[ $first == LONG ]] && first=$long
  (cd desync && printf '%s\n' 19970820.LOG 199708.ren "$first" 199708.ren \
    19970822.LOG 199708.ren 19970823.LOG 199708.ren |
    "$program" > ../desync.txt 2> ../desync.err)
  rc=$?
  [[ $rc -eq 1 ]] || fail "refused $what: exit code $rc"
  [[ $(wc -l < desync.err) -eq 1 ]] || fail "refused $what: [$(cat desync.err)]"
  grep -qF "$reason" desync.err || fail "refused $what: [$(cat desync.err)]"
  [[ $(sums) == "$before" ]] || fail "refused $what: a log was changed"
  expect_closed desync/199708.ren
  [[ $(records desync/199708.ren) -eq 2 ]] ||
    fail "refused $what: $(records desync/199708.ren) records"
done << 'CASES'
missing log|19970821.LOG|tessarine: 19970821.LOG: ファイルが見つかりません
missing folder|nodir/19970821.LOG|フォルダーが見つかりません
folder|sub|tessarine: sub: フォルダーです
pattern|1997*.LOG|ワイルドカードではファイルを選べません
empty answer to the pattern||ワイルドカードではファイルを選べません
FIFO|fifo.LOG|名前付きパイプで、通常のファイルではありません
the output as the log|199708.ren|出力のファイルは変換するログと同じです
line too long|LONG|入力行が65536バイトを超えています
CASES
rm -f desync/fifo.LOG

# --- Relative answers are taken from the folder the program started in -----
mkdir -p rel/sub rel/out
make_log rel/sub/a.LOG 2
make_log rel/b.LOG 3
(cd rel && printf '%s\n' sub/a.LOG out/a.ren b.LOG out/b.ren sub/a.LOG \
  sub/same.ren b.LOG same.ren | "$program" > ../rel.txt 2> ../rel.err)
[[ $? -eq 0 ]] || fail "relative answers: exit code, [$(cat rel.err)]"
[[ $(records rel/out/a.ren) -eq 2 && $(records rel/out/b.ren) -eq 3 ]] ||
  fail "relative answers: b.LOG was not taken from the start folder"
[[ $(records rel/sub/same.ren) -eq 2 && $(records rel/same.ren) -eq 3 ]] ||
  fail "relative answers: same.ren was not written in the start folder"
# The offered name is shown as it is to be typed: an empty answer takes it.
grep -qF '(前と同じなら追加) [out/a.ren]: ' rel.txt ||
  fail "relative answers: the offered name is not relative"
(cd rel && printf '%s\n' sub/a.LOG sub/x.ren b.LOG '' | "$program" > /dev/null)
[[ $(records rel/sub/x.ren) -eq 5 ]] || fail "the offered name did not append"

# --- Japanese names, and escape sequences in names -------------------------
mkdir -p jp
jlog="$work/jp/1997年8月のフォーラム記録.LOG"
make_log "$jlog" 2
printf '%s\n%s\n' "$jlog" "$work/jp/出力.ren" | "$program" > run6.txt
[[ $? -eq 0 ]] || fail "Japanese names: exit code"
# Long lines wrap at 80 cells: the rows are looked at joined.
joined=$(tr -d '\n' < run6.txt)
grep -qF "$jlog に含まれる発言をKanbelテキスト化します" <<< "$joined" ||
  fail "Japanese names: the log's line is not right: $(sed -n 11p run6.txt)"
grep -qF "$work/jp/出力.ren　に保存します。" <<< "$joined" ||
  fail "Japanese names: the output's line is not right"
expect_closed "$work/jp/出力.ren"
# A log whose name is in Shift-JIS (copied from an old disk) is taken as
# that name, and shown in the locale's characters.
old_log=$work/jp/$(printf '19\x93\xfa\x96\x7b.LOG')
make_log "$old_log" 2
printf '%s\n%s\n' "$old_log" "$work/jp/old.ren" | "$program" > run8.txt
grep -qF "$work/jp/19日本.LOG に含まれる" run8.txt ||
  fail "an old Shift-JIS name is not shown right: $(sed -n 10,11p run8.txt)"
iconv -f UTF-8 -t UTF-8 run8.txt > /dev/null 2>&1 ||
  fail "line mode wrote bytes that are not UTF-8: $(cat -A run8.txt)"
[[ $(records "$work/jp/old.ren") -eq 2 ]] || fail "old name: records"
esc_log=$work/$'19\e[31m.log'
make_log "$esc_log" 1
printf '%s\n%s\n%s\n' "$esc_log" "$work/"$'x\e]0;T3\a.ren' "$esc_log" |
  "$program" > run7.txt 2>&1
grep -q $'\e' run7.txt && fail "an escape byte reached the output: $(cat -A run7.txt)"
grep -qF '19?[31m.log に含まれる' run7.txt || fail "the log's name is not shown with ?"

# --- The locale cannot show Japanese: said on standard error ---------------
LANG=C LC_ALL=C "$program" < /dev/null > /dev/null 2> lang.err
grep -qF 'LANG=C.UTF-8' lang.err || fail "no locale notice under LANG=C"
"$program" < /dev/null > /dev/null 2> utf8.err
[[ -s utf8.err ]] && fail "a locale notice under C.UTF-8: $(cat utf8.err)"

# --- Signals during a long conversion -------------------------------------
big=$work/1997.log
make_log "$big" 1000000
# Runs the program on a log and holds it (SIGSTOP) once the conversion has
# written to its output; then sends the signal and lets it go on. Leaves the
# exit code in $rc; fails when the conversion cannot be caught running.
signal_run() {  # signal, output file, stdout file
  rm -f "$work/in.fifo" "$2"
  mkfifo "$work/in.fifo"
  "$program" < "$work/in.fifo" > "$3" 2>&1 &
  local pid=$!
  exec 3> "$work/in.fifo"
  printf '%s\n%s\n' "$big" "$2" >&3
  local held=""
  for _ in $(seq 3000); do
    if [[ -s "$2" ]]; then
      kill -STOP "$pid" && held=1
      break
    fi
    sleep 0.01
  done
  [[ -n "$held" ]] || fail "$1: the conversion was not caught running"
  kill -"$1" "$pid"
  kill -CONT "$pid"
  wait "$pid"
  rc=$?
  exec 3>&-
  [[ $(records "$2") -lt 1000000 ]] || fail "$1: the conversion had ended"
}

signal_run TERM "$work/term.ren" term.txt
[[ $rc -eq 143 ]] || fail "SIGTERM exit code $rc"
expect_closed "$work/term.ren"

signal_run HUP "$work/hup.ren" hup.txt
[[ $rc -eq 129 ]] || fail "SIGHUP exit code $rc"
expect_closed "$work/hup.ren"

signal_run INT "$work/int.ren" int.txt
[[ $rc -eq 1 ]] || fail "SIGINT exit code $rc"
grep -q '中断しました' int.txt || fail "SIGINT: no break report"
expect_closed "$work/int.ren"

# --- SIGINT while a prompt waits ends the program at once ------------------
rm -f "$work/in.fifo"
mkfifo "$work/in.fifo"
"$program" < "$work/in.fifo" > prompt.txt 2>&1 &
pid=$!
exec 3> "$work/in.fifo"
for _ in $(seq 500); do
  grep -qF "$open_prompt" prompt.txt && break
  sleep 0.01
done
grep -qF "$open_prompt" prompt.txt || fail "the prompt never came"
kill -INT "$pid"
for _ in $(seq 500); do
  kill -0 "$pid" 2> /dev/null || break
  sleep 0.01
done
if kill -0 "$pid" 2> /dev/null; then
  fail "SIGINT at a prompt did not end the program"
  kill -KILL "$pid"
fi
wait "$pid"
rc=$?
exec 3>&-
[[ $rc -eq 1 ]] || fail "SIGINT at a prompt: exit code $rc"
grep -q '中断しました' prompt.txt || fail "SIGINT at a prompt: no break report"

# --- Paths far longer than 127 bytes: a log and outputs in a deep folder ---
deep=$work/$(printf 'a-folder-with-a-long-name-%02d/' $(seq 1 12))
deep=${deep%/}  # over 330 bytes
mkdir -p "$deep"
make_log "$deep/deep.log" 2
# The next run offers the long path of the previous output and takes it
# again (appending).
printf '%s\n' "$deep/deep.log" "$deep/deep.ren" "$deep/deep.log" "$deep/deep.ren" |
  "$program" > deep.txt 2> deep.err
rc=$?
[[ $rc -eq 0 ]] || fail "deep folder: exit code $rc [$(cat deep.err)]"
grep -q 'バイトを超えています' deep.txt && fail "deep folder: the path was refused"
grep -qF "(前と同じなら追加) [${deep#"$work"/}/deep.ren]: " deep.txt ||
  fail "deep folder: the next run did not offer the output"
expect_closed "$deep/deep.ren"
[[ $(records "$deep/deep.ren") -eq 4 ]] ||
  fail "deep folder: $(records "$deep/deep.ren") records, expected 4"
# The same two runs from the command line give the same bytes.
"$program" -o "$deep/cli.ren" "$deep/deep.log" "$deep/deep.log" 2> deep.err ||
  fail "deep folder, command line: [$(cat deep.err)]"
cmp -s "$deep/deep.ren" "$deep/cli.ren" ||
  fail "deep folder: the command line wrote other bytes than line mode"

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
