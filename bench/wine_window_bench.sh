#!/usr/bin/env bash
# The window's cost under Wine: one generated log (30 MB of short messages,
# shape b of bench/log_shapes.h, by default) converted by the Windows program
# in its window on a virtual display, next to the same conversion without a
# window (headless_convert.exe) in the same prefix and the same run.
# The aim is a window that costs at most 1.2 times the conversion alone.
#
# Each conversion is timed by one watcher, the same for all: from the moment
# its output has its first bytes to the moment the output ends with its
# end-of-file mark 0x1A, which the conversion writes last (the save dialog
# may make and remove an empty file to try the name first). The watcher
# reads only the file, so that nothing asks the display for its windows
# while a conversion runs. Five rounds, each a headless run and a run in the
# window, into new outputs; the fastest of each counts (the machine may be
# shared).
#
# The window's rounds are also timed from the save dialog's OK to the next
# open dialog; each round then converts a log of a few messages, whose time
# from OK to the next dialog is what the dialogs themselves take: the
# difference is the conversion's cost in the window, against the headless
# program's own time.
#
# Then the big log is given as an argument (the command line in the
# window), three times, timed from the start to the summary box and by the
# watcher; the fastest should take at most 1.2 times as long as the fastest
# through the dialogs.
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
# shellcheck disable=SC2034  # read by wine_run in wine_helpers.sh
wine_locale=ja_JP.UTF-8
say() { echo "$*"; }
# shellcheck source=tests/wine/wine_helpers.sh
source "$here/wine_helpers.sh"
headless="$build/bench/headless_convert.exe"
[[ -x "$headless" || -f "$headless" ]] || {
  echo "no $headless: configure $build with -DTESSARINE_BENCH=ON" >&2
  exit 2
}
command -v python3 >/dev/null || {
  echo "the watcher needs python3" >&2
  exit 2
}

rm -rf "$work"
mkdir -p "$work"
program_pid=""
watcher_pid=""
cleanup() {
  if [[ -n "$program_pid" ]]; then kill "$program_pid" 2>/dev/null || true; fi
  if [[ -n "$watcher_pid" ]]; then kill "$watcher_pid" 2>/dev/null || true; fi
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
fastest() { sort -g "$1" | head -n 1; }

# Starts the watcher of the output $1 in the background and waits until it
# watches; it appends its seconds to the file $2 (see above) and gives up
# after 20 minutes.
watch_output() {
  rm -f "$work/watching"
  python3 - "$1" "$work/watching" >>"$2" <<'PY' &
import os, sys, time
path, deadline = sys.argv[1], time.monotonic() + 1200
open(sys.argv[2], "w").close()
while time.monotonic() < deadline:
    try:
        if os.stat(path).st_size > 0:
            break
    except OSError:
        pass
    time.sleep(0.002)
start = time.monotonic()
while time.monotonic() < deadline:
    try:
        with open(path, "rb") as f:
            f.seek(-1, os.SEEK_END)
            if f.read(1) == b"\x1a":
                print("%.3f" % (time.monotonic() - start))
                sys.exit(0)
    except OSError:
        pass
    time.sleep(0.005)
sys.exit(1)
PY
  watcher_pid=$!
  until [[ -e "$work/watching" ]]; do
    kill -0 "$watcher_pid" 2>/dev/null || {
      echo "the watcher did not start" >&2
      exit 1
    }
    sleep 0.01
  done
}
# Waits for the watcher; fails when it gave up.
wait_watcher() {
  wait "$watcher_pid" || {
    echo "the output $1 was not closed in time" >&2
    exit 1
  }
  watcher_pid=""
}

start_display
# Every Wine process of the run shares the display (the prefix's desktop
# process is started by the first of them).
echo "writing a ${megabytes} MB log of shape $shape"
(cd "$work" && wine_run "$headless" --write-log "$megabytes" 1997BIG.LOG \
  --shape "$shape")
head -c 2000 "$work/1997BIG.LOG" >"$work/1997TINY.LOG"

# Chooses the log $2 in the open dialog $1, types the output name $3 in the
# save dialog, appends the seconds from its OK to the next open dialog to
# the file $4 and the watcher's to $5, and writes the next dialog's id to
# $work/next.
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
  watch_output "$work/$output" "$5"
  start=$(now)
  xdotool key --window "$save" Return
  # The display is asked for the next dialog only once the output is
  # closed.
  wait_watcher "$output"
  next=$(wait_window nifty 1200) || {
    echo "no next open dialog" >&2
    exit 1
  }
  end=$(now)
  echo "$next" >"$work/next"
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }' >>"$4"
}

# Headless runs and rounds in the window take turns (the window waits at its
# open dialog meanwhile), so that a change in the machine's load touches
# both alike. Each round converts the big log without a window, then in the
# window, then the tiny log in the window, each into a new output (a name
# other than the run before's writes anew).
rounds=5
(cd "$work" && wine_run "$build/tessarine.exe" >/dev/null 2>&1) &
program_pid=$!
open=$(wait_window nifty 120) || {
  echo "no open dialog" >&2
  exit 1
}

for round in $(seq 1 $rounds); do
  rm -f "$work/headless.ren"
  watch_output "$work/headless.ren" "$work/headless-output.txt"
  (cd "$work" && wine_run "$headless" 1997BIG.LOG headless.ren) | tr -d '\r' \
    >>"$work/headless.txt"
  wait_watcher headless.ren
  convert_in_window "$open" 1997BIG.LOG "window$round.ren" \
    "$work/window.txt" "$work/window-output.txt"
  cmp "$work/window$round.ren" "$work/headless.ren" || {
    echo "the window's output differs from the headless one" >&2
    exit 1
  }
  rm -f "$work/window$round.ren"
  convert_in_window "$(cat "$work/next")" 1997TINY.LOG "tiny$round.ren" \
    "$work/dialogs.txt" "$work/tiny-output.txt"
  open=$(cat "$work/next")
  printf 'round %d: first bytes to end mark %.2f s without a window, %.2f s in the window; OK to the next dialog %.2f s, %.2f s for the tiny log\n' \
    "$round" "$(tail -n 1 "$work/headless-output.txt")" \
    "$(tail -n 1 "$work/window-output.txt")" \
    "$(tail -n 1 "$work/window.txt")" "$(tail -n 1 "$work/dialogs.txt")"
done
xdotool windowfocus "$open"
xdotool key --window "$open" Escape
wait "$program_pid" || true
program_pid=""

# The log $1 as an argument: prints the seconds from the start to the
# summary box (a second window named "tessarine"), asked for once the
# output $1.ren is closed.
convert_as_argument() {
  local log=$1 start end main box id
  watch_output "$work/$log.ren" "$work/argument-output.txt"
  start=$(now)
  (cd "$work" && wine_run "$build/tessarine.exe" -o "$log.ren" "$log" \
    >/dev/null 2>&1) &
  program_pid=$!
  wait_watcher "$log.ren"
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
# Three times, into a new output each time; the fastest counts.
for round in 1 2 3; do
  rm -f "$work/1997BIG.LOG.ren"
  convert_as_argument 1997BIG.LOG >>"$work/argument.txt"
  cmp "$work/1997BIG.LOG.ren" "$work/headless.ren" || {
    echo "the command line's output differs from the headless one" >&2
    exit 1
  }
done
argument=$(fastest "$work/argument.txt")

alone=$(awk '{ for (i = 1; i <= NF; ++i) if ($i == "in") print $(i + 1) }' \
  "$work/headless.txt" | sort -g | head -n 1)
alone_watched=$(fastest "$work/headless-output.txt")
window_watched=$(fastest "$work/window-output.txt")
window=$(fastest "$work/window.txt")
dialogs=$(fastest "$work/dialogs.txt")
echo "shape $shape, ${megabytes} MB; the fastest of $rounds each:"
printf 'without a window: %.2f s (its own timing), %.2f s (first bytes to end mark)\n' \
  "$alone" "$alone_watched"
awk -v w="$window_watched" -v a="$alone_watched" 'BEGIN {
  r = w / a
  printf "in the window: %.2f s (first bytes to end mark), %.2f times the conversion without it (aim: at most 1.20): %s\n", w, r, (r <= 1.2 ? "met" : "NOT met")
}'
# Each round's own ratio (the two ran a few seconds apart), and their
# median.
paste "$work/window-output.txt" "$work/headless-output.txt" |
  awk '{ printf "%.2f\n", $1 / $2 }' >"$work/ratios.txt"
printf 'rounds: %s times; median %s\n' "$(tr '\n' ' ' <"$work/ratios.txt")" \
  "$(sort -g "$work/ratios.txt" | awk '{ r[NR] = $1 } END { print r[int((NR + 1) / 2)] }')"
printf 'in the window: %.2f s from the save dialog OK to the next open dialog, %.2f s for the tiny log\n' \
  "$window" "$dialogs"
awk -v w="$window" -v d="$dialogs" -v a="$alone" 'BEGIN {
  printf "  the difference: %.2f s, %.2f times the headless program'"'"'s own timing\n", w - d, (w - d) / a
}'
printf 'as an argument: %.2f s (start to summary box), the fastest of 3\n' \
  "$argument"
awk -v w="$window_watched" \
  -v c="$(fastest "$work/argument-output.txt")" 'BEGIN {
  printf "from the output begun to the output closed: %.2f s through the dialogs, %.2f s as an argument: %.2f times\n", w, c, c / w
}'
