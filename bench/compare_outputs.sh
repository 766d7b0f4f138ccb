#!/bin/bash
# Converts the same logs with two builds of the program and compares what
# they write, byte for byte, what they say on standard error and their exit
# codes: a change made for speed must leave the outputs as they are. A
# conversion that takes more than five minutes counts as a difference.
#
#   bench/compare_outputs.sh [--corpus DIR]... OLD_PROGRAM NEW_PROGRAM
#
# Each log is converted with `PROGRAM -q -o OUT LOG`. The logs:
#   - every log in samples/ and tests/data/, one by one and all in one
#     command;
#   - 400 random logs of each of three shapes (short messages, long
#     messages, noisy), written by write_random_logs, one by one and each
#     shape's logs in one command;
#   - every shape of convert_bench at 8 MB;
#   - the fuzz target's seed inputs (each sample log after each possible
#     first byte, which chooses one log, two logs appended into one output
#     or two outputs, the log encoding and the line ends, as the fuzz target
#     reads them), and the inputs of any corpus folder given with --corpus.
# write_random_logs and convert_bench are taken from the bench/ folder
# beside NEW_PROGRAM (BENCH_DIR overrides it). Prints every difference and
# how many outputs were compared; exits with 1 when any differs, 2 on a
# usage error or when the logs cannot be made.
set -u

corpora=()
while [[ $# -gt 0 && $1 == --corpus ]]; do
  [[ $# -ge 2 && -d $2 ]] || { echo "--corpus takes a folder" >&2; exit 2; }
  corpora+=("$(realpath "$2")")
  shift 2
done
if [[ $# -ne 2 || ! -x $1 || ! -x $2 ]]; then
  echo "usage: compare_outputs.sh [--corpus DIR]... OLD_PROGRAM NEW_PROGRAM" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
bench_dir=${BENCH_DIR:-$(dirname "$new")/bench}
for tool in write_random_logs convert_bench; do
  [[ -x $bench_dir/$tool ]] || {
    echo "compare_outputs.sh: $bench_dir/$tool is missing (build it)" >&2
    exit 2
  }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/logs" "$work/old" "$work/new"

compared=0
differences=0

differ() {  # case, what...
  local name=$1
  shift
  echo "DIFFERS: $name: $*"
  differences=$((differences + 1))
}

# Runs both programs with the same arguments (after -q -o OUT) and compares
# their exit codes, standard errors (each output's folder named alike) and
# outputs.
compare() {  # case name, program arguments...
  local name=$1
  shift
  rm -f "$work/old/out.ren" "$work/new/out.ren"
  # The two programs run side by side.
  timeout 300 "$old" -q -o "$work/old/out.ren" "$@" > /dev/null \
    2> "$work/old/stderr" &
  local old_pid=$!
  timeout 300 "$new" -q -o "$work/new/out.ren" "$@" > /dev/null \
    2> "$work/new/stderr"
  local new_rc=$?
  wait "$old_pid"
  local old_rc=$?
  compared=$((compared + 1))
  if [[ $old_rc -eq 124 || $new_rc -eq 124 ]]; then
    differ "$name" "a conversion did not end within five minutes"
  fi
  if [[ $old_rc -ne $new_rc ]]; then
    differ "$name" "exit code $old_rc, now $new_rc"
  fi
  if ! cmp -s <(sed "s|$work/old/|OUT/|g" "$work/old/stderr") \
    <(sed "s|$work/new/|OUT/|g" "$work/new/stderr"); then
    differ "$name" "standard error '$(head -c 300 "$work/old/stderr")'," \
      "now '$(head -c 300 "$work/new/stderr")'"
  fi
  if [[ -e $work/old/out.ren && -e $work/new/out.ren ]]; then
    local where
    if ! where=$(cmp "$work/old/out.ren" "$work/new/out.ren" 2>&1); then
      where=${where##*differ: }
      differ "$name" "output: ${where//"$work/"/}"
    fi
  elif [[ -e $work/old/out.ren || -e $work/new/out.ren ]]; then
    differ "$name" "only one of the programs wrote an output"
  fi
}

# --- The sample logs -------------------------------------------------------
samples=()
for log in "$source_dir"/samples/* "$source_dir"/tests/data/*; do
  case ${log,,} in
    *.log | *.txt) samples+=("$log") ;;
  esac
done
[[ ${#samples[@]} -gt 0 ]] || { echo "no sample logs found" >&2; exit 2; }
echo "the sample logs..."
for log in "${samples[@]}"; do
  compare "${log#"$source_dir/"}" "$log"
done
compare "all samples in one command" "${samples[@]}"

# --- Random logs of three shapes -------------------------------------------
echo "1,200 random logs..."
"$bench_dir/write_random_logs" "$work/logs/random" 400 2026 ||
  { echo "write_random_logs failed" >&2; exit 2; }
for shape in short long noisy; do
  logs=("$work/logs/random/$shape"-*.LOG)
  for log in "${logs[@]}"; do
    compare "random ${log##*/}" "$log"
  done
  compare "the ${#logs[@]} random $shape logs in one command" "${logs[@]}"
done
rm -rf "$work/logs/random"

# --- The benchmark's shapes at 8 MB ----------------------------------------
echo "the benchmark's shapes at 8 MB..."
for letter in a b c d e; do
  log=$work/logs/shape-$letter.LOG
  "$bench_dir/convert_bench" --shape "$letter" --write-log 8 "$log" ||
    { echo "convert_bench --write-log failed" >&2; exit 2; }
  compare "convert_bench shape $letter, 8 MB" "$log"
  rm -f "$log"
done

# --- The fuzz target's inputs ----------------------------------------------
encodings=(auto sjis utf-8 euc-jp iso-2022-jp)
line_ends=(auto cr lf)

# Converts one input as the fuzz target does: its first byte chooses the
# encoding, the line ends and one of three ways (one log; the two halves of
# the rest as two logs appended into one output; the halves into two
# outputs), the rest is the log.
compare_input() {  # case name, first byte, file of the rest
  local name=$1 byte=$2 rest=$3
  local options=(--log-encoding="${encodings[byte / 3 % 5]}"
    --line-ends="${line_ends[byte / 15 % 3]}")
  local size half
  size=$(stat -c %s "$rest")
  half=$((size / 2))
  head -c "$half" "$rest" > "$work/logs/first.log"
  tail -c "+$((half + 1))" "$rest" > "$work/logs/second.log"
  case $((byte % 3)) in
    0) compare "$name" "${options[@]}" "$rest" ;;
    1) compare "$name" "${options[@]}" "$work/logs/first.log" \
      "$work/logs/second.log" ;;
    2)
      compare "$name (first half)" "${options[@]}" "$work/logs/first.log"
      compare "$name (second half)" "${options[@]}" "$work/logs/second.log"
      ;;
  esac
}

echo "the fuzz target's inputs..."
for log in "${samples[@]}"; do
  for byte in $(seq 0 44); do
    compare_input "fuzz seed ${log##*/} after byte $byte" "$byte" "$log"
  done
done
for corpus in "${corpora[@]}"; do
  for input in "$corpus"/*; do
    [[ -f $input && -s $input ]] || continue
    byte=$(od -An -tu1 -N1 "$input" | tr -d ' ')
    tail -c +2 "$input" > "$work/logs/input.log"
    compare_input "corpus ${input##*/}" "$byte" "$work/logs/input.log"
  done
done

echo "$compared conversions compared, $differences differences"
[[ $differences -eq 0 ]]
