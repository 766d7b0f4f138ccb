#!/usr/bin/env bash
# The window's cost under Wine: one generated log (30 MB of short messages,
# shape b of bench/log_shapes.h, by default) converted by the Windows program
# in its window on a virtual display, timed from the save dialog's OK to the
# next open dialog, next to the same conversion without a window
# (headless_convert.exe) in the same prefix and the same run.
# The aim is a window that costs at most 1.2 times the conversion alone.
# The same run then converts a log of a few messages: its time from OK to
# the next dialog is what the dialogs themselves take, and the difference is
# the conversion's cost in the window.
# Then the big log is given as an argument (the command line in the
# window). The conversion itself is timed the same way in both: from the
# moment its output appears to the moment the output ends with its
# end-of-file mark (closed); as an argument it should take at most 1.2
# times as long as through the dialogs.
#
# Usage: bench/wine_window_bench.sh BUILD_DIR [MEGABYTES [SHAPE]]
#   BUILD_DIR  a cross build configured with TESSARINE_BENCH=ON
#              (tessarine.exe, bench/headless_convert.exe) and the Wine
#              prefix and locale folder that .ci/windows.sh makes in it
#   MEGABYTES  the size of the log (default 30)
#   SHAPE      the shape of the log, a to e (default b: short messages)
set -euo pipefail

build=$(cd "$1" && pwd)
megabytes=${2:-30}
shape=${3:-b}
[[ "$shape" =~ ^[a-e]$ ]] || {
  echo "the shape is one of the letters a to e, not '$shape'" >&2
  exit 2
}
work="$build/window-bench"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/wine" && pwd)
export WINEPREFIX=$build/wineprefix
export LOCPATH=$build/locale
wine_locale=ja_JP.UTF-8
say() { echo "$*"; }
# shellcheck source=tests/wine/wine_helpers.sh
source "$here/wine_helpers.sh"
headless="$build/bench/headless_convert.exe"
[[ -x "$headless" || -f "$headless" ]] || {
  echo "no $headless: configure $build with -DTESSARINE_BENCH=ON" >&2
  exit 2
}

rm -rf "$work"
mkdir -p "$work"
program_pid=""
cleanup() {
  if [[ -n "$program_pid" ]]; then kill "$program_pid" 2>/dev/null || true; fi
  stop_wine
}
trap cleanup EXIT
now() { date +%s.%N; }
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true; }
wait_window() {
  local deadline=$((SECONDS + $2)) id
  while ((SECONDS < deadline)); do
    id=$(find_window "$1")
    [[ -n "$id" ]] && {
      echo "$id"
      return 0
    }
    sleep 0.02
  done
  return 1
}

start_display
# Every Wine process of the run shares the display (the prefix's desktop
# process is started by the first of them).
echo "writing a ${megabytes} MB log of shape $shape"
(cd "$work" && wine_run "$headless" --write-log "$megabytes" 1997BIG.LOG \
  --shape "$shape")
head -c 2000 "$work/1997BIG.LOG" >"$work/1997TINY.LOG"

# Three times; the fastest counts (the machine may be shared). Each run
# writes a new file, as the window's runs below do.
echo "without a window (headless_convert.exe under Wine):"
for _ in 1 2 3; do
  rm -f "$work/headless.ren"
  (cd "$work" && wine_run "$headless" 1997BIG.LOG headless.ren) | tr -d '\r' |
    tee -a "$work/headless.txt"
done

(cd "$work" && wine_run "$build/tessarine.exe" >/dev/null 2>&1) &
program_pid=$!
open=$(wait_window nifty 120) || {
  echo "no open dialog" >&2
  exit 1
}

# Chooses the log $2 in the open dialog $1, types the output name $3 in the
# save dialog and prints the seconds from its OK to the next open dialog,
# whose id goes to $work/next.
convert_in_window() {
  local open=$1 name=$2 output=$3 save start end next
  xdotool windowfocus "$open"
  # The offered name is selected: typing replaces it.
  xdotool type --window "$open" --delay 30 "$name"
  xdotool key --window "$open" Return
  save=$(wait_window Kanbel 60) || {
    echo "no save dialog" >&2
    exit 1
  }
  sleep 1
  xdotool windowfocus "$save"
  xdotool type --window "$save" --delay 30 "$output"
  sleep 0.5
  start=$(now)
  xdotool key --window "$save" Return
  while [[ -n "$(find_window Kanbel)" ]]; do sleep 0.02; done
  next=$(wait_window nifty 1200) || {
    echo "no next open dialog" >&2
    exit 1
  }
  end=$(now)
  echo "$next" >"$work/next"
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

# Prints the seconds from the moment the file $1 has its first bytes (the
# save dialog may make and remove an empty file to try the name) to the
# moment it ends with the end-of-file mark 0x1A, which the conversion writes
# last.
watch_output() {
  local file=$1 start end
  until [[ "$(stat -c %s "$file" 2>/dev/null || echo 0)" -gt 0 ]]; do
    sleep 0.01
  done
  start=$(now)
  until [[ "$(tail -c 1 "$file" 2>/dev/null | od -An -tx1 | tr -d ' ')" == 1a ]]; do
    sleep 0.02
  done
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

# Three rounds of the big log and the tiny one, each into a new output (a
# name other than the run before's writes anew); the fastest of each counts.
rounds=3
for round in $(seq 1 $rounds); do
  watch_output "$work/window$round.ren" >>"$work/window-output.txt" &
  convert_in_window "$open" 1997BIG.LOG "window$round.ren" >>"$work/window.txt"
  wait $!
  cmp "$work/window$round.ren" "$work/headless.ren" || {
    echo "the window's output differs from the headless one" >&2
    exit 1
  }
  rm -f "$work/window$round.ren"
  convert_in_window "$(cat "$work/next")" 1997TINY.LOG "tiny$round.ren" \
    >>"$work/dialogs.txt"
  open=$(cat "$work/next")
  printf 'round %d: %.2f s for the big log, %.2f s for the tiny one\n' \
    "$round" "$(tail -n 1 "$work/window.txt")" \
    "$(tail -n 1 "$work/dialogs.txt")"
done
window=$(sort -g "$work/window.txt" | head -n 1)
dialogs=$(sort -g "$work/dialogs.txt" | head -n 1)
through_dialogs=$(sort -g "$work/window-output.txt" | head -n 1)
xdotool windowfocus "$open"
xdotool key --window "$open" Escape
wait "$program_pid" || true
program_pid=""

# The log $1 as an argument: prints the seconds from the start to the
# summary box (a second window named "tessarine"); the output is $1.ren.
convert_as_argument() {
  local log=$1 start end main box id
  start=$(now)
  (cd "$work" && wine_run "$build/tessarine.exe" -o "$log.ren" "$log" \
    >/dev/null 2>&1) &
  program_pid=$!
  main=""
  box=""
  while [[ -z "$box" ]]; do
    for id in $(xdotool search --onlyvisible --name '^tessarine$' 2>/dev/null); do
      if [[ -z "$main" ]]; then
        main=$id
      elif [[ "$id" != "$main" ]]; then
        box=$id
      fi
    done
    kill -0 "$program_pid" 2>/dev/null || {
      echo "the program ended without a box" >&2
      exit 1
    }
    sleep 0.02
  done
  end=$(now)
  xdotool windowfocus "$box" 2>/dev/null || true
  xdotool key --window "$box" Return
  wait "$program_pid" || true
  program_pid=""
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
watch_output "$work/1997BIG.LOG.ren" >"$work/argument-output.txt" &
argument=$(convert_as_argument 1997BIG.LOG)
wait $!
cmp "$work/1997BIG.LOG.ren" "$work/headless.ren" || {
  echo "the command line's output differs from the headless one" >&2
  exit 1
}

alone=$(awk '{ for (i = 1; i <= NF; ++i) if ($i == "in") print $(i + 1) }' \
  "$work/headless.txt" | sort -g | head -n 1)
printf 'in the window: %.2f s (save dialog OK to next open dialog, fastest of %d)\n' \
  "$window" "$rounds"
printf 'the dialogs alone (a log of a few messages): %.2f s\n' "$dialogs"
printf 'without a window: %.2f s\n' "$alone"
awk -v w="$window" -v d="$dialogs" -v a="$alone" -v s="$shape" 'BEGIN {
  r = (w - d) / a
  printf "the conversion in the window: %.2f s, %.2f times the conversion without it (shape %s; aim: at most 1.20): %s\n", w - d, r, s, (r <= 1.2 ? "met" : "NOT met")
}'
printf 'as an argument: %.2f s (start to summary box)\n' "$argument"
awk -v w="$through_dialogs" \
  -v c="$(cat "$work/argument-output.txt")" 'BEGIN {
  printf "from the output begun to the output closed: %.2f s through the dialogs, %.2f s as an argument: %.2f times\n", w, c, c / w
}'
