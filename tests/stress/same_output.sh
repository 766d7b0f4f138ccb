#!/bin/bash
# Two programs choose the same output file at the same moment, round after
# round: no program may end with exit code 0 after it has said that it saves
# to the output ("…に保存します。") while its records are not all in the file.
# The loser of a round is told that the file is in use and asked again (and
# ends at the end of its input). Odd rounds start without the output, even
# rounds with an old file there, which is replaced.
#
# Not a timed test and not run by ctest: it stresses the real file system.
# Usage: tests/stress/same_output.sh PROGRAM [ROUNDS] [MESSAGES]
set -u
program=$1
rounds=${2:-200}
messages=${3:-20000}
export LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A log of n messages whose bodies carry the tag.
make_tagged_log() {  # path, tag, n
  awk -v tag="$2" -v n="$3" 'BEGIN {
    handle = sprintf("guest%11s", "")
    printf "- FOO  MES(03) Free talk -\r\n"
    for (i = 1; i <= n; i++) {
      m = (i - 1) % 99999 + 1
      printf "%05d/%05d XYZ%05d  %s Title %d\r\n", m, m, m, handle, i
      printf "(03)   96/12/31 23:59  \r\n"
      printf "body of %s message %d\r\n\r\n", tag, i
    }
  }' > "$1"
}
make_tagged_log "$work/A.log" A "$messages"
make_tagged_log "$work/B.log" B "$messages"

out=$work/out.ren
saving="$out　に保存します。"
failures=0 one_wins=0 both_saved=0 in_use=0 other=0

for ((round = 1; round <= rounds; round++)); do
  rm -f "$out" "$work"/go.* "$work"/*.rc
  ((round % 2 == 0)) && printf 'old records\r\n\032' > "$out"
  # Each program starts when its answers arrive: opening a FIFO waits for
  # its writer, so both get theirs at the same moment.
  for p in A B; do
    mkfifo "$work/go.$p"
    ("$program" < "$work/go.$p" > "$work/$p.txt" 2>&1
     echo $? > "$work/$p.rc") &
  done
  printf '%s\n%s\n' "$work/A.log" "$out" > "$work/go.A" &
  printf '%s\n%s\n' "$work/B.log" "$out" > "$work/go.B" &
  wait

  saved=0
  for p in A B; do
    rc=$(cat "$work/$p.rc")
    found=$(grep -c "body of $p message" "$out" 2> /dev/null)
    if grep -qF -- "$saving" "$work/$p.txt"; then
      saved=$((saved + 1))
      if [[ $rc -eq 0 && $found -ne $messages ]]; then
        echo "round $round: $p ended with 0 after saving, but $found of" \
          "$messages records are in the output" >&2
        failures=$((failures + 1))
      fi
    elif grep -qF 'ほかのプログラムが使用中です' "$work/$p.txt"; then
      in_use=$((in_use + 1))
    else
      echo "round $round: $p (exit $rc) neither saved nor was refused:" >&2
      tail -n 5 "$work/$p.txt" >&2
      other=$((other + 1))
    fi
  done
  [[ $saved -eq 1 ]] && one_wins=$((one_wins + 1))
  [[ $saved -eq 2 ]] && both_saved=$((both_saved + 1))
  if [[ -f $out && $(tr -cd '\032' < "$out" | wc -c) -ne 1 ]]; then
    echo "round $round: the output does not hold one end-of-file mark" >&2
    failures=$((failures + 1))
  fi
done

echo "rounds: $rounds; one program saved: $one_wins; both saved (one after" \
  "the other): $both_saved; refused as in use: $in_use; unexpected: $other;" \
  "records lost: $failures"
[[ $failures -eq 0 && $other -eq 0 ]]
