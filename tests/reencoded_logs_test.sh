#!/usr/bin/env bash
# Logs as they survive today: each sample log, the hand-written forum
# sample and random forum logs, written as Shift-JIS with LF ends, as UTF-8
# (both mappings, CR LF and LF ends, with a byte-order mark), as EUC-JP
# with LF ends and as ISO-2022-JP with CR LF ends, must convert to the very
# bytes of the Shift-JIS log with CR LF ends; -v says how each was read.
#
# Usage: tests/reencoded_logs_test.sh TESSARINE SOURCE_DIR
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 TESSARINE SOURCE_DIR" >&2
  exit 2
fi
program=$(realpath "$1")
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "reencoded_logs_test: FAILED: $*"
  failures=$((failures + 1))
}

declare -A said=(
  [sjis-lf]="lines end in LF only"
  [utf8-jis-crlf]="UTF-8 log, read as Shift-JIS"
  [utf8-jis-lf]="UTF-8 log with LF line ends, read as Shift-JIS"
  [utf8-win-crlf]="UTF-8 log, read as Shift-JIS"
  [utf8-win-lf]="UTF-8 log with LF line ends, read as Shift-JIS"
  [utf8-bom-crlf]="UTF-8 log, read as Shift-JIS"
  [eucjp-lf]="EUC-JP log with LF line ends, read as Shift-JIS"
  [iso2022jp-crlf]="ISO-2022-JP log, read as Shift-JIS"
)

logs=("$source"/samples/19970820.LOG "$source"/samples/19970821.TXT
  "$source"/samples/NIFTY.LOG "$source"/tests/data/forum_sample.log)
# Random logs larger than the file channels' 64 KiB block.
for seed in 1 2 3; do
  python3 "$source/tests/reencode_log.py" --random "$seed" 200000 \
    "$work/random$seed.log"
  logs+=("$work/random$seed.log")
done

checked=0
for log in "${logs[@]}"; do
  name=$(basename "$log")
  [[ -f "$work/$name" ]] || cp "$log" "$work/$name"
  (cd "$work" && "$program" -q -o "$name.expected.ren" "$name") ||
    fail "$name: the Shift-JIS log does not convert"
  [[ $(wc -c <"$work/$name.expected.ren") -gt 100 ]] ||
    fail "$name: the Shift-JIS log gives no records"
  python3 "$source/tests/reencode_log.py" "$log" "$work/$name"
  for variant in "${!said[@]}"; do
    log_variant="$name.$variant"
    if ! (cd "$work" && "$program" -v -o "$log_variant.ren" "$log_variant" \
      2>"$work/$log_variant.err"); then
      fail "$log_variant: does not convert: $(cat "$work/$log_variant.err")"
      continue
    fi
    cmp -s "$work/$name.expected.ren" "$work/$log_variant.ren" ||
      fail "$log_variant: records differ from the Shift-JIS log's"
    line=$(head -n 1 "$work/$log_variant.err")
    [[ $line == "tessarine: $log_variant: "*" messages; ${said[$variant]}" ]] ||
      fail "$log_variant: -v says: $line"
    checked=$((checked + 1))
  done
done

# Chosen by hand: a UTF-8 log read as Shift-JIS with CR ends is one line
# with no message, and the warning says what the log looked like.
(cd "$work" && "$program" -o forced.ren --log-encoding=sjis --line-ends=cr \
  forum_sample.log.utf8-win-lf 2>forced.err) ||
  fail "forced reading: exit code $?"
grep -q "warning: no messages in this log; its lines seem to end in LF only" \
  "$work/forced.err" || fail "forced reading says: $(cat "$work/forced.err")"
# And chosen the right way, the same records as the Shift-JIS log.
(cd "$work" && "$program" -q -o chosen.ren --log-encoding=euc-jp \
  --line-ends lf forum_sample.log.eucjp-lf) || fail "chosen reading failed"
cmp -s "$work/forum_sample.log.expected.ren" "$work/chosen.ren" ||
  fail "chosen reading: records differ"
# A value the options do not know is a usage error.
set +e
"$program" --log-encoding=latin1 x.log 2>"$work/usage.err"
code=$?
set -e
[[ $code -eq 2 ]] || fail "--log-encoding=latin1: exit code $code"

echo "reencoded_logs_test: $checked re-encoded logs checked"
[[ $failures -eq 0 ]] || exit 1
[[ $checked -eq $((${#logs[@]} * ${#said[@]})) ]] || exit 1
