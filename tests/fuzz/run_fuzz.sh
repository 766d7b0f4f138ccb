#!/bin/sh
# Fuzzes the conversion for a number of seconds:
#   tests/fuzz/run_fuzz.sh <seconds> [build-dir]
# Configures a clang build with the fuzz targets in build-dir (default
# build-fuzz beside the sources), builds convert_fuzz, and runs it from a
# seed corpus made of the sample logs. Fails on any crash, hang or sanitizer
# report.
set -eu

seconds=${1:?usage: run_fuzz.sh <seconds> [build-dir]}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${2:-$source_dir/../build-fuzz}

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARINE_FUZZ=ON \
  -DTESSARINE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -include $source_dir/tests/fuzz/source_location_compat.h" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build_dir" -j2 --target convert_fuzz

corpus=$(mktemp -d)
artifacts=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for sample in "$source_dir"/samples/*.LOG "$source_dir"/samples/*.TXT \
              "$source_dir"/tests/data/*.log; do
  [ -f "$sample" ] || continue
  # One seed per shape: the first byte chooses one log, appending or two
  # outputs.
  for shape in 0 1 2; do
    { printf "\\$(printf '%03o' "$shape")"; cat "$sample"; } \
      >"$corpus/$(basename "$sample").$shape"
  done
done

set +e
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
ASAN_OPTIONS=abort_on_error=1 \
  "$build_dir/tests/fuzz/convert_fuzz" "$corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -artifact_prefix="$artifacts/" -print_final_stats=1
status=$?
set -e
if ls "$artifacts"/* >/dev/null 2>&1; then
  echo "fuzzing found problems; inputs kept in $artifacts" >&2
  exit 1
fi
rm -rf "$artifacts"
exit $status
